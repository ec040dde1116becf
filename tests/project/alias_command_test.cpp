// Aliases: saved from the timeline, the settings window and an effect panel,
// placed on the timeline and added to an object.
#include "core/file_name.h"
#include "effect/effect_service.h"
#include "project/edit/edit_command.h"
#include "project/files/alias_file.h"
#include "tests/project/command_fixture.h"
#include "ui/menus/dialogs/alias_dialog.h"

#include <filesystem>

namespace {

using EditTest::CommandFixture;
namespace EditCommand = Edit::EditCommand;
namespace fs = std::filesystem;

// The sections the test effects write: their two number items (and a file item for inputs).
const std::string ImageEffect = "effect.name=画像ファイル\r\nX=0.0\r\nY=0\r\nファイル=\r\n";
const std::string StandardEffect = "effect.name=標準描画\r\nX=0.0\r\nY=0\r\n";

class AliasTest : public CommandFixture {
protected:
    AliasTest()
    {
        folder = System::wideToUtf8(System::FileName::expand(L"%Alias%"));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~AliasTest() override { Dialog::AliasDialog::setAnswerer(nullptr); }

    // Answers the alias dialog with OK and the name and label; keeps what each showing held.
    void answerAlias(const std::wstring& name, const std::wstring& label)
    {
        Dialog::AliasDialog::setAnswerer([this, name, label](Dialog::AliasDialog& dialog) {
            shown.push_back({dialog.caption(), dialog.name, dialog.label, dialog.labels});
            dialog.name = name;
            dialog.label = label;
            return true;
        });
    }
    std::string file(const std::string& name) { return folder + "/" + name; }
    std::wstring widePath(const std::string& name) { return System::utf8ToWide(file(name)); }
    const Effect::AliasDefine* alias(const std::wstring& name, uint8_t kind)
    {
        for (const auto& entry : effects().aliases) {
            if (entry->name == name && entry->kind == kind)
                return entry.get();
        }
        return nullptr;
    }
    std::vector<std::wstring> chainOf(const Edit::Object& object)
    {
        std::vector<std::wstring> names;
        for (const auto& effect : object.effects)
            names.push_back(effect->name);
        return names;
    }
    // Runs the main thread's queue a moment so that posted errors become boxes.
    void settle()
    {
        Platform::Ui::processMessagesUntil([] { return false; }, 50);
    }

    std::string folder;
    // What a showing of the dialog held (the dialog itself is a window and is not copied).
    struct Shown {
        std::wstring caption, name, label;
        std::vector<std::wstring> labels;
    };
    std::vector<Shown> shown;
};

// ---- saving ----

TEST_F(AliasTest, TheTimelineSavesOneObjectWithItsFramesAndFlags)
{
    auto object = put(2, 10, 39);
    {
        Edit::UpdateSection update;
        object->addMidPoint(20);
        object->camera = false;
        object->clipping = true;
    }
    scene().focusObject = object;
    answerAlias(L"一つ", L"保存した物");
    EditCommand::saveObjectAlias();

    EXPECT_EQ(TestKit::readFile(file("一つ.object")),
              std::string("[Object]\r\nframe=10,20,39\r\ncamera=0\r\nclipping=1\r\n")
              + "[Object.0]\r\n" + ImageEffect + "[Object.1]\r\n" + StandardEffect);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"エイリアスを作成 - オブジェクト");
    EXPECT_TRUE(shown[0].name.empty());
    EXPECT_EQ(shown[0].labels, std::vector<std::wstring>{L"テスト"});
    // The rescan lists it under the chosen label.
    const Effect::AliasDefine* entry = alias(L"一つ", Effect::EffectType::ObjectAlias);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->label, L"保存した物");
}

