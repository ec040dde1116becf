#include "effect/script_file_parser.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/text_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace Effect {

namespace {
constexpr char Marker = '@';

// A section name cut at a NUL, so that it is the same as a C string and as a key.
std::wstring sectionName(std::string_view line)
{
    std::wstring name = System::utf8ToWide(line.substr(0, line.find('\0')));
    System::trimSpace(name);
    return name;
}
} // namespace

ScriptFileParser::~ScriptFileParser() = default;

std::vector<ScriptSection> ScriptFileParser::splitScriptText(std::string_view bytes, bool ansi, bool multi,
                                                             const std::wstring& baseName)
{
    std::string converted;
    if (ansi && !System::isValidUtf8(bytes)) {
        converted = System::wideToUtf8(System::ansiToWide(bytes));
        bytes = converted;
    }
    std::vector<ScriptSection> sections;
    if (!multi) {
        sections.push_back({baseName, std::string(bytes)});
        return sections;
    }
    std::wstring name;
    size_t textStart = std::string_view::npos; // none before the first marker line
    auto finish = [&](size_t textEnd) {
        if (textStart != std::string_view::npos && !name.empty())
            sections.push_back({name + baseName, std::string(bytes.substr(textStart, textEnd - textStart))});
    };
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = findLineEnd(bytes, start);
        const size_t next = skipLineEnd(bytes, end);
        if (bytes[start] == Marker) {
            finish(start);
            name = sectionName(bytes.substr(start + 1, end - start - 1));
            textStart = next;
        }
        start = next;
    }
    finish(bytes.size());
    return sections;
}

std::vector<ScriptSection> ScriptFileParser::loadScriptFile(const std::wstring& path, bool ansi, bool forceMulti)
{
    try {
        const std::wstring base = System::FileName::getBaseName(path);
        const bool multi = forceMulti || (!base.empty() && base[0] == L'@');
        return splitScriptText(readFileBytes(path), ansi, multi, forceMulti ? std::wstring() : base);
    } catch (const std::exception& e) {
        System::Log::warn("Effect::ScriptFileParser::loadScriptFile", "script file load faild.\n%s", e.what());
        return {};
    }
}

namespace {
[[noreturn]] void throwInvalidNumber(std::string_view field, const char* place)
{
    throw System::makeFormatException(place, "invalid number.", L"%s", System::utf8ToWide(field).c_str());
}
} // namespace

int ScriptFileParser::readHeaderInt(std::string_view field, const char* place, int base)
{
    if (field.empty())
        return 0;
    const std::string text(field);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, base);
    if (end == text.c_str() || errno == ERANGE || value < INT32_MIN || value > int64_t(UINT32_MAX))
        throwInvalidNumber(field, place);
    return static_cast<int>(static_cast<uint32_t>(value));
}

double ScriptFileParser::readHeaderNumber(std::string_view field, const char* place)
{
    if (field.empty())
        return 0;
    const std::string text(field);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str())
        throwInvalidNumber(field, place);
    return value;
}

void ScriptFileParser::forEachHeaderLine(std::string_view text, const std::function<void(std::string_view line)>& f)
{
    // The first "]]" at or after the last search start; the walk only moves
    // forward, so it stays the answer until the walk passes it.
    size_t close = 0;
    bool searched = false;
    for (size_t start = 0; start < text.size();) {
        const size_t end = findLineEnd(text, start);
        size_t next = skipLineEnd(text, end);
        const std::string_view line = text.substr(start, end - start);
        if (line.starts_with("--[[")) {
            // The walk goes on after the line that holds the block's "]]".
            if (!searched || (close != std::string_view::npos && close < start)) {
                close = text.find("]]", start);
                searched = true;
            }
            if (close != std::string_view::npos)
                next = skipLineEnd(text, findLineEnd(text, close));
        } else if (line.starts_with("--")) {
            f(line);
        }
        start = next;
    }
}

} // namespace Effect
