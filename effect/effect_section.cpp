// The effect section: the text form of one effect in project, alias and
// default files, and the section of the older object file.
#include "core/failure.h"
#include "core/file.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"

namespace Effect {

namespace {

constexpr const char* LoadPlace = "Effect::EffectBase::loadIniSectionParameter";

// A flag line: set when its integer is not 0. A value that is not an integer
// is reported and read as clear, like a rejected item value, so that one bad
// line does not cost the whole effect.
bool readFlag(const System::IniFile::SectionRef& section, const char* key, const char* place)
{
    try {
        return section.findValue(key).toInt(0) != 0;
    } catch (const std::exception& e) {
        System::Log::warn(place, "ini file effect flag invalid. [%s]\n%s", key, e.what());
        return false;
    }
}

void writeLine(System::File& file, const std::string& key, const std::string& value)
{
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line += key;
    line += '=';
    line += value;
    line += "\r\n";
    file.write(line.data(), static_cast<int>(line.size()));
}

} // namespace

void EffectBase::loadIniSectionParameter(EffectBase& effect, const System::IniFile::SectionRef& section)
{
    effect.disable = readFlag(section, "effect.disable", LoadPlace);
    effect.hide = readFlag(section, "display.hide", LoadPlace);
    effect.lock = readFlag(section, "display.lock", LoadPlace);
    std::string key;
    for (size_t i = 0; i < effect.items.size(); ++i) {
        EffectItem* item = effect.items[i];
        System::wideToUtf8(item->name.c_str(), key);
        const System::IniFile::VALUE* value = section.section().find(key);
        if (!value)
            continue;
        try {
            item->fromString(value->text);
        } catch (const std::exception&) {
            System::Log::warn(LoadPlace, "ini file effect parameter invalid. (%d)", static_cast<int>(i));
        }
    }
}

void EffectBase::saveIniSectionParameter(const EffectBase& effect, System::File& file)
{
    System::IniFile::writeKeyValue(file, "effect.name", effect.name);
    if (effect.disable)
        writeLine(file, "effect.disable", "1");
    if (effect.hide)
        writeLine(file, "display.hide", "1");
    if (effect.lock)
        writeLine(file, "display.lock", "1");
    for (const EffectItem* item : effect.items)
        writeLine(file, System::wideToUtf8(item->name), item->toString());
}

void EffectBase::loadTsoSectionParameter(EffectBase& effect, const System::IniFile::SectionRef& section)
{
    constexpr const char* Place = "Effect::EffectBase::loadTsoSectionParameter";
    effect.disable = readFlag(section, "_disable", Place);
    for (const System::IniFile::Entry& entry : section.section()) {
        if (entry.key == "_name")
            continue;
        const std::wstring key = System::utf8ToWide(entry.key);
        try {
            EffectItem* target = nullptr;
            for (EffectItem* item : effect.items) {
                if (item->name == key) {
                    target = item;
                    break;
                }
            }
            if (!target)
                target = findItem(effect, key);
            if (target)
                target->fromTsoString(entry.value.text, key, effect.name, false);
        } catch (const std::exception&) {
            System::Log::warn(Place, L"ini file effect parameter invalid. [%s](%s)", effect.name, key.c_str());
        }
    }
}

EffectItem* EffectBase::findItem(const EffectBase& effect, const std::wstring& oldName)
{
    auto* settings = Setting::SettingService::Get();
    if (!settings)
        return nullptr;
    const std::string sectionName = "OldScript." + System::wideToUtf8(effect.name);
    const System::IniFile::SectionRef section = settings->effect.getSection(sectionName.c_str());
    const System::IniFile::VALUE* value = section.section().find(System::wideToUtf8(oldName));
    if (!value)
        return nullptr;
    const std::wstring itemName = value->toString();
    for (EffectItem* item : effect.items) {
        if (item->name == itemName)
            return item;
    }
    return nullptr;
}

void EffectBase::setItemData(EffectBase& effect, const EffectBase& source)
{
    if (effect.items.size() != source.items.size())
        throw System::makeException("Effect::EffectBase::setItemData", "different number of items.", nullptr);
    for (size_t i = 0; i < effect.items.size(); ++i)
        effect.items[i]->setData(*source.items[i]);
}

void setEffectItemValueNum(EffectBase& effect, int sectionCount)
{
    for (EffectItem* item : effect.items) {
        if (auto* number = dynamic_cast<EffectItemNumber*>(item))
            number->resizeValues(sectionCount + 1);
    }
}

} // namespace Effect
