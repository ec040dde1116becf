#include "render/render_object.h"

#include "effect/effect_base.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/effect_names.h"
#include "render/object_walk.h"
#include "render/render_video_worker.h"

#include <algorithm>
#include <cmath>

namespace Render {

using Math::float4x4;

int ControlView::parentLayer() const
{
    return parent && parent->object ? parent->object->layer : -1;
}

float4x4 RenderObject::DrawState::getObjectMatrix() const
{
    return Math::translation(-cx, -cy, -cz) * getRotationMatrix() * Math::translation(x, y, z);
}

float4x4 RenderObject::DrawState::getRotationMatrix() const
{
    return Math::scaling(sx, sy, sz) * Math::rotationZ(rz) * Math::rotationY(ry) * Math::rotationX(rx);
}

float4x4 RenderObject::DrawState::getScreenMatrix(int width, int height) const
{
    // A frame without size would divide by zero: it counts as one pixel.
    const float w = static_cast<float>(std::max(width, 1));
    const float h = static_cast<float>(std::max(height, 1));
    float4x4 projection;
    projection.m[0][0] = 2048.0f / w;
    projection.m[1][1] = -2048.0f / h;
    projection.m[2][3] = 1.0f;
    projection.m[3][2] = 51.2f;
    return Math::translation(-x, -y, 1024.0f) * projection * Math::translation(2.0f * x / w, -2.0f * y / h, 0.0f);
}

float4x4 RenderObject::DrawState::getWorldMatrix() const
{
    float4x4 world = getObjectMatrix();
    if (groupControl)
        world = world * groupControl->groupMatrix;
    return world;
}

float4x4 RenderObject::DrawState::getViewMatrix() const
{
    if (cameraControl)
        return cameraControl->viewProjection;
    if (groupControl)
        return groupControl->groupView;
    return target ? getScreenMatrix(static_cast<int>(target->getWidth()), static_cast<int>(target->getHeight()))
                  : getScreenMatrix(1, 1);
}

float4x4 RenderObject::DrawState::getGroupViewMatrix() const
{
    const ControlView* camera = cameraControl.get();
    const ControlView* group = groupControl.get();
    if (camera && group)
        return group->groupMatrix * camera->viewProjection;
    if (camera)
        return camera->viewProjection;
    if (group)
        return group->groupMatrix * group->groupView;
    return Math::translation(0.0f, 0.0f, -z) * getViewMatrix();
}

float4x4 RenderObject::DrawState::getWorldViewMatrix() const
{
    return getWorldMatrix() * getViewMatrix();
}

// ---- the frame part ----

void RenderFramePart::setObject(const std::shared_ptr<Edit::Object>& entry)
{
    if (object == entry)
        return;
    resetObject(entry);
}

void RenderFramePart::resetObject(const std::shared_ptr<Edit::Object>& entry)
{
    object = entry;
    if (object)
        sectionPosition.setPosition(*object, frame, time);
}

void RenderFramePart::setTime(double t)
{
    time = t;
    frame = static_cast<int>(std::floor(t));
    if (object)
        sectionPosition.setPosition(*object, frame, time);
}

void RenderFramePart::releaseFramePart()
{
    objectList.reset();
    object.reset();
}

RenderFramePart::FrameAudioRange RenderFramePart::getFrameAudioRange() const
{
    FrameAudioRange range{0, 0, 0, 0};
    if (!scene)
        return range;
    const double a = scene->audioRate;
    const double perFrame = static_cast<double>(scene->videoScale) / std::max(scene->videoRate, 1);
    range.audioRate = scene->audioRate;
    range.first = std::llround(a * frame * perFrame);
    range.count = static_cast<int>(std::llround(a * (frame + 1) * perFrame) - range.first);
    range.offset = range.first - (object ? std::llround(a * object->start * perFrame) : 0);
    return range;
}

void RenderFramePart::collectFilterObjects(uint8_t media)
{
    auto list = std::make_shared<ObjectList>();
    if (object) {
        list->push_back(object);
        const int last = scene ? scene->lastLayer : -1;
        for (int j = object->layer + 1; j <= last; ++j) {
            const std::shared_ptr<Edit::Object>& found = scene->findObject(j, frame, media);
            if (!found)
                continue;
            if (found->effects.front()->effectType != Effect::EffectType::Filter)
                break;
            list->push_back(found);
        }
    }
    objectList = std::move(list);
}

// ---- the chain driver ----

namespace {

using Effect::EffectType;
using Effect::MediaType;

bool emptyPicture(const std::unique_ptr<Media::ResourceBuffer>& picture)
{
    return !picture || picture->empty();
}

bool videoFilter(const Effect::EffectBase& effect)
{
    return !effect.disable && effect.effectType == EffectType::Filter &&
           (effect.mediaType == MediaType::Video || effect.mediaType == MediaType::VideoAudio);
}

// The output effect of an object (its second effect), or null.
Effect::EffectBase* outputEffect(const Edit::Object& object)
{
    return object.effects.size() >= 2 ? object.effects[1].get() : nullptr;
}

} // namespace

void RenderObject::collectGroupControls()
{
    if (!drawState.groupControl)
        return;
    if (!objectList)
        objectList = std::make_shared<ObjectList>();
    for (const ControlView* group = drawState.groupControl.get(); group; group = group->parent.get())
        if (group->object && group->object->effects.size() >= 2)
            objectList->push_back(group->object);
}

void RenderObject::prepareEffects()
{
    walkObjectList([&](Edit::Object& entry) {
        for (const auto& effect : entry.effects)
            if (!effect->disable && (effect->effectType == EffectType::Input || effect->effectType == EffectType::Filter))
                effect->preInputVideo(*this);
        return true;
    });
}

std::unique_ptr<Media::ResourceBuffer> RenderObject::applyFilterEffects(std::unique_ptr<Media::ResourceBuffer> picture,
                                                                        const Effect::EffectBase* after)
{
    bool skipping = after != nullptr;
    walkObjectList([&](Edit::Object& entry) {
        for (const auto& effect : entry.effects) {
            if (skipping) {
                skipping = effect.get() != after;
                continue;
            }
            if (!videoFilter(*effect))
                continue;
            picture = effect->filterVideo(*this, std::move(picture));
            if (emptyPicture(picture))
                return false;
        }
        return true;
    });
    return picture;
}

std::unique_ptr<Media::ResourceBuffer> RenderObject::applyFilterEffectsWithoutAnchor(
    std::unique_ptr<Media::ResourceBuffer> picture, const Effect::EffectBase* after, RenderObject* caller)
{
    struct Restore {
        RenderObject& self;
        Anchor::AnchorList* anchors;
        ~Restore() { self.anchors = anchors; }
    } restore{*this, anchors};
    anchors = nullptr;
    picture = applyFilterEffects(std::move(picture), after);
    if (caller && focusFixedSize)
        caller->focusFixedSize = true;
    return picture;
}

void RenderObject::controlFilterEffects()
{
    walkObjectList([&](Edit::Object& entry) {
        for (const auto& effect : entry.effects)
            if (!effect->disable && effect->effectType == EffectType::Filter)
                effect->controlVideo(*this);
        return true;
    });
}

void RenderObject::setFilterAnchor(int width, int height)
{
    if (!anchors)
        return;
    walkObjectList([&](Edit::Object& entry) {
        for (const auto& effect : entry.effects)
            if (videoFilter(*effect))
                effect->createAnchor(*this, width, height);
        return true;
    });
}

void RenderObject::outputVideo(std::unique_ptr<Media::ResourceBuffer>& picture)
{
    if (emptyPicture(picture) || !objectList || objectList->empty() || !drawState.target)
        return;
    setObject(objectList->front());
    if (Effect::EffectBase* output = outputEffect(*object))
        output->outputVideo(*this, *drawState.target, picture);
}

void RenderObject::setOutputAnchor(int width, int height)
{
    if (!anchors || !objectList || objectList->empty())
        return;
    setObject(objectList->front());
    if (Effect::EffectBase* output = outputEffect(*object))
        output->createAnchor(*this, width, height);
}

void RenderObject::renderObject()
{
    if (!object || object->effects.empty())
        return;
    if (object->clipping)
        drawState.cameraControl.reset(); // clipping objects are drawn flat into the mask
    if (objectList) {
        const wchar_t* expandedColor = EffectName::registered(EffectName::ExpandedColor);
        for (const auto& entry : *objectList)
            for (const auto& effect : entry->effects)
                extendedColor |= !effect->disable && EffectName::is(*effect, expandedColor);
    }
    std::unique_ptr<Media::ResourceBuffer> picture = object->effects.front()->inputVideo(*this);
    if (emptyPicture(picture))
        return;
    if (videoWorker)
        videoWorker->spareImage.reset();
    picture = applyFilterEffects(std::move(picture), nullptr);
    if (emptyPicture(picture))
        return;
    outputVideo(picture);
    // An output may consume the picture; the handles then have no size.
    const int width = picture ? static_cast<int>(picture->getWidth()) : 0;
    const int height = picture ? static_cast<int>(picture->getHeight()) : 0;
    if (!offscreenDrawn)
        setFilterAnchor(width, height);
    setOutputAnchor(width, height);
    if (videoWorker)
        videoWorker->spareImage = std::move(picture);
}

RenderObject::DrawState RenderObject::getOutputView()
{
    if (!object || object->effects.empty())
        return drawState;
    Effect::EffectBase& top = *object->effects.front();
    if (top.effectType == Effect::EffectType::Control)
        return top.getOutputView(*this);
    const std::shared_ptr<Edit::Object>& first = objectList && !objectList->empty() ? objectList->front() : object;
    if (first == object) {
        if (object->effects.size() < 2)
            return drawState; // an object without output places nothing of its own
        return object->effects[1]->getOutputView(*this);
    }
    if (first->effects.size() < 2)
        return drawState;
    // The first entry is current for the call; the previous object comes back
    // however the call ends.
    struct Restore {
        RenderObject& self;
        std::shared_ptr<Edit::Object> previous;
        ~Restore() { self.resetObject(previous); }
    } restore{*this, object};
    resetObject(first);
    return first->effects[1]->getOutputView(*this);
}

} // namespace Render
