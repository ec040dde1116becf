// Movement parameter presets and palettes: the entries of a preset file with
// their numbers, and the swatches of a palette file.
#include "effect/movement_params.h"
#include "effect/palette.h"
#include "tests/fuzz/fuzz_target.h"

#include <cmath>
#include <exception>

FUZZ_TARGET(preset_palette)
{
    const std::string_view text = Fuzz::text(data, size);
    for (const auto& [key, value] : Effect::MovementParamsManager::readEntries(text)) {
        if (key.find('=') != std::string::npos || value.find('=') != std::string::npos)
            Fuzz::fail("an entry holds an \"=\"");
        try {
            Effect::MovementParamsManager::readValues(value);
        } catch (const std::exception&) {
            // a part that is no number ends the file, reported by the caller
        }
    }
    const auto colors = Effect::PaletteDefine::readPaletteText(text);
    if (colors.size() != Effect::Palette::Size)
        Fuzz::fail("a palette of " + std::to_string(colors.size()) + " swatches");
    for (const Effect::PaletteColor& c : colors) {
        for (float channel : {c.color.r, c.color.g, c.color.b})
            if (!(channel >= 0 && channel <= 1))
                Fuzz::fail("a swatch channel outside 0..1");
        if (c.color.a != 1)
            Fuzz::fail("a swatch that is not opaque");
    }
}
