#include "effects/objects/basic_output.h"

#include "media/audio_buffer.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "render/render_audio_object.h"

#include <algorithm>
#include <cmath>

namespace Effect {

namespace {

float single(double v) { return static_cast<float>(v); }

// The chosen blend mode replaces the state's unless it is 通常, which keeps
// one a script or filter set.
void applyBlendMode(Render::RenderObject::DrawState& state, int mode)
{
    if (mode != 0)
        state.blendMode = std::clamp(mode, 0, OutputShaderEffect::MaxBlendMode);
}

// Zoom x 拡大率 / 100, skipped when that is exactly 1.
void applyZoom(Render::RenderObject::DrawState& state, double percent)
{
    const float f = single(percent * 0.01);
    if (f != 1.0f) {
        state.sx *= f;
        state.sy *= f;
        state.sz *= f;
    }
}

bool whole(float v) { return std::floor(v) == v; }

} // namespace

std::shared_ptr<EffectItemSelect::SharedList> blendModeList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        for (int i = 0; i < 13; ++i)
            l->add(i, OutputShaderEffect::BlendModeNames[i]);
        return l;
    }();
    return list;
}

// ---- 標準描画, 映像再生 ----

BasicOutput::BasicOutput(const wchar_t* name, uint8_t media) : MoveEffect(name, EffectType::Output, media, media, L"")
{
    EffectItemNumber::makeGroup(anchorGroup, {&x, &y, &z});
    pointItems = &anchorGroup;
    zoomItem = &zoom;
}

void BasicOutput::createCommonResource()
{
    auto made = std::make_shared<CommonResource>();
    Media::ConstantBufferCommon::create(made->constants, nullptr, CommonResource::ConstantBytes);
    common = std::move(made);
}

void BasicOutput::shareResource(EffectBase& prototype) { common = dynamic_cast<BasicOutput&>(prototype).common; }

Render::RenderObject::DrawState BasicOutput::getOutputView(Render::RenderObject& object)
{
    Render::RenderObject::DrawState state = object.drawState;
    if (!object.skipOutputPosition) {
        state.x += single(x.getValue(object));
        state.y += single(y.getValue(object));
        state.z += single(z.getValue(object));
    }
    if (!object.skipOutputTransform) {
        state.rx += single(rotationX.getValue(object));
        state.ry += single(rotationY.getValue(object));
        state.rz += single(rotationZ.getValue(object));
        state.cx += single(centerX.getValue(object));
        state.cy += single(centerY.getValue(object));
        state.cz += single(centerZ.getValue(object));
        applyZoom(state, zoom.getValue(object));
        const double a = aspect.getValue(object);
        if (a > 0)
            state.sx *= single((100 - a) * 0.01);
        else if (a < 0)
            state.sy *= single((a + 100) * 0.01);
    }
    state.alpha *= single(1 - transparency.getValue(object) * 0.01);
    applyBlendMode(state, blendMode.value);
    return state;
}

void BasicOutput::outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                              std::unique_ptr<Media::ResourceBuffer>& picture)
{
    if (!picture)
        return;
    if (object.offscreenDrawn)
        shader.drawObjectDirect(object, target, *picture);
    else
        shader.drawObject(object, target, *picture);
}

void MovieOutput::outputAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                              std::unique_ptr<Media::AudioBlockBuffer>& block)
{
    if (!block)
        return;
    Render::RenderAudioObject& audio = Render::RenderAudioObject::from(object);
    const float v = single(volume.getValue(object) * 0.01);
    audio.leftGain *= v;
    audio.rightGain *= v;
    OutputAudioEffect::mixAudio(object, target, *block);
}

// ---- 基本出力 ----

SimpleOutput::SimpleOutput() : EffectBase(Name, EffectType::Output, MediaType::Video, MediaType::Video, L"")
{
    EffectItemNumber::makeGroup(group, {&x, &y});
}

Render::RenderObject::DrawState SimpleOutput::getOutputView(Render::RenderObject& object)
{
    Render::RenderObject::DrawState state = object.drawState;
    if (!object.skipOutputPosition) {
        state.x += static_cast<float>(std::lround(x.getValue(object)));
        state.y += static_cast<float>(std::lround(y.getValue(object)));
    }
    if (!object.skipOutputTransform)
        applyZoom(state, zoom.getValue(object));
    state.alpha *= single(1 - transparency.getValue(object) * 0.01);
    applyBlendMode(state, blendMode.value);
    return state;
}

void SimpleOutput::outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                               std::unique_ptr<Media::ResourceBuffer>& picture)
{
    if (!picture)
        return;
    Render::RenderObject::DrawState& s = object.drawState;
    const bool direct = single(zoom.getValue(object) * 0.01) == 1.0f && s.sx == 1 && s.sy == 1 && s.sz == 1 &&
                        s.rx == 0 && s.ry == 0 && s.rz == 0 && whole(s.x) && whole(s.y) && whole(s.z) &&
                        whole(s.cx) && whole(s.cy) && whole(s.cz);
    if (direct) {
        if (!object.skipOutputPosition) {
            s.x += static_cast<float>(std::lround(x.getValue(object)));
            s.y += static_cast<float>(std::lround(y.getValue(object)));
        }
        shader.drawObjectDirect(object, target, *picture);
        return;
    }
    s.cameraControl.reset();
    s.groupControl.reset();
    shader.drawObject(object, target, *picture);
}

} // namespace Effect
