#include "effects/objects/scene_change.h"
#include "core/log.h"
#include "effect/effect_types.h"
#include "effects/filters/blur/blur_filter.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/objects/scene_change_frame.h"
#include "effect/effect_service.h"
#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_video_worker.h"

#include "effects/objects/scene_change_offset.ps.hlsl.h"
#include "effects/objects/scene_change_random_line.ps.hlsl.h"
#include "effects/objects/scene_change_slice.ps.hlsl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Effect {

namespace {

using Params = SceneChange::SceneChangeParams;
using Define = SceneChange::SceneChangeDefine;
using Picture = std::unique_ptr<Media::ResourceBuffer>;
using Platform::Gpu::Stage;
using Shader::BlendStateList;

constexpr float Pi = 3.14159265358979323846f;

int nearest(double v) { return static_cast<int>(std::lround(v)); }

Shader::ShaderList& shaders() { return *Shader::ShaderList::published(); }
Platform::Gpu::BlendState* blendState(uint32_t entry) { return BlendStateList::published()->get(entry); }
int widthOf(const Media::RenderBuffer& frame) { return static_cast<int>(frame.getWidth()); }
int heightOf(const Media::RenderBuffer& frame) { return static_cast<int>(frame.getHeight()); }

// Writes a block of at most 16 bytes into the shared constant buffer and binds it.
template <class Block>
Media::ConstantBufferCommon& sharedConstants(const Block& block)
{
    static_assert(sizeof(Block) <= 16);
    Shader::ShaderList& list = shaders();
    std::memset(list.constants, 0, sizeof(list.constants));
    std::memcpy(list.constants, &block, sizeof(block));
    list.updateConstants();
    return list.constantBuffer;
}

void clearFrame(Media::RenderBuffer& frame, const float colour[4])
{
    Media::Direct3DService::Get()->context->clearRenderTarget(*frame.getRenderTargetView(), colour);
}

// The frame's current content (the after picture) as a picture of its own.
Picture copyOfFrame(Media::RenderBuffer& frame) { return frame.createResourceBuffer(true); }

void replaceFrame(Media::RenderBuffer& frame, Media::ResourceBuffer& picture)
{
    shaders().copyShader.copyToRenderBuffer(frame, picture);
}

// frame = picture x (1 - factor) + frame x factor.
void mixInto(Media::RenderBuffer& frame, Media::ResourceBuffer& picture, float factor)
{
    const float f[4] = {factor, factor, factor, factor};
    shaders().copyShader.drawToRenderBufferNoConstant(frame, picture, f, blendState(BlendStateList::MixByInverseFactor));
}

// The after picture into a temporary, the before into the frame: the
// transition then draws the after with 1 - t where it drew the before.
void swapFrame(Params& p)
{
    Picture after = copyOfFrame(*p.frame);
    replaceFrame(*p.frame, *p.before);
    p.before = std::move(after);
    p.t = 1 - p.t;
}

// The picture displaced so that pixel q of the frame shows the picture at q + offset.
void drawOffset(Params& p, Media::ResourceBuffer& picture, int dx, int dy)
{
    const int32_t offset[2] = {dx, dy};
    p.common->offsetShader.drawToRenderBuffer(*p.frame, picture, &sharedConstants(offset), blendState(BlendStateList::Over));
}

int divisionOf(const Params& p)
{
    return std::clamp(p.division, 1, std::max(heightOf(*p.frame) / 2, 1));
}

// ---- the transitions ----

void crossFade(Params& p, const Define&) { mixInto(*p.frame, *p.before, p.t); }

void fadeThrough(Params& p, const float colour[4])
{
    const float x = 2 * p.t;
    if (x < 1) {
        clearFrame(*p.frame, colour);
        mixInto(*p.frame, *p.before, x);
    } else {
        p.before->clearRenderTargetView(colour);
        mixInto(*p.frame, *p.before, x - 1);
    }
}

void slice(Params& p, const Define&)
{
    if (p.reverse)
        swapFrame(p);
    const int offset = static_cast<int>(static_cast<float>(widthOf(*p.frame)) * p.t);
    const struct {
        int32_t offsetX, offsetY;
        uint32_t divide;
    } block{p.vertical ? 0 : offset, p.vertical ? offset : 0, static_cast<uint32_t>(divisionOf(p))};
    p.common->sliceShader.drawToRenderBuffer(*p.frame, *p.before, &sharedConstants(block), blendState(BlendStateList::Over));
}

void randomLine(Params& p, const Define&)
{
    const std::shared_ptr<Media::ResourceBuffer> random = Resource::ResourceService::Get()->permutationTexture.get();
    if (!random)
        throw std::bad_function_call();
    const uint32_t d = static_cast<uint32_t>(divisionOf(p));
    const struct {
        float ratio;
        uint32_t divideX, divideY;
    } block{p.t, p.vertical ? d : 0u, p.vertical ? 0u : d};
    Media::Direct3DService::Get()->bindConstantBuffer(Stage::Pixel, 0, sharedConstants(block).buffer.get());
    p.common->randomLineShader.drawTwoSourcesToRenderBuffer(*p.frame, *p.before, *random, blendState(BlendStateList::Opaque));
}

void slide(Params& p, const Define&)
{
    if (p.reverse)
        swapFrame(p);
    const float w = static_cast<float>(widthOf(*p.frame)), h = static_cast<float>(heightOf(*p.frame));
    const float a = static_cast<float>(p.angle) * Pi / 180, c = std::cos(a), s = std::sin(a);
    float dx, dy;
    if (std::fabs(h * c) > std::fabs(w * s)) {
        dy = w * s / std::fabs(c);
        dx = c <= 0 ? -w : w;
    } else {
        dx = h * c / std::fabs(s);
        dy = s <= 0 ? -h : h;
    }
    drawOffset(p, *p.before, nearest(dx * p.t), nearest(dy * p.t));
}

void push(Params& p, const Define&)
{
    float dx = p.vertical ? 0.0f : static_cast<float>(widthOf(*p.frame));
    float dy = p.vertical ? -static_cast<float>(heightOf(*p.frame)) : 0.0f;
    if (p.reverse) {
        dx = -dx;
        dy = -dy;
    }
    Picture after = copyOfFrame(*p.frame);
    const float clear[4] = {0, 0, 0, 0};
    clearFrame(*p.frame, clear);
    drawOffset(p, *p.before, nearest(dx * p.t), nearest(dy * p.t));
    drawOffset(p, *after, nearest(dx * (p.t - 1)), nearest(dy * (p.t - 1)));
}

// The 3D transitions: pictures as planes in the screen view of the frame.
using DrawState = Render::RenderObject::DrawState;

Picture takeAfterAndClear(Params& p)
{
    Picture after = copyOfFrame(*p.frame);
    const float clear[4] = {0, 0, 0, 0};
    clearFrame(*p.frame, clear);
    return after;
}

void swapPlanes(Params& p, const Define&)
{
    Picture after = takeAfterAndClear(p);
    const float a = p.t * Pi, sn = std::sin(a), cs = std::cos(a);
    const float e = p.reverse ? sn : -sn;
    DrawState before, next;
    if (p.vertical) {
        const float g = static_cast<float>(heightOf(*p.frame));
        before.y = -g * e * 0.33f;
        next.y = g * e * 0.33f;
    } else {
        const float g = static_cast<float>(widthOf(*p.frame));
        before.x = g * e * 0.33f;
        next.x = -g * e * 0.33f;
    }
    before.z = (1 - cs) * 512;
    next.z = (1 + cs) * 512;
    OutputShaderEffect& core = p.effect->shader;
    if (p.t < 0.5f) {
        core.drawObjectScreen(next, *p.frame, *after, false);
        core.drawObjectScreen(before, *p.frame, *p.before, false);
    } else {
        core.drawObjectScreen(before, *p.frame, *p.before, false);
        core.drawObjectScreen(next, *p.frame, *after, false);
    }
}

void shrinkTurn(Params& p, const Define&)
{
    if (p.reverse)
        swapFrame(p);
    DrawState state;
    state.rz = p.t * 360;
    state.z = p.t * p.t * 8192;
    state.alpha = 1 - p.t * p.t;
    p.effect->shader.drawObjectScreen(state, *p.frame, *p.before, true);
}

void turn(Params& p, const Define&)
{
    Picture after = takeAfterAndClear(p);
    const float angle = p.reverse ? -p.t * 180 : p.t * 180;
    DrawState state;
    float& axis = p.vertical ? state.rx : state.ry;
    if (p.t < 0.5f) {
        axis = angle;
        p.effect->shader.drawObjectScreen(state, *p.frame, *p.before, true);
    } else {
        axis = angle + 180;
        p.effect->shader.drawObjectScreen(state, *p.frame, *after, true);
    }
}

void cube(Params& p, const Define&)
{
    Picture after = takeAfterAndClear(p);
    const float a = static_cast<float>(p.vertical ? heightOf(*p.frame) : widthOf(*p.frame));
    const float d = p.reverse ? -90.0f : 90.0f;
    auto face = [&](Media::ResourceBuffer& picture, float angle) {
        DrawState state;
        state.z = a / 2;
        state.cz = a / 2;
        (p.vertical ? state.rx : state.ry) = angle;
        p.effect->shader.drawObjectScreen(state, *p.frame, picture, true);
    };
    if (p.t < 0.5f) {
        face(*after, d * (p.t - 1));
        face(*p.before, d * p.t);
    } else {
        face(*p.before, d * p.t);
        face(*after, d * (p.t - 1));
    }
}

// The before for the first half, the after for the second, blurred by a
// strength that peaks at the middle and replacing the frame.
Picture halfPicture(Params& p)
{
    return p.t < 0.5f ? std::move(p.before) : copyOfFrame(*p.frame);
}

void radialBlur(Params& p, const Define&)
{
    const float strength = (1 - std::fabs(2 * p.t - 1)) * 80;
    Picture picture = halfPicture(p);
    float cx = 0, cy = 0;
    Picture blurred = EffectService::Get()->getDefaultEffect<BlurFilter>()->radialBlur(*picture, cx, cy, strength, 0, 0,
                                                                                      true);
    if (blurred && !blurred->empty())
        replaceFrame(*p.frame, *blurred);
}

void blurred(Params& p, const Define&)
{
    const int range = nearest((1 - std::fabs(2 * p.t - 1)) * 400);
    Picture picture = halfPicture(p);
    Picture out = EffectService::Get()->getDefaultEffect<BokashiFilter>()->blurImage(std::move(picture), range, 0,
                                                                                    BokashiFilter::Clamp);
    if (out && !out->empty())
        replaceFrame(*p.frame, *out);
}

} // namespace

