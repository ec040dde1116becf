// Exports through the real render path on the software driver: the job's
// ranges, read-ahead and sample windows, the output service's run of an
// export with the headless dialogs answering, and the files the AVI, PNG and
// JPEG writers leave, read by ffprobe, ffmpeg and ImageMagick.
#include "core/module_trust_list.h"
#include "core/text.h"
#include "io/export/output_file.h"
#include "io/output/avi_file_save.h"
#include "io/output/image_file_save.h"
#include "io/output/output_plugin.h"
#include "io/output/output_service.h"
#include "io/plugin/external_output_plugin.h"
#include "media/audio_buffer.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "tests/io/io_fixture.h"
#include "tests/render/audio_fixture.h"
#include "tests/render/render_fixture.h"
#include "tests/support/test_support.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/menus/output_service_host.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_service.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using Plugin::OutputFile;
using Plugin::OutputService;

namespace {

void registerExportEffects(Effect::EffectService& s)
{
    RenderTest::registerRenderEffects(s);
    s.registerEffect<AudioTest::TestSound>();
    s.registerEffect<AudioTest::TestSoundOutput>();
}

// A job that only fetches: the base of every writer.
class FetchJob : public OutputFile {
public:
    FetchJob() : OutputFile(L"unused", false) {}
    bool save() override { return true; }
};

class Export : public TestKit::GpuFixture {
protected:
    static constexpr int Width = 64, Height = 36;

    void SetUp() override
    {
        GpuFixture::SetUp();
        Platform::Ui::initializeApplication();
        services.acquire<Setting::SettingService>();
        services.acquire<Event::EventService>();
        // The main window, whose input an export locks and whose footer shows its progress.
        services.acquire<Window::WindowMouseService>();
        services.acquire<Window::WindowService>();
        services.acquire<Cache::CacheService>();
        Effect::EffectService::builtInEffects = {registerExportEffects, nullptr};
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        services.acquire<Render::RenderService>();
        if (withTrustList)
            services.acquire<Plugin::ModuleTrustList>();
        output = services.acquire<OutputService>();
        Plugin::OutputHost::install(&host);
        scene = edit->currentScene.get();
        scene->width = Width;
        scene->height = Height;
        scene->audioRate = 48000;
    }
    void TearDown() override
    {
        Dialog::setSaveFileAnswerer({});
        Platform::Ui::setMessageBoxAnswerer({});
        Plugin::OutputHost::install(nullptr);
        services.releaseAll();
        GpuFixture::TearDown();
    }

    RenderTest::TestImage* picture(int start, int end, const TestKit::Pixel& colour, int layer = 0)
    {
        auto& object = scene->createObject(RenderTest::TestImage::Name, layer, start, end);
        auto* image = dynamic_cast<RenderTest::TestImage*>(object->effects[0].get());
        image->colour = colour;
        image->width = Width;
        image->height = Height;
        return image;
    }
    void sound(int start, int end, AudioTest::Signal signal)
    {
        auto& object = scene->createObject(AudioTest::TestSound::Name, 5, start, end);
        dynamic_cast<AudioTest::TestSound*>(object->effects[0].get())->signal = std::move(signal);
    }

    // Starts an export through the writer into path and runs the main loop until it ended.
    void exportTo(int writer, const std::string& path)
    {
        scene->updateLayerObject();
        Dialog::setSaveFileAnswerer([path](std::wstring& chosen, const std::wstring&) {
            chosen = IoTest::widePath(path);
            return true;
        });
        output->outputFile(writer);
        ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return !output->current; }, 120000));
    }

    bool withTrustList = false; // the writers then include the trusted modules of %Plugin%
    System::ServiceStack services;
    Dialog::OutputServiceHost host;
    Edit::EditService* edit = nullptr;
    Edit::Scene* scene = nullptr;
    OutputService* output = nullptr;
};

} // namespace

TEST_F(Export, RangeFollowsTheSelectionWithinTheScene)
{
    struct Case {
        int selectionStart, selectionEnd;
        int start, count;
    };
    picture(0, 15, {1, 0, 0, 1});
    scene->updateLayerObject();
    scene->videoRate = 30;
    scene->videoScale = 1;
    for (const Case c : {Case{-1, -1, 0, 16}, Case{5, -1, 0, 16}, Case{10, 20, 10, 6}, Case{30, 40, 15, 1},
                         Case{3, 3, 3, 1}}) {
        scene->frameSelectionStart = c.selectionStart;
        scene->frameSelectionEnd = c.selectionEnd;
        FetchJob job;
        EXPECT_EQ(job.startFrame, c.start) << c.selectionStart << ".." << c.selectionEnd;
        EXPECT_EQ(job.frameCount, c.count) << c.selectionStart << ".." << c.selectionEnd;
        EXPECT_EQ(job.audioStart, int64_t(c.start) * 1600);
        EXPECT_EQ(job.audioSampleCount, int64_t(c.count) * 1600);
    }
}

