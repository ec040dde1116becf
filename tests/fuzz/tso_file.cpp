// Older object files: imported into a scene with the chain rules' effects
// registered; whatever is placed keeps the model's frame and mid-point rules.
#include "project/files/tso_file.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/fuzz/effect_item_sample.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/project/test_effects.h"

#include <exception>
#include <string>

FUZZ_TARGET(tso_file)
{
    static const bool started = [] {
        Effect::EffectService::builtInEffects = {ProjectTest::registerEffects, nullptr};
        Fuzz::startEffectServices();
        Setting::SettingService::Get()->effect.loadText(
            "[OldScript.trackmode]\r\n1=直線移動\r\n15=ランダム移動\r\nSingleSection=1\r\n"
            "[OldScript.アニメーション効果]\r\n2=ぼかし\r\n",
            L"effect.conf", false);
        return true;
    }();
    (void)started;
    Edit::Scene scene(1, 1);
    try {
        Edit::ProjectConvert::loadSceneFromTsoText(scene, Fuzz::text(data, size), L"fuzz.tso");
    } catch (const std::exception&) {
        return; // refused as a whole
    }
    if (scene.videoRate <= 0 || scene.videoScale <= 0 || scene.width <= 0 || scene.height <= 0)
        Fuzz::fail("a scene without a usable format");
    for (int layer = 0; layer < scene.layerCount(); ++layer) {
        for (const auto& object : scene.layers.at(layer).objects) {
            if (object->layer != layer)
                continue;
            if (object->start < 0 || object->end < object->start || object->end > Edit::FrameLimit)
                Fuzz::fail("an object outside the frames");
            int previous = 0;
            for (int offset : object->midPoints) {
                if (offset <= previous || offset > object->end - object->start)
                    Fuzz::fail("a mid point outside its object");
                previous = offset;
            }
            if (object->effects.empty())
                Fuzz::fail("an object without effects");
        }
    }
}
