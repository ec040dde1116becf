// Alias files: an object alias placed into a scene (one object, an effect
// alias as an object, or the list of a multi-object alias) and an effect alias
// added to an object; whatever is placed keeps the model's frame rules.
#include "core/ini_file.h"
#include "project/model/object.h"
#include "project/model/object_list.h"
#include "project/model/scene.h"
#include "tests/fuzz/effect_item_sample.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/project/test_effects.h"

#include <exception>
#include <string>

FUZZ_TARGET(alias_file)
{
    static const bool started = [] {
        Effect::EffectService::builtInEffects = {ProjectTest::registerEffects, nullptr};
        Fuzz::startEffectServices();
        return true;
    }();
    (void)started;
    Fuzz::Input input(data, size);
    const int mode = input.byte() % 4;
    const int layer = input.byte() % 8;
    const int frame = static_cast<int>(input.u32() % 4096);
    System::IniFile ini;
    ini.loadText(input.restText(), L"fuzz.object", false);
    Edit::Scene scene(1, 1);
    try {
        switch (mode) {
        case 0:
            Edit::LayerObjectManager::loadObjectAliasFile(scene, ini, layer, frame, frame + 80);
            break;
        case 1:
            Edit::LayerObjectManager::loadObjectAliasFileEffect(scene, ini, layer, frame, frame + 80);
            break;
        case 2: {
            Edit::ObjectList list;
            for (int n = 0; n < 64 && ini.getSection(std::to_string(n).c_str()).section().size() != 0; ++n)
                Edit::LayerObjectManager::pushObjectAliasFileToObjectList(ini, n, list);
            Edit::pasteObjectList(scene, list, layer, frame, true);
            break;
        }
        default: {
            const std::shared_ptr<Edit::Object> object = scene.createObject(L"画像ファイル", 0, 0, 99);
            object->loadEffectAliasFile(ini, object->effects.back().get());
            object->fixEffectList();
            break;
        }
        }
    } catch (const std::exception&) {
        // The reader's own refusal.
    }
    scene.updateLayerObject();
    for (int l = 0; l < scene.layerCount(); ++l) {
        for (const auto& object : scene.layers.at(l).objects) {
            if (object->layer != l)
                continue;
            if (object->start < 0 || object->end < object->start || object->end > Edit::FrameLimit)
                Fuzz::fail("an object outside the frames");
            if (object->effects.empty())
                Fuzz::fail("a placed object without effects");
        }
    }
}