TEST_F(Export, FramesAreHeldToTheSceneAndFetchedAheadByHalfTheDepth)
{
    picture(0, 0, {0, 1, 0, 1});
    picture(1, 101, {0, 0, 1, 1});
    scene->updateLayerObject();
    FetchJob job;
    ASSERT_EQ(job.lastFrame, 101);
    TestKit::finishWithin(120000, [&] {
        // Frame 0 is green, every later one blue (B8G8R8A8 bytes).
        auto first = job.getVideoFrame(-5, Media::Format::B8G8R8A8Unorm, false);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->row(0)[1], 255);
        auto last = job.getVideoFrame(500, Media::Format::B8G8R8A8Unorm, false);
        ASSERT_TRUE(last);
        EXPECT_EQ(last->row(0)[0], 255);

        job.setVideoReadAhead(4);
        job.getVideoFrame(100, Media::Format::B8G8R8A8Unorm, false);
        output->frameCache.worker.wait();
        auto keys = output->frameCache.keys();
        EXPECT_EQ(std::set<int>(keys.begin(), keys.end()), (std::set<int>{100, 101}));
    }, "frames");

    struct Depth {
        int asked, kept;
    };
    for (const Depth d : {Depth{0, 1}, Depth{-3, 1}, Depth{4, 4}, Depth{64, 64}, Depth{100000, 64}}) {
        job.setVideoReadAhead(d.asked);
        job.setAudioReadAhead(d.asked);
        EXPECT_EQ(job.getVideoReadAhead(), d.kept) << d.asked;
        EXPECT_EQ(output->frameCache.getLimit(), d.kept) << d.asked;
        EXPECT_EQ(output->audioCache.getLimit(), d.kept) << d.asked;
    }
}

TEST_F(Export, SampleWindowsTileTheFramesSound)
{
    struct Rates {
        int videoRate, videoScale, audioRate;
    };
    picture(0, 9, {1, 1, 1, 1});
    sound(0, 9, AudioTest::ramp());
    scene->updateLayerObject();
    for (const Rates r : {Rates{30, 1, 48000}, Rates{30000, 1001, 44100}}) {
        SCOPED_TRACE(std::to_string(r.videoRate) + "/" + std::to_string(r.videoScale));
        scene->videoRate = r.videoRate;
        scene->videoScale = r.videoScale;
        scene->audioRate = r.audioRate;
        FetchJob job;
        TestKit::finishWithin(120000, [&] {
            // The sound of every frame in float, one after the other.
            std::vector<float> whole;
            for (int f = 0; f <= 9; ++f) {
                auto a = job.getAudioFrame(f, 3);
                ASSERT_TRUE(a);
                ASSERT_EQ(a->sampleCount, job.frameSampleStart(f + 1) - job.frameSampleStart(f)) << f;
                const float* s = static_cast<const float*>(a->data.data);
                whole.insert(whole.end(), s, s + 2 * a->sampleCount);
            }
            ASSERT_EQ(int64_t(whole.size()), 2 * job.audioSampleCount);
            job.setAudioReadAhead(4);
            // Windows of a size that fits no frame tile the range exactly.
            Media::AudioBuffer out;
            int64_t at = 0;
            while (at < job.audioSampleCount) {
                job.getAudioSamples(out, at, 1000, 3);
                const int64_t expected = std::min<int64_t>(1000, job.audioSampleCount - at);
                ASSERT_EQ(out.sampleCount, expected) << at;
                ASSERT_EQ(std::memcmp(out.data.data, &whole[size_t(at) * 2], size_t(expected) * 8), 0) << at;
                at += expected;
            }
            // 16-bit windows, and a window half a frame to either side.
            if (r.audioRate == 48000) {
                job.getAudioSamples(out, 2400, 1600, 1);
                ASSERT_EQ(out.sampleCount, 1600);
                const int16_t* pcm = static_cast<const int16_t*>(out.data.data);
                EXPECT_EQ(pcm[0], int16_t(std::lround(whole[4800] * 32768)));
                EXPECT_EQ(pcm[3199], int16_t(std::lround(whole[4800 + 3199] * 32768)));
            }
            job.getAudioSamples(out, -1, 100, 3);
            EXPECT_EQ(out.sampleCount, 0);
            job.getAudioSamples(out, 0, -100, 3);
            EXPECT_EQ(out.sampleCount, 0);
        }, "sound");
    }
}

