#pragma once
// The control effects' world: the render fixture's device (the software
// driver with validation), services and video worker, with the built-in
// effect table (the real outputs, controls and filters) and the in-test solid
// picture as the source of the objects they govern.
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/basic_output.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/render_buffer.h"
#include "media/resource_service.h"
#include "tests/media/picture_artefact.h"
#include "render/control_view.h"
#include "tests/render/render_fixture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace ControlTest {

using TestKit::Picture;
using TestKit::Pixel;

inline const Pixel Red{1, 0, 0, 1}, Green{0, 1, 0, 1}, Blue{0, 0, 1, 1}, White{1, 1, 1, 1};

// A camera effect that logs its two calls, moves the camera state in its
// preparation (as a camera script may) and adds a light record there.
class RecordingCameraEffect : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"記録カメラ効果";
    RecordingCameraEffect()
        : EffectBase(Name, Effect::EffectType::Filter, Effect::MediaType::Camera, Effect::MediaType::Camera, L"テスト")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<RecordingCameraEffect>(); }
    void preInputVideo(Render::RenderObject& r) override
    {
        Render::ControlView* camera = r.drawState.cameraControl.get();
        RenderTest::effectLog().add("prepare" + RenderTest::at(r) + (camera ? " camera z " + std::to_string(int(camera->camera.position.z)) : " no camera"));
        if (!camera)
            return;
        camera->camera.position.x += shift;
        camera->camera.target.x += shift;
        if (light)
            camera->lights.push_back(*light);
    }
    void controlVideo(Render::RenderObject& r) override
    {
        RenderTest::effectLog().add("control" + RenderTest::at(r) + " lights " +
                                    std::to_string(r.drawState.target ? r.drawState.target->getLights().size() : 0));
    }
    float shift = 0;
    const std::array<uint8_t, 32>* light = nullptr;
};

inline void registerBefore(Effect::EffectService& s)
{
    Effect::builtInEffectTable().beforeScripts(s);
    s.registerEffect<RenderTest::TestImage>();
    s.registerEffect<RecordingCameraEffect>();
}
inline void registerAfter(Effect::EffectService& s) { Effect::builtInEffectTable().afterScripts(s); }

class ControlFixture : public RenderTest::RenderFixture {
protected:
    // The figures, transitions and lookup textures the controls draw with.
    void acquireGraphicServices() override
    {
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
    }
    Effect::EffectService::BuiltInEffects effectTable() const override { return {registerBefore, registerAfter}; }

    // A solid size x size picture drawn by 標準描画 at (x, y, z).
    struct Shown {
        std::shared_ptr<Edit::Object> object;
        RenderTest::TestImage* image;
        Effect::VideoOutput* output;
    };
    Shown picture(int layer, int start, int end, const Pixel& colour, float x = 0, float y = 0, int size = 8, float z = 0)
    {
        auto& object = scene->createObject(RenderTest::TestImage::Name, layer, start, end);
        Shown s{object, dynamic_cast<RenderTest::TestImage*>(object->effects[0].get()),
                dynamic_cast<Effect::VideoOutput*>(object->effects[1].get())};
        s.image->colour = colour;
        s.image->width = s.image->height = size;
        s.output->x.setValue(x, 0);
        s.output->y.setValue(y, 0);
        s.output->z.setValue(z, 0);
        return s;
    }
    // An object whose top effect is the registered control T.
    template <class T>
    T& controlAt(int layer, int start, int end)
    {
        auto& object = scene->createObject(T::Name, layer, start, end);
        return *dynamic_cast<T*>(object->effects[0].get());
    }
    // The registered effect T appended to the object's chain.
    template <class T>
    T& addEffect(const std::shared_ptr<Edit::Object>& object, const wchar_t* name = T::Name)
    {
        std::shared_ptr<Effect::EffectBase> effect = Effect::EffectService::Get()->createEffect(name);
        Effect::setEffectItemValueNum(*effect, static_cast<int>(object->midPoints.size()) + 1);
        object->effects.push_back(effect);
        return *dynamic_cast<T*>(effect.get());
    }
    const std::shared_ptr<Edit::Object>& objectAt(int layer) const { return scene->getLayer(layer).objects.front(); }

    // A render object of the object at the frame, as the plan makes one.
    Render::RenderObject renderAt(const std::shared_ptr<Edit::Object>& object, int frame)
    {
        scene->updateLayerObject();
        Render::RenderObject r;
        r.scene = scene;
        r.frame = frame;
        r.time = frame;
        r.videoWorker = worker;
        r.resetObject(object);
        return r;
    }

    Pixel pixel(const Picture& p, int x, int y) const { return p[size_t(y) * Width + x]; }
};

// Whether every channel of every pixel is a finite number.
inline bool finitePicture(const Picture& p)
{
    for (const Pixel& px : p)
        for (float c : px)
            if (!std::isfinite(c))
                return false;
    return true;
}

} // namespace ControlTest
