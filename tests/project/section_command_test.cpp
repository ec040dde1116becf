// Commands that change an object's inside: mid points, lengths, enable and
// lock states, and the movements of number items.
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/movement.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"
#include "platform/ui/surface.h"
#include "ui/window/window_mouse.h"

using namespace EditTest;

namespace {

class SectionCommand : public CommandFixture {
protected:
    ~SectionCommand() override { Platform::Ui::setKeyDown(17, false); }
    Effect::EffectItemNumber& x(const std::shared_ptr<Edit::Object>& object) { return itemX(*object->effects[0]); }
    Effect::EffectItemNumber& y(const std::shared_ptr<Edit::Object>& object)
    {
        return *dynamic_cast<Effect::EffectItemNumber*>(object->effects[0]->items[1]);
    }
    // X of the object's input moves linearly from 0 to 100.
    void moveLinearly(const std::shared_ptr<Edit::Object>& object)
    {
        Effect::EffectItemNumber& item = x(object);
        item.setMovement(effects().findMovement(L"直線移動").movement.get());
        item.resizeValues(2);
        item.setValue(0.0, 0);
        item.setValue(100.0, 1);
    }
};

} // namespace

TEST_F(SectionCommand, AMidPointKeepsTheMotionAndOnAOneFrameObjectChangesNothing)
{
    const auto object = put(0, 0, 10);
    moveLinearly(object);
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::createSection(object, 4);
    EXPECT_TRUE(log.contains(infoLine("createSection", L"create section layer=0 frame=4")));
    EXPECT_EQ(object->midPoints, std::vector<int>{4});
    EXPECT_DOUBLE_EQ(x(object).getIndexValue(1), 40.0);
    EXPECT_DOUBLE_EQ(x(object).getIndexValue(2), 100.0);
    check.check();

    // One frame: the section snapshot is taken and dropped at the commit as unchanged.
    const auto single = put(1, 20, 20);
    const size_t steps = history().steps.size();
    EditCommand::createSection(single, 20);
    EXPECT_TRUE(single->midPoints.empty());
    EXPECT_EQ(history().steps.size(), steps);
    EXPECT_TRUE(log.contains(infoLine("createSection", L"create section layer=1 frame=20")));

    // Over the targets: only those the frame lies strictly inside a section of.
    select({object, single, put(2, 0, 100)});
    UndoCheck targets(*this);
    EditCommand::createSection(6);
    EXPECT_TRUE(log.contains(infoLine("createSection", L"create section frame=6 num=2")));
    EXPECT_EQ(object->midPoints, (std::vector<int>{4, 6}));
    targets.check();
}

TEST_F(SectionCommand, DeleteSectionRemovesOnlyAMidPointExactlyOnTheFrame)
{
    const auto a = put(0, 10, 40);
    const auto b = put(1, 0, 40);
    moveLinearly(a);
    {
        Edit::UpdateSection update;
        a->addMidPoint(20);
        a->addMidPoint(30);
        b->addMidPoint(20);
    }
    select({a, b});
    TestKit::LogCapture log;
    EditCommand::deleteSection(21); // one frame off: nothing
    EditCommand::deleteSection(19);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(a->midPoints, (std::vector<int>{10, 20}));

    UndoCheck check(*this);
    EditCommand::deleteSection(20);
    EXPECT_TRUE(log.contains(infoLine("deleteSection", L"delete section frame=20 num=2")));
    EXPECT_EQ(a->midPoints, std::vector<int>{20});
    EXPECT_TRUE(b->midPoints.empty());
    EXPECT_EQ(x(a).values.size(), 3u);
    check.check();

    UndoCheck one(*this);
    EditCommand::deleteSection(a, 1);
    EXPECT_TRUE(log.contains(infoLine("deleteSection", L"delete section layer=0 frame=10 section=1")));
    EXPECT_TRUE(a->midPoints.empty());
    one.check();
}

TEST_F(SectionCommand, LengthsFromTheDialogBelowTwoGiveOneFrameAndNeverPassTheLastFrame)
{
    const auto object = put(0, 10, 19);
    scene().focusObject = object;
    answerFrames(std::nullopt);
    EditCommand::changeObjectLength();
    EXPECT_EQ(spans(0), "10-19");
    ASSERT_EQ(frameDialogs.size(), 1u);
    EXPECT_EQ(frameDialogs[0].title, L"オブジェクトの長さを変更");
    EXPECT_EQ(frameDialogs[0].frames, 10);

    for (int entered : {0, 1}) {
        answerFrames(entered);
        EditCommand::changeObjectLength();
        EXPECT_EQ(spans(0), "10-10") << entered;
        answerFrames(10);
        EditCommand::changeObjectLength();
    }
    TestKit::LogCapture log;
    answerFrames(25);
    UndoCheck check(*this);
    EditCommand::changeObjectLength();
    EXPECT_TRUE(log.contains(infoLine("changeObjectLength", L"change object length num=1 length=25")));
    EXPECT_EQ(spans(0), "10-34");
    check.check();

    // The dialog's largest count: the end stops at the last frame instead of wrapping.
    answerFrames(Edit::FrameLimit);
    EditCommand::changeObjectLength();
    EXPECT_EQ(spans(0), "10-" + std::to_string(Edit::FrameLimit));
}