TEST_F(Export, AFramesSoundIsMixedOnTheCallingThreadWhileTheAudioWorkerIsIdle)
{
    // The signal notes the thread each frame's sound is made on.
    std::mutex mutex;
    std::map<int64_t, std::thread::id> madeOn; // by the frame's first sample
    sound(0, 9, [&](int64_t sample, int channel) {
        if (channel == 0 && sample % 1600 == 0) {
            std::lock_guard lock(mutex);
            madeOn[sample] = std::this_thread::get_id();
        }
        return float(sample % 997) / 997.0f;
    });
    auto* prepared = dynamic_cast<AudioTest::TestSound*>(scene->createObject(AudioTest::TestSound::Name, 6, 8, 8)
                                                             ->effects[0].get());
    prepared->prepareThrows = true; // frame 8's plan throws
    scene->updateLayerObject();
    Render::RenderAudioWorker& worker = Render::RenderService::Get()->audioWorker;
    FetchJob job;
    // The same frame through the worker's request: bytes to compare with.
    auto viaWorker = [&](int frame) {
        auto ticket = worker.requestRenderingAudio(Render::RenderTaskType::Single, frame, nullptr);
        auto block = ticket->block();
        Media::AudioBuffer sound;
        sound.formatTag = 3;
        sound.bitsPerSample = 32;
        sound.blockAlign = 8;
        sound.channels = 2;
        if (block)
            sound.convertTo(*block);
        return std::string(static_cast<const char*>(sound.data.data), size_t(sound.sampleCount) * 8);
    };
    auto bytes = [](const std::shared_ptr<Media::AudioBuffer>& a) {
        return a ? std::string(static_cast<const char*>(a->data.data), size_t(a->sampleCount) * 8) : std::string();
    };
    TestKit::finishWithin(120000, [&] {
        // Idle: made right here, the same bytes as the worker makes.
        const std::string here = bytes(job.getAudioFrame(2, 3));
        {
            std::lock_guard lock(mutex);
            ASSERT_EQ(madeOn.count(3200), 1u);
            EXPECT_EQ(madeOn[3200], std::this_thread::get_id());
        }
        EXPECT_EQ(here, viaWorker(2));
        EXPECT_FALSE(here.empty());

        // Busy: a request holds the worker, so the frame goes through it.
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        auto holder = worker.requestRenderingAudio(Render::RenderTaskType::Single, 0,
                                                   [released](int, Media::AudioBlockBuffer&) { released.wait(); });
        std::thread::id caller;
        auto fetched = std::async(std::launch::async, [&] {
            caller = std::this_thread::get_id();
            return bytes(job.getAudioFrame(5, 3));
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release.set_value();
        const std::string busy = fetched.get();
        holder->wait();
        {
            std::lock_guard lock(mutex);
            ASSERT_EQ(madeOn.count(8000), 1u);
            EXPECT_NE(madeOn[8000], caller);
        }
        EXPECT_EQ(busy, viaWorker(5));

        // A plan that throws here gives no sound, and the frame is not left claimed.
        EXPECT_FALSE(job.getAudioFrame(8, 3));
        EXPECT_FALSE(job.getAudioFrame(8, 3));
        Media::AudioBuffer out;
        job.getAudioSamples(out, job.frameSampleStart(8), 1600, 3);
        ASSERT_EQ(out.sampleCount, 1600);
        const float* s = static_cast<const float*>(out.data.data);
        EXPECT_TRUE(std::all_of(s, s + 3200, [](float v) { return v == 0.0f; }));
    }, "sound");
}

TEST_F(Export, AJobGoneLeavesNoReadAheadOfItsOwnToRun)
{
    picture(0, 9, {1, 1, 1, 1});
    scene->updateLayerObject();
    std::promise<void> hold;
    std::shared_future<void> held = hold.get_future().share();
    std::thread release;
    TestKit::finishWithin(120000, [&] {
        {
            FetchJob job;
            job.setVideoReadAhead(8);
            ASSERT_TRUE(job.getVideoFrame(0, Media::Format::B8G8R8A8Unorm, false)); // 0..4 loaded
            output->frameCache.worker.wait();
            // Another task holds the cache's worker, so the read-ahead of
            // frame 5 that the next call queues is still waiting when the job goes.
            output->frameCache.worker.request(1, [held] { held.wait(); });
            EXPECT_TRUE(job.getVideoFrame(1, Media::Format::B8G8R8A8Unorm, false)); // cached: no wait
            release = std::thread([&hold] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                hold.set_value();
            });
        }
        output->frameCache.worker.wait();
        auto keys = output->frameCache.keys();
        EXPECT_EQ(std::set<int>(keys.begin(), keys.end()), (std::set<int>{0, 1, 2, 3, 4}));
    }, "read-ahead");
    if (release.joinable())
        release.join();
}

TEST(ExportProgress, TextAddsTheRemainingTimeAfter15SecondsAnd15Frames)
{
    struct Case {
        int done, total;
        uint64_t elapsed;
        const wchar_t* text;
    };
    for (const Case c : {Case{0, 0, 0, L"0.00% (0/0)"}, Case{1, 4, 1000, L"25.00% (1/4)"},
                         Case{14, 100, 60000, L"14.00% (14/100)"}, Case{50, 100, 14999, L"50.00% (50/100)"},
                         Case{15, 30, 15000, L"50.00% (15/30) | RemainingTime 00:00:15 (1.00fps)"}}) {
        EXPECT_EQ(OutputFile::Progress::formatText(c.done, c.total, c.elapsed), c.text);
    }
}

TEST_F(Export, AviExportIsReadByFfmpegFrameBySample)
{
    picture(0, 4, {1, 0, 0, 1});
    picture(5, 11, {0, 0, 1, 1});
    sound(0, 11, AudioTest::dc(0.25f, -0.5f));
    scene->frameSelectionStart = 2;
    scene->frameSelectionEnd = 8;
    auto* avi = dynamic_cast<Plugin::AviFileSave*>(output->writers[0].get());
    ASSERT_NE(avi, nullptr);
    const std::string path = IoTest::tempPath("export.avi");
    TestKit::LogCapture log;
    exportTo(0, path);
    EXPECT_TRUE(log.contains("export file complete"));
    EXPECT_TRUE(Window::WindowService::notifyIconShown);
    EXPECT_TRUE(Window::WindowService::Get()->isInputEnabled());
    Window::WindowService::removeNotifyIcon();

    std::string video, audio;
    ASSERT_EQ(TestKit::runCommand("ffprobe -v error -select_streams v -count_frames -show_entries stream=codec_name,"
                                  "width,height,pix_fmt,r_frame_rate,nb_read_frames -of csv=p=0 '" + path + "'",
                                  &video),
              0);
    EXPECT_EQ(video, "rawvideo,64,36,bgr24,30/1,7\n");
    ASSERT_EQ(TestKit::runCommand("ffprobe -v error -select_streams a -show_entries stream=codec_name,sample_rate,"
                                  "channels,nb_frames -of csv=p=0 '" + path + "'",
                                  &audio),
              0);
    EXPECT_EQ(audio, "pcm_s16le,48000,2,11200\n");
    IoTest::ffmpegDecode({path, path}, {"bgr24", ""});
    const auto frames = IoTest::ffmpegFrames(path, "bgr24", Width * Height * 3);
    ASSERT_EQ(frames.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        // Frames 2..4 red, 5..8 blue, in B, G, R order.
        const uint8_t* p = reinterpret_cast<const uint8_t*>(frames[size_t(i)].data()) + (Height / 2 * Width + 3) * 3;
        EXPECT_EQ(p[0], i < 3 ? 0 : 255) << i;
        EXPECT_EQ(p[2], i < 3 ? 255 : 0) << i;
    }
    const auto samples = IoTest::ffmpegSamples(path);
    ASSERT_EQ(samples.size(), size_t(7 * 1600 * 2));
    for (size_t s = 0; s < samples.size(); s += 997) {
        EXPECT_NEAR(samples[s], s % 2 ? -0.5f : 0.25f, 1.0f / 32768) << s;
    }
}

// A YUY2 row holds whole pixel pairs: at an odd width the last pixel's pair
// is written whole, so the file shows the same picture as an RGB export.
TEST_F(Export, OddWidthYuy2ExportShowsTheRgbPicture)
{
    scene->width = 321;
    scene->height = 241;
    auto* image = picture(0, 1, {0.9f, 0.2f, 0.6f, 1});
    image->width = 321;
    image->height = 241;
    auto* avi = dynamic_cast<Plugin::AviFileSave*>(output->writers[0].get());
    ASSERT_NE(avi, nullptr);
    std::vector<std::string> paths;
    for (const wchar_t* type : {L"YUY2", L"RGB24bit"}) {
        avi->videoType = type;
        paths.push_back(IoTest::tempPath(type[0] == L'Y' ? "odd-yuy2.avi" : "odd-rgb.avi"));
        exportTo(0, paths.back());
        Window::WindowService::removeNotifyIcon();
    }
    IoTest::ffmpegDecode(paths, {"rgb24", "rgb24"});
    const auto yuy2 = IoTest::ffmpegFrames(paths[0], "rgb24", 321 * 241 * 3);
    const auto rgb = IoTest::ffmpegFrames(paths[1], "rgb24", 321 * 241 * 3);
    ASSERT_EQ(yuy2.size(), 2u);
    ASSERT_EQ(rgb.size(), 2u);
    int worst = 0;
    for (size_t i = 0; i < rgb[0].size(); ++i)
        worst = std::max(worst, std::abs(int(uint8_t(yuy2[0][i])) - int(uint8_t(rgb[0][i]))));
    EXPECT_LE(worst, 2);
}

TEST_F(Export, CancelledAfterTenFramesLeavesAPlayableTenFrameFile)
{
    picture(0, 29, {1, 0, 0, 1});
    // Frame 9's picture asks for the cancel: the writer sees it before frame 10.
    picture(9, 9, {0, 1, 0, 1}, 1)->onInput = [this] {
        if (output->current)
            output->current->abortRequested = true;
    };
    const std::string path = IoTest::tempPath("cancelled.avi");
    TestKit::LogCapture log;
    exportTo(0, path);
    EXPECT_TRUE(log.contains("export file cancel"));
    EXPECT_FALSE(Window::WindowService::notifyIconShown);
    std::string probe;
    ASSERT_EQ(TestKit::runCommand("ffprobe -v error -select_streams v -count_frames -show_entries stream=nb_read_frames "
                                  "-of csv=p=0 '" + path + "'",
                                  &probe),
              0);
    EXPECT_EQ(probe, "10\n");
}

TEST_F(Export, CancelAskedDuringAnyOfTheFirstTenFramesEndsTheFileRightAfterThatFrame)
{
    picture(0, 29, {1, 0, 0, 1});
    for (int k = 0; k < 10; ++k) {
        SCOPED_TRACE(k);
        const std::string path = IoTest::tempPath("cancelled_at_" + std::to_string(k) + ".avi");
        // Frame k's green picture asks for the cancel while it is drawn.
        RenderTest::TestImage* asking = picture(k, k, {0, 1, 0, 1}, 1 + k);
        asking->onInput = [this] {
            if (output->current)
                output->current->abortRequested = true;
        };
        TestKit::LogCapture log;
        exportTo(0, path);
        asking->onInput = nullptr;
        EXPECT_TRUE(log.contains("export file cancel"));
        const auto frames = IoTest::ffmpegFrames(path, "bgr24", Width * Height * 3);
        ASSERT_EQ(frames.size(), size_t(k + 1));
        const uint8_t* last = reinterpret_cast<const uint8_t*>(frames.back().data()) + (Height / 2 * Width + 3) * 3;
        EXPECT_EQ(last[1], 255);
        EXPECT_EQ(last[2], 0);
    }
}

TEST_F(Export, EscapeAsksOncePerPressUntilOkAndASecondExportIsIgnored)
{
    // Every frame's picture waits until the test has pressed its keys.
    std::atomic<bool> release{false};
    picture(0, 5, {1, 0, 0, 1})->onInput = [&] {
        while (!release)
            std::this_thread::yield();
    };
    scene->updateLayerObject();
    int dialogs = 0;
    Dialog::setSaveFileAnswerer([&](std::wstring& chosen, const std::wstring&) {
        ++dialogs;
        chosen = IoTest::widePath(IoTest::tempPath("asked.avi"));
        return true;
    });
    std::vector<Platform::Ui::BoxAnswer> answers = {Platform::Ui::BoxAnswer::Cancel, Platform::Ui::BoxAnswer::Ok};
    int asked = 0;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        EXPECT_EQ(box.text, L"ファイル出力を中断しますか？");
        EXPECT_EQ(box.caption, L"Velmora Tessel2");
        return answers.at(size_t(asked++));
    });
    output->outputFile(0);
    ASSERT_TRUE(output->current);
    output->outputFile(0);
    EXPECT_EQ(dialogs, 1);

    Window::WindowService& window = *Window::WindowService::Get();
    EXPECT_FALSE(window.isInputEnabled());
    EXPECT_EQ(window.footer->message.rfind(L"ファイル出力中", 0), 0u) << System::wideToUtf8(window.footer->message);
    // Other input is dropped without a question.
    EXPECT_TRUE(window.offerInput(Window::WindowService::MessageKeyDown, 'A'));
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(window.offerInput(Window::WindowService::MessageKeyDown, 0x1B)); // Cancel: goes on
    EXPECT_FALSE(output->current->abortRequested);
    EXPECT_TRUE(window.offerInput(Window::WindowService::MessageClose, 0)); // OK
    EXPECT_TRUE(output->current->abortRequested);
    EXPECT_TRUE(window.offerInput(Window::WindowService::MessageKeyDown, 0x1B)); // no further question
    EXPECT_EQ(asked, 2);
    release = true;

    TestKit::LogCapture log;
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return !output->current; }, 120000));
    EXPECT_TRUE(log.contains("export file cancel"));
    EXPECT_TRUE(window.isInputEnabled());
    EXPECT_EQ(window.footer->message, L"");
}

