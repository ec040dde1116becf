#pragma once
// ディスプレイスメントマップ: the picture's pixels moved, scaled about the
// map's centre or turned about it by amounts read from a map picture (a
// built-in figure, a scene, a temporary buffer or an image file), placed as
// マスク places its mask.
#include "effect/anchor_effect.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct DisplacementResource {
    DisplacementResource();
    struct Block {
        float offset[2];          // pixel position plus offset: relative to the map's centre
        float len[2];             // the method's amounts
        float inverseMaskSize[2]; // 1 / the map's extent
        float angleS;
        float angleC;
        int32_t type; // 変形方法
        float pad[3];
    };
    // Move and scale; rotate.
    Media::PixelShader shaders[2];
    FilterPass::ConstantSet<Block> constants;
};

class DisplacementFilter
    : public ShaderFilterEffect<DisplacementFilter, DisplacementResource, MoveXYAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"ディスプレイスメントマップ";
    using CommonResource = DisplacementResource;
    enum Method { Move = 0, Scale = 1, Rotate = 2 };
    DisplacementFilter();

    // Starts loading the map's file or scene frame.
    void preInputVideo(Render::RenderObject& object) override;
    // The input itself without a map, size or usable aspect; no picture for
    // a method outside the three.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // A change of 変形方法 rebuilds the settings panels and refreshes the
    // time, colour and text windows.
    bool itemEvent(ItemEvent& event) override;
    // Enables only the amounts of the chosen method.
    void updateItemState() override;

    EffectItemNumber x{items, L"X", 0, -5000, 5000, 0.1};
    EffectItemNumber y{items, L"Y", 0, -5000, 5000, 0.1};
    EffectItemNumber rotation{items, L"回転", 0, -3600, 3600, 0.01};
    EffectItemNumber size{items, L"サイズ", 200, 0, 4000, 1};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.001};
    EffectItemNumber blur{items, L"ぼかし", 5, 0, 1000, 1};
    EffectItemNumber moveX{items, L"変形X", 0, -5000, 5000, 0.01};
    EffectItemNumber moveY{items, L"変形Y", 0, -5000, 5000, 0.01};
    EffectItemNumber scale{items, L"拡大変形", 0, -5000, 5000, 0.01};
    EffectItemNumber scaleAspect{items, L"拡大縦横", 0, -100, 100, 0.001};
    EffectItemNumber turn{items, L"回転変形", 0, -5000, 5000, 0.01};
    EffectItemSelect method;
    EffectItemMaskSelect source;
    EffectItemCheck fitScene{items, L"シーンの長さを合わせる", false};
    EffectItemCheck fit{items, L"元のサイズに合わせる", false};
    EffectItemNumber::Group point;
};

} // namespace Effect
