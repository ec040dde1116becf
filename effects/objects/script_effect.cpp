#include "effects/objects/script_effect.h"

#include "core/log.h"
#include "core/text.h"

#include <exception>

namespace Effect {

namespace {
constexpr const char* HeaderPlace = "Effect::ScriptEffect::makeScriptParams";

// Everything after the first ":" of a header line, or after its first control
// character when it has no ":"; not trimmed.
std::string_view restOfLine(std::string_view line)
{
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos)
        return line.substr(colon + 1);
    for (size_t i = 0; i < line.size(); ++i) {
        if (static_cast<unsigned char>(line[i]) < 0x20)
            return line.substr(i + 1);
    }
    return {};
}
} // namespace

ScriptEffect::ScriptEffect(const wchar_t* name, uint8_t effectType, uint8_t mediaType, uint8_t objectMediaType,
                           const wchar_t* category)
    : EffectBase(L"", effectType, mediaType, objectMediaType, category), ownName_(name ? name : L"")
{
    this->name = ownName_.c_str();
}

ScriptEffect::~ScriptEffect() = default;

void ScriptEffect::createCommonResource()
{
    script = std::make_shared<CommonResource>();
}

void ScriptEffect::shareResource(EffectBase& prototype)
{
    auto* source = dynamic_cast<ScriptEffect*>(&prototype);
    if (!source || !source->script)
        return;
    script = source->script;
    name = script->name.c_str();
}

void ScriptEffect::setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                                    const char* engine)
{
    if (!script)
        createCommonResource();
    script->name = std::move(section.name);
    script->text = std::move(section.text);
    script->folder = folder;
    name = script->name.c_str();
    makeScriptParams(label, engine);
}

void ScriptEffect::reloadScriptSection(ScriptSection section)
{
    if (script)
        script->text = std::move(section.text);
}

void ScriptEffect::makeScriptParams(std::wstring* label, const char* engine)
{
    bool engineChosen = false;
    try {
        forEachHeaderLine(script->text, [&](std::string_view line) {
            if (line.starts_with("--script")) {
                script->engine = findScriptPlugin(std::string(restOfLine(line)).c_str());
                engineChosen = true;
            } else if (line.starts_with("--label")) {
                if (label)
                    *label = System::utf8ToWide(restOfLine(line));
            } else if (line.starts_with("--information")) {
                script->information = System::utf8ToWide(restOfLine(line));
            }
        });
    } catch (const std::exception& e) {
        System::Log::warn(HeaderPlace, L"script params load faild [%s]\n%s", name,
                          System::ansiToWide(e.what()).c_str());
    }
    if (engineChosen)
        return;
    // A script whose "--script" line names no engine runs on the default one.
    try {
        script->engine = findScriptPlugin(engine);
    } catch (const std::exception& e) {
        System::Log::warn(HeaderPlace, L"script params load faild [%s]\n%s", name,
                          System::ansiToWide(e.what()).c_str());
    }
}

} // namespace Effect