TEST_F(AliasTest, TheTimelineSavesSeveralObjectsWithTheirLayers)
{
    auto a = put(1, 0, 9);
    auto b = put(3, 5, 7, L"ぼかし");
    select({a, b});
    answerAlias(L"二つ", L"");
    EditCommand::saveObjectAlias();
    EXPECT_EQ(TestKit::readFile(file("二つ.object")),
              "[0]\r\nlayer=1\r\nframe=0,9\r\n[0.0]\r\n" + ImageEffect + "[0.1]\r\n" + StandardEffect +
                  "[1]\r\nlayer=3\r\nframe=5,7\r\n[1.0]\r\neffect.name=ぼかし\r\nX=0.0\r\nY=0\r\n");

    // Without targets nothing is asked.
    scene().selection.clear();
    scene().focusObject = nullptr;
    shown.clear();
    EditCommand::saveObjectAlias();
    EXPECT_TRUE(shown.empty());
}

TEST_F(AliasTest, TheSettingsWindowAndAnEffectPanelSaveWithoutFrames)
{
    auto object = put(0, 100, 200);
    answerAlias(L"全体", L"");
    object->saveObjectAliasFile();
    EXPECT_EQ(TestKit::readFile(file("全体.object")),
              "[Object]\r\n[Object.0]\r\n" + ImageEffect + "[Object.1]\r\n" + StandardEffect);
    EXPECT_EQ(shown.back().caption, L"エイリアスを作成 - 全体");

    answerAlias(L"効果", L"効果の棚");
    EditCommand::saveEffectAliasFile(object->effects[0]);
    EXPECT_EQ(TestKit::readFile(file("効果.effect")), "[Effect.0]\r\n" + ImageEffect);
    EXPECT_EQ(shown.back().caption, L"エイリアスを作成 - 画像ファイル");
    ASSERT_NE(alias(L"効果", Effect::EffectType::EffectAlias), nullptr);
    EXPECT_EQ(alias(L"効果", Effect::EffectType::EffectAlias)->label, L"効果の棚");
    EXPECT_NE(alias(L"全体", Effect::EffectType::ObjectAlias), nullptr);
}

TEST_F(AliasTest, AnExistingNameIsAskedAboutAndCancelBringsTheDialogBack)
{
    auto object = put(0, 0, 9);
    scene().focusObject = object;
    TestKit::writeFile(file("同じ.object"), "old");

    // Cancel on the question: the dialog comes back filled in; Cancel there ends it.
    answerBoxes(false);
    int calls = 0;
    Dialog::AliasDialog::setAnswerer([&](Dialog::AliasDialog& dialog) {
        shown.push_back({dialog.caption(), dialog.name, dialog.label, dialog.labels});
        dialog.name = L"同じ";
        dialog.label = L"札";
        return ++calls == 1;
    });
    EditCommand::saveObjectAlias();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].name, L"同じ");
    EXPECT_EQ(shown[1].label, L"札");
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"同名のエイリアスが存在しています\n上書きしますか？"});
    EXPECT_EQ(TestKit::readFile(file("同じ.object")), "old");

    // OK overwrites.
    boxes.clear();
    answerBoxes(true);
    answerAlias(L"同じ", L"札");
    EditCommand::saveObjectAlias();
    EXPECT_EQ(TestKit::readFile(file("同じ.object")).rfind("[Object]\r\nframe=0,9\r\n", 0), 0u);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(AliasTest, AFailedWriteSaysSoAndLeavesTheOldFile)
{
    auto object = put(0, 0, 9, L"壊れ");
    scene().focusObject = object;
    TestKit::writeFile(file("古い.object"), "old");
    answerBoxes(true);
    answerAlias(L"古い", L"");
    ProjectTest::breakWriting = true;
    EditCommand::saveObjectAlias();
    ProjectTest::breakWriting = false;
    EXPECT_EQ(TestKit::readFile(file("古い.object")), "old");
    EXPECT_EQ(boxes, (std::vector<std::wstring>{L"同名のエイリアスが存在しています\n上書きしますか？",
                                                L"エイリアスの保存に失敗しました"}));
    // A new name leaves no file behind at all.
    answerAlias(L"新しい", L"");
    ProjectTest::breakWriting = true;
    EditCommand::saveObjectAlias();
    ProjectTest::breakWriting = false;
    EXPECT_EQ(TestKit::listFolder(folder), std::vector<std::string>{"古い.object"});
    EXPECT_EQ(alias(L"新しい", Effect::EffectType::ObjectAlias), nullptr);
}

