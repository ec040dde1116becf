#include "effect/palette.h"

#include "core/event_service.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/report.h"
#include "core/static_tables.h"
#include "core/text.h"
#include "effect/effect_define.h"
#include "effect/text_file.h"
#include "media/text_draw.h"

#include <algorithm>
#include <exception>

namespace Effect {

namespace {
constexpr const wchar_t* Extension = L"palette";

// Names compared by their UTF-16 code units, as the palette list is sorted:
// characters beyond the basic plane count as their high surrogate.
std::u16string utf16Key(const std::wstring& text)
{
    std::u16string key;
    key.reserve(text.size());
    for (wchar_t c : text) {
        const auto u = static_cast<uint32_t>(c);
        if (u >= 0x10000) {
            key.push_back(static_cast<char16_t>(0xD800 + ((u - 0x10000) >> 10)));
            key.push_back(static_cast<char16_t>(0xDC00 + ((u - 0x10000) & 0x3FF)));
        } else {
            key.push_back(static_cast<char16_t>(u));
        }
    }
    return key;
}

// The six hexadecimal digits of a swatch, spaces around them ignored; false for
// any other text (the line is skipped).
bool readColor(std::string_view text, ColorF& out)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.size() != 6)
        return false;
    ColorBytes bytes;
    parseRgbText(std::string(text), bytes);
    out = {bytes.r / 255.0f, bytes.g / 255.0f, bytes.b / 255.0f, 1.0f};
    return true;
}

} // namespace

std::function<void(PaletteManager&)> PaletteManager::presetColorEdit = PaletteManager::rebuildPresetColors;

void PaletteManager::rebuildPresetColors(PaletteManager& manager)
{
    manager.reloadPresetColor();
    if (Event::EventService* events = Event::EventService::Get()) {
        std::shared_ptr<Edit::Object> none;
        events->editChanged(none);
    }
}

// ---- Palette ----

Palette::Palette(std::wstring name, std::vector<PaletteColor> colors) : name(std::move(name)), colors(std::move(colors))
{
}

Palette::~Palette() = default;

void Palette::setDefaultColors()
{
    colors.resize(Size);
    for (size_t k = 0; k < std::size(Tables::presetColors); ++k) {
        const Tables::PresetColor& base = Tables::presetColors[k];
        for (size_t j = 0; j < 8; ++j) {
            const float brightness = static_cast<float>(8 - j) / 8.0f;
            PaletteColor& swatch = colors[k * 8 + j];
            swatch.color = {base.r * brightness, base.g * brightness, base.b * brightness, 1.0f};
            if (j == 0)
                swatch.name = base.name;
        }
    }
}

// ---- PaletteDefine ----

std::vector<PaletteColor> PaletteDefine::readPaletteText(std::string_view text)
{
    std::vector<PaletteColor> colors(Palette::Size);
    forEachTextLine(text, [&](std::string_view line) {
        if (line.empty() || line.front() == ';')
            return;
        const size_t equal = line.find('=');
        if (equal == std::string_view::npos || line.find('=', equal + 1) != std::string_view::npos)
            return;
        try {
            const int index = std::stoi(std::string(line.substr(0, equal)));
            if (index < 0 || index >= static_cast<int>(Palette::Size))
                return;
            const std::string_view value = line.substr(equal + 1);
            const size_t bar = value.find('|');
            ColorF color;
            if (!readColor(value.substr(0, bar), color))
                return;
            PaletteColor& swatch = colors[static_cast<size_t>(index)];
            swatch.color = color;
            // The name is all that follows the first bar, so a name may hold one.
            swatch.name = bar == std::string_view::npos ? std::wstring() : System::utf8ToWide(value.substr(bar + 1));
        } catch (const std::exception&) {
            // not a number, or bad hexadecimal digits: the line is skipped
        }
    });
    return colors;
}

std::vector<PaletteColor> PaletteDefine::loadPaletteFile(const std::wstring& path)
{
    std::string text;
    try {
        text = readFileBytes(System::FileName::expand(path.c_str()));
    } catch (const std::exception&) {
        return {};
    }
    return readPaletteText(text);
}

void PaletteDefine::savePaletteFile(const std::wstring& path, const std::vector<PaletteColor>& colors)
{
    System::Log::info("Effect::PaletteDefine::savePaletteFile", L"save palette file : %s", path.c_str());
    const std::wstring expanded = System::FileName::expand(path.c_str());
    std::string text;
    for (size_t i = 0; i < colors.size(); ++i) {
        const ColorF& c = colors[i].color;
        const ColorBytes bytes = colorToBytes(c.r, c.g, c.b);
        char line[64];
        System::formatNarrow(line, sizeof line, "%d=%02x%02x%02x", static_cast<int>(i), bytes.r, bytes.g, bytes.b);
        text += line;
        if (!colors[i].name.empty())
            text += "|" + System::wideToUtf8(colors[i].name);
        text += "\r\n";
    }
    System::File file;
    file.open(expanded.c_str(), System::File::ModeWrite);
    file.write(text.data(), static_cast<int>(text.size()));
    file.close();
}

