#include "effect/effect_define.h"

#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "effect/movement.h"

namespace Effect {

std::wstring makeSafeFileName(const std::wstring& name)
{
    std::wstring safe;
    safe.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        if (c == L'/' || c == L'\\' || c < 0x20 || c == 0x7F || (i == 0 && c == L'.')) {
            wchar_t escaped[4];
            System::formatWide(escaped, 4, L"%%%02X", static_cast<unsigned>(c));
            safe += escaped;
        } else {
            safe += c;
        }
    }
    return safe;
}

// ---- EffectMenuDefine ----

bool EffectMenuDefine::isSame(const EffectBase*) const
{
    return false;
}

// ---- EffectDefine ----

EffectDefine::EffectDefine(std::shared_ptr<EffectBase> prototype, int order)
    : EffectMenuDefine("Effect", prototype->name, order, prototype->category, true), prototype(std::move(prototype))
{
}

EffectDefine::~EffectDefine() = default;

const wchar_t* EffectDefine::getName() const
{
    return prototype->name;
}

const wchar_t* EffectDefine::getLabel() const
{
    return translatedEffectText(prototype->name);
}

uint8_t EffectDefine::getEffectType()
{
    return prototype->effectType;
}

uint8_t EffectDefine::getMediaType()
{
    return prototype->mediaType;
}

uint8_t EffectDefine::getObjectMediaType()
{
    return prototype->objectMediaType;
}

bool EffectDefine::isSame(const EffectBase* effect) const
{
    return effect && effect->name == prototype->name;
}

std::wstring EffectDefine::getDefaultFilePath() const
{
    // The folder alone is expanded, so nothing in the name is read as a variable.
    return System::FileName::expand(L"%Default%") + L"/" + makeSafeFileName(prototype->name) + L".effect";
}

EffectBase* EffectDefine::getEffect()
{
    if (defaultsLoaded)
        return prototype.get();
    defaultsLoaded = true; // a failed read is not retried
    const std::wstring path = getDefaultFilePath();
    if (System::File::exists(path.c_str())) {
        System::IniFile ini;
        ini.loadFile(path.c_str(), false, false);
        EffectBase::loadIniSectionParameter(*prototype, ini.getNumberedSection("Effect", 0));
    }
    return prototype.get();
}

std::shared_ptr<EffectBase> EffectDefine::createEffect()
{
    std::shared_ptr<EffectBase> effect = prototype->create();
    effect->shareResource(*prototype);
    return effect;
}

void EffectDefine::saveDefaultValue(const EffectBase* effect)
{
    if (!isSame(effect))
        return;
    defaultsLoaded = false;
    const std::wstring path = getDefaultFilePath();
    System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", path.c_str());
    System::File file;
    file.open(path.c_str(), System::File::ModeWrite);
    char header[64];
    System::formatNarrow(header, sizeof header, "[%s.%d]\r\n", "Effect", 0);
    file.write(header, static_cast<int>(std::char_traits<char>::length(header)));
    EffectBase::saveIniSectionParameter(*effect, file);
    file.close();
}

void EffectDefine::resetDefaultValue(const EffectBase* effect)
{
    if (!isSame(effect))
        return;
    System::File::remove(getDefaultFilePath().c_str());
    std::shared_ptr<EffectBase> fresh = prototype->create();
    fresh->initializeDefault();
    EffectBase::setItemData(*prototype, *fresh);
}

// ---- AliasDefine ----

AliasDefine::AliasDefine(const std::wstring& name, const wchar_t* extension, uint8_t kind, int order)
    : EffectMenuDefine("Effect", (std::wstring(extension) + L"." + name).c_str(), order, L"", true), name(name),
      extension(extension), kind(kind)
{
}

AliasDefine::~AliasDefine() = default;

const wchar_t* AliasDefine::getName() const
{
    return name.c_str();
}

uint8_t AliasDefine::getEffectType()
{
    return kind;
}

uint8_t AliasDefine::getMediaType()
{
    if (mediaType == 0)
        loadMediaType();
    return mediaType;
}

uint8_t AliasDefine::getObjectMediaType()
{
    if (mediaType == 0)
        loadMediaType();
    return objectMediaType;
}

std::wstring AliasDefine::getFilePath() const
{
    // Alias names are the base names of the files found in the folder.
    return System::FileName::expand(L"%Alias%") + L"/" + name + L"." + extension;
}

void AliasDefine::loadMediaType()
{
    try {
        System::IniFile ini;
        ini.loadFile(getFilePath().c_str(), false, false);
        System::IniFile::SectionRef section = ini.getNumberedSection("Effect", 0);
        if (section.section().size() == 0)
            return;
        const std::wstring effectName = section.getValue("effect.name").toString();
        EffectService* service = EffectService::Get();
        if (!service)
            return;
        EffectDefine& define = service->findEffect(effectName.c_str());
        mediaType = define.getMediaType();
        objectMediaType = define.getObjectMediaType();
    } catch (const std::exception&) {
        // Unreadable or foreign alias files count as media 0 and are read again next time.
    }
}

// ---- MovementDefine ----

MovementDefine::MovementDefine(std::shared_ptr<MovementBase> movement, int order)
    : Menu::MenuDefineBase("Movement", movement->name, order, L"", true), movement(std::move(movement))
{
}

MovementDefine::~MovementDefine() = default;

const wchar_t* MovementDefine::getName() const
{
    return movement->name;
}

const wchar_t* MovementDefine::getLabel() const
{
    return translatedEffectText(movement->name);
}

// ---- MovementParamsDefine ----

MovementParamsDefine::MovementParamsDefine(const std::wstring& name, std::vector<double> params, int order)
    : Menu::MenuDefineBase("Params", name.c_str(), order, L"", true), params(std::move(params)), name(name)
{
}

MovementParamsDefine::~MovementParamsDefine() = default;

const wchar_t* MovementParamsDefine::getName() const
{
    return name.c_str();
}

} // namespace Effect
