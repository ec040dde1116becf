#pragma once
// The project tests' world: the settings and effect services with the test
// effects registered, and helpers that build scenes.
#include "core/service.h"
#include "core/setting_service.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "tests/project/test_effects.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace ProjectTest {

class ModelTest : public ::testing::Test {
protected:
    ModelTest()
    {
        Effect::EffectService::builtInEffects = {registerEffects, nullptr};
        stack_.acquire<Setting::SettingService>();
        stack_.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
    }
    ~ModelTest() override
    {
        breakWriting = false;
        sourceEvents.clear();
        sourceAudioTracks = 0;
    }

    Effect::EffectService& effects() { return *Effect::EffectService::Get(); }
    Effect::EffectDefine& define(const wchar_t* name) { return effects().findEffect(name); }
    // The first number item ("X") of an effect.
    static Effect::EffectItemNumber& itemX(Effect::EffectBase& effect)
    {
        return *dynamic_cast<Effect::EffectItemNumber*>(effect.items[0]);
    }
    // A placed object with an input and its output (or the given top effect).
    std::shared_ptr<Edit::Object> place(Edit::Scene& scene, int layer, int start, int end,
                                        const wchar_t* top = L"画像ファイル")
    {
        return scene.createObject(top, layer, start, end);
    }

private:
    System::ServiceStack stack_;
};

} // namespace ProjectTest