// ---- PresetColorDefine ----

PresetColorDefine::PresetColorDefine(const std::wstring& name, const ColorF& color, int order)
    : Menu::MenuDefineBase("Color", name.c_str(), order, L"", true), color(color), name(name)
{
}

PresetColorDefine::~PresetColorDefine() = default;

const wchar_t* PresetColorDefine::getName() const
{
    return name.c_str();
}

// ---- PaletteManager ----

PaletteManager::PaletteManager() = default;

PaletteManager::~PaletteManager()
{
    // Text drawing keeps its own copy of the colours; it ends with the palettes.
    Media::setPresetColorFinder(nullptr);
}

std::wstring PaletteManager::getPaletteFilePath(const std::wstring& name)
{
    return System::FileName::expand(L"%Default%") + L"/" + makeSafeFileName(name) + L"." + Extension;
}

void PaletteManager::registerPalette(const std::wstring& path)
{
    try {
        const std::wstring expanded = System::FileName::expand(path.c_str());
        const std::wstring name = System::FileName::getBaseName(expanded);
        std::vector<PaletteColor> colors = PaletteDefine::loadPaletteFile(expanded);
        if (colors.empty())
            return;
        auto palette = std::make_shared<Palette>(name, std::move(colors));
        if (!palettes.try_emplace(name, palette).second) {
            System::Report::showError(L"Failed to register palette. [%s]\n\n%s", name.c_str(),
                              L"Duplicate params with the same key exist.");
            return;
        }
        System::Log::info("Effect::PaletteManager::registerPalette", L"register palette [%s]", name.c_str());
    } catch (const std::exception& e) {
        System::Report::showError(L"Failed to register palette. [%s]\n\n%s", path.c_str(), System::ansiToWide(e.what()).c_str());
    }
}

void PaletteManager::reloadPalette()
{
    palettes.clear();
    for (const auto& file :
         System::FileName::findFiles(System::FileName::expand(L"%Default%/*.palette"), L"%Default%"))
        registerPalette(file.path);
    if (palettes.empty()) {
        auto palette = std::make_shared<Palette>(L"default", std::vector<PaletteColor>());
        palette->setDefaultColors();
        palettes.try_emplace(palette->name, palette);
        savePalette(*palette);
    }
    reloadPresetColor();
}

void PaletteManager::reloadPresetColor()
{
    presetColors.clear();
    auto snapshot = std::make_shared<std::unordered_map<std::wstring, ColorF>>();
    for (PaletteDefine* define : getPaletteList()) {
        for (const PaletteColor& swatch : define->palette->colors) {
            if (swatch.name.empty())
                continue;
            const int order = orderCounter++;
            if (presetColors.try_emplace(swatch.name, swatch.name, swatch.color, order).second)
                snapshot->emplace(swatch.name, swatch.color);
            System::Log::info("Effect::PaletteManager::reloadPresetColor", L"register preset color [%s]",
                              swatch.name.c_str());
        }
    }
    // Render workers read the colours while palettes may change: they get a copy
    // that is never changed afterwards.
    std::shared_ptr<const std::unordered_map<std::wstring, ColorF>> colors = std::move(snapshot);
    Media::setPresetColorFinder([colors](const std::wstring& name, ColorF& out) {
        auto it = colors->find(name);
        if (it == colors->end())
            return false;
        out = it->second;
        return true;
    });
}

void PaletteManager::setPresetColorName(Palette& palette, size_t index, const wchar_t* name)
{
    if (index >= palette.colors.size())
        return;
    if (name && *name) {
        for (auto& [key, define] : palettes) {
            Palette& other = *define.palette;
            bool changed = false;
            for (PaletteColor& swatch : other.colors) {
                if (swatch.name == name) {
                    swatch.name.clear();
                    changed = true;
                }
            }
            if (changed && &other != &palette)
                savePalette(other);
        }
        palette.colors[index].name = name;
    } else {
        palette.colors[index].name.clear();
    }
    savePalette(palette);
    if (presetColorEdit)
        presetColorEdit(*this);
}

void PaletteManager::savePalette(const Palette& palette)
{
    try {
        PaletteDefine::savePaletteFile(getPaletteFilePath(palette.name), palette.colors);
    } catch (const std::exception&) {
        System::Report::showError(L"パレットの保存に失敗しました");
    }
}

std::vector<PaletteDefine*> PaletteManager::getPaletteList()
{
    std::vector<std::pair<std::u16string, PaletteDefine*>> keyed;
    for (auto& [name, define] : palettes)
        keyed.emplace_back(utf16Key(name), &define);
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PaletteDefine*> list;
    for (auto& [key, define] : keyed)
        list.push_back(define);
    return list;
}

std::vector<PresetColorDefine*> PaletteManager::getPresetColorList()
{
    return listByOrder(presetColors);
}

std::vector<const wchar_t*> PaletteManager::getPresetColorLabelList()
{
    return distinctLabels(getPresetColorList());
}

} // namespace Effect