TEST_F(SectionCommand, SectionLengthStartsAtTheSectionsLengthAndMovesTheLaterBoundaries)
{
    const auto object = put(0, 0, 30);
    {
        Edit::UpdateSection update;
        object->addMidPoint(10);
        object->addMidPoint(20);
    }
    answerFrames(1);
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::changeSectionLength(object, 1);
    ASSERT_EQ(frameDialogs.size(), 1u);
    EXPECT_EQ(frameDialogs[0].title, L"区間の長さを変更");
    EXPECT_EQ(frameDialogs[0].frames, 10);
    EXPECT_TRUE(log.contains(infoLine("changeSectionLength", L"change section length section=1 length=1")));
    EXPECT_EQ(object->midPoints, (std::vector<int>{10, 11}));
    EXPECT_EQ(object->end, 21);
    check.check();

    EditCommand::changeSectionLength(object, 3); // no such section: no dialog
    EXPECT_EQ(frameDialogs.size(), 1u);
}

TEST_F(SectionCommand, DisablingAFilterObjectDisablesAllItsEffectsAMediaObjectOnlyItsSource)
{
    const auto media = put(0, 0, 9);
    const auto filter = put(1, 0, 9, L"ぼかし");
    {
        Edit::UpdateSection update;
        media->setFilterEffect(effects().findEffect(L"ぼかし"));
        filter->setFilterEffect(effects().findEffect(L"ぼかし"));
    }
    select({media, filter});
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::setEnableObject(false);
    EXPECT_TRUE(log.contains(infoLine("setEnableObject", L"set enable effect num=2 enable=0")));
    auto disabled = [](const std::shared_ptr<Edit::Object>& object) {
        std::string flags;
        for (const auto& effect : object->effects)
            flags += effect->disable ? "1" : "0";
        return flags;
    };
    EXPECT_EQ(disabled(media), "100");
    EXPECT_EQ(disabled(filter), "11");
    check.check();

    UndoCheck lock(*this);
    EditCommand::setLockObject(true);
    EXPECT_TRUE(log.contains(infoLine("setLockObject", L"set lock effect num=2 lock=1")));
    for (const auto& effect : media->effects)
        EXPECT_TRUE(effect->lock);
    lock.check();
}

TEST_F(SectionCommand, AClickedObjectActsAloneUnlessCtrlIsHeldAndItIsATarget)
{
    const auto a = put(0, 0, 9);
    const auto b = put(1, 0, 9);
    const auto other = put(2, 0, 9);
    select({a, b});
    auto enabled = [&] {
        std::string text;
        for (const auto& o : {a, b, other})
            text += o->effects[0]->disable ? "0" : "1";
        return text;
    };
    TestKit::LogCapture log;
    EditCommand::setEnableClickedObject(a, false);
    EXPECT_EQ(enabled(), "011");
    EXPECT_TRUE(log.contains(infoLine("setEnableObject", L"set enable effect num=1 enable=0")));

    Platform::Ui::setKeyDown(Window::WindowMouseService::WatchControlKey, true);
    EditCommand::setEnableClickedObject(other, false); // not a target: alone
    EXPECT_EQ(enabled(), "010");
    EditCommand::setEnableClickedObject(b, false);
    EXPECT_EQ(enabled(), "000");
    EditCommand::setLockClickedObject(a, true);
    EXPECT_TRUE(log.contains(infoLine("setLockObject", L"set lock effect num=2 lock=1")));
    EXPECT_TRUE(b->effects[1]->lock);
    EXPECT_FALSE(other->effects[0]->lock);
}

