#pragma once
// シーンチェンジ: over the object's frames the picture moves from what the
// layers above it showed just before the object starts (the "before"
// picture, rendered ahead) to what they show now (the "after" picture, in the
// frame when the scene change runs), by one of thirteen built-in transitions
// or a wipe of the transition list.
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/output_shader_effect.h"
#include "media/pixel_shader.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Media {
class RenderBuffer;
class ResourceBuffer;
} // namespace Media

namespace Effect {

class SceneChange : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"シーンチェンジ";

    struct CommonResource {
        CommonResource();
        Media::PixelShader sliceShader;      // "offsetX", "offsetY", "divide"
        Media::PixelShader offsetShader;     // "offset": pixel p takes p + offset, outside discarded
        Media::PixelShader randomLineShader; // "ratio", "divideX", "divideY"; t1 "random"
    };

    // What a transition works with for one frame.
    struct SceneChangeParams {
        SceneChange* effect = nullptr;
        CommonResource* common = nullptr;
        std::unique_ptr<Media::ResourceBuffer> before;
        Media::RenderBuffer* frame = nullptr; // holds the after picture
        float t = 0;                          // progress, 0..1
        int angle = 0, division = 0, blur = 0;
        bool vertical = false, reverse = false, keepAspect = true;
    };
    struct SceneChangeDefine;
    using Function = std::function<void(SceneChangeParams&, const SceneChangeDefine&)>;
    // Flag bits: the items a transition uses (the settings window enables them).
    enum Flag : int {
        UsesReverse = 1,
        UsesAngle = 2,
        UsesDivision = 4,
        UsesBlur = 8,
        UsesKeepAspect = 16,
        UsesVertical = 32,
    };
    struct SceneChangeDefine {
        std::wstring name;
        Function function;
        int flags;
    };
    static constexpr int BuiltInCount = 13;
    // The thirteen built-in transitions in value order, built once.
    static std::vector<SceneChangeDefine>& sceneChangeList();
    // "種類": the built-in transitions, then the transition list's wipes from 13.
    static std::shared_ptr<EffectItemSelect::SharedList> kindList();

    SceneChange();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<SceneChange>(); }
    void createCommonResource() override;
    void shareResource(EffectBase& prototype) override;

    // Asks the video worker for the before picture.
    void preInputVideo(Render::RenderObject& object) override;
    void controlVideo(Render::RenderObject& object) override;
    // The settings window rebuilds its panels when "種類" changes.
    bool itemEvent(ItemEvent& event) override;
    // Enables the items the chosen transition uses.
    void updateItemState() override;

    // What the script scene change shares: the before picture request (the
    // layers above the object at the frame before its start, pre-rendered
    // into the render object's pre-input buffer) and the progress
    // (frame - start + 1) / (end - start + 1) clamped to 0..1.
    static void requestBeforeFrame(Render::RenderObject& object);
    static float getProgress(const Render::RenderObject& object);
    // The wipe of transition index at the params' progress; logs "no scene
    // change mask" when the list has none.
    static void wipe(SceneChangeParams& params, int index);

    EffectItemSelect kind{items, L"種類", 0, kindList()};
    EffectItemNumber angle{items, L"角度", 0, 0, 360, 1};
    EffectItemNumber division{items, L"分割数", 5, 2, 1000, 1};
    EffectItemNumber blur{items, L"ぼかし", 2, 0, 100, 1};
    EffectItemCheck vertical{items, L"縦方向", false};
    EffectItemCheck reverse{items, L"反転", false};
    EffectItemCheck keepAspect{items, L"縦横比固定", true};

    OutputShaderEffect shader;
    std::shared_ptr<CommonResource> common;
};

} // namespace Effect
