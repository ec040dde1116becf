#pragma once
// 部分フィルタ: the picture composed from the layers above runs through the
// filters of the partial-filter object and of the filter objects below it,
// and the filtered copy goes back into the frame only inside a mask shape
// (or only outside it, inverted). The mask is chosen and placed as the mask
// filter's: a built-in shape, a scene or an image, at X/Y, turned, sized,
// narrowed and blurred.
#include "effect/anchor_effect.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "media/pixel_shader.h"

namespace Effect {

class PartEffect : public MoveXYAnchorEffect {
public:
    static constexpr const wchar_t* Name = L"部分フィルタ";
    // The composite: output 0 the filtered picture at the pixel plus
    // "offset", output 1 the mask's luminance as alpha (dual-source blending).
    struct CommonResource {
        CommonResource();
        Media::PixelShader shader;
        Media::ConstantBufferCommon constants; // 32 bytes
    };

    PartEffect();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<PartEffect>(); }
    void createCommonResource() override;
    void shareResource(EffectBase& prototype) override;

    // Starts loading the mask's file or scene frame.
    void preInputVideo(Render::RenderObject& object) override;
    // The drawing state at the frame's centre: the partial filter works in frame coordinates.
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;
    void controlVideo(Render::RenderObject& object) override;
    // No handle while the mask is the whole picture ("背景").
    void setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                         int height) override;

    // The mask is the figure "背景", standing for the whole picture.
    bool isWholePicture() const { return source.value == 0 && source.sceneId < 0 && source.path.empty(); }

    EffectItemNumber x{items, L"X", 0, -5000, 5000, 1};
    EffectItemNumber y{items, L"Y", 0, -5000, 5000, 1};
    EffectItemNumber rotation{items, L"回転", 0, -3600, 3600, 0.01};
    EffectItemNumber size{items, L"サイズ", 100, 0, 4000, 1};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.01};
    EffectItemNumber blur{items, L"ぼかし", 0, 0, 1000, 1};
    EffectItemMaskSelect source;
    EffectItemCheck fitScene{items, L"シーンの長さを合わせる", false};
    EffectItemCheck invert{items, L"マスクの反転", false};
    EffectItemNumber::Group point;

    std::shared_ptr<CommonResource> common;
};

} // namespace Effect
