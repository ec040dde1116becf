// The text form of number items ("values,movement,flags|parameters|curve"), as
// project files and scripts give it, evaluated over objects with mid points at
// ordinary, late and odd times; and the number conversions under it.
#include "effect/item_text.h"
#include "tests/fuzz/effect_item_sample.h"
#include "tests/fuzz/fuzz_target.h"

#include <cstring>
#include <exception>
#include <limits>

FUZZ_TARGET(number_text)
{
    Fuzz::startEffectServices();
    Fuzz::Input in(data, size);
    const uint8_t form = in.byte();
    const int length = 1 + in.byte() * 8;
    uint32_t bits = in.u32();
    float extraTime;
    std::memcpy(&extraTime, &bits, sizeof extraTime);
    const std::string text(in.restText());

    Fuzz::SampleEffect effect;
    Effect::EffectItemNumber& item = form & 1 ? effect.w : effect.x;
    try {
        if (form & 2)
            item.fromScriptString(text);
        else
            item.fromString(text);
    } catch (const std::exception&) {
        // Unusable text is refused with an error and the item keeps its value.
    }
    auto object = Fuzz::makeObject(0, length, {length / 3, length / 2});
    for (double time : {0.0, 1.0, length / 2.5, double(length), 1e6, 1e12, -5.0, double(extraTime)}) {
        const double value = item.getValue(Fuzz::renderAt(object, time));
        (void)value;
        item.getValueAtTime(Fuzz::renderAt(object, 0), time);
    }
    const std::string saved = item.toString();
    Fuzz::SampleEffect copy;
    Effect::EffectItemNumber& back = form & 1 ? copy.w : copy.x;
    try {
        back.fromString(saved);
    } catch (const std::exception& e) {
        Fuzz::fail("\"" + saved + "\" does not read back: " + e.what());
    }
    if (back.toString() != saved)
        Fuzz::fail("\"" + saved + "\" reads back as \"" + back.toString() + "\"");

    for (auto parse : {+[](const std::string& t) { Effect::parseInt(t); },
                       +[](const std::string& t) { Effect::parseInt(t, 16); },
                       +[](const std::string& t) { Effect::parseDouble(t); }}) {
        try {
            parse(text);
        } catch (const std::exception&) {
        }
    }
    Effect::isIntText(text);
}