std::vector<Define>& SceneChange::sceneChangeList()
{
    static const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
    static std::vector<Define> list = {
        {L"クロスフェード", crossFade, 0},
        {L"暗転", [](Params& p, const Define&) { fadeThrough(p, black); }, 0},
        {L"ホワイトアウト", [](Params& p, const Define&) { fadeThrough(p, white); }, 0},
        {L"スライス", slice, UsesReverse | UsesDivision | UsesVertical},
        {L"ランダムライン", randomLine, UsesDivision | UsesVertical},
        {L"スライド", slide, UsesReverse | UsesAngle},
        {L"押し出し", push, UsesReverse | UsesVertical},
        {L"スワップ", swapPlanes, UsesReverse | UsesVertical},
        {L"縮小回転", shrinkTurn, UsesReverse},
        {L"回転", turn, UsesReverse | UsesVertical},
        {L"キューブ回転", cube, UsesReverse | UsesVertical},
        {L"放射ブラー", radialBlur, 0},
        {L"ぼかし", blurred, 0},
    };
    return list;
}

std::shared_ptr<EffectItemSelect::SharedList> SceneChange::kindList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        int value = 0;
        for (const Define& entry : sceneChangeList())
            l->add(value++, entry.name.c_str());
        if (const Resource::ResourceService* resources = Resource::ResourceService::Get())
            for (const Resource::Transition& wipe : resources->transitionList.transitions)
                l->add(value++, wipe.name.c_str());
        return l;
    }();
    return list;
}

