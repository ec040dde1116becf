// The export's road against the plainest one: a 30-frame export of a project
// of real sources (an uncompressed and an MJPEG movie, looped, scaled, moving
// and half transparent, a still image with alpha, a sound file) through the
// output service, in each video type of the AVI writer, compared byte for byte
// with the same frames rendered one request at a time, read back and copied
// into the writer's bitmap on the processor, and with the frames' sound
// rendered one request at a time.
#include "core/event_service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "io/input/input_service.h"
#include "io/output/avi_file_save.h"
#include "io/output/output_service.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "media/render_buffer.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "render/render_ticket.h"
#include "tests/io/io_fixture.h"
#include "tests/io/riff_tree.h"
#include "tests/media/gpu_fixture.h"
#include "tests/support/test_support.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/menus/output_service_host.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int W = 320, H = 180, Frames = 30;

class ExportRoad : public TestKit::GpuFixture {
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
        render = services.acquire<Render::RenderService>();
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

    // Layer 0: the movie, looped, at its size; layer 1: the MJPEG copy at
    // 50 %, moving right and half transparent; layer 2: the image, zoomed,
    // rotated and moving up from frame 10; layer 3: the tone.
    std::string project(const std::string& movie, const std::string& mjpeg, const std::string& image,
                        const std::string& tone)
    {
        const std::string text = "[project]\n"
                                 "[scene.0]\nscene=0\nname=Root\nvideo.width=320\nvideo.height=180\n"
                                 "video.rate=30\nvideo.scale=1\naudio.rate=48000\n"
                                 "[0]\nlayer=0\nscene=0\nframe=0,29\n"
                                 "[0.0]\neffect.name=動画ファイル\nループ再生=1\nファイル=" + movie + "\n"
                                 "[0.1]\neffect.name=映像再生\n"
                                 "[1]\nlayer=1\nscene=0\nframe=0,29\n"
                                 "[1.0]\neffect.name=動画ファイル\nファイル=" + mjpeg + "\n"
                                 "[1.1]\neffect.name=映像再生\nX=-80,80,直線移動,0\nY=-20\n拡大率=50\n透明度=50\n"
                                 "[2]\nlayer=2\nscene=0\nframe=10,29\n"
                                 "[2.0]\neffect.name=画像ファイル\nファイル=" + image + "\n"
                                 "[2.1]\neffect.name=標準描画\nX=40\nY=30,-30,直線移動,0\n拡大率=130\nZ軸回転=20\n"
                                 "透明度=25\n"
                                 "[3]\nlayer=3\nscene=0\nframe=3,26\n"
                                 "[3.0]\neffect.name=音声ファイル\nファイル=" + tone + "\n"
                                 "[3.1]\neffect.name=音声再生\n音量=80\n左右=-30\n";
        const std::string path = IoTest::tempPath("road.vmp2");
        IoTest::writeBytes(path, text);
        return path;
    }

    std::string exportTo(const std::string& path)
    {
        std::remove(path.c_str());
        Dialog::setSaveFileAnswerer([path](std::wstring& chosen, const std::wstring&) {
            chosen = IoTest::widePath(path);
            return true;
        });
        output->outputFile(0);
        EXPECT_TRUE(Platform::Ui::processMessagesUntil([&] { return !output->current; }, 600000));
        return IoTest::readBytes(path);
    }

    // The frame rendered alone and copied into the writer's bitmap by the
    // picture's own conversion.
    std::string referenceFrame(int frame, Media::Format format, const System::BitmapInfoHeader& header)
    {
        std::string bits(header.biSizeImage, '\0');
        auto ticket = render->videoWorker.requestRenderingFrame(
            Render::RenderTaskType::Single, frame, [&](int, Media::RenderBuffer& buffer, Anchor::AnchorList&) {
                buffer.createImageBuffer(format, true)->copyToBitmap(header, bits.data(), bits.size());
            });
        EXPECT_TRUE(ticket->wait()) << frame;
        return bits;
    }

