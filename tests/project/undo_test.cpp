// Undo: every item kind done, undone and redone (the project file and the
// colour window before and after), unchanged items dropped, and the history's
// edge cases.
#include "effect/effect_item_simple.h"
#include "project/edit/undo_items.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/edit_fixture.h"

#include <cmath>
#include <limits>

using namespace EditTest;

namespace {

// The scene every case starts from: a (layer 0), b with a mid point (layer 1,
// named), the camera c (layer 2, controlling layers below), d (layer 4).
struct World {
    Edit::Scene* scene = nullptr;
    std::shared_ptr<Edit::Object> a, b, c, d, made;
    std::shared_ptr<Edit::Layer> layer;
    std::shared_ptr<Component::ColorSetting> colors = std::make_shared<Component::ColorSetting>();
    Effect::EffectService* effects = nullptr;
};

struct Kind {
    const char* name;
    std::function<void(World&)> record; // the recorders, before any change
    std::function<void(World&)> change;
};

void PrintTo(const Kind& kind, std::ostream* out)
{
    *out << kind.name;
}

Effect::EffectItemNumber& itemX(Effect::EffectBase& effect)
{
    return *dynamic_cast<Effect::EffectItemNumber*>(effect.items[0]);
}

const std::vector<Kind>& kinds()
{
    static const std::vector<Kind> list = {
        {"ObjectUndoUpdate", [](World& w) { Undo::UndoService::Get()->addObjectUpdate(w.a); },
         [](World& w) {
             w.a->end = 15;
             w.scene->moveObjectLayer(w.a, 3);
         }},
        {"ObjectUndoUpdateMidPoints", [](World& w) { Undo::UndoService::Get()->addObjectUpdate(w.b); },
         [](World& w) { w.b->midPoints[0] = 12; }},
        {"ObjectUndoCreate",
         [](World& w) {
             w.made = w.scene->createObject(L"画像ファイル", 3, 0, 9);
             w.scene->removeObject(*w.made);
             Undo::UndoService::Get()->addObjectCreate(w.made);
         },
         [](World& w) { w.scene->moveObjectLayer(w.made, 3); }},
        {"ObjectUndoDelete", [](World& w) { Undo::UndoService::Get()->addObjectCreateDelete(w.a); },
         [](World& w) { w.scene->removeObject(*w.a); }},
        {"ObjectUndoSection", [](World& w) { Undo::UndoService::Get()->addObjectSection(w.a); },
         [](World& w) { w.a->addMidPoint(5); }},
        {"ObjectUndoGroup",
         [](World& w) {
             Undo::UndoService::Get()->addObjectGroup(w.a);
             Undo::UndoService::Get()->addObjectGroup(w.d);
         },
         [](World& w) {
             auto group = std::make_shared<Edit::Group>();
             for (auto* o : {w.a.get(), w.d.get()}) {
                 o->group = group;
                 group->members.insert(o);
             }
         }},
        {"ObjectUndoEffect", [](World& w) { Undo::UndoService::Get()->addObjectEffect(w.a); },
         [](World& w) {
             Effect::EffectBase& blur = **w.a->setFilterEffect(w.effects->findEffect(L"ぼかし"));
             Effect::setEffectItemValueNum(blur, 1);
         }},
        {"ObjectUndoFlag", [](World& w) { Undo::UndoService::Get()->addObjectFlag(w.a); },
         [](World& w) {
             w.a->clipping = true;
             w.a->camera = false;
         }},
        {"ObjectUndoLayerRange", [](World& w) { Undo::UndoService::Get()->addObjectLayerRange(w.c); },
         [](World& w) { w.c->effects.front()->getLayerRange()->value = 1; }},
        {"EffectUndoUpdate", [](World& w) { Undo::UndoService::Get()->addEffectUpdate(w.a->effects.front()); },
         [](World& w) {
             itemX(*w.a->effects.front()).setValue(5.0, 0);
             w.a->effects.front()->disable = true;
         }},
        {"LayerUndoUpdate", [](World& w) { Undo::UndoService::Get()->addLayerUpdate(w.scene->layers.at(1).layer); },
         [](World& w) {
             Edit::Layer& layer = *w.scene->layers.at(1).layer;
             layer.name = L"背景";
             layer.hide = true;
             layer.lock = true;
         }},
        {"LayerUndoMove", [](World& w) { Undo::UndoService::Get()->addLayerMove(w.scene->layers.at(1).layer); },
         [](World& w) { w.scene->moveLayer(1, 3); }},
        {"LayerUndoCreate",
         [](World& w) {
             w.layer = std::make_shared<Edit::Layer>();
             w.layer->name = L"新";
             Undo::UndoService::Get()->addLayerCreate(w.layer);
         },
         [](World& w) { w.scene->insertLayer(1, w.layer); }},
        {"LayerUndoDelete",
         [](World& w) {
             // As the layer menu records it: the objects that leave with the layer, then the layer.
             Undo::UndoService::Get()->addObjectCreateDelete(w.b);
             Undo::UndoService::Get()->addLayerCreateDelete(w.scene->layers.at(1).layer);
         },
         [](World& w) { w.scene->deleteLayer(1); }},
        {"ColorSettingUndoUpdate", [](World& w) { Undo::UndoService::Get()->addColorSettingUpdate(w.colors); },
         [](World& w) {
             w.colors->colors[0][0] = 0.5f;
             w.colors->colors[1][3] = 0.25f;
         }},
    };
    return list;
}

class UndoKinds : public EditFixture, public ::testing::WithParamInterface<Kind> {
protected:
    UndoKinds()
    {
        world.scene = &scene();
        world.effects = &effects();
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        world.a = scene().createObject(L"画像ファイル", 0, 0, 9);
        world.b = scene().createObject(L"画像ファイル", 1, 20, 39);
        world.b->addMidPoint(30);
        world.c = scene().createObject(L"カメラ制御", 2, 0, 49);
        world.c->effects.front()->getLayerRange()->value = 2;
        world.d = scene().createObject(L"画像ファイル", 4, 0, 9);
        scene().layers.at(1).layer->name = L"一";
    }

