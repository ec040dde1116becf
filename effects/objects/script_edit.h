#pragma once
// スクリプト制御: an effect whose script is typed into its one text item, run
// on the object's picture by the default engine with the script folder as its
// folder; and the script pass every script effect runs.
#include "effect/effect_item_simple.h"
#include "effects/objects/script_effect.h"

#include <string>

namespace Effect {

class ScriptEdit final : public ScriptEffect {
public:
    static constexpr const wchar_t* Name = L"スクリプト制御";
    ScriptEdit();
    std::shared_ptr<EffectBase> create() override;
    // The shared resource with the default engine.
    void createCommonResource() override;
    std::unique_ptr<Media::ResourceBuffer> filterVideo(Render::RenderObject& object,
                                                       std::unique_ptr<Media::ResourceBuffer> picture) override;

    EffectItemText script{items, L"スクリプト", L""};
};

// Runs the script text (UTF-8) through an instance of the engine for the
// effect and the object, with the picture (may be none) as the object's
// picture; the result is the picture the script leaves. A standard exception
// is logged as a warning at place and ends the chain for the frame (an empty
// picture); the given picture is always released.
// progress: the scene-change progress the script reads.
std::unique_ptr<Media::ResourceBuffer> runScriptPass(EffectBase& effect, Render::RenderObject& object,
                                                     std::unique_ptr<Media::ResourceBuffer> picture,
                                                     const ScriptData* data, const std::string& text,
                                                     const char* place, float progress = 0);

} // namespace Effect