    // The frame's sound rendered alone, interleaved in the writer's format.
    std::string referenceSound(int frame, uint16_t tag)
    {
        std::string bytes;
        auto ticket = render->audioWorker.requestRenderingAudio(
            Render::RenderTaskType::Single, frame, [&](int, Media::AudioBlockBuffer& block) {
                Media::AudioBuffer sound;
                sound.formatTag = tag;
                sound.bitsPerSample = tag == 1 ? 16 : 32;
                sound.blockAlign = tag == 1 ? 4 : 8;
                sound.channels = 2;
                sound.convertTo(block);
                bytes.assign(static_cast<const char*>(sound.data.data), size_t(sound.sampleCount) * sound.blockAlign);
            });
        EXPECT_TRUE(ticket->wait()) << frame;
        return bytes;
    }

    System::ServiceStack services;
    Dialog::OutputServiceHost host;
    Edit::EditService* edit = nullptr;
    Render::RenderService* render = nullptr;
    Plugin::OutputService* output = nullptr;
};

} // namespace

TEST_F(ExportRoad, ExportIsBitForBitTheFrameByFrameRoad)
{
    const std::vector<std::string> movies =
        IoTest::makeMedia("-f lavfi -i testsrc2=size=320x180:rate=30:duration=1 -f lavfi -i "
                          "sine=frequency=440:sample_rate=48000:duration=1",
                          {{"road.avi", "-c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -ac 2"},
                           {"road_mjpeg.avi", "-c:v mjpeg -q:v 3 -c:a pcm_s16le -ac 2"}});
    const std::string tone =
        IoTest::makeMedia("road_tone.wav", "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=1 -c:a pcm_s16le -ac 2");
    const std::string image = IoTest::tempPath("road.png");
    ASSERT_EQ(TestKit::runCommand("convert -size 80x60 gradient:'rgba(255,40,0,1)'-'rgba(0,90,255,0.3)' "
                                  "-fill 'rgba(20,200,60,0.7)' -draw 'circle 40,30 40,10' '" + image + "'"),
              0);
    ASSERT_TRUE(edit->loadProject(IoTest::widePath(project(movies[0], movies[1], image, tone)), false, true));
    ASSERT_EQ(edit->currentScene->lastFrame, Frames - 1);
    auto* writer = dynamic_cast<Plugin::AviFileSave*>(output->writers[0].get());
    ASSERT_NE(writer, nullptr);

    struct Type {
        const wchar_t* video;
        const wchar_t* audio;
        uint16_t tag;
    };
    for (const Type type : {Type{L"RGB24bit", L"PCM16bit", 1}, Type{L"RGBA32bit", L"PCM(float)32bit", 3},
                            Type{L"YUY2", L"PCM16bit", 1}}) {
        SCOPED_TRACE(std::string(type.video, type.video + std::wcslen(type.video)));
        writer->videoType = type.video;
        writer->audioType = type.audio;
        const std::string file = exportTo(IoTest::tempPath("road_export.avi"));
        std::vector<IoTest::RiffNode> pieces = IoTest::parseRiff(file);
        ASSERT_EQ(pieces.size(), 1u);
        IoTest::RiffNode* movi = pieces[0].findDeep("movi");
        ASSERT_NE(movi, nullptr);
        std::vector<const std::string*> video, sound;
        for (const IoTest::RiffNode& c : movi->children)
            (c.id == "00db" ? video : sound).push_back(&c.data);
        ASSERT_EQ(video.size(), size_t(Frames));
        ASSERT_EQ(sound.size(), size_t(Frames));
        // The frames show something, and it moves.
        EXPECT_NE(video[0]->find_first_not_of('\0'), std::string::npos);
        EXPECT_NE(*video[0], *video[Frames - 1]);

        const Media::Format format = Plugin::AviFileSave::videoFormatOf(type.video);
        System::BitmapInfoHeader header{};
        Media::ImageBuffer::getBitmapInfoHeader(header, format, W, H);
        int differentFrames = 0, differentSounds = 0;
        for (int f = 0; f < Frames; ++f) {
            differentFrames += *video[size_t(f)] != referenceFrame(f, format, header);
            differentSounds += *sound[size_t(f)] != referenceSound(f, type.tag);
        }
        EXPECT_EQ(differentFrames, 0);
        EXPECT_EQ(differentSounds, 0);
    }
}
