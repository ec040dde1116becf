#include "effects/filters/basic/basic_effects.h"

#include "effect/anchor_list.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include "effects/filters/basic/invert_luminance_hue.ps.hlsl.h"
#include "effects/filters/basic/invert_mirror.ps.hlsl.h"
#include "effects/filters/basic/invert_transparency.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;
using DrawState = Render::RenderObject::DrawState;

namespace {
constexpr const wchar_t* Category = L"基本効果";
float single(double v) { return static_cast<float>(v); }
} // namespace

// ---- 座標 ----

BasicMove::BasicMove() : FilterEffect(Name, Category)
{
    EffectItemNumber::makeGroup(anchorGroup, {&x, &y, &z});
    pointItems = &anchorGroup;
}

Picture BasicMove::filterVideo(Render::RenderObject& object, Picture picture)
{
    object.drawState.x += single(x.getValue(object));
    object.drawState.y += single(y.getValue(object));
    object.drawState.z += single(z.getValue(object));
    return picture;
}

void BasicMove::setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int, int)
{
    // The pass has added the values already: the handle starts where the effect did.
    object.drawState.x -= single(x.getValue(object));
    object.drawState.y -= single(y.getValue(object));
    object.drawState.z -= single(z.getValue(object));
    setCurrentAnchor(object, self, Anchor::Id::AllPoints, 0);
    if (!isFocus(object) || !isMoving())
        return;
    const int sections = object.sectionPosition.sectionCount;
    for (int point = 0; point <= sections; ++point)
        setSectionAnchor(object, self, point, Anchor::Flag::SectionPoint);
    setMovementPathAnchor(object, self);
}

Math::float4x4 BasicMove::addHandle(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int id,
                                    uint32_t flags, const Math::float3& point)
{
    DrawState state = object.getOutputView();
    state.cx = state.cy = state.cz = 0;
    state.x += point.x;
    state.y += point.y;
    state.z += point.z;
    const Math::float4x4 matrix = state.getWorldViewMatrix();
    Anchor::AnchorItem& item = setPointAnchor(*object.anchors, object.object, self, id, {}, matrix, flags);
    item.matrix = state.getGroupViewMatrix();
    item.startPoint = item.currentPoint = Math::float4{state.x, state.y, state.z, 1};
    return matrix;
}

void BasicMove::setCurrentAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int id,
                                 uint32_t flags)
{
    const bool focus = isFocus(object), moving = isMoving();
    if (!focus || moving)
        flags |= Anchor::Flag::Hidden;
    const Math::float4x4 matrix = addHandle(object, self, id, flags,
                                            {single(x.getValue(object)), single(y.getValue(object)),
                                             single(z.getValue(object))});
    // A marker at the current position besides the section handles.
    if (focus && moving)
        setMarkAnchor(*object.anchors, self, {}, matrix);
}

void BasicMove::setSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int point,
                                 uint32_t flags)
{
    int indices[3];
    if (!sectionPointIndices(*object.object, point, indices))
        return;
    object.setTime(pointFrame(*object.object, point));
    addHandle(object, self, point, flags,
              {single(x.getIndexValue(indices[0])), single(y.getIndexValue(indices[1])),
               single(z.getIndexValue(indices[2]))});
}

Math::float4 BasicMove::getAnchorPosition(Render::RenderObject& object, double time)
{
    object.setTime(time);
    DrawState state = object.getOutputView();
    state.cx = state.cy = state.cz = 0;
    state.x += single(x.getValueAtTime(object, time));
    state.y += single(y.getValueAtTime(object, time));
    state.z += single(z.getValueAtTime(object, time));
    return Math::float4{0, 0, 0, 1} * state.getWorldViewMatrix();
}

// ---- 拡大率, 透明度, 回転 ----

BasicScale::BasicScale() : FilterEffect(Name, Category) {}

Picture BasicScale::filterVideo(Render::RenderObject& object, Picture picture)
{
    const float s = single(scale.getValue(object) * 0.01);
    DrawState& state = object.drawState;
    state.sx *= s;
    state.sy *= s;
    state.sz *= s;
    state.sx *= single(x.getValue(object) * 0.01);
    state.sy *= single(y.getValue(object) * 0.01);
    state.sz *= single(z.getValue(object) * 0.01);
    return picture;
}

BasicAlpha::BasicAlpha() : FilterEffect(Name, Category) {}

Picture BasicAlpha::filterVideo(Render::RenderObject& object, Picture picture)
{
    object.drawState.alpha *= 1.0f - single(alpha.getValue(object) * 0.01);
    return picture;
}

BasicAngle::BasicAngle() : FilterEffect(Name, Category) {}

Picture BasicAngle::filterVideo(Render::RenderObject& object, Picture picture)
{
    object.drawState.rx += single(x.getValue(object));
    object.drawState.ry += single(y.getValue(object));
    object.drawState.rz += single(z.getValue(object));
    return picture;
}

// ---- 領域拡張 ----

BasicExpand::BasicExpand() : FilterEffect(Name, Category) {}

Picture BasicExpand::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int t = roundToInt(top.getValue(object)), b = roundToInt(bottom.getValue(object));
    const int l = roundToInt(left.getValue(object)), r = roundToInt(right.getValue(object));
    if (l <= 0 && t <= 0 && r <= 0 && b <= 0)
        return picture;
    Picture out = newPicture(widthOf(*picture) + l + r, heightOf(*picture) + t + b);
    const int32_t offset[2] = {-l, -t};
    writeListBlock(offset);
    Shader::ShaderList& list = shaderList();
    (fill.value ? list.copyOffsetClampShader : list.copyOffsetShader).draw(*out, *picture, &list.constantBuffer);
    return out;
}

// ---- 反転 ----

InvertResource::InvertResource()
{
    load(mirrorShader, invert_mirror_ps_hlsl);
    load(luminanceHueShader, invert_luminance_hue_ps_hlsl);
    load(transparencyShader, invert_transparency_ps_hlsl);
}

BasicInvert::BasicInvert() : ShaderFilterEffect(Name, Category) {}

Picture BasicInvert::filterVideo(Render::RenderObject&, Picture picture)
{
    Shader::ShaderList& list = shaderList();
    // Each draw makes a picture of the same size from the current one.
    auto redraw = [&](Media::PixelShader& shader) {
        Picture out = newPicture(widthOf(*picture), heightOf(*picture));
        shader.draw(*out, *picture, &list.constantBuffer);
        picture = std::move(out);
    };
    if (mirror.value || upsideDown.value) {
        const int32_t block[4] = {mirror.value ? widthOf(*picture) - 1 : 0, upsideDown.value ? heightOf(*picture) - 1 : 0,
                                  mirror.value ? -1 : 1, upsideDown.value ? -1 : 1};
        writeListBlock(block);
        redraw(common->mirrorShader);
    }
    if (luminance.value || hue.value) {
        const float block[3] = {luminance.value ? 1.0f : 0.0f, luminance.value ? -1.0f : 1.0f, hue.value ? -1.0f : 1.0f};
        writeListBlock(block);
        redraw(common->luminanceHueShader);
    }
    if (transparency.value)
        redraw(common->transparencyShader);
    return picture;
}

} // namespace Effect
