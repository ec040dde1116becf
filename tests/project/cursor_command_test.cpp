// Commands that move the cursor, the preview's mid-point enable tests, and
// scenes made from dropped files.
#include "core/file_name.h"
#include "effect/media_object.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "media/image_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"

using namespace EditTest;
using ProjectTest::sourceEvents;

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

namespace {

// Answers by the file name: "movie…" 640 x 360 video at 30000/1001 with sound
// at 48000 Hz, "sound…" sound only at 22050 Hz, "still…" one frame of
// 100 x 50, "none…" declines.
class ClipReader : public Plugin::InputPlugin {
public:
    ClipReader()
    {
        name = L"Clip";
        fileFilter = std::wstring(L"ClipFile (*.clp)\0*.clp\0", 24);
        capability = CapabilityVideo | CapabilityAudio;
    }
    std::shared_ptr<Plugin::InputFile> openFile(const std::wstring& path, int) override
    {
        const std::wstring base = System::FileName::getBaseName(path);
        auto file = std::make_shared<Plugin::InputFile>();
        if (base.starts_with(L"movie")) {
            file->flags = Plugin::InputFile::FlagVideo | Plugin::InputFile::FlagAudio;
            file->frameCount = 300;
            file->width = 640;
            file->height = 360;
            file->rate = 30000;
            file->scale = 1001;
            file->sampleRate = 48000;
        } else if (base.starts_with(L"sound")) {
            file->flags = Plugin::InputFile::FlagAudio;
            file->sampleRate = 22050;
        } else if (base.starts_with(L"still")) {
            file->flags = Plugin::InputFile::FlagVideo;
            file->frameCount = 1;
            file->width = 100;
            file->height = 50;
            file->rate = 1;
            file->scale = 1;
        } else {
            return nullptr;
        }
        return file;
    }
};

class SceneFromFile : public CommandFixture {
protected:
    SceneFromFile()
    {
        services_.acquire<Media::ImageService>();
        services_.acquire<Plugin::InputService>()->registerPlugin<ClipReader>();
        Plugin::InputService::Get()->updateExtTypeList();
        scene().audioRate = 32000;
        answerBoxes(true);
        Dialog::SceneDialog::setAnswerer([this](Dialog::SceneDialog& dialog) {
            asked.push_back(dialog.values);
            return acceptScene;
        });
    }
    ~SceneFromFile() override { services_.releaseAll(); }

    std::wstring file(const char* name, const char* content = "")
    {
        const std::string path = TestKit::tempDir() + "/" + name;
        TestKit::writeFile(path, content);
        return System::utf8ToWide(path);
    }
    struct Made {
        std::wstring name;
        int width, height, rate, scale, audioRate;
        bool operator==(const Made&) const = default;
        friend void PrintTo(const Made& m, std::ostream* out)
        {
            *out << System::wideToUtf8(m.name) << " " << m.width << "x" << m.height << " at " << m.rate << "/"
                 << m.scale << ", " << m.audioRate << " Hz";
        }
    };
    static Made made(const Edit::Scene& s)
    {
        return {s.name, s.width, s.height, s.videoRate, s.videoScale, s.audioRate};
    }

    std::vector<Edit::SceneSettings> asked;
    bool acceptScene = true;

private:
    System::ServiceStack services_;
};

constexpr const char* Svg =
    "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><rect width='10' height='10'/></svg>";

} // namespace

TEST_F(SceneFromFile, TheSourceOfADroppedFileFollowsWhatItHolds)
{
    struct Case {
        const char* name;
        const char* content;
        const wchar_t* source; // null: no source takes it
    };
    for (const Case& c : {Case{"NOTE.TXT", "", L"テキスト"}, Case{"figure.svg", Svg, L"図形"},
                          Case{"broken.svg", "<svg", nullptr}, Case{"movie.clp", "", L"動画ファイル"},
                          Case{"still.clp", "", L"画像ファイル"}, Case{"sound.clp", "", L"音声ファイル"},
                          Case{"none.clp", "", nullptr}, Case{"movie.xyz", "", nullptr}}) {
        const wchar_t* source = Effect::getMediaObjectName(file(c.name, c.content).c_str());
        EXPECT_EQ(source ? std::wstring(source) : L"(none)", c.source ? std::wstring(c.source) : L"(none)") << c.name;
    }
    EXPECT_TRUE(Effect::isMediaObjectFile(L"/x/a.Svg"));
    EXPECT_TRUE(Effect::isMediaObjectFile(L"/x/a.CLP"));
    EXPECT_FALSE(Effect::isMediaObjectFile(L"/x.clp/a"));
}

TEST_F(SceneFromFile, AFileGivesASceneOfItsSizeAndRatesWithItsObjectAtTheStart)
{
    struct Case {
        const char* name;
        const char* content;
        Made scene;
        const wchar_t* source;
    };
    const Case cases[] = {
        {"clip.svg", Svg, {L"clip", 256, 256, 1, 1, 32000}, L"図形"},
        {"movie.take2.clp", "", {L"movie.take2", 640, 360, 30000, 1001, 48000}, L"動画ファイル"},
        {"sound.clp", "", {L"sound", 32, 32, 1, 1, 22050}, L"音声ファイル"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sourceEvents.clear();
        const std::wstring path = file(c.name, c.content);
        const int scenes = static_cast<int>(edit().project.scenes.size());
        TestKit::LogCapture log;
        ASSERT_TRUE(EditCommand::createSceneFromFile(path.c_str()));

        ASSERT_EQ(edit().project.scenes.size(), static_cast<size_t>(scenes + 1));
        // The dialog is offered the file's settings, and the new scene is the current one.
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.back().name, c.scene.name);
        EXPECT_EQ(made(scene()), c.scene);
        ASSERT_EQ(scene().getLayer(0).objects.size(), 1u);
        const auto& object = scene().getLayer(0).objects.front();
        EXPECT_EQ(object->start, 0);
        EXPECT_EQ(object->effects.front()->name, std::wstring(c.source));
        EXPECT_EQ(scene().focusObject, object);
        EXPECT_TRUE(log.contains(infoLine("createObject", L"create object [" + std::wstring(c.source) +
                                                                 L"] layer=0 frame=0")));
        // The source was handed the file as dropped.
        ASSERT_EQ(sourceEvents.size(), 1u);
        EXPECT_EQ(sourceEvents[0].code, Effect::ItemEvent::FileSet);
        EXPECT_EQ(sourceEvents[0].path, path);
        EXPECT_EQ(sourceEvents[0].object, object.get());
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SceneFromFile, AFileNoSourceTakesOrACancelledDialogCreatesNothing)
{
    const Made first = made(scene());
    for (const char* name : {"none.clp", "broken.svg", "movie.xyz"}) {
        boxes.clear();
        EXPECT_FALSE(EditCommand::createSceneFromFile(file(name, "<svg").c_str())) << name;
        EXPECT_EQ(boxes, std::vector<std::wstring>{L"このファイルには対応していません"}) << name;
    }
    EXPECT_TRUE(asked.empty());

    acceptScene = false;
    EXPECT_FALSE(EditCommand::createSceneFromFile(file("movie.clp").c_str()));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(edit().project.scenes.size(), 1u);
    EXPECT_EQ(made(scene()), first);
    EXPECT_TRUE(sourceEvents.empty());
}
