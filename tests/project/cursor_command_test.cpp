// Commands that move the cursor, and the preview's mid-point enable tests.
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"

using namespace EditTest;

namespace {

class CursorCommand : public CommandFixture {
protected:
    CursorCommand()
    {
        events().cursorFrameChanged.push_back([this](int frame) { moves.push_back(frame); });
        object = put(0, 10, 40);
        put(1, 0, 100); // the scene reaches frame 100
        Edit::UpdateSection update;
        object->addMidPoint(20);
        object->addMidPoint(30);
    }
    // Where each press of the command takes the cursor, starting from a frame.
    std::vector<int> walk(int from, void (*command)(), int presses)
    {
        scene().cursorFrame = from;
        std::vector<int> frames;
        for (int i = 0; i < presses; ++i) {
            command();
            frames.push_back(scene().cursorFrame);
        }
        return frames;
    }

    std::shared_ptr<Edit::Object> object;
    std::vector<int> moves;
};

} // namespace

TEST_F(CursorCommand, SectionWalksStopAtTheObjectsEnds)
{
    // Without a focus object nothing moves.
    EXPECT_EQ(walk(25, EditCommand::moveToNextSection, 1), std::vector<int>{25});
    EXPECT_EQ(walk(25, EditCommand::moveToPrevSection, 1), std::vector<int>{25});
    EXPECT_TRUE(moves.empty());

    scene().focusObject = object;
    EXPECT_EQ(walk(0, EditCommand::moveToNextSection, 5), (std::vector<int>{10, 20, 30, 40, 40}));
    EXPECT_EQ(walk(35, EditCommand::moveToNextSection, 1), std::vector<int>{40}); // after the last mid point
    EXPECT_EQ(walk(90, EditCommand::moveToPrevSection, 5), (std::vector<int>{40, 30, 20, 10, 10}));
    EXPECT_EQ(walk(25, EditCommand::moveToPrevSection, 2), (std::vector<int>{20, 10})); // on a mid point: the one before
    EXPECT_EQ(walk(5, EditCommand::moveToPrevSection, 1), std::vector<int>{5});
    // A press that stays puts out no move.
    moves.clear();
    walk(40, EditCommand::moveToNextSection, 1);
    walk(10, EditCommand::moveToPrevSection, 1);
    EXPECT_TRUE(moves.empty());
}

TEST_F(CursorCommand, MoveToTimeTakesFramesOrSecondsAndKeepsToTheScene)
{
    scene().cursorFrame = 7;
    answerFrames(std::nullopt);
    EditCommand::moveToTime();
    ASSERT_EQ(frameDialogs.size(), 1u);
    EXPECT_EQ(frameDialogs[0].title, L"指定時間に移動");
    EXPECT_EQ(frameDialogs[0].frames, 7);
    EXPECT_EQ(scene().cursorFrame, 7);

    answerFrames(55);
    EditCommand::moveToTime();
    EXPECT_EQ(scene().cursorFrame, 55);
    answerFrames(5000); // beyond the scene's last frame
    EditCommand::moveToTime();
    EXPECT_EQ(scene().cursorFrame, 100);

    // 2.5 seconds at 30 frames per second.
    Dialog::FrameLengthDialog::setAnswerer([](Dialog::FrameLengthDialog& dialog) {
        dialog.seconds = 2.5;
        dialog.secondsTyped = true;
        return true;
    });
    EditCommand::moveToTime();
    EXPECT_EQ(scene().cursorFrame, 75);
    EXPECT_EQ(moves, (std::vector<int>{55, 100, 75}));
}

TEST_F(CursorCommand, MidPointItemsAreEnabledInsideASectionOrOnItsStart)
{
    EXPECT_FALSE(EditCommand::canAddSection(15)); // no target
    scene().focusObject = object;
    struct Case {
        int frame;
        bool add, remove;
    };
    for (const Case& c : {Case{10, false, true}, Case{11, true, false}, Case{20, false, true}, Case{39, true, false},
                          Case{40, false, false}, Case{50, false, false}}) {
        EXPECT_EQ(EditCommand::canAddSection(c.frame), c.add) << c.frame;
        EXPECT_EQ(EditCommand::canDeleteSection(c.frame), c.remove) << c.frame;
    }
}
