// The input service: readers by extension and priority, the dialog filters,
// track prefixes, the open-file cache and the texts of its failures. An
// in-test reader stands for the readers whose behaviour a case needs.
#include "core/report.h"
#include "core/text.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "platform/ui/application.h"
#include "tests/io/io_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

using namespace IoTest;
using Plugin::InputFile;
using Plugin::InputPlugin;
using Plugin::InputService;

namespace {

// Answers by the file name: "video…" 10 frames, "audio…" sound only, "both…",
// "still…" one frame, "none…" declines, "throw…" fails. Counts its opens.
class ProbeReader : public InputPlugin {
public:
    ProbeReader()
    {
        name = L"Probe";
        fileFilter = std::wstring(L"ProbeFile (*.prb;*.prq)\0*.prb;*.prq\0", 36);
        capability = CapabilityVideo | CapabilityAudio;
    }
    std::shared_ptr<InputFile> openFile(const std::wstring& path, int track) override
    {
        ++opens;
        lastPath = path;
        lastTrack = track;
        const std::wstring base = path.substr(path.find_last_of(L'/') + 1);
        auto file = std::make_shared<InputFile>();
        if (base.starts_with(L"none"))
            return nullptr;
        if (base.starts_with(L"throw"))
            throw std::runtime_error("probe failure");
        if (base.starts_with(L"video") || base.starts_with(L"both"))
            file->flags |= InputFile::FlagVideo, file->frameCount = 10;
        if (base.starts_with(L"audio") || base.starts_with(L"both"))
            file->flags |= InputFile::FlagAudio;
        if (base.starts_with(L"still"))
            file->flags |= InputFile::FlagVideo, file->frameCount = 1;
        return file;
    }
    std::atomic<int> opens{0};
    std::wstring lastPath;
    int lastTrack = -1;
};

struct ThrowingReader : InputPlugin {
    ThrowingReader() { throw std::runtime_error("cannot start"); }
    std::shared_ptr<InputFile> openFile(const std::wstring&, int) override { return nullptr; }
};

class InputServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        services.acquire<Media::ImageService>();
        input = services.acquire<InputService>();
        input->registerPlugin<ProbeReader>();
        probe = static_cast<ProbeReader*>(input->readers.back().get());
        input->updateExtTypeList();
    }
    void setLimit(int limit)
    {
        std::lock_guard lock(input->fileCache.mutex);
        input->fileCache.limit = limit;
        input->trimFileHandleCache();
    }
    std::string openError(const std::wstring& name, int type)
    {
        return TestKit::errorText([&] { input->openFile(name, type); });
    }
    InputPlugin* reader(const wchar_t* name)
    {
        for (auto& r : input->readers)
            if (r->name == name)
                return r.get();
        return nullptr;
    }

    System::ServiceStack services;
    Cache::ScratchBuffers scratch;
    InputService* input = nullptr;
    ProbeReader* probe = nullptr;
};

std::wstring filter(const std::wstring& label, const std::wstring& patterns)
{
    return label + L" (" + patterns + L")" + std::wstring(1, L'\0') + patterns + std::wstring(2, L'\0');
}

} // namespace

TEST_F(InputServiceTest, ReadersByExtensionAndPriorityAndTheFilters)
{
    ASSERT_EQ(input->readers.size(), 4u);
    const wchar_t* names[] = {L"WIC image file reader", L"AVI/AVI2 File Reader", L"Wave File Reader", L"Probe"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(input->readers[size_t(i)]->name, names[i]);
        EXPECT_EQ(input->readers[size_t(i)]->priority, i);
        EXPECT_EQ(input->readers[size_t(i)]->sectionName, "Input." + System::wideToUtf8(names[i]));
    }
    // Built into the filter strings with their own NUL terminator, as dialogs take them.
    EXPECT_EQ(input->videoFilter + L'\0', filter(L"VideoFile", L"*.avi;*.bmp;*.gif;*.jpg;*.png;*.prb;*.prq"));
    EXPECT_EQ(input->audioFilter + L'\0', filter(L"AudioFile", L"*.avi;*.prb;*.prq;*.wav"));
    EXPECT_EQ(input->imageFilter + L'\0', filter(L"ImageFile", L"*.bmp;*.gif;*.jpg;*.png"));
    EXPECT_EQ(input->videoExtMap.at(L"avi").front().get(), reader(L"AVI/AVI2 File Reader"));
    EXPECT_FALSE(input->videoExtMap.count(L"wav"));

    // A reader's own list, the user's list, and a list equal to its own again.
    InputPlugin* image = reader(L"WIC image file reader");
    EXPECT_EQ(image->getExtList(), (std::vector<std::wstring>{L"png", L"jpg", L"bmp", L"gif"}));
    EXPECT_FALSE(input->imageExtMap.count(L"jpeg"));
    image->setExtList(L"jpg,jpeg,JPE");
    EXPECT_EQ(image->ext, L"jpg,jpeg,JPE");
    // The probe reader comes before the AVI reader for its files.
    probe->setExtList(L"avi");
    probe->priority = -1;
    input->updateExtTypeList();
    EXPECT_TRUE(input->imageExtMap.count(L"jpeg"));
    EXPECT_TRUE(input->imageExtMap.count(L"JPE")); // as typed: looked-up extensions are lower-case
    EXPECT_EQ(openError(L"x.JPE", 1).substr(0, 19), "not supported file.");
    EXPECT_EQ(input->readers.front().get(), probe);
    ASSERT_EQ(input->videoExtMap.at(L"avi").size(), 2u);
    EXPECT_EQ(input->videoExtMap.at(L"avi")[0].get(), probe);
    EXPECT_EQ(input->audioFilter + L'\0', filter(L"AudioFile", L"*.avi;*.wav"));
    // Declined by the probe, the file goes on to the AVI reader (which cannot read it).
    EXPECT_EQ(openError(L"/nowhere/none.avi", 1).substr(0, 18), "can not open file.");
    EXPECT_EQ(probe->opens, 1);
    image->setExtList(L"png,jpg,bmp,gif");
    EXPECT_EQ(image->ext, L"");
    image->setExtList(L"");
    EXPECT_EQ(image->ext, L"");

    input->readers.clear();
    input->updateExtTypeList();
    EXPECT_EQ(input->videoFilter, std::wstring(L"VideoFile ()") + std::wstring(2, L'\0'));
}