TEST_F(Export, AFailedExportEndsAsFailedWithoutTheBalloon)
{
    picture(0, 9, {1, 0, 0, 1});
    TestKit::LogCapture log;
    scene->updateLayerObject();
    Dialog::setSaveFileAnswerer([](std::wstring& chosen, const std::wstring&) {
        chosen = IoTest::widePath(IoTest::tempPath("no-such-folder/failed.avi"));
        return true;
    });
    output->outputFile(0);
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return !output->current; }, 120000));
    EXPECT_TRUE(log.contains("export file failed")) << ::testing::PrintToString(log.lines());
    EXPECT_FALSE(log.contains("export file complete"));
    EXPECT_FALSE(Window::WindowService::notifyIconShown);
    EXPECT_TRUE(Window::WindowService::Get()->isInputEnabled());
}

TEST_F(Export, AviSettingsNameTheTypes)
{
    struct Case {
        const wchar_t* videoType;
        Media::Format format;
    };
    for (const Case c : {Case{L"RGB24bit", Media::Format::B8G8R8X8Unorm}, Case{L"RGBA32bit", Media::Format::B8G8R8A8Unorm},
                         Case{L"YUY2", Media::Format::Yuy2}, Case{L"yuy2", Media::Format::B8G8R8X8Unorm},
                         Case{L"RGBA64bit(PA64)", Media::Format::R16G16B16A16Unorm},
                         Case{L"RGBA64bit(HF64)", Media::Format::R16G16B16A16Float}, Case{L"", Media::Format::B8G8R8X8Unorm}})
        EXPECT_EQ(Plugin::AviFileSave::videoFormatOf(c.videoType), c.format) << c.videoType;
    uint16_t tag = 0, bits = 0;
    Plugin::AviFileSave::audioFormatOf(L"PCM(float)32bit", tag, bits);
    EXPECT_EQ(tag * 100 + bits, 332);
    Plugin::AviFileSave::audioFormatOf(L"pcm(float)32bit", tag, bits);
    EXPECT_EQ(tag * 100 + bits, 116);

    // The settings button of the save dialog's panel edits them in place.
    auto& avi = dynamic_cast<Plugin::AviFileSave&>(*output->writers[0]);
    Dialog::AviFileSaveDialog::setAnswerer([](Dialog::AviFileSaveDialog& d) {
        d.videoType = L"YUY2";
        d.audioType = L"PCM(float)32bit";
        return true;
    });
    Plugin::SavePanel panel;
    avi.panel = &panel;
    avi.onInitDialog();
    EXPECT_EQ(panel.buttonText, L"設定");
    EXPECT_EQ(panel.settingText, L"Video: RGB24bit / Audio: PCM16bit");
    avi.onCommandDialog(Plugin::SavePanel::ButtonId);
    EXPECT_EQ(panel.settingText, L"Video: YUY2 / Audio: PCM(float)32bit");
    avi.panel = nullptr;
    Dialog::AviFileSaveDialog::setAnswerer({});
}

