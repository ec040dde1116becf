// A project of a movie, an image and a sound object, loaded from its text,
// exported to AVI through the export job on the software driver, and checked
// with ffprobe and ffmpeg against ffmpeg's and ImageMagick's own decodes of
// the inputs: uncompressed and MJPEG movies.
#include "core/event_service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "io/input/input_service.h"
#include "io/output/output_service.h"
#include "media/image_service.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "tests/io/io_fixture.h"
#include "tests/media/gpu_fixture.h"
#include "tests/support/test_support.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/menus/output_service_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace {

constexpr int W = 320, H = 240;
constexpr int ImageW = 64, ImageH = 48;
// The image object's place: moved by (50, -30) from the frame centre.
constexpr int ImageLeft = W / 2 + 50 - ImageW / 2, ImageTop = H / 2 - 30 - ImageH / 2;

std::string run(const std::string& command)
{
    std::string output;
    EXPECT_EQ(TestKit::runCommand(command, &output), 0) << command;
    return output;
}

// Raw bytes of a command's standard output.
std::string rawOutput(const std::string& command)
{
    const std::string path = IoTest::tempPath("raw.bin");
    EXPECT_EQ(TestKit::runCommand(command + " > '" + path + "'"), 0) << command;
    return IoTest::readBytes(path);
}

std::vector<int16_t> samples16(const std::string& bytes)
{
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

class MediaExport : public TestKit::GpuFixture {
protected:
    void SetUp() override
    {
        GpuFixture::SetUp();
        Platform::Ui::initializeApplication();
        services.acquire<Setting::SettingService>();
        services.acquire<Event::EventService>();
        services.acquire<Media::ImageService>();
        services.acquire<Plugin::InputService>();
        services.acquire<Cache::CacheService>();
        Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        services.acquire<Render::RenderService>();
        output = services.acquire<Plugin::OutputService>();
        Plugin::OutputHost::install(&host);
    }
    void TearDown() override
    {
        Dialog::setSaveFileAnswerer({});
        Plugin::OutputHost::install(nullptr);
        services.releaseAll();
        GpuFixture::TearDown();
    }

    // Layer 1: the movie over frames 0-59; layer 2: the image over 30-89, moved
    // and half transparent; layer 3: the tone over 60-89.
    std::string project(const std::string& movie, const std::string& image, const std::string& tone)
    {
        const std::string text = "[project]\n"
                                 "[scene.0]\nscene=0\nname=Root\nvideo.width=320\nvideo.height=240\n"
                                 "video.rate=30\nvideo.scale=1\naudio.rate=44100\n"
                                 "[0]\nlayer=0\nscene=0\nframe=0,59\n"
                                 "[0.0]\neffect.name=動画ファイル\nファイル=" + movie + "\n"
                                 "[0.1]\neffect.name=映像再生\n"
                                 "[1]\nlayer=1\nscene=0\nframe=30,89\n"
                                 "[1.0]\neffect.name=画像ファイル\nファイル=" + image + "\n"
                                 "[1.1]\neffect.name=標準描画\nX=50\nY=-30\n透明度=50\n"
                                 "[2]\nlayer=2\nscene=0\nframe=60,89\n"
                                 "[2.0]\neffect.name=音声ファイル\nファイル=" + tone + "\n"
                                 "[2.1]\neffect.name=音声再生\n";
        const std::string path = IoTest::tempPath("media.vmp2");
        IoTest::writeBytes(path, text);
        return path;
    }

    void exportTo(const std::string& projectPath, const std::string& path)
    {
        ASSERT_TRUE(edit->loadProject(IoTest::widePath(projectPath), false, true));
        Edit::Scene& scene = *edit->currentScene;
        ASSERT_EQ(scene.lastFrame, 89);
        Dialog::setSaveFileAnswerer([path](std::wstring& chosen, const std::wstring&) {
            chosen = IoTest::widePath(path);
            return true;
        });
        output->outputFile(0); // the AVI writer, RGB24 and PCM16 by default
        ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return !output->current; }, 600000));
    }

    static std::string yuy2ToRgb(const std::string& yuy2)
    {
        std::string rgb(yuy2.size() / 2 * 3, '\0');
        auto put = [](double v) { return char(uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255))); };
        for (size_t p = 0; p < yuy2.size() / 4; ++p) {
            const uint8_t* q = reinterpret_cast<const uint8_t*>(yuy2.data()) + p * 4;
            const double cb = (q[1] - 128) / 224.0, cr = (q[3] - 128) / 224.0;
            for (int k = 0; k < 2; ++k) {
                const double y = (q[k * 2] - 16) / 219.0;
                char* out = rgb.data() + (p * 2 + k) * 3;
                out[0] = put(y + 1.402 * cr);
                out[1] = put(y - 0.344136 * cb - 0.714136 * cr);
                out[2] = put(y + 1.772 * cb);
            }
        }
        return rgb;
    }

    void checkExport(const std::string& movie, bool yuy2, const std::string& exported, const std::string& image,
                     const std::string& tone)
    {
        // The streams.
        const std::string probe = run("ffprobe -v error -count_frames -show_entries "
                                      "stream=codec_name,width,height,r_frame_rate,nb_read_frames,channels,duration "
                                      "-of default=nw=1 '" + exported + "'");
        EXPECT_NE(probe.find("codec_name=rawvideo"), std::string::npos) << probe;
        EXPECT_NE(probe.find("width=320"), std::string::npos) << probe;
        EXPECT_NE(probe.find("height=240"), std::string::npos) << probe;
        EXPECT_NE(probe.find("r_frame_rate=30/1"), std::string::npos) << probe;
        EXPECT_NE(probe.find("nb_read_frames=90"), std::string::npos) << probe;
        EXPECT_NE(probe.find("codec_name=pcm_s16le"), std::string::npos) << probe;
        EXPECT_NE(probe.find("channels=2"), std::string::npos) << probe;
        EXPECT_NE(probe.find("duration=3.000000"), std::string::npos) << probe;

        const size_t frameBytes = size_t(W) * H * 3;
        const std::string got = rawOutput("ffmpeg -v error -nostdin -i '" + exported + "' -f rawvideo -pix_fmt rgb24 -");
        ASSERT_EQ(got.size(), frameBytes * 90);
        // Frames 0-29: the movie alone. An uncompressed movie against ffmpeg's
        // RGB decode; a compressed one, which the reader decodes to YUY2,
        // against ffmpeg's YUY2 decode turned to RGB by the BT.601 limited-range
        // matrix (a pair's chroma shared by both pixels).
        const std::string want = yuy2 ? yuy2ToRgb(rawOutput("ffmpeg -v error -nostdin -i '" + movie +
                                                            "' -frames:v 30 -f rawvideo -pix_fmt yuyv422 -"))
                                      : rawOutput("ffmpeg -v error -nostdin -i '" + movie +
                                                  "' -frames:v 30 -f rawvideo -pix_fmt rgb24 -");
        ASSERT_EQ(want.size(), frameBytes * 30);
        int worst = 0;
        for (size_t i = 0; i < want.size(); ++i)
            worst = std::max(worst, std::abs(int(uint8_t(got[i])) - int(uint8_t(want[i]))));
        EXPECT_LE(worst, 2) << "movie frames";

        // Frames 60-89: the image at half opacity over black, in its place.
        const std::string rgba = rawOutput("convert '" + image + "' -depth 8 rgba:-");
        ASSERT_EQ(rgba.size(), size_t(ImageW) * ImageH * 4);
        worst = 0;
        for (int f = 60; f < 90; ++f)
            for (int y = 0; y < ImageH; ++y)
                for (int x = 0; x < ImageW; ++x) {
                    const uint8_t* s = reinterpret_cast<const uint8_t*>(rgba.data()) + (size_t(y) * ImageW + x) * 4;
                    const uint8_t* d = reinterpret_cast<const uint8_t*>(got.data()) + frameBytes * f +
                                       (size_t(ImageTop + y) * W + ImageLeft + x) * 3;
                    for (int c = 0; c < 3; ++c) {
                        const double expected = s[c] * (s[3] / 255.0) * 0.5;
                        worst = std::max(worst, int(std::lround(std::fabs(d[c] - expected))));
                    }
                }
        EXPECT_LE(worst, 2) << "image region";

        // The sound: the movie's for 0-2 s, the tone's for 2-3 s.
        const std::vector<int16_t> sound =
            samples16(rawOutput("ffmpeg -v error -nostdin -i '" + exported + "' -f s16le -ac 2 -"));
        ASSERT_EQ(sound.size(), size_t(44100) * 3 * 2);
        const std::vector<int16_t> movieSound = samples16(
            rawOutput("ffmpeg -v error -nostdin -i '" + movie + "' -t 2 -f s16le -ac 2 -ar 44100 -"));
        const std::vector<int16_t> toneSound =
            samples16(rawOutput("ffmpeg -v error -nostdin -i '" + tone + "' -t 1 -f s16le -ac 2 -ar 44100 -"));
        ASSERT_EQ(movieSound.size(), size_t(44100) * 2 * 2);
        ASSERT_EQ(toneSound.size(), size_t(44100) * 2);
        int worstSound = 0;
        for (size_t i = 0; i < movieSound.size(); ++i)
            worstSound = std::max(worstSound, std::abs(sound[i] - movieSound[i]));
        EXPECT_LE(worstSound, 1) << "movie sound";
        worstSound = 0;
        for (size_t i = 0; i < toneSound.size(); ++i)
            worstSound = std::max(worstSound, std::abs(sound[movieSound.size() + i] - toneSound[i]));
        EXPECT_LE(worstSound, 1) << "tone";
    }

    System::ServiceStack services;
    Dialog::OutputServiceHost host;
    Edit::EditService* edit = nullptr;
    Plugin::OutputService* output = nullptr;
};

} // namespace

