#pragma once
// Palettes of the colour window: named sets of 64 swatches, one file each in
// "%Default%" ("<name>.palette"). Every named swatch is also a preset colour, a
// menu entry the user can order, relabel and hide, and a colour name that text
// objects may use in their colour tags.
#include "core/color.h"
#include "core/menu_define.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Effect {

struct PaletteColor {
    ColorF color;
    std::wstring name; // empty for an unnamed swatch
};

class Palette {
public:
    static constexpr size_t Size = 64;

    Palette(std::wstring name, std::vector<PaletteColor> colors);
    ~Palette();

    // 64 swatches in eight rows of eight: row k holds built-in colour k at
    // brightness 8/8 down to 1/8; the first swatch of each row carries the
    // colour's name, the others keep theirs.
    void setDefaultColors();

    std::wstring name;
    std::vector<PaletteColor> colors;
};

class PaletteDefine {
public:
    explicit PaletteDefine(std::shared_ptr<Palette> palette) : palette(std::move(palette)) {}

    // The 64 swatches of a palette file; empty when the file cannot be read.
    static std::vector<PaletteColor> loadPaletteFile(const std::wstring& path);
    // The swatches of a palette file's text; lines that do not parse are skipped.
    static std::vector<PaletteColor> readPaletteText(std::string_view text);
    // Writes a palette file (path may begin with a path variable), replacing it.
    static void savePaletteFile(const std::wstring& path, const std::vector<PaletteColor>& colors);

    std::shared_ptr<Palette> palette;
};

class PresetColorDefine final : public Menu::MenuDefineBase {
public:
    PresetColorDefine(const std::wstring& name, const ColorF& color, int order);
    ~PresetColorDefine();

    const wchar_t* getName() const override;

    ColorF color;
    std::wstring name;
};

class PaletteManager {
public:
    PaletteManager();
    ~PaletteManager();
    PaletteManager(const PaletteManager&) = delete;
    PaletteManager& operator=(const PaletteManager&) = delete;

    // Reads every palette file of "%Default%"; makes and saves the palette
    // "default" when there is none; then rebuilds the preset colours.
    void reloadPalette();
    // Registers the palette of one file, named by the file name up to its last ".".
    void registerPalette(const std::wstring& path);
    // Rebuilds the preset colours from the named swatches (palettes in name order,
    // the first of a name wins) and hands text drawing a copy of them.
    void reloadPresetColor();
    // Names a swatch (null clears its name). A name is unique across all
    // palettes: swatches of other palettes that carry it lose it, and their
    // palettes are saved. The palette is saved, and the preset colours are
    // rebuilt through presetColorEdit.
    void setPresetColorName(Palette& palette, size_t index, const wchar_t* name);
    // Saves a palette to its file; a failure is shown in an error box.
    void savePalette(const Palette& palette);

    // The palettes by name (UTF-16 code-unit order).
    std::vector<PaletteDefine*> getPaletteList();
    // The preset colours by ascending menu order.
    std::vector<PresetColorDefine*> getPresetColorList();
    // Their distinct non-empty labels in that order.
    std::vector<const wchar_t*> getPresetColorLabelList();

    // The file of a palette: its name made safe as a file name, in "%Default%".
    static std::wstring getPaletteFilePath(const std::wstring& name);

    // Runs the rebuild of the preset colours after a swatch was named, as an edit
    // whose listeners hear of it. The edit service installs its transaction here
    // while it runs; without it, rebuildPresetColors.
    static std::function<void(PaletteManager&)> presetColorEdit;
    // Rebuilds, then runs the event service's edit-changed listeners with no target.
    static void rebuildPresetColors(PaletteManager& manager);

    std::unordered_map<std::wstring, PaletteDefine> palettes;
    std::unordered_map<std::wstring, PresetColorDefine> presetColors;
    int32_t orderCounter = 0;
};

} // namespace Effect