TEST_F(AliasTest, TheDialogTakesOnlyNamesThatAreFileNamesOfTheFolder)
{
    for (const wchar_t* name : {L"", L"a/b", L"a\\b", L"..", L"x..y"})
        EXPECT_FALSE(Edit::AliasFile::isValidName(name)) << System::wideToUtf8(name);
    for (const wchar_t* name : {L"a", L"名前.v1", L".hidden", L"a b"})
        EXPECT_TRUE(Edit::AliasFile::isValidName(name)) << System::wideToUtf8(name);

    // A refused name keeps the dialog open: the person types again.
    auto object = put(0, 0, 9);
    scene().focusObject = object;
    std::vector<std::wstring> names{L"../escape", L"sub/dir", L"よい"};
    size_t next = 0;
    std::vector<std::wstring> errors;
    Dialog::AliasDialog::setAnswerer([&](Dialog::AliasDialog& dialog) {
        errors.push_back(dialog.error);
        dialog.name = names[next++];
        return true;
    });
    EditCommand::saveObjectAlias();
    EXPECT_EQ(next, 3u);
    EXPECT_TRUE(errors[0].empty());
    EXPECT_FALSE(errors[1].empty());
    EXPECT_EQ(TestKit::listFolder(folder), std::vector<std::string>{"よい.object"});
    EXPECT_FALSE(fs::exists(TestKit::tempDir() + "/escape.object"));
}

// ---- placing ----

TEST_F(AliasTest, ASettingsWindowAliasGetsTheDefaultLengthAndNoMidPoints)
{
    TestKit::writeFile(file("a.object"), "[Object]\r\n[Object.0]\r\n" + ImageEffect);
    scene().displayZoom = Edit::FrameZoom(10000);
    UndoCheck check(*this);
    EditCommand::loadObjectAlias(widePath("a.object").c_str(), 1, 100);
    EXPECT_EQ(spans(1), "100-180");
    ASSERT_TRUE(scene().focusObject);
    EXPECT_TRUE(scene().focusObject->midPoints.empty());
    EXPECT_EQ(chainOf(*scene().focusObject), (std::vector<std::wstring>{L"画像ファイル", L"標準描画"}));
    // Undo removes the placed alias, redo places it again.
    check.check();
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(spans(1), "");

    scene().displayZoom = Edit::FrameZoom(1000);
    EditCommand::loadObjectAlias(widePath("a.object").c_str(), 2, 0);
    EXPECT_EQ(spans(2), "0-800");
}

TEST_F(AliasTest, ATimelineAliasKeepsItsLengthAndMidPointsRelativeToTheDrop)
{
    TestKit::writeFile(file("t.object"), "[Object]\r\nframe=10,20,39\r\ncamera=0\r\nclipping=1\r\n[Object.0]\r\n" +
                                             ImageEffect + "[Object.1]\r\n" + StandardEffect);
    TestKit::LogCapture log;
    EditCommand::loadObjectAlias(widePath("t.object").c_str(), 0, 100);
    EXPECT_TRUE(log.contains("INFO|Edit::EditCommand::loadObjectAlias|load object [" + file("t.object") +
                             "] layer=0 frame=100"));
    EXPECT_EQ(spans(0), "100-129");
    const auto& object = scene().focusObject;
    ASSERT_TRUE(object);
    EXPECT_EQ(object->midPoints, std::vector<int>{10});
    EXPECT_FALSE(object->camera);
    EXPECT_TRUE(object->clipping);

    // A one-frame object comes back two frames long.
    TestKit::writeFile(file("one.object"), "[Object]\r\nframe=7,7\r\n[Object.0]\r\n" + ImageEffect);
    EditCommand::loadObjectAlias(widePath("one.object").c_str(), 3, 50);
    EXPECT_EQ(spans(3), "50-51");
}

