#include "effect/movement_params.h"

#include "core/file.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/report.h"
#include "core/text.h"
#include "effect/text_file.h"
#include "platform/os/folder.h"

#include <exception>

namespace Effect {

namespace {
constexpr const wchar_t* ShippedFile = L"%AppInstall%/preset.params";

// "%f" without the zeros behind the decimal point, and without the point when
// nothing is left behind it: 0.25, 1, 10, -0.5.
std::string formatValue(double value)
{
    char text[512];
    System::formatNarrow(text, sizeof text, "%f", value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}
} // namespace

MovementParamsManager::MovementParamsManager() = default;
MovementParamsManager::~MovementParamsManager() = default;

std::wstring MovementParamsManager::getUserFilePath(const std::wstring& name)
{
    return System::FileName::expand(L"%Default%") + L"/" + makeSafeFileName(name) + L".params";
}

std::vector<std::pair<std::string, std::string>> MovementParamsManager::readEntries(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> entries;
    forEachTextLine(text, [&](std::string_view line) {
        if (line.empty() || line.front() == ';')
            return;
        const size_t equal = line.find('=');
        if (equal == std::string_view::npos || line.find('=', equal + 1) != std::string_view::npos)
            return;
        entries.emplace_back(std::string(line.substr(0, equal)), std::string(line.substr(equal + 1)));
    });
    return entries;
}

std::vector<double> MovementParamsManager::readValues(const std::string& text)
{
    std::vector<double> values;
    if (text.empty())
        return values;
    for (const std::string& part : System::splitComma(text))
        values.push_back(std::stod(part));
    return values;
}

void MovementParamsManager::registerMovementParams(const wchar_t* path, bool shipped)
{
    try {
        const std::wstring expanded = System::FileName::expand(path);
        const std::wstring base = System::FileName::getBaseName(expanded);
        // A missing file gives no presets and no message.
        if (!Platform::Os::pathExists(System::toLocalPath(expanded)))
            return;
        std::string text;
        try {
            text = readFileBytes(expanded);
        } catch (const std::exception&) {
            return; // nor does one that cannot be read
        }
        const auto entries = readEntries(text);
        for (const auto& [key, value] : entries) {
            std::wstring name = base;
            if (entries.size() > 1) {
                name = System::utf8ToWide(key);
                if (!shipped)
                    name += L"@" + base;
            }
            const int order = orderCounter++;
            if (presets.count(name)) {
                System::Report::showError(L"Failed to register movement params. [%s]\n\n%s", name.c_str(),
                                  L"Duplicate params with the same key exist.");
                continue;
            }
            std::vector<double> values = readValues(value);
            presets.try_emplace(name, name, std::move(values), order);
            System::Log::info("Effect::MovementParamsManager::registerMovementParams",
                              L"register movement params [%s]", name.c_str());
        }
    } catch (const std::exception& e) {
        System::Report::showError(L"Failed to register movement params. [%s]\n\n%s", path,
                          System::ansiToWide(e.what()).c_str());
    }
}

void MovementParamsManager::reloadMovementParams()
{
    presets.clear();
    registerMovementParams(ShippedFile, true);
    for (const auto& file : System::FileName::findFiles(System::FileName::expand(L"%Default%/*.params"), L"%Default%"))
        registerMovementParams(file.path.c_str(), false);
}

std::vector<MovementParamsDefine*> MovementParamsManager::getMovementParamsList()
{
    return listByOrder(presets);
}

std::vector<const wchar_t*> MovementParamsManager::getMovementParamsLabelList()
{
    return distinctLabels(getMovementParamsList());
}

void MovementParamsDefine::saveMovementParamsFile(const wchar_t* path, const std::vector<double>& values)
{
    System::Log::info("Effect::MovementParamsDefine::saveMovementParamsFile", L"save movement params file : %s", path);
    const std::wstring expanded = System::FileName::expand(path);
    std::string line = "params=";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            line += ',';
        line += formatValue(values[i]);
    }
    line += "\r\n";
    System::File file;
    file.open(expanded.c_str(), System::File::ModeWrite);
    file.write(line.data(), static_cast<int>(line.size()));
    file.close();
}

} // namespace Effect