TEST_F(Export, PngAndJpegHoldTheCursorFrame)
{
    // A half-transparent square on an empty frame: premultiplied in the
    // frame, straight in the file.
    picture(0, 9, {0.5f, 0.25f, 0, 0.5f})->width = 16;
    scene->cursorFrame = 3;
    scene->frameSelectionStart = 5;
    scene->frameSelectionEnd = 9;
    auto& png = dynamic_cast<Plugin::PngFileSave&>(*output->writers[1]);
    auto& jpg = dynamic_cast<Plugin::JpgFileSave&>(*output->writers[2]);

    struct Case {
        int writer;
        int transparent;
        const char* name;
    };
    for (const Case c : {Case{1, 1, "alpha.png"}, Case{1, 0, "opaque.png"}, Case{2, 0, "frame.jpg"}}) {
        SCOPED_TRACE(c.name);
        png.transparent = c.transparent;
        const std::string path = IoTest::tempPath(c.name);
        TestKit::LogCapture log;
        exportTo(c.writer, path);
        EXPECT_TRUE(log.contains("export file complete"));
        EXPECT_FALSE(Window::WindowService::notifyIconShown);
        std::string facts;
        ASSERT_EQ(TestKit::runCommand("identify -format '%wx%h %[channels] %Q' '" + path + "'", &facts), 0);
        EXPECT_EQ(facts.substr(0, 5), "64x36");
        EXPECT_EQ(facts.find("a") != std::string::npos, c.transparent == 1) << facts;
        if (c.writer == 2) {
            EXPECT_EQ(facts.substr(facts.rfind(' ') + 1), "90");
        }
        std::string pixel;
        ASSERT_EQ(TestKit::runCommand("convert '" + path + "' -format '%[fx:int(255*p{" + std::to_string(Width / 2) +
                                          "," + std::to_string(Height / 2) + "}.r)] %[fx:int(255*p{" +
                                          std::to_string(Width / 2) + "," + std::to_string(Height / 2) +
                                          "}.a)]' info:",
                                      &pixel),
                  0);
        // Un-premultiplied red 0.5 / 0.5 = 1 with alpha; composited on black without it.
        int red = -1, alpha = -1;
        ASSERT_EQ(std::sscanf(pixel.c_str(), "%d %d", &red, &alpha), 2) << pixel;
        if (c.transparent) {
            EXPECT_NEAR(red, 255, 1) << pixel;
            EXPECT_NEAR(alpha, 127, 1) << pixel;
        } else {
            EXPECT_NEAR(red, 127, c.writer == 2 ? 5 : 1) << pixel;
            EXPECT_EQ(alpha, 255) << pixel;
        }
    }
    EXPECT_EQ(jpg.getSettingText(), L"JPEG品質:90");
    EXPECT_EQ(png.getSettingText(), L"PNGファイル(透過無し)");
}