TEST_F(AliasTest, PlacementGoesBehindACoveringObjectAndStopsBeforeTheNext)
{
    TestKit::writeFile(file("len.object"), "[Object]\r\nframe=0,29\r\n[Object.0]\r\n" + ImageEffect);
    put(1, 90, 119);
    EditCommand::loadObjectAlias(widePath("len.object").c_str(), 1, 100);
    EXPECT_EQ(spans(1), "90-119 120-149");

    put(2, 110, 130);
    EditCommand::loadObjectAlias(widePath("len.object").c_str(), 2, 100);
    EXPECT_EQ(spans(2), "100-109 110-130");

    // Nothing is left behind an object that reaches the last frame.
    put(4, 100, Edit::FrameLimit);
    answerBoxes(true);
    const size_t steps = history().steps.size();
    EditCommand::loadObjectAlias(widePath("len.object").c_str(), 4, 150);
    EXPECT_EQ(spans(4), "100-" + std::to_string(Edit::FrameLimit));
    EXPECT_EQ(history().steps.size(), steps);
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"エイリアスの読み込みに失敗しました"});
}

TEST_F(AliasTest, AMultiObjectAliasKeepsItsRelativeLayersAndTimes)
{
    const std::string text = "[0]\r\nlayer=5\r\nframe=50,60\r\n[0.0]\r\n" + ImageEffect +
                             "[1]\r\nlayer=7\r\nframe=70,80,90\r\n[1.0]\r\n" + ImageEffect;
    TestKit::writeFile(file("multi.object"), text);
    UndoCheck check(*this);
    EditCommand::loadObjectAlias(widePath("multi.object").c_str(), 3, 100);
    EXPECT_EQ(spans(3), "100-110");
    EXPECT_EQ(spans(5), "120-140");
    ASSERT_EQ(scene().getLayer(5).objects.size(), 1u);
    EXPECT_EQ(scene().getLayer(5).objects[0]->midPoints, std::vector<int>{10});
    check.check();

    // An overlap moves the whole list later.
    put(10, 100, 105);
    EditCommand::loadObjectAlias(widePath("multi.object").c_str(), 10, 100);
    EXPECT_EQ(spans(10), "100-105 106-116");
    EXPECT_EQ(spans(12), "126-146");
}

TEST_F(AliasTest, AFailingMultiObjectAliasPlacesNothing)
{
    struct Case {
        const char* name;
        std::string second;
    };
    const Case cases[] = {
        {"frames", "[1]\r\nlayer=2\r\nframe=9,3\r\n[1.0]\r\n" + ImageEffect},
        {"count", "[1]\r\nlayer=2\r\nframe=9\r\n[1.0]\r\n" + ImageEffect},
        {"layer", "[1]\r\nlayer=-1\r\nframe=1,3\r\n[1.0]\r\n" + ImageEffect},
        {"nolayer", "[1]\r\nframe=1,3\r\n[1.0]\r\n" + ImageEffect},
        {"effect", "[1]\r\nlayer=2\r\nframe=1,3\r\n[1.0]\r\neffect.name=無い\r\n"},
        {"mid", "[1]\r\nlayer=2\r\nframe=1,1,3\r\n[1.0]\r\n" + ImageEffect},
    };
    answerBoxes(true);
    for (const Case& c : cases) {
        boxes.clear();
        TestKit::writeFile(file("bad.object"), "[0]\r\nlayer=0\r\nframe=0,9\r\n[0.0]\r\n" + ImageEffect + c.second);
        EditCommand::loadObjectAlias(widePath("bad.object").c_str(), 0, 0);
        for (int layer = 0; layer < 5; ++layer)
            EXPECT_EQ(spans(layer), "") << c.name;
        ASSERT_TRUE(waitForBox()) << c.name;
        EXPECT_EQ(boxes, std::vector<std::wstring>{L"エイリアスの読み込みに失敗しました"}) << c.name;
    }
    // A negative drop layer, and a file that is not there.
    for (int layer : {-1, Edit::LayerLimit}) {
        boxes.clear();
        TestKit::writeFile(file("ok.object"), "[Object]\r\n[Object.0]\r\n" + ImageEffect);
        EditCommand::loadObjectAlias(widePath("ok.object").c_str(), layer, 0);
        ASSERT_TRUE(waitForBox());
    }
    boxes.clear();
    EditCommand::loadObjectAlias(widePath("missing.object").c_str(), 0, 0);
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(spans(0), "");
}