TEST_F(MediaExport, MovieImageAndSoundExportAsTheToolsDecodeThem)
{
    const std::vector<std::string> movies = IoTest::makeMedia(
        "-f lavfi -i testsrc2=size=320x240:rate=30:duration=3 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=3",
        {{"movie.avi", "-c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -ac 2"}});
    const std::string mjpeg = IoTest::makeMedia("movie_mjpeg.avi", "-i '" + movies[0] + "' -c:v mjpeg -q:v 3 -c:a copy");
    const std::string tone =
        IoTest::makeMedia("tone.wav", "-f lavfi -i sine=frequency=880:sample_rate=44100:duration=2 -c:a pcm_s16le -ac 2");
    const std::string image = IoTest::tempPath("image.png");
    run("convert -size 64x48 gradient:'rgba(255,40,0,1)'-'rgba(0,90,255,0.3)' -fill 'rgba(20,200,60,0.7)' "
        "-draw 'circle 32,24 32,8' '" + image + "'");

    for (const std::string& movie : {movies[0], mjpeg}) {
        SCOPED_TRACE(movie);
        const bool compressed = movie == mjpeg;
        const std::string exported = IoTest::tempPath("exported.avi");
        std::remove(exported.c_str());
        exportTo(project(movie, image, tone), exported);
        checkExport(movie, compressed, exported, image, tone);
    }
}