SceneChange::CommonResource::CommonResource()
{
    sliceShader.loadFromMemory(scene_change_slice_ps_hlsl, sizeof(scene_change_slice_ps_hlsl));
    offsetShader.loadFromMemory(scene_change_offset_ps_hlsl, sizeof(scene_change_offset_ps_hlsl));
    randomLineShader.loadFromMemory(scene_change_random_line_ps_hlsl, sizeof(scene_change_random_line_ps_hlsl));
}

SceneChange::SceneChange() : EffectBase(Name, EffectType::Control, MediaType::Video, MediaType::SceneChange, L"シーンチェンジ")
{
    kind.notify = true;
    updateItemState();
}

void SceneChange::createCommonResource() { common = std::make_shared<CommonResource>(); }

void SceneChange::shareResource(EffectBase& prototype) { common = dynamic_cast<SceneChange&>(prototype).common; }

void SceneChange::requestBeforeFrame(Render::RenderObject& object) { SceneChangeFrame::request(object); }

float SceneChange::getProgress(const Render::RenderObject& object) { return SceneChangeFrame::progress(object); }

void SceneChange::preInputVideo(Render::RenderObject& object) { requestBeforeFrame(object); }

void SceneChange::controlVideo(Render::RenderObject& object)
{
    constexpr const char* Place = "Effect::SceneChange::controlVideo";
    Media::RenderBuffer* before = SceneChangeFrame::before(object, Place);
    if (!before)
        return;
    Media::RenderBuffer* frame = object.drawState.target;
    if (!frame || !frame->getTexture())
        return;
    SceneChangeParams p;
    p.effect = this;
    p.common = common.get();
    p.before = before->createResourceBuffer(true);
    p.frame = frame;
    p.t = getProgress(object);
    p.angle = nearest(angle.getValue(object));
    p.division = nearest(division.getValue(object));
    p.blur = nearest(blur.getValue(object));
    p.vertical = vertical.value;
    p.reverse = reverse.value;
    p.keepAspect = keepAspect.value;
    if (!p.before || p.before->empty())
        return;
    const int v = kind.value;
    if (v >= 0 && v < BuiltInCount) {
        const Define& entry = sceneChangeList()[size_t(v)];
        if (!entry.function) {
            System::Log::warn(Place, "no scene change func");
            return;
        }
        entry.function(p, entry);
    } else {
        wipe(p, v - BuiltInCount);
    }
}