TEST_F(Export, OutputModulePullsEveryFrameAndTheSoundThroughTheCallbacks)
{
    output->registerPlugin(System::fromLocalPath(std::string(VELMORA_TEST_MODULES) + "/test_output_module.vmo2"));
    ASSERT_EQ(output->writers.size(), 4u);
    Plugin::OutputPlugin& module = *output->writers[3];
    EXPECT_EQ(module.name, L"Test Output");
    EXPECT_EQ(module.information, L"test output module 1.0");
    // No func_config: no settings panel.
    EXPECT_EQ(module.capability, 3u);
    EXPECT_EQ(module.getSettingText(), L"quality: test");

    picture(0, 5, {1, 0, 0, 1});
    sound(0, 5, AudioTest::dc(0.25f, -0.5f));
    const std::string path = IoTest::tempPath("module.tst");
    TestKit::LogCapture log;
    std::shared_ptr<OutputFile> job;
    Dialog::setSaveFileAnswerer([&](std::wstring& chosen, const std::wstring&) {
        chosen = IoTest::widePath(path);
        return true;
    });
    scene->updateLayerObject();
    output->outputFile(3);
    job = output->current;
    ASSERT_TRUE(job);
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return !output->current; }, 120000));
    EXPECT_TRUE(log.contains("export file complete"));
    EXPECT_TRUE(log.contains("invalid video format."));
    EXPECT_EQ(job->progress.done, 6);
    EXPECT_EQ(job->progress.total, 6);
    EXPECT_EQ(job->getVideoReadAhead(), 1);
    EXPECT_EQ(job->getAudioReadAhead(), 64);
    Window::WindowService::removeNotifyIcon();

    const std::string bytes = IoTest::readBytes(path);
    const size_t frameBytes = size_t(Width) * 3 * Height;
    const size_t samples = 6 * 1600;
    ASSERT_EQ(bytes.size(), 8 + 6 * frameBytes + samples * 4 + 4);
    int32_t header[2], refused;
    std::memcpy(header, bytes.data(), 8);
    EXPECT_EQ(header[0], 6);
    EXPECT_EQ(header[1], 1) << "an unknown format gives a zero frame";
    for (size_t f = 0; f < 6; ++f) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data()) + 8 + f * frameBytes;
        EXPECT_EQ(p[0] * 0x10000 + p[1] * 0x100 + p[2], 0x0000FF) << f;
    }
    const int16_t* pcm = reinterpret_cast<const int16_t*>(bytes.data() + 8 + 6 * frameBytes);
    for (size_t s = 0; s < samples * 2; s += 333)
        EXPECT_EQ(pcm[s], s % 2 ? -16384 : 8192) << s;
    std::memcpy(&refused, bytes.data() + bytes.size() - 4, 4);
    EXPECT_EQ(refused, 0);
}

