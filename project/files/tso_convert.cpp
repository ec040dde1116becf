#include "project/files/tso_convert.h"

#include "core/failure.h"
#include "core/setting_service.h"
#include "core/text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

std::vector<std::string> splitFields(const std::string& text)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    for (;;) {
        size_t comma = text.find(',', begin);
        parts.push_back(text.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin));
        if (comma == std::string::npos)
            return parts;
        begin = comma + 1;
    }
}

int parseDecimal(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(begin, &end, 10);
    if (end == begin)
        throw std::invalid_argument("invalid stoi argument");
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
        throw std::out_of_range("stoi argument out of range");
    return static_cast<int>(v);
}

} // namespace

std::string convertTsoTrackValue(const std::string& text)
{
    const std::vector<std::string> parts = splitFields(text);
    if (parts.size() < 3)
        return text;

    // The mode: blanks skipped, up to the first control character or "@", trailing blanks dropped.
    const std::string& third = parts[2];
    size_t begin = 0;
    while (begin < third.size() && third[begin] == ' ')
        ++begin;
    size_t end = begin;
    while (end < third.size() && static_cast<unsigned char>(third[end]) >= 0x20 && third[end] != '@')
        ++end;
    size_t at = third.find('@', begin);
    std::string number = third.substr(begin, end - begin);
    while (!number.empty() && number.back() == ' ')
        number.pop_back();
    const int a = parseDecimal(number);
    const int mode = a & 15;

    std::string movement;
    int singleSection = -1;
    bool listed = false;
    if (auto* settings = Setting::SettingService::Get()) {
        auto section = settings->effect.getSection("OldScript.trackmode");
        if (const auto* v = section.section().find(std::to_string(mode))) {
            movement = v->text;
            listed = true;
        }
        if (const auto* v = section.section().find("SingleSection"))
            singleSection = v->toInt(-1);
    }
    if (!listed && at != std::string::npos)
        movement = third.substr(at + 1);

    int flags = 0;
    if (a & 0x20)
        flags += 2;
    if (a & 0x40)
        flags += 1;
    if (mode == singleSection)
        flags += 4;

    std::string result = parts[0] + "," + parts[1] + "," + movement + "," + std::to_string(flags);
    if (parts.size() > 3)
        result += "|" + parts[3];
    return result;
}

std::wstring convertTsoEffectName(const System::IniFile::SectionRef& section)
{
    std::wstring name = section.getValue("_name").toString();
    if (name != L"アニメーション効果" && name != L"カスタムオブジェクト" && name != L"カメラ効果")
        return name;
    std::wstring script = section.findValue("name").toString(L"");
    if (!script.empty())
        return script;
    const System::IniFile::VALUE& type = section.getValue("type");
    auto* settings = Setting::SettingService::Get();
    const System::IniFile::VALUE* listed = nullptr;
    if (settings) {
        const std::string table = "OldScript." + System::wideToUtf8(name);
        listed = settings->effect.getSection(table.c_str()).section().find(type.text);
    }
    if (!listed)
        throw System::makeFormatException("convertTsoEffectName", "ini file parameter undefined.", L"%s type=%s",
                                          name.c_str(), System::utf8ToWide(type.text).c_str());
    return listed->toString();
}
