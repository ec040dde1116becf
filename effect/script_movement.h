#pragma once
// A movement whose value a script computes: one per section of a movement
// script file. Its header lines set the defaults an item takes over.
#include "effect/movement.h"
#include "effect/script_file_parser.h"
#include "effect/script_service.h"

namespace Effect {

class ScriptMovement final : public MovementBase, public Plugin::ScriptInstance, public ScriptFileParser {
public:
    explicit ScriptMovement(const wchar_t* name);
    ~ScriptMovement() override;

    // The script's number for the item at the position, computed by the engine.
    // A failure (no engine, a script error) is logged and gives 0.
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;

    void setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                          const char* engine) override;
    void reloadScriptSection(ScriptSection section) override;

    // Reads the header: "--twopoint", "--speed", "--param", "--timecontrol",
    // "--script", "--label" (into *label when given) and "--information"; the
    // engine named by engine when no "--script" line chose one. A failure stops
    // the reading with a warning and keeps what was read before it.
    void makeScriptParams(std::wstring* label, const char* engine);

private:
    std::wstring ownName_;
};

} // namespace Effect
