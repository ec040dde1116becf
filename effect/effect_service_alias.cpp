// Alias registration: the saved objects and effect chains of the alias folder.
#include "effect/effect_service.h"

#include "core/file_name.h"
#include "core/log.h"
#include "core/report.h"
#include "core/text.h"
#include "effect/effect_types.h"

#include <exception>

namespace Effect {

void EffectService::registerAlias(const wchar_t* extension, uint8_t kind)
{
    const std::wstring pattern = System::FileName::expand(L"%Alias%/*.") + extension;
    for (const auto& file : System::FileName::findFiles(pattern, L"%Alias%")) {
        // The file name without its folder and its last extension.
        const std::wstring name = System::FileName::getBaseName(file.path);
        try {
            const int order = orderCounter++;
            aliases.push_back(std::make_unique<AliasDefine>(name, extension, kind, order));
            System::Log::info("Effect::EffectService::registerAlias", L"register alias [%s]", name.c_str());
        } catch (const std::exception& e) {
            System::Report::showError("Failed to register alias. [%s]\n\n%s", System::wideToAnsi(name).c_str(), e.what());
        }
    }
}

void EffectService::reloadAlias()
{
    aliases.clear();
    registerAlias(L"object", EffectType::ObjectAlias);
    registerAlias(L"effect", EffectType::EffectAlias);
}

void EffectService::setAliasLabel(const std::wstring& aliasName, uint8_t kind, const std::wstring& label)
{
    for (auto& alias : aliases) {
        if (alias->name == aliasName && alias->kind == kind) {
            alias->label = label;
            return;
        }
    }
}

} // namespace Effect
