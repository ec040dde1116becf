#pragma once
// 基本効果: the elementary changes of an object. 座標, 拡大率, 透明度 and 回転
// change the drawing state and pass the picture on; 領域拡張 pads the
// picture and 反転 mirrors or inverts it.
#include "effect/anchor_effect.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

// 座標: moves the object by X, Y, Z, with a handle to drag the point.
class BasicMove : public FilterEffect<BasicMove, MoveXYZAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"座標";
    BasicMove();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    void setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                         int height) override;
    void setCurrentAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int id,
                          uint32_t flags) override;
    void setSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int point,
                          uint32_t flags) override;
    Math::float4 getAnchorPosition(Render::RenderObject& object, double time) override;

    EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    EffectItemNumber z{items, L"Z", 0, -100000, 100000, 0.01};
    EffectItemNumber::Group anchorGroup;

private:
    // A handle at the point added to the output's drawing state (its centre
    // zeroed); returns the point's matrix, object space to clip space.
    Math::float4x4 addHandle(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int id, uint32_t flags,
                   const Math::float3& point);
};

// 拡大率: multiplies the zoom, all axes and each axis.
class BasicScale : public FilterEffect<BasicScale> {
public:
    static constexpr const wchar_t* Name = L"拡大率";
    BasicScale();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber scale{items, L"拡大率", 100, 0, 10000, 0.001};
    EffectItemNumber x{items, L"X", 100, 0, 10000, 0.001};
    EffectItemNumber y{items, L"Y", 100, 0, 10000, 0.001};
    EffectItemNumber z{items, L"Z", 100, 0, 10000, 0.001};
};

// 透明度: multiplies the alpha by 1 - 透明度 / 100.
class BasicAlpha : public FilterEffect<BasicAlpha> {
public:
    static constexpr const wchar_t* Name = L"透明度";
    BasicAlpha();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber alpha{items, L"透明度", 0, 0, 100, 0.01};
};

// 回転: adds to the rotation about each axis (degrees).
class BasicAngle : public FilterEffect<BasicAngle> {
public:
    static constexpr const wchar_t* Name = L"回転";
    BasicAngle();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber x{items, L"X", 0, -3600, 3600, 0.01};
    EffectItemNumber y{items, L"Y", 0, -3600, 3600, 0.01};
    EffectItemNumber z{items, L"Z", 0, -3600, 3600, 0.01};
};

// 領域拡張: margins added on each side, transparent or repeating the edge.
// The drawing-state centre stays: uneven margins move the content.
class BasicExpand : public FilterEffect<BasicExpand> {
public:
    static constexpr const wchar_t* Name = L"領域拡張";
    BasicExpand();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber top{items, L"上", 0, 0, 4000, 1};
    EffectItemNumber bottom{items, L"下", 0, 0, 4000, 1};
    EffectItemNumber left{items, L"左", 0, 0, 4000, 1};
    EffectItemNumber right{items, L"右", 0, 0, 4000, 1};
    EffectItemCheck fill{items, L"塗りつぶし", false};
};

struct InvertResource {
    InvertResource();
    Media::PixelShader mirrorShader;
    Media::PixelShader luminanceHueShader;
    Media::PixelShader transparencyShader;
};

// 反転: mirrors, inverts luminance and hue, or inverts transparency.
class BasicInvert : public ShaderFilterEffect<BasicInvert, InvertResource> {
public:
    static constexpr const wchar_t* Name = L"反転";
    using CommonResource = InvertResource;
    BasicInvert();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemCheck upsideDown{items, L"上下反転", false};
    EffectItemCheck mirror{items, L"左右反転", false};
    EffectItemCheck luminance{items, L"輝度反転", false};
    EffectItemCheck hue{items, L"色相反転", false};
    EffectItemCheck transparency{items, L"透明度反転", false};
};

} // namespace Effect