TEST_F(InputServiceTest, TrackPrefixes)
{
    struct Case {
        const wchar_t* name;
        int track; // -1: "invalid track index."
    };
    const Case cases[] = {{L"both.prb", 0}, {L":0both.prb", 0}, {L":1both.prb", 1}, {L"::both.prb", 10},
                          {L":bboth.prb", 50}, {L":cboth.prb", -1}, {L":/both.prb", -1}, {L":", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(System::wideToUtf8(c.name));
        if (c.track < 0) {
            const std::string error = openError(c.name, 1);
            EXPECT_EQ(error.substr(0, 20), "invalid track index.");
            EXPECT_NE(error.find("[Note]\n" + System::wideToUtf8(c.name) + "\n"), std::string::npos);
            EXPECT_FALSE(input->getInputFile(c.name, 1));
            continue;
        }
        ASSERT_TRUE(input->getInputFile(c.name, 1));
        EXPECT_EQ(probe->lastPath, L"both.prb");
        EXPECT_EQ(probe->lastTrack, c.track);
    }
    // A name with its track prefix and without are cache entries of their own.
    EXPECT_EQ(probe->opens, 5);
    input->clearFileCache();
    for (unsigned track = 0; track <= 50; ++track) {
        const std::wstring name = InputService::MakeMultiTrackFileName(L"both.prb", track);
        ASSERT_TRUE(input->getInputFile(name, 2));
        EXPECT_EQ(probe->lastTrack, int(track));
    }
    EXPECT_EQ(InputService::MakeMultiTrackFileName(L"a", 10), L"::a");
    EXPECT_EQ(TestKit::errorText([] { InputService::MakeMultiTrackFileName(L"a", 51); }).substr(0, 19),
              "invalid track index");
}

TEST_F(InputServiceTest, OpenFailuresAreWordedWithThePathAndPlace)
{
    struct Case {
        const wchar_t* name;
        int type;
        const char* message;
    };
    const Case cases[] = {
        {L"/m/a.xyz", 1, "not supported file."}, {L"/m/a.wav", 1, "not supported file."},
        {L"/m/none.prb", 2, "can not open file."}, {L"/m/audio.prb", 1, "file is no video."},
        {L"/m/video.prb", 2, "file is no audio."},   {L"/m/throw.prb", 1, "probe failure"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(System::wideToUtf8(c.name));
        const std::string error = openError(c.name, c.type);
        EXPECT_EQ(error.substr(0, std::strlen(c.message)), c.message);
        if (std::string(c.message) != "probe failure") {
            EXPECT_EQ(error, std::string(c.message) + "\n\n[Note]\n" + System::wideToUtf8(c.name) +
                                 "\n\n[Place]\nPlugin::InputService::openFile()");
        }
        EXPECT_FALSE(input->getInputFile(c.name, c.type));
    }
    EXPECT_FALSE(input->getInputFile(L"", 1));
}

TEST_F(InputServiceTest, OpenFileCacheKeepsTheMostRecentlyUsed)
{
    struct Case {
        int limit;
        int opens; // of the sequence below
    };
    const wchar_t* sequence[] = {L"videoA.prb", L"videoA.prb", L"videoB.prb", L"videoA.prb", L"videoC.prb", L"videoA.prb"};
    for (const Case& c : {Case{0, 6}, Case{1, 5}, Case{2, 3}}) {
        SCOPED_TRACE(c.limit);
        input->clearFileCache();
        setLimit(c.limit);
        probe->opens = 0;
        for (const wchar_t* name : sequence)
            EXPECT_TRUE(input->getInputFile(name, 1)); // returned whether kept or not
        EXPECT_EQ(probe->opens, c.opens);
        EXPECT_EQ(input->fileCache.costSum, std::min(c.limit, 3));
    }
    setLimit(20);
    probe->opens = 0;
    // Still pictures are not kept; sound-only files are, and stay sound-only for video requests.
    input->getInputFile(L"still.prb", 1);
    input->getInputFile(L"still.prb", 1);
    EXPECT_EQ(probe->opens, 2);
    EXPECT_TRUE(input->getInputFile(L"audio.prb", 2));
    EXPECT_FALSE(input->getInputFile(L"audio.prb", 1));
    EXPECT_TRUE(input->getAnyInputFile(L"audio.prb"));
    EXPECT_EQ(probe->opens, 3);
    // A file dropped by the cache stays open for those who hold it.
    auto held = input->getInputFile(L"videoZ.prb", 1);
    input->clearFileCache();
    EXPECT_EQ(input->fileCache.costSum, 0);
    EXPECT_EQ(held.use_count(), 1);
    EXPECT_NE(input->getInputFile(L"videoZ.prb", 1), held);

    // Opens are serialised: threads asking for one name at once open it once.
    probe->opens = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] { input->getInputFile(L"bothT.prb", 2); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(probe->opens, 1);
}

TEST_F(InputServiceTest, RegistrationFailureIsReportedAndTheOthersWork)
{
    std::vector<std::string> shown;
    System::Report::Sink sink;
    sink.error = [&](const std::string& message) {
        shown.push_back(message);
        return 0;
    };
    System::Report::setSink(sink);
    input->registerPlugin<ThrowingReader>();
    System::Report::setSink({});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "failed to register input plugin. [(anonymous namespace)::ThrowingReader]\n\ncannot start");
    EXPECT_EQ(input->readers.size(), 4u);
    EXPECT_EQ(input->registrationCount, 4);
}

TEST_F(InputServiceTest, TimeToFrameRoundsAndLimits)
{
    InputFile file;
    file.frameCount = 100;
    file.rate = 30000;
    file.scale = 1001;
    struct Case {
        double seconds;
        int frame;
    };
    for (const Case& c : {Case{0, 0}, Case{1.0, 30}, Case{-0.2, 0}, Case{1000, 99},
                          Case{std::numeric_limits<double>::quiet_NaN(), 0},
                          Case{std::numeric_limits<double>::infinity(), 99}}) {
        EXPECT_EQ(file.timeToFrame(c.seconds), c.frame) << c.seconds;
    }
    file.rate = 2;
    file.scale = 1;
    EXPECT_EQ(file.timeToFrame(0.25), 1); // 0.5 frames
    EXPECT_EQ(file.timeToFrame(0.75), 2); // 1.5 frames
    EXPECT_EQ(file.timeToFrame(0.7), 1);
    file.frameCount = 0;
    EXPECT_EQ(file.timeToFrame(3), 0);
    EXPECT_EQ(TestKit::errorText([&] { file.readVideo(0); }).substr(0, 14), "not implement.");
    EXPECT_EQ(TestKit::errorText([&] { file.readAudio(0); }).substr(0, 14), "not implement.");
}

TEST_F(InputServiceTest, StillPicturesAreOneFrameVideos)
{
    const auto paths = makeMedia("-f lavfi -i testsrc2=s=40x30", {{"still.png", "-frames:v 1"},
                                                                  {"still.bmp", "-frames:v 1"},
                                                                  {"still.gif", "-frames:v 1"},
                                                                  {"still.jpg", "-frames:v 1 -q:v 2"}});
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        auto file = input->getInputFile(widePath(paths[i]), 1);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagVideo);
        EXPECT_EQ(file->frameCount, 1);
        EXPECT_EQ(file->rate, 1u);
        EXPECT_EQ(file->scale, 1u);
        EXPECT_EQ(file->pixelFormat, 28);
        EXPECT_EQ(file->width, 40);
        EXPECT_EQ(file->height, 30);
        EXPECT_EQ(file->timeToFrame(12.7), 0);
        // ImageMagick's decode, on the same JPEG library for JPEG.
        ASSERT_EQ(TestKit::runCommand("convert '" + paths[i] + "' -depth 8 'rgba:" + paths[i] + ".rgba'"), 0);
        EXPECT_LE(pictureDifference(*file->readVideo(5), readBytes(paths[i] + ".rgba"), 4, 4), 1);
        EXPECT_FALSE(input->getInputFile(widePath(paths[i]), 2));
    }
    // A picture the decoder rejects is no file.
    writeBytes(tempPath("broken.png"), "\x89PNG not really");
    EXPECT_FALSE(input->getInputFile(widePath(tempPath("broken.png")), 1));
    // Sound files are found for any media kind.
    const auto wav = makeMedia(audioSource(1, 8000, 1), {{"tone.wav", ""}});
    EXPECT_FALSE(input->getInputFile(widePath(wav[0]), 1));
    auto any = input->getAnyInputFile(widePath(wav[0]));
    ASSERT_TRUE(any);
    EXPECT_EQ(any->flags, InputFile::FlagAudio);
    EXPECT_EQ(any->reader->name, L"Wave File Reader");
}
