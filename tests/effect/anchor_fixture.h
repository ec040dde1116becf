#pragma once
// A scene to register handles in: objects with a source, an output and a point
// filter, and a 1920 x 1080 frame gathering anchors.
#include "effect/anchor_control.h"
#include "effect/anchor_host.h"
#include "effect/anchor_list.h"
#include "media/render_buffer.h"
#include "project/model/scene.h"
#include "project/model/layer.h"
#include "render/control_view.h"
#include "tests/effect/anchor_effects.h"
#include "tests/effect/effect_fixture.h"

#include <algorithm>

namespace AnchorTest {

// An object on layer 0 from frame 0 to 99: source, output, point filter.
struct Placed {
    std::shared_ptr<TestSource> source = std::make_shared<TestSource>();
    std::shared_ptr<TestOutput> output = std::make_shared<TestOutput>();
    std::shared_ptr<TestPointFilter> filter = std::make_shared<TestPointFilter>();
    std::shared_ptr<Edit::Object> object;

    explicit Placed(std::vector<int> midPoints = {})
    {
        object = EffectTest::makeObject(0, 99, std::move(midPoints));
        object->effects = {source, output, filter};
    }
};

class AnchorEffectTest : public EffectTest::ServiceTest {
protected:
    AnchorEffectTest()
    {
        target.setSize(1920, 1080);
        Effect::AnchorHost::get().edit = {};
    }

    Effect::MovementBase* movement(const wchar_t* name)
    {
        return Effect::EffectService::Get()->findMovement(name).movement.get();
    }

    // Places the object on the scene; the first placed becomes the focus object.
    Placed& place(Placed& p)
    {
        const int layer = p.object->layer;
        p.object->layer = -1;
        scene.moveObjectLayer(p.object, layer);
        scene.updateLayerObject();
        if (!scene.focusObject)
            scene.focusObject = p.object;
        return p;
    }

    // A render object gathering anchors for the object at the frame.
    Render::RenderObject frameOf(const Placed& p, double time)
    {
        Render::RenderObject r = EffectTest::renderAt(p.object, time);
        r.scene = &scene;
        r.anchors = &list;
        r.drawState.target = &target;
        r.drawState.groupControl = groupControl;
        r.drawState.cameraControl = cameraControl;
        return r;
    }

    // Registers the handles of the object's output and filter at the frame.
    void registerAt(const Placed& p, double time, int width = 200, int height = 100)
    {
        Render::RenderObject r = frameOf(p, time);
        p.output->createAnchor(r, width, height);
        p.filter->createAnchor(r, width, height);
    }

    // The laid-out items of an effect, optionally of one shape.
    std::vector<const Anchor::AnchorItem*> itemsOf(const Effect::EffectBase& effect, int shape = 0) const
    {
        std::vector<const Anchor::AnchorItem*> out;
        for (const Anchor::AnchorItem& item : list.items)
            if (item.owner == &effect && (shape == 0 || item.shape == shape))
                out.push_back(&item);
        return out;
    }

    std::vector<int> idsOf(const Effect::EffectBase& effect, int shape) const
    {
        std::vector<int> ids;
        for (const Anchor::AnchorItem* item : itemsOf(effect, shape))
            ids.push_back(item->id);
        return ids;
    }

    const Anchor::AnchorItem& find(const Effect::EffectBase& effect, int shape, int id) const
    {
        for (const Anchor::AnchorItem* item : itemsOf(effect, shape))
            if (item->id == id)
                return *item;
        ADD_FAILURE() << "no item of shape " << shape << " id " << id;
        static const Anchor::AnchorItem none;
        return none;
    }

    // Drags an item by a pixel offset in the laid-out view, as the preview does.
    void drag(const Anchor::AnchorItem& item, int dx, int dy)
    {
        Anchor::AnchorEvent event = control.makeEvent(item, Anchor::AnchorEvent::Drag);
        Anchor::AnchorControl::setDragOffset(event, dx, dy, false);
        event.effect->anchorEvent(event);
    }

    // Lays the list out in a view of the given size at the control's origin.
    void layout(float width, float height)
    {
        control.viewRect = {0, 0, width, height};
        control.controlWidth = width;
        control.scene = &scene;
        control.anchorList = std::shared_ptr<Anchor::AnchorList>(&list, [](Anchor::AnchorList*) {});
        control.layoutAnchors();
    }

    Edit::Scene scene{0, 0};
    Anchor::AnchorList list;
    Anchor::AnchorControl control;
    Media::RenderBuffer target{Media::Format::R16G16B16A16Float};
    Render::ControlRef groupControl, cameraControl;
};

} // namespace AnchorTest