void SceneChange::wipe(SceneChangeParams& p, int index)
{
    std::unique_ptr<Media::ResourceBuffer> mask;
    const Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (resources && index >= 0 && index < static_cast<int>(resources->transitionList.transitions.size()))
        mask = resources->transitionList.transitions[size_t(index)].createMask(
            p.frame->getWidth(), p.frame->getHeight(), p.reverse ? 1 - p.t : p.t, p.blur, p.keepAspect);
    if (!mask || mask->empty()) {
        System::Log::warn("Effect::SceneChange::wipe", "no scene change mask");
        return;
    }
    const uint32_t blend = p.reverse ? BlendStateList::SecondSourceMix : BlendStateList::SecondSourceKeep;
    shaders().copyTwoTargetsShader.drawTwoSourcesToRenderBuffer(*p.frame, *p.before, *mask, blendState(blend));
}

bool SceneChange::itemEvent(ItemEvent& event)
{
    if (event.code != ItemEvent::ItemChanged)
        return false;
    if (event.update) {
        event.update->updateSettingList = true;
        event.update->updateTimeSetting = true;
        event.update->updateColorSetting = true;
        event.update->updateTextSetting = true;
    }
    return true;
}

void SceneChange::updateItemState()
{
    const int v = kind.value;
    const int flags = v >= 0 && v < BuiltInCount ? sceneChangeList()[size_t(v)].flags : UsesReverse | UsesKeepAspect;
    reverse.visible = (flags & UsesReverse) != 0;
    angle.visible = (flags & UsesAngle) != 0;
    division.visible = (flags & UsesDivision) != 0;
    blur.visible = (flags & UsesBlur) != 0;
    keepAspect.visible = (flags & UsesKeepAspect) != 0;
    vertical.visible = (flags & UsesVertical) != 0;
}

} // namespace Effect
