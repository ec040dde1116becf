#pragma once
// クリッピング: crops the four margins with a region copy (no shader), with
// an edge handle per margin in the preview.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "core/math.h"

namespace Effect {

class ClipFilter : public FilterEffect<ClipFilter> {
public:
    static constexpr const wchar_t* Name = L"クリッピング";
    ClipFilter();

    // Nothing left after the margins gives no picture.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // Four edge handles on the focus object: 左, 上, 右, 下.
    void createAnchor(Render::RenderObject& object, int width, int height) override;
    // A drag moves the margin of the handle's edge, clamped to its range.
    bool anchorEvent(Anchor::AnchorEvent& event) override;

    // The handle of one margin item at point, through transform, with flag.
    void addEdgeAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self,
                       EffectItemNumber& item, const Math::float3& point, const Math::float4x4& transform,
                       uint32_t flag);

    // The handles' flags: the edge each one moves.
    enum EdgeFlag : uint32_t { Left = 0x20, Right = 0x40, Top = 0x80, Bottom = 0x100 };

    EffectItemNumber top{items, L"上", 0, 0, 4000, 1};
    EffectItemNumber bottom{items, L"下", 0, 0, 4000, 1};
    EffectItemNumber left{items, L"左", 0, 0, 4000, 1};
    EffectItemNumber right{items, L"右", 0, 0, 4000, 1};
    EffectItemCheck moveCenter{items, L"中心の位置を変更", false};
};

} // namespace Effect