TEST_F(SectionCommand, SetMovementActsOnTheLinkedItemsAndTheSameMovementChangesNothing)
{
    System::ServiceStack windows;
    Component::SettingWindows& settings = *windows.acquire<Component::SettingWindows>();
    const auto object = put(0, 0, 30);
    {
        Edit::UpdateSection update;
        object->addMidPoint(10);
    }
    Effect::EffectItemNumber::Group linked;
    Effect::EffectItemNumber::makeGroup(linked, {&x(object), &y(object)});

    TestKit::LogCapture log;
    EditCommand::setMovement(object, &x(object), L"移動無し");
    EXPECT_TRUE(log.contains(infoLine("setMovement", L"set move type [移動無し] layer=0 frame=0")));
    EXPECT_TRUE(history().steps.empty());
    EXPECT_NE(TestKit::errorText([&] { EditCommand::setMovement(object, &x(object), L"無い"); })
                  .find("not found movement."),
              std::string::npos);
    EXPECT_TRUE(history().steps.empty());

    UndoCheck check(*this);
    EditCommand::setMovement(object, &x(object), L"直線移動");
    for (auto* item : {&x(object), &y(object)}) {
        EXPECT_STREQ(item->movement->name, L"直線移動");
        EXPECT_EQ(item->values.size(), 3u);
    }
    EXPECT_FALSE(settings.time.control.item); // the window is hidden: it takes no target
    check.check();

    // A movement the time window edits becomes its target while the window is shown.
    settings.time.shown = true;
    EditCommand::setMovement(object, &y(object), L"直線移動(時間制御)");
    EXPECT_EQ(settings.time.control.item, &y(object));
    EXPECT_EQ(settings.time.control.object, object);
}

TEST_F(SectionCommand, ToggleFlagChangesOnlyTheLinkedItemsThatAgreeWithTheItem)
{
    const auto object = put(0, 0, 30);
    Effect::EffectItemNumber::Group linked;
    Effect::EffectItemNumber::makeGroup(linked, {&x(object), &y(object)});
    // Flags are written with the values of a moving item.
    for (auto* item : {&x(object), &y(object)})
        item->setMovement(effects().findMovement(L"直線移動").movement.get());
    constexpr int Bit = Effect::EffectItemNumber::FlagAccelerate;
    x(object).flags = Bit;
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::toggleMovementFlag(object, &x(object), Bit);
    EXPECT_TRUE(log.contains(infoLine("toggleMovementFlag", L"toggle move flag [1] layer=0 frame=0")));
    EXPECT_EQ(x(object).flags & Bit, 0);
    EXPECT_EQ(y(object).flags & Bit, 0);
    check.check();

    EditCommand::toggleMovementFlag(object, &y(object), Bit); // now they agree: both set
    EXPECT_EQ(x(object).flags & Bit, Bit);
    EXPECT_EQ(y(object).flags & Bit, Bit);
}

TEST_F(SectionCommand, MovementSettingsAskForTheFirstParameterAndReachTheLinkedItems)
{
    const auto object = put(0, 0, 30);
    Effect::EffectItemNumber::Group linked;
    Effect::EffectItemNumber::makeGroup(linked, {&x(object), &y(object)});
    EditCommand::setMovement(object, &x(object), L"ランダム移動");
    std::wstring title, label;
    double shown = 0.0;
    Dialog::InputNumberDialog::setAnswerer([&](Dialog::InputNumberDialog& dialog) {
        title = dialog.title;
        label = dialog.label;
        shown = dialog.value;
        dialog.value = 4.0;
        return true;
    });
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::showMovementSettings(object, &x(object));
    EXPECT_EQ(title, L"ランダム移動");
    EXPECT_EQ(label, L"設定値");
    EXPECT_DOUBLE_EQ(shown, 15.0);
    EXPECT_TRUE(log.contains(infoLine("setMovementSettings", L"set movement settings layer=0 frame=0")));
    EXPECT_EQ(x(object).params, std::vector<double>{4.0});
    EXPECT_EQ(y(object).params, std::vector<double>{4.0});
    check.check();

    Dialog::InputNumberDialog::setAnswerer(nullptr);
    EditCommand::showMovementSettings(object, &x(object)); // Cancel
    EXPECT_EQ(x(object).params, std::vector<double>{4.0});
}

TEST_F(SectionCommand, SetEffectByNameTakesTheDefaultsAndStandsBehindTheGivenEffect)
{
    const auto object = put(0, 0, 30);
    {
        Edit::UpdateSection update;
        object->addMidPoint(10);
        object->setFilterEffect(effects().findEffect(L"ぼかし"));
        Effect::EffectItemNumber& saved = itemX(*define(L"両用フィルタ").getEffect());
        saved.setMovement(effects().findMovement(L"直線移動").movement.get());
        saved.resizeValues(2);
        saved.setValue(7.5, 0);
        object->setEffectByName(L"両用フィルタ", *object, object->effects[1].get());
    }
    ASSERT_EQ(object->effects.size(), 4u);
    EXPECT_STREQ(object->effects[2]->name, L"両用フィルタ");
    EXPECT_DOUBLE_EQ(itemX(*object->effects[2]).getIndexValue(0), 7.5);
    EXPECT_EQ(itemX(*object->effects[2]).values.size(), 3u);
    EXPECT_NE(TestKit::errorText([&] { object->setEffectByName(L"無い", *object, nullptr); }).find("not found effect."),
              std::string::npos);
}