namespace {
// A start of the program whose plug-in folder holds output modules.
class ExportThroughModules : public Export {
protected:
    ExportThroughModules()
    {
        withTrustList = true;
        folder.copy("test_output_module.vmo2", "z_last.vmo2");
        folder.copy("test_output_module.vmo2", "first.VMO2");
        folder.copy("test_output_module.vmo2", "refused.vmo2");
        folder.copy("test_input_module.vmi2", "reader.vmi2");
        folder.write("broken.vmo2", "not a module");
        answers.accept = {L"first.VMO2", L"z_last.vmo2", L"broken.vmo2"};
    }
    IoTest::PluginFolder folder;
    IoTest::TrustAnswers answers;
    TestKit::ReportCapture reports;
};
} // namespace

TEST_F(ExportThroughModules, TrustedModulesFollowTheBuiltInWritersAndExport)
{
    EXPECT_EQ(answers.asked, (std::vector<std::wstring>{L"broken.vmo2", L"first.VMO2", L"refused.vmo2", L"z_last.vmo2"}));
    ASSERT_EQ(reports.messages().size(), 1u);
    EXPECT_EQ(reports.messages()[0].rfind("failed to register output plugin. [Plugin::ExternalOutputPlugin]", 0), 0u)
        << reports.messages()[0];
    ASSERT_EQ(output->writers.size(), 5u);
    for (size_t i = 3; i < 5; ++i) {
        auto* module = dynamic_cast<Plugin::ExternalOutputPlugin*>(output->writers[i].get());
        ASSERT_TRUE(module);
        EXPECT_EQ(module->modulePath.substr(module->modulePath.rfind(L'/') + 1), i == 3 ? L"first.VMO2" : L"z_last.vmo2");
        EXPECT_EQ(module->order, int(i));
    }
    // The last module of the list writes the export.
    picture(0, 2, {0, 1, 0, 1});
    const std::string path = IoTest::tempPath("listed.tst");
    TestKit::LogCapture log;
    exportTo(4, path);
    EXPECT_TRUE(log.contains("export file complete"));
    Window::WindowService::removeNotifyIcon();
    const std::string bytes = IoTest::readBytes(path);
    int32_t frames = 0;
    ASSERT_GE(bytes.size(), 4u);
    std::memcpy(&frames, bytes.data(), 4);
    EXPECT_EQ(frames, 3);
}

