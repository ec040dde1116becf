// Effect sections of project, alias and default files (and of the older object
// file): every section of the input read into an effect with items of most kinds.
// What an effect reads it must write back, and that text must read the same.
#include "core/ini_file.h"
#include "core/text.h"
#include "tests/fuzz/effect_item_sample.h"
#include "tests/fuzz/fuzz_target.h"

#include <exception>

FUZZ_TARGET(effect_section)
{
    Fuzz::startEffectServices();
    Fuzz::Input in(data, size);
    const bool older = in.byte() & 1;
    System::IniFile ini;
    ini.loadText(in.restText(), L"fuzz.vmp2", false);
    auto object = Fuzz::makeObject(0, 99, {30, 60});
    for (const std::string& name : ini.sectionNames()) {
        Fuzz::SampleEffect effect;
        const auto section = ini.getSection(name.c_str());
        if (older)
            Effect::EffectBase::loadTsoSectionParameter(effect, section);
        else
            Effect::EffectBase::loadIniSectionParameter(effect, section);
        for (double time : {0.0, 45.0, 99.0})
            for (auto* number : {&effect.x, &effect.n, &effect.w})
                number->getValue(Fuzz::renderAt(object, time));

        Fuzz::SampleEffect copy;
        for (size_t k = 0; k < effect.items.size(); ++k) {
            const std::string saved = effect.items[k]->toString();
            try {
                copy.items[k]->fromString(saved);
            } catch (const std::exception& e) {
                Fuzz::fail(System::wideToUtf8(effect.items[k]->name) + ": its own text \"" + saved +
                           "\" does not read back: " + e.what());
            }
            if (copy.items[k]->toString() != saved)
                Fuzz::fail(System::wideToUtf8(effect.items[k]->name) + ": \"" + saved + "\" reads back as \"" +
                           copy.items[k]->toString() + "\"");
        }
    }
}
