#pragma once
// The drawing core's world: the graphics device on the software driver, a
// small scene, an object whose in-test output places it with an editable
// drawing state, and a camera control with fixed matrices on the control view.
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/output_shader_effect.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/render_object.h"
#include "tests/media/object_fixture.h"

#include <functional>

namespace DrawTest {

using DrawState = Render::RenderObject::DrawState;

// The input at the top of the test objects: it produces nothing itself.
class NullInput : public Effect::EffectBase {
public:
    NullInput() : EffectBase(L"テスト入力", Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<NullInput>(); }
};

// An output whose view is the drawing state changed by `edit`.
class ViewOutput : public Effect::EffectBase {
public:
    ViewOutput() : EffectBase(L"テスト出力", Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<ViewOutput>(); }
    DrawState getOutputView(Render::RenderObject& r) override
    {
        DrawState s = r.drawState;
        if (edit)
            edit(s);
        return s;
    }
    std::function<void(DrawState&)> edit;
};

// The frame's record of a camera looking straight along z with pixels as
// without a camera: depth 102.4 at z 0 (w 1, z 0.5), lights from the frame.
inline Render::ControlRef fixedCamera(int width, int height)
{
    auto record = std::make_shared<Render::ControlView>(std::make_shared<Edit::Object>(), nullptr);
    record->viewProjection = Math::identity();
    record->viewProjection.m[0][0] = 2.0f / static_cast<float>(width);
    record->viewProjection.m[1][1] = -2.0f / static_cast<float>(height);
    record->viewProjection.m[2][2] = 1e-4f;
    record->viewProjection.m[3][2] = 0.5f;
    return record;
}

class DrawFixture : public TestKit::ObjectFixture {
protected:
    static constexpr int W = 16, H = 16;

    void SetUp() override
    {
        ObjectFixture::SetUp();
        services.acquire<Setting::SettingService>();
        Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
        effects = services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        scene = std::make_unique<Edit::Scene>(1, 0);
        scene->width = W;
        scene->height = H;
        object = std::make_shared<Edit::Object>();
        object->start = 0;
        object->end = 9;
        object->effects.push_back(std::make_shared<NullInput>());
        output = std::make_shared<ViewOutput>();
        object->effects.push_back(output);
        render.scene = scene.get();
        render.resetObject(object);
        render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
    }
    void TearDown() override
    {
        render = Render::RenderObject{};
        object.reset();
        services.releaseAll();
        ObjectFixture::TearDown();
    }

    // Places the object under a camera control.
    Render::ControlView& useCamera()
    {
        render.drawState.cameraControl = fixedCamera(W, H);
        return *render.drawState.cameraControl;
    }

    // Puts a registered effect as the object's output.
    template <class T>
    std::shared_ptr<T> useOutput()
    {
        auto made = std::dynamic_pointer_cast<T>(effects->createEffect(T::Name));
        EXPECT_TRUE(made) << "not registered";
        object->effects[1] = made;
        return made;
    }

    System::ServiceStack services;
    Effect::EffectService* effects = nullptr;
    std::unique_ptr<Edit::Scene> scene;
    std::shared_ptr<Edit::Object> object;
    std::shared_ptr<ViewOutput> output;
    Render::RenderObject render;
    Effect::OutputShaderEffect core;
};

} // namespace DrawTest
