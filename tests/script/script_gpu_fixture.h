#pragma once
// Script runs that touch pictures: the device on the software driver with the
// validation layer on, both engines, a scene with one placed object (the
// script host's test input and output), a frame and the frame's temporary
// pictures, and helpers to run a script on an object image.
#include "core/service.h"
#include "effect/effect_service.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "render/resource_cache.h"
#include "script/lua_instance.h"
#include "script/lua_script.h"
#include "tests/media/gpu_fixture.h"
#include "tests/media/object_fixture.h"
#include "tests/script/script_fixture.h"

namespace ScriptTest {

class ScriptGpu : public TestKit::ObjectFixture {
protected:
    void SetUp() override
    {
        ObjectFixture::SetUp();
        effects = services.acquire<Effect::EffectService>();
        auto* engines = services.acquire<Plugin::ScriptService>();
        engines->registerPlugin<Plugin::LuaScript>();
        engines->registerPlugin<Plugin::LuaJitScript>();
        scene = std::make_unique<Edit::Scene>(1, 0);
        scene->width = 16;
        scene->height = 12;
        object = std::make_shared<Edit::Object>();
        object->start = 10;
        object->end = 39;
        object->layer = 2;
        object->effects.push_back(std::make_shared<TestInput>());
        object->effects.push_back(std::make_shared<TestOutput>());
        render.scene = scene.get();
        render.frame = 15;
        render.time = 15;
        render.resetObject(object);
        render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
        cache = std::make_unique<Render::ResourceCache>(int64_t{1} << 24);
        render.resourceCache = cache.get();
        frameContent = fixture(scene->width, scene->height, 11);
        frame = makeFrame(scene->width, scene->height, frameContent);
        render.drawState.target = frame.get();
    }
    void TearDown() override
    {
        render = Render::RenderObject{};
        cache.reset();
        frame.reset();
        object.reset();
        prototypes.clear();
        services.releaseAll();
        ObjectFixture::TearDown();
    }

    std::shared_ptr<Effect::ScriptFilter> makeEffect(const std::string& text, const char* engineKey)
    {
        auto prototype = std::make_shared<Effect::ScriptFilter>(L"");
        prototype->createCommonResource();
        prototype->setScriptSection({L"probe", text}, L"/scripts", nullptr, engineKey);
        prototypes.push_back(prototype);
        auto instance = std::dynamic_pointer_cast<Effect::ScriptFilter>(prototype->create());
        instance->shareResource(*prototype);
        return instance;
    }

    // Runs the script on the picture (moved in and back out); returns "mes".
    std::string run(const std::string& text, const char* key, std::unique_ptr<Media::ResourceBuffer>& picture)
    {
        auto effect = makeEffect(text, key);
        return run(*effect, picture);
    }
    std::string run(Effect::ScriptEffect& effect, std::unique_ptr<Media::ResourceBuffer>& picture,
                    const std::string& text = {})
    {
        auto instance = effect.getScript()->engine->createEffectInstance(effect, render);
        instance->setObjectBuffer(picture);
        instance->executeEffect(text.empty() ? effect.getScript()->text : text);
        instance->takeObjectBuffer(picture);
        drawn = instance->drawn;
        return System::wideToUtf8(instance->messageText);
    }

    System::ServiceStack services;
    Effect::EffectService* effects = nullptr;
    std::unique_ptr<Edit::Scene> scene;
    std::shared_ptr<Edit::Object> object;
    Render::RenderObject render;
    std::unique_ptr<Render::ResourceCache> cache;
    TestKit::Picture frameContent;
    std::unique_ptr<Media::RenderBuffer> frame;
    std::vector<std::shared_ptr<Effect::ScriptEffect>> prototypes;
    bool drawn = false;
};

} // namespace ScriptTest
