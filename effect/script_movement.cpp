#include "effect/script_movement.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"

#include <exception>
#include <optional>

namespace Effect {

namespace {
constexpr const char* HeaderPlace = "Effect::ScriptMovement::makeScriptParams";

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}

// The text after the first ":" of a line; none when a control character or the
// end of the line comes first.
std::optional<std::string_view> lineValue(std::string_view line)
{
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ':')
            return line.substr(i + 1);
        if (isControl(line[i]))
            break;
    }
    return std::nullopt;
}

// A field of a value: it runs to "," or a control character and loses its
// trailing spaces. rest is left after the ",", or empty at the end.
std::string_view takeField(std::string_view& rest)
{
    size_t end = 0;
    while (end < rest.size() && rest[end] != ',' && !isControl(rest[end]))
        ++end;
    std::string_view field = rest.substr(0, end);
    rest = end < rest.size() && rest[end] == ',' ? rest.substr(end + 1) : std::string_view();
    while (!field.empty() && field.back() == ' ')
        field.remove_suffix(1);
    return field;
}

std::string_view skipSpaces(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    return text;
}

int readInt(std::string_view field)
{
    return ScriptFileParser::readHeaderInt(field, HeaderPlace);
}

double readDouble(std::string_view field)
{
    return ScriptFileParser::readHeaderNumber(field, HeaderPlace);
}
} // namespace

ScriptMovement::ScriptMovement(const wchar_t* name) : MovementBase(L""), ownName_(name ? name : L"")
{
    this->name = ownName_.c_str();
    script = std::make_shared<ScriptData>();
}

ScriptMovement::~ScriptMovement() = default;

void ScriptMovement::setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                                      const char* engine)
{
    script->name = std::move(section.name);
    name = script->name.c_str();
    script->text = std::move(section.text);
    script->folder = folder;
    makeScriptParams(label, engine);
}

void ScriptMovement::reloadScriptSection(ScriptSection section)
{
    script->text = std::move(section.text);
}

void ScriptMovement::makeScriptParams(std::wstring* label, const char* engine)
{
    bool engineChosen = false;
    try {
        forEachHeaderLine(script->text, [&](std::string_view line) {
            const std::optional<std::string_view> value = lineValue(line);
            if (line.starts_with("--twopoint")) {
                ignoreMidPoints = 2;
            } else if (line.starts_with("--speed")) {
                if (!value)
                    return;
                std::string_view rest = skipSpaces(*value);
                const int in = readInt(takeField(rest));
                const int out = readInt(takeField(rest));
                accelerate = in > 0 ? 1 : 0;
                decelerate = out > 0 ? 1 : 0;
            } else if (line.starts_with("--param")) {
                if (!value)
                    return;
                std::string_view rest = skipSpaces(*value);
                defaultParams.push_back(readDouble(takeField(rest)));
            } else if (line.starts_with("--timecontrol")) {
                timeControl = true;
                passesPoints = false;
            } else if (line.starts_with("--script")) {
                if (!value)
                    return;
                script->engine = findScriptPlugin(std::string(*value).c_str());
                engineChosen = true;
            } else if (line.starts_with("--label")) {
                if (value && label)
                    *label = System::utf8ToWide(*value);
            } else if (line.starts_with("--information")) {
                if (value)
                    script->information = System::utf8ToWide(*value);
            }
        });
        if (!engineChosen)
            script->engine = findScriptPlugin(engine);
    } catch (const std::exception& e) {
        System::Log::warn(HeaderPlace, L"script params load faild [%s]\n%s", name,
                          System::ansiToWide(e.what()).c_str());
    }
}

double ScriptMovement::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                                const Render::RenderObject& object) const
{
    try {
        const std::shared_ptr<Plugin::ScriptPlugin> engine = script->engine;
        if (!engine)
            throw System::makeException("Effect::ScriptMovement::getValue", "not found script plugin.", nullptr);
        return engine->createMovementInstance(*this, item, position, object)->executeMovement(script->text);
    } catch (const std::exception& e) {
        System::Log::warn("Effect::ScriptMovement::getValue", "script exception: %s", e.what());
        return 0;
    }
}

} // namespace Effect
