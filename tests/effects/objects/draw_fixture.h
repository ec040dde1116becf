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

// A camera looking straight along z with pixels as without a camera: depth
// 102.4 at z 0 (w 1, z 0.5), lights from the frame.
class FixedCamera : public Effect::EffectBase, public Render::ControlView {
public:
    FixedCamera(int width, int height)
        : EffectBase(L"テストカメラ", Effect::EffectType::Control, Effect::MediaType::Video, Effect::MediaType::Video, L"")
    {
        viewProjection = Math::identity();
        viewProjection.m[0][0] = 2.0f / static_cast<float>(width);
        viewProjection.m[1][1] = -2.0f / static_cast<float>(height);
        viewProjection.m[2][2] = 1e-4f;
        viewProjection.m[3][2] = 0.5f;
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<FixedCamera>(1, 1); }
    Math::float4x4 getViewProjectionMatrix() const override { return viewProjection; }
    Math::float3 getViewDirection() const override { return direction; }
    Math::float4x4 viewProjection;
    Math::float3 direction{0, 0, 1};
};

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
        cameraObject.reset();
        services.releaseAll();
        ObjectFixture::TearDown();
    }

    // Places the object under a camera control object.
    FixedCamera& useCamera()
    {
        cameraObject = std::make_shared<Edit::Object>();
        auto camera = std::make_shared<FixedCamera>(W, H);
        cameraObject->effects.push_back(camera);
        render.drawState.cameraControl = cameraObject;
        return *camera;
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
    std::shared_ptr<Edit::Object> cameraObject;
    std::shared_ptr<ViewOutput> output;
    Render::RenderObject render;
    Effect::OutputShaderEffect core;
};

} // namespace DrawTest