TEST_F(Export, OutputModuleAbortAndFaultReachTheJob)
{
    output->registerPlugin(System::fromLocalPath(std::string(VELMORA_TEST_MODULES) + "/test_output_module.vmo2"));
    picture(0, 29, {1, 0, 0, 1});
    picture(2, 2, {0, 1, 0, 1}, 1)->onInput = [this] {
        if (output->current)
            output->current->abortRequested = true;
    };
    {
        SCOPED_TRACE("abort");
        const std::string path = IoTest::tempPath("aborted.tst");
        TestKit::LogCapture log;
        exportTo(3, path);
        EXPECT_TRUE(log.contains("export file cancel"));
        int32_t frames = 0;
        std::memcpy(&frames, IoTest::readBytes(path).data(), 4);
        // Frame 2's render asks for the cancel; the module stops before frame 3.
        EXPECT_EQ(frames, 3);
    }
    {
        SCOPED_TRACE("fault");
        TestKit::LogCapture log;
        exportTo(3, IoTest::tempPath("crash.tst"));
        EXPECT_TRUE(log.contains("export file failed")) << ::testing::PrintToString(log.lines());
        EXPECT_TRUE(log.contains("test output module 1.0"));
        EXPECT_TRUE(log.contains("table.func_output"));
        EXPECT_TRUE(Window::WindowService::Get()->isInputEnabled());
    }
    {
        SCOPED_TRACE("callbacks after func_output returned");
        EXPECT_TRUE(Plugin::ExternalOutputFile::isAbort());
        int read = 5;
        Plugin::ExternalOutputFile::getAudio(0, 100, &read, 1);
        EXPECT_EQ(read, 0);
    }
    {
        SCOPED_TRACE("more samples than the interface counts");
        picture(0, 1400000, {1, 0, 0, 1}, 2);
        TestKit::LogCapture log;
        exportTo(3, IoTest::tempPath("long.tst"));
        EXPECT_TRUE(log.contains("the export is too long for an output plug-in.")) << ::testing::PrintToString(log.lines());
        EXPECT_TRUE(log.contains("export file failed"));
        EXPECT_FALSE(TestKit::runCommand("test -e '" + IoTest::tempPath("long.tst") + "'") == 0);
    }
}

TEST(ExportWithoutRenderer, AviJobWithoutAFrameFailsAndLeavesACompleteFile)
{
    // Without a renderer no frame can be delivered: the writer ends the file
    // before the missing frame and fails the export.
    Platform::Ui::initializeApplication();
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Event::EventService>();
    services.acquire<Cache::CacheService>();
    services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    OutputService* output = services.acquire<OutputService>();
    edit->currentScene->width = 32;
    edit->currentScene->height = 16;
    const std::string path = IoTest::tempPath("no-frame.avi");
    std::string error;
    {
        // The job uses the output service's thread: it ends before the services do.
        Plugin::AviFileSaveFile job(IoTest::widePath(path), dynamic_cast<Plugin::AviFileSave*>(output->writers[0].get()));
        error = TestKit::errorText([&] { job.save(); });
    }
    EXPECT_NE(error.find("getVideo() failed."), std::string::npos) << error;
    std::string probe;
    ASSERT_EQ(TestKit::runCommand("ffprobe -v error -select_streams v -show_entries stream=width,height "
                                  "-of csv=p=0 '" + path + "'",
                                  &probe),
              0);
    EXPECT_EQ(probe, "32,16\n");
    services.releaseAll();
}
