#pragma once
// The script host's world: the settings, effect and script services with both
// engines registered, a scene with one placed object whose output places it
// with an editable drawing state, and runs of scripts on it.
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "script/lua_instance.h"
#include "script/lua_script.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace ScriptTest {

// The engines' keys, for tests that run in both.
inline const char* const EngineKeys[] = {"lua", "luaJIT"};

// The object's input: it makes nothing itself.
class TestInput : public Effect::EffectBase {
public:
    TestInput()
        : EffectBase(L"テスト入力", Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestInput>(); }
};

// An output whose view is the drawing state moved by a fixed position.
class TestOutput : public Effect::EffectBase {
public:
    TestOutput()
        : EffectBase(L"テスト出力", Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestOutput>(); }
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& r) override
    {
        Render::RenderObject::DrawState s = r.drawState;
        s.x += 100;
        s.y += 200;
        s.z += 300;
        return s;
    }
    void createAnchor(Render::RenderObject&, int width, int height) override
    {
        anchorSizes.push_back(width);
        anchorSizes.push_back(height);
    }
    std::vector<int> anchorSizes;
};

// The services, the scene and the object; withSettings: the settings service
// too (a GPU fixture starts its own).
class ScriptScene {
public:
    explicit ScriptScene(bool withSettings = true)
    {
        if (withSettings)
            services.acquire<Setting::SettingService>();
        services.acquire<Effect::EffectService>();
        auto* engines = services.acquire<Plugin::ScriptService>();
        engines->registerPlugin<Plugin::LuaScript>();
        engines->registerPlugin<Plugin::LuaJitScript>();
        scene = std::make_unique<Edit::Scene>(1, 0);
        scene->width = 640;
        scene->height = 480;
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
    }
    ~ScriptScene()
    {
        render = Render::RenderObject{};
        object.reset();
        prototypes.clear();
        services.releaseAll();
    }

    static Plugin::LuaBase& engine(const char* key)
    {
        return dynamic_cast<Plugin::LuaBase&>(*Plugin::ScriptService::Get()->findScriptPlugin(key));
    }

    // A script effect of the text as the registry makes one: a prototype that
    // reads the header, and an instance made from it.
    template <class Kind = Effect::ScriptFilter>
    std::shared_ptr<Kind> makeEffect(const std::string& text, const char* engineKey = nullptr,
                                     const std::wstring& folder = L"/scripts")
    {
        auto prototype = std::make_shared<Kind>(L"");
        prototype->createCommonResource();
        prototype->setScriptSection({L"probe", text}, folder, nullptr, engineKey);
        prototypes.push_back(prototype);
        auto instance = std::dynamic_pointer_cast<Kind>(prototype->create());
        instance->shareResource(*prototype);
        return instance;
    }

    // One effect run of the text (the effect's own when empty); returns what
    // "mes" collected. Throws as the run throws.
    std::wstring run(Effect::ScriptEffect& effect, const std::string& text = {})
    {
        auto instance = effect.getScript()->engine->createEffectInstance(effect, render);
        instance->executeEffect(text.empty() ? effect.getScript()->text : text);
        return instance->messageText;
    }
    std::wstring run(const std::string& text, const char* engineKey)
    {
        auto effect = makeEffect(text, engineKey);
        return run(*effect);
    }

    System::ServiceStack services;
    std::unique_ptr<Edit::Scene> scene;
    std::shared_ptr<Edit::Object> object;
    Render::RenderObject render;
    std::vector<std::shared_ptr<Effect::ScriptEffect>> prototypes;
};

class ScriptWorld : public ::testing::Test, public ScriptScene {};

} // namespace ScriptTest
