// Script files: the bytes split into sections (as an old or a new file, as a
// collection or not), every section's shader blocks found, and its header read
// as a movement script and as a script effect: its parameter lines become
// items, and an instance made from the definition copies them.
#include "core/setting_service.h"
#include "effect/effect_item.h"
#include "effect/effect_service.h"
#include "effect/script_file_parser.h"
#include "effect/script_movement.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "script/lua_script.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <set>
#include <string>

FUZZ_TARGET(script_file)
{
    Fuzz::startServices<Setting::SettingService, Effect::EffectService, Plugin::ScriptService>([] {
        Plugin::ScriptService::Get()->registerPlugin<Plugin::LuaScript>();
        Plugin::ScriptService::Get()->registerPlugin<Plugin::LuaJitScript>();
    });
    Fuzz::Input in(data, size);
    const uint8_t form = in.byte();
    const bool ansi = form & 1, multi = form & 2;
    const std::string bytes(in.restText());
    const auto sections = Effect::ScriptFileParser::splitScriptText(bytes, ansi, multi, multi ? L"@base" : L"base");
    if (!multi && sections.size() != 1)
        Fuzz::fail("a single script file gave " + std::to_string(sections.size()) + " sections");
    size_t total = 0;
    for (const Effect::ScriptSection& section : sections) {
        if (section.name.empty() || section.name.find(L'\0') != std::wstring::npos)
            Fuzz::fail("a section name is empty or holds a NUL");
        total += section.text.size();
        std::wstring label;
        Effect::ScriptMovement movement(section.name.c_str());
        movement.setScriptSection(section, L"/scripts", &label, ansi ? "lua" : nullptr);
        auto filter = std::make_shared<Effect::ScriptFilter>(section.name.c_str());
        filter->createCommonResource();
        filter->setScriptSection(section, L"/scripts", &label, nullptr);
        filter->reloadScriptSection(section);

        const std::string_view text = section.text;
        for (const auto& block : Effect::ScriptEffect::CommonResource::findShaderBlocks(text)) {
            if (block.code.empty() || block.code.data() < text.data() ||
                block.code.data() + block.code.size() > text.data() + text.size())
                Fuzz::fail("a shader block's source lies outside its script");
            if (block.code.find("]]") != std::string_view::npos ||
                block.name.find_first_of("\r\n") != std::string::npos)
                Fuzz::fail("a shader block runs past its end");
        }

        std::set<std::string> names;
        for (const Effect::ScriptEffect::Parameter& p : filter->parameters) {
            if (!names.insert(p.name).second)
                Fuzz::fail("a parameter name was declared twice");
        }
        if (filter->items.size() != filter->parameters.size())
            Fuzz::fail("the item list and the parameters differ");
        auto instance = std::dynamic_pointer_cast<Effect::ScriptFilter>(filter->create());
        instance->shareResource(*filter);
        if (instance->parameters.size() != filter->parameters.size())
            Fuzz::fail("an instance has other parameters than its definition");
        for (size_t i = 0; i < instance->parameters.size(); ++i) {
            const auto& mine = instance->parameters[i];
            const auto& theirs = filter->parameters[i];
            if (mine.name != theirs.name || mine.item->kind != theirs.item->kind || mine.item->name != theirs.item->name)
                Fuzz::fail("an instance's parameter differs from its definition's");
            (void)mine.item->toString();
        }
    }
    if (!ansi && total > bytes.size())
        Fuzz::fail("the sections hold more text than the file");
}