TEST_F(AliasTest, AnEffectFileDroppedOnTheTimelineBecomesAnObject)
{
    TestKit::writeFile(file("fig.effect"), "[Effect.0]\r\neffect.name=図形\r\nX=5.0\r\nY=0\r\nファイル=\r\n"
                                           "[Effect.1]\r\neffect.name=ぼかし\r\nX=1.5\r\nY=0\r\n");
    EditCommand::loadObjectAlias(widePath("fig.effect").c_str(), 0, 10);
    EXPECT_EQ(spans(0), "10-90");
    ASSERT_TRUE(scene().focusObject);
    EXPECT_EQ(chainOf(*scene().focusObject), (std::vector<std::wstring>{L"図形", L"標準描画", L"ぼかし"}));
    EXPECT_EQ(itemX(*scene().focusObject->effects[0]).toString(), "5.0");

    // An output first is refused by the chain rules: nothing stays.
    TestKit::writeFile(file("out.effect"), "[Effect.0]\r\neffect.name=標準描画\r\n");
    answerBoxes(true);
    EditCommand::loadObjectAlias(widePath("out.effect").c_str(), 1, 10);
    EXPECT_EQ(spans(1), "");
    ASSERT_TRUE(waitForBox());
}

TEST_F(AliasTest, EffectsLoadedBehindAnEffectKeepTheirFileOrder)
{
    TestKit::writeFile(file("two.effect"), "[Effect.0]\r\neffect.name=壊れ\r\n[Effect.1]\r\neffect.name=ぼかし\r\nX=2.0\r\n");
    auto object = put(0, 0, 29);
    {
        Edit::UpdateSection update;
        object->setEffectByName(L"ぼかし", *object, nullptr);
        object->setEffectByName(L"両用フィルタ", *object, nullptr);
    }
    scene().focusObject = object;
    const auto first = object->effects[2];
    UndoCheck check(*this);
    TestKit::LogCapture log;
    EditCommand::loadEffectAlias(widePath("two.effect").c_str(), first.get(), false);
    EXPECT_TRUE(log.contains("INFO|Edit::EditCommand::loadEffectAlias|load effect [" + file("two.effect") +
                             "] layer=0 frame=0"));
    EXPECT_EQ(chainOf(*object), (std::vector<std::wstring>{L"画像ファイル", L"標準描画", L"ぼかし", L"壊れ", L"ぼかし",
                                                           L"両用フィルタ"}));
    EXPECT_EQ(object->effects[2], first);
    EXPECT_EQ(itemX(*object->effects[4]).toString(), "2.0");
    check.check();

    // Without `after` each goes where it belongs (the end of the filters); with replace `after` goes.
    EditCommand::loadEffectAlias(widePath("two.effect").c_str(), nullptr, false);
    EXPECT_EQ(chainOf(*object).size(), 8u);
    EXPECT_EQ(chainOf(*object)[6], L"壊れ");
    EditCommand::loadEffectAlias(widePath("two.effect").c_str(), first.get(), true);
    EXPECT_EQ(chainOf(*object), (std::vector<std::wstring>{L"画像ファイル", L"標準描画", L"壊れ", L"ぼかし", L"壊れ",
                                                           L"ぼかし", L"両用フィルタ", L"壊れ", L"ぼかし"}));

    // A failure part way leaves the chain as it was.
    TestKit::writeFile(file("half.effect"), "[Effect.0]\r\neffect.name=ぼかし\r\n[Effect.1]\r\neffect.name=無い\r\n");
    const auto before = chainOf(*object);
    answerBoxes(true);
    EditCommand::loadEffectAlias(widePath("half.effect").c_str(), nullptr, false);
    EXPECT_EQ(chainOf(*object), before);
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"エイリアスの読み込みに失敗しました"});
}

} // namespace
