// Script files: the bytes split into sections (as an old or a new file, as a
// collection or not), and every section's header read as a movement script and
// as a script effect.
#include "effect/script_file_parser.h"
#include "effect/script_movement.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "script/lua_script.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <string>

FUZZ_TARGET(script_file)
{
    Fuzz::startServices<Plugin::ScriptService>([] {
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
        Effect::ScriptFilter filter(section.name.c_str());
        filter.createCommonResource();
        filter.setScriptSection(section, L"/scripts", &label, nullptr);
        filter.reloadScriptSection(section);
    }
    if (!ansi && total > bytes.size())
        Fuzz::fail("the sections hold more text than the file");
}