    // The project file and the colour window.
    std::string state()
    {
        std::string text = projectText();
        for (auto& colour : world.colors->colors)
            for (float v : colour)
                text += " " + std::to_string(v);
        return text;
    }

    void transaction(const std::function<void()>& body)
    {
        Edit::UpdateSection update;
        update.openUndoStep();
        update.updateLayerObject = true;
        body();
    }

    World world;
};

} // namespace

TEST_P(UndoKinds, DoUndoRedo)
{
    const Kind& kind = GetParam();
    const std::string before = state();
    transaction([&] {
        kind.record(world);
        kind.change(world);
    });
    const std::string after = state();
    ASSERT_NE(after, before);
    ASSERT_EQ(history().steps.size(), 1u);
    EXPECT_TRUE(undo().modified);

    undo().modified = false;
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(undo().modified) << "an undone step is a change the file does not have";
    ASSERT_TRUE(undo().redo());
    EXPECT_EQ(state(), after);
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(undo().undo());
}

TEST_P(UndoKinds, AnItemThatDidNotChangeIsDropped)
{
    const std::string before = state();
    transaction([&] { GetParam().record(world); });
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(history().steps.empty());
    EXPECT_FALSE(undo().modified);
}

INSTANTIATE_TEST_SUITE_P(Every, UndoKinds, ::testing::ValuesIn(kinds()),
                         [](const ::testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

namespace {

class History : public EditFixture {
protected:
    // One undoable step: the object's end frame.
    void setEnd(const std::shared_ptr<Edit::Object>& object, int end)
    {
        Edit::UpdateSection update;
        update.openUndoStep();
        update.updateLayerObject = true;
        undo().addObjectUpdate(object);
        object->end = end;
    }
};

} // namespace

TEST_F(History, AStepWhoseItemsAllEndEqualKeepsTheRedoStepsAndTheModifiedFlag)
{
    auto object = createRecorded(0, 0, 9);
    setEnd(object, 20);
    ASSERT_TRUE(undo().undo());
    undo().modified = false;
    setEnd(object, 9); // the end it has: nothing changes
    EXPECT_EQ(history().steps.size(), 2u);
    EXPECT_EQ(history().position, 1);
    EXPECT_FALSE(undo().modified);
    EXPECT_TRUE(undo().redo());
    EXPECT_EQ(object->end, 20);
}

TEST_F(History, UndoRestoresInReverseRecordingOrder)
{
    // Created, then moved, in one step: undoing the move first puts the object
    // back on layer 0, and only then is it removed. The other order would
    // leave it placed.
    std::shared_ptr<Edit::Object> object;
    {
        Edit::UpdateSection update;
        update.openUndoStep();
        update.updateLayerObject = true;
        object = scene().createObject(L"画像ファイル", 0, 0, 9);
        undo().addObjectCreate(object);
        undo().addObjectUpdate(object);
        undo().addEffectUpdate(object->effects.front());
        scene().moveObjectLayer(object, 2);
        itemX(*object->effects.front()).setValue(7.0, 0);
    }
    ASSERT_EQ(history().steps.front().size(), 3u);
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(object->layer, -1);
    EXPECT_TRUE(scene().getLayer(0).objects.empty());
    EXPECT_TRUE(scene().getLayer(2).objects.empty());
    EXPECT_EQ(itemX(*object->effects.front()).getIndexValue(0), 0.0);
    ASSERT_TRUE(undo().redo());
    EXPECT_EQ(object->layer, 2);
    EXPECT_EQ(itemX(*object->effects.front()).getIndexValue(0), 7.0);
}

TEST_F(History, UndoMaxLimitsTheSteps)
{
    for (int max : {1, 0}) {
        undo().undoMax = max;
        undo().modified = false;
        auto object = createRecorded(max + 1, 0, 9);
        setEnd(object, 20);
        setEnd(object, 30);
        EXPECT_EQ(history().steps.size(), static_cast<size_t>(max));
        EXPECT_TRUE(undo().modified);
        if (max == 1) {
            ASSERT_TRUE(undo().undo());
            EXPECT_EQ(object->end, 20);
            EXPECT_FALSE(undo().undo());
        } else {
            EXPECT_FALSE(undo().undo());
        }
    }
}

TEST_F(History, ACommitAfterTwoUndosDiscardsThem)
{
    auto object = createRecorded(0, 0, 9);
    setEnd(object, 20);
    setEnd(object, 30);
    ASSERT_TRUE(undo().undo());
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(history().position, 2);
    setEnd(object, 40);
    EXPECT_EQ(history().steps.size(), 2u);
    EXPECT_EQ(history().position, 0);
    EXPECT_FALSE(undo().redo());
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(object->end, 9);
}

TEST_F(History, EachSceneKeepsItsOwnHistory)
{
    auto object = createRecorded(0, 0, 9);
    edit().updateScene(1);
    EXPECT_FALSE(undo().undo());
    auto other = createRecorded(0, 0, 9);
    edit().updateScene(0);
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(object->layer, -1);
    EXPECT_EQ(other->layer, 0);
}

TEST_F(History, TheTextWindowUndoesItsOwnTypingStepByStep)
{
    auto object = scene().createObject(L"画像ファイル", 0, 0, 9);
    auto effect = std::make_shared<TextEffect>();
    object->effects.push_back(effect);
    auto type = [&](const std::wstring& text, bool sizeToo) {
        Edit::UpdateSection update;
        update.openUndoStep();
        update.updateTextSetting = true;
        undo().addEffectUpdate(effect);
        effect->text.text = text;
        if (sizeToo)
            effect->size.setValue(40.0, 0);
    };
    type(L"Hello World", false);
    type(L"Hello big World", false);
    // Only the differing middle is kept.
    const auto* item = dynamic_cast<const Undo::UndoItemTemplate<Effect::EffectBase, Effect::EffectUndoUpdate>*>(
        history().steps.front().front().get());
    ASSERT_NE(item, nullptr);
    const auto& kept = dynamic_cast<const Effect::EffectItemText&>(*item->after.values[1]);
    EXPECT_EQ(kept.text, L"big ");
    EXPECT_EQ(item->after.values[0], nullptr);

    std::vector<std::string> refreshed;
    struct Recorder : Edit::SettingHost {
        std::vector<std::string>& calls;
        explicit Recorder(std::vector<std::string>& calls) : calls(calls) { install(this); }
        ~Recorder() override { install(nullptr); }
        void clearSettingList() override { calls.push_back("list"); }
        void updateTimeSetting() override { calls.push_back("time"); }
        void updateColorSetting() override { calls.push_back("color"); }
        void updateTextSetting() override { calls.push_back("text"); }
    } recorder(refreshed);
    TestKit::LogCapture log;
    ASSERT_TRUE(undo().undoText(&effect->text));
    EXPECT_EQ(effect->text.text, L"Hello World");
    EXPECT_EQ(refreshed, std::vector<std::string>{"text"});
    EXPECT_TRUE(log.contains("INFO|Undo::UndoService::undoText|UndoText: 1"));
    ASSERT_TRUE(undo().redoText(&effect->text));
    EXPECT_EQ(effect->text.text, L"Hello big World");
    EXPECT_TRUE(log.contains("INFO|Undo::UndoService::redoText|Redo: 1"));

    // A step that changed another item too is the Edit menu's to undo.
    type(L"Hi", true);
    EXPECT_FALSE(undo().undoText(&effect->text));
    EXPECT_FALSE(undo().undoText(&effect->size));
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(effect->text.text, L"Hello big World");
    EXPECT_EQ(effect->size.getIndexValue(0), 34.0);
}

TEST_F(History, ColoursThatAreNoNumberCountAsChanged)
{
    auto colors = std::make_shared<Component::ColorSetting>();
    colors->colors[0][1] = std::numeric_limits<float>::quiet_NaN();
    {
        Edit::UpdateSection update;
        update.openUndoStep();
        undo().addColorSettingUpdate(colors);
    }
    EXPECT_EQ(history().steps.size(), 1u);
}
