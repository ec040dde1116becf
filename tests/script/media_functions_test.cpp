// Script functions over media and the scene, in both engines on the software
// driver: obj.load of an image made by ImageMagick and a movie frame made by
// ffmpeg (each equal to that tool's decode), of another layer with and
// without its filters, of text and of figures; obj.getaudio over sound files
// made by ffmpeg: the scene's sound of the frame rendered by the audio worker
// (samples at 16-bit full scale, spectrum bands, Fourier magnitudes), a file
// lined up with the object's first frame, an existing table filled in place,
// a size of 0, and the wait for the audio worker while it runs a movement
// script of its own.
#include "tests/effects/objects/object_source_fixture.h"

#include "effect/effect_service.h"
#include "effect/movement.h"
#include "effect/script_movement.h"
#include "effects/objects/audio_output.h"
#include "effects/objects/movie_load.h"
#include "io/input/avi_file_reader.h"
#include "io/input/image_file_reader.h"
#include "io/input/wave_file_reader.h"
#include "media/resource_service.h"
#include "render/cache/cache_service.h"
#include "render/render_object.h"
#include "render/render_service.h"
#include "tests/script/script_fixture.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>

using namespace SourceTest;
using ScriptTest::EngineKeys;

namespace {

constexpr int SamplesPerFrame = 1600; // 48 kHz at 30/1

class MediaFunctions : public ObjectSourceFixture {
protected:
    void SetUp() override
    {
        ObjectSourceFixture::SetUp();
        Plugin::InputService* input = Plugin::InputService::Get();
        input->registerPlugin<Plugin::ImageFileReader>();
        input->registerPlugin<Plugin::AviFileReader>();
        input->registerPlugin<Plugin::WaveFileReader>();
        input->updateExtTypeList();
        auto* engines = services.acquire<Plugin::ScriptService>();
        engines->registerPlugin<Plugin::LuaScript>();
        engines->registerPlugin<Plugin::LuaJitScript>();
        services.acquire<Cache::CacheService>();
        services.acquire<Render::RenderService>();
        edit->currentScene->audioRate = 48000;
        // The object the scripts run on: frames 20 to 79 of layer 10.
        video = edit->currentScene->createObject(L"図形", 10, 20, 79);
        ASSERT_TRUE(video);
    }
    void TearDown() override
    {
        video.reset();
        prototypes.clear();
        ObjectSourceFixture::TearDown();
    }

    // A WAV file of 2 s from ffmpeg expressions ("left|right", or one for mono).
    static std::string sound(const std::string& name, const std::string& expressions, const char* codec)
    {
        return IoTest::makeMedia(name, "-f lavfi -i \"aevalsrc=exprs='" + expressions + "':s=48000:d=2\" -c:a " +
                                           codec);
    }

    // An audio object of the file on its own layer, over the part of the scene used.
    std::shared_ptr<Edit::Object> placeAudio(const std::string& path, int layerNumber)
    {
        std::shared_ptr<Edit::Object> placed = edit->currentScene->createObject(Effect::AudioLoad::Name, layerNumber, 0, 99);
        auto audio = std::dynamic_pointer_cast<Effect::AudioLoad>(placed->effects[0]);
        EXPECT_TRUE(audio);
        if (!audio)
            return nullptr;
        audio->file.path = IoTest::widePath(path);
        audio->resetMediaInfo();
        edit->currentScene->updateLayerObject();
        return placed;
    }

    // Runs an effect script on the video object at an object frame; returns "mes".
    std::string run(const std::string& text, const char* key, int frame = 5)
    {
        std::unique_ptr<Media::ResourceBuffer> picture;
        return run(text, key, picture, frame);
    }
    // The same on a picture, moved in and back out.
    std::string run(const std::string& text, const char* key, std::unique_ptr<Media::ResourceBuffer>& picture,
                    int frame = 5)
    {
        auto prototype = std::make_shared<Effect::ScriptFilter>(L"");
        prototype->createCommonResource();
        prototype->setScriptSection({L"probe", text}, IoTest::widePath(TestKit::tempDir()), nullptr, key);
        prototypes.push_back(prototype);
        auto effect = std::dynamic_pointer_cast<Effect::ScriptFilter>(prototype->create());
        effect->shareResource(*prototype);
        Render::RenderObject r = renderAt(video, frame);
        auto instance = effect->getScript()->engine->createEffectInstance(*effect, r);
        instance->setObjectBuffer(picture);
        instance->executeEffect(text);
        instance->takeObjectBuffer(picture);
        return System::wideToUtf8(instance->messageText);
    }

    // A picture as 8-bit RGBA bytes (working-format values at 255).
    std::string bytes(const Media::ResourceBuffer& picture)
    {
        const TestKit::Picture p = download(picture);
        std::string out;
        for (const auto& px : p) {
            EXPECT_TRUE(std::isfinite(px[0] + px[1] + px[2] + px[3]));
            for (float c : px)
                out += static_cast<char>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255));
        }
        return out;
    }
    static std::string size(const std::unique_ptr<Media::ResourceBuffer>& p)
    {
        return p ? std::to_string(p->getWidth()) + "x" + std::to_string(p->getHeight()) : "none";
    }

    std::shared_ptr<Edit::Object> video;
    std::vector<std::shared_ptr<Effect::ScriptEffect>> prototypes;
};

} // namespace

TEST_F(MediaFunctions, ImagesAndMovieFramesAreTheToolsOwnDecode)
{
    const std::string image = IoTest::tempPath("ramp.png");
    ASSERT_EQ(TestKit::runCommand("convert -size 7x5 gradient:'#ff2000-#0030ff' -type TrueColor -depth 8 '" + image + "'"), 0);
    ASSERT_EQ(TestKit::runCommand("convert '" + image + "' -depth 8 'rgba:" + image + ".rgba'"), 0);
    const std::string magick = TestKit::readFile(image + ".rgba");
    ASSERT_EQ(magick.size(), 7u * 5 * 4);
    const std::string movie =
        IoTest::makeMedia("clip.avi", "-f lavfi -i testsrc2=s=64x48:r=10:d=2 -c:v rawvideo -pix_fmt bgr24");
    const std::vector<std::string> frames = IoTest::ffmpegFrames(movie, "rgba", 64 * 48 * 4);
    ASSERT_EQ(frames.size(), 20u);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        std::unique_ptr<Media::ResourceBuffer> picture;
        // Named, and guessed from the extension; paths relative to the script's folder.
        run("obj.load('image', 'ramp.png')", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(bytes(*picture), magick);
        picture.reset();
        run("obj.load('ramp.png')", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(bytes(*picture), magick);
        // Frame 5 at 0.5 s; the file's length in seconds comes back.
        EXPECT_EQ(run("mes(obj.load('movie', 'clip.avi', 0.5))", key, picture), "2");
        ASSERT_TRUE(picture);
        EXPECT_EQ(bytes(*picture), frames[5]);
        // Without a time: the object's own time, 5 frames of 30/1 in (1/6 s):
        // the nearest frame of 10/1, as the readers round.
        run("obj.load('clip.avi')", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(bytes(*picture), frames[2]);
        // Unreadable files leave no image and raise nothing.
        EXPECT_EQ(run("mes(obj.load('movie', 'none.avi')) obj.load('image', 'none.png') mes(obj.w)", key, picture),
                  "00");
        EXPECT_FALSE(picture);
    }
}

TEST_F(MediaFunctions, AnotherLayerWithAndWithoutItsFilters)
{
    // A figure on layer 4 (object numbering from 1) with a blur that grows it.
    std::shared_ptr<Edit::Object> other = edit->currentScene->createObject(L"図形", 3, 0, 99);
    auto blur = Effect::EffectService::Get()->createEffect(L"ぼかし");
    ASSERT_TRUE(blur);
    other->effects.insert(other->effects.begin() + 1, blur);
    edit->currentScene->updateLayerObject();
    Render::RenderObject r = renderAt(other, 25);
    auto plain = other->effects[0]->inputVideo(r);
    ASSERT_TRUE(plain);
    const std::string figure = bytes(*plain);
    auto blurred = blur->filterVideo(r, std::move(plain));
    ASSERT_TRUE(blurred);
    const std::string filtered = bytes(*blurred);
    ASSERT_NE(filtered.size(), figure.size()) << "the blur grows the picture";
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        std::unique_ptr<Media::ResourceBuffer> picture;
        run("obj.load('layer', 4)", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(bytes(*picture), figure);
        run("obj.load('layer', 4, true)", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_EQ(bytes(*picture), filtered);
        // An empty layer and one out of range leave no image.
        EXPECT_EQ(run("obj.load('layer', 3) mes(obj.w) obj.load('layer', 4) obj.load('layer', 200) mes(obj.w)", key,
                      picture),
                  "00");
    }
}

TEST_F(MediaFunctions, TextAndFiguresWithTheTextStateAndTheFigureList)
{
    const auto& figures = Resource::ResourceService::Get()->figureList.figures;
    ASSERT_GT(figures.size(), 2u);
    const std::string circle = System::wideToUtf8(figures[1].name);
    const std::string svg = IoTest::tempPath("square.svg");
    {
        std::ofstream out(svg);
        out << "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10' viewBox='0 0 10 10'>"
               "<rect width='10' height='10' fill='#000000'/></svg>";
    }
    {
        std::ofstream out(IoTest::tempPath("broken.svg"));
        out << "not a drawing";
    }
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        std::unique_ptr<Media::ResourceBuffer> picture;
        // Text in the text state: a larger size makes a larger picture; a bare
        // word that names no file or figure is text too.
        run("obj.load('text', 'Abc')", key, picture);
        const std::string small = size(picture);
        ASSERT_NE(small, "none");
        run("setfont('', 80) obj.load('text', 'Abc')", key, picture);
        ASSERT_TRUE(picture);
        EXPECT_GT(picture->getWidth(), std::stoul(small));
        const TestKit::Picture drawn = download(*picture);
        EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const TestKit::Pixel& p) { return p[3] == 1; }));
        run("obj.load('Abc')", key, picture);
        EXPECT_EQ(size(picture), small);
        // An empty text keeps the image, while the drawing state is reset.
        EXPECT_EQ(run("obj.load('plane', 3, 2) obj.zoom = 4 obj.load('text', '') mes(obj.w .. 'x' .. obj.h .. ' ' .. obj.zoom)",
                      key, picture),
                  "3x2 1");

        // A figure of the list by name, in colour and size; the default size is 100.
        run("obj.load('figure', '" + circle + "', 0xff0000, 50)", key, picture);
        ASSERT_EQ(size(picture), "50x50");
        const TestKit::Picture red = download(*picture);
        EXPECT_EQ(red[25 * 50 + 25], (TestKit::Pixel{1, 0, 0, 1}));
        EXPECT_EQ(red[0][3], 0.0f) << "a circle leaves its corners clear";
        run("obj.load('" + circle + "')", key, picture);
        EXPECT_EQ(size(picture), "100x100");
        // An SVG file takes the colour; size 0 gives no image.
        run("obj.load('figure', '" + svg + "', 0x00ff00, 20)", key, picture);
        ASSERT_EQ(size(picture), "20x20");
        EXPECT_EQ(download(*picture)[210], (TestKit::Pixel{0, 1, 0, 1}));
        run("obj.load('" + svg + "')", key, picture);
        EXPECT_EQ(size(picture), "100x100");
        run("obj.load('figure', '" + svg + "', 0, 0)", key, picture);
        EXPECT_FALSE(picture);
        EXPECT_NE(TestKit::errorText([&] { run("obj.load('figure', 'no such figure')", key, picture); })
                      .find("figure not exist"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] {
                      run("obj.load('figure', '" + IoTest::tempPath("broken.svg") + "')", key, picture);
                  }).find("not supported figure file"),
                  std::string::npos);
    }
}

TEST_F(MediaFunctions, TheScenesSoundOfTheFrameAsSamplesBandsAndMagnitudes)
{
    // Full scale in both channels: 1 + 1 at 32768 each.
    placeAudio(sound("full.wav", "1|1", "pcm_f32le"), 1);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(run("local n, rate, t = obj.getaudio(nil, 'audiobuffer', 'pcm')"
                      " local same = true for i = 1, n do same = same and t[i] == 65536 end"
                      " mes(n .. ' ' .. rate .. ' ' .. #t .. ' ' .. tostring(same))",
                      key),
                  "1600 48000 1600 true");
        EXPECT_EQ(run("local n, rate, t = obj.getaudio(nil, 'audiobuffer', 'pcm', 100) mes(n .. ' ' .. #t)", key),
                  "100 100");
        EXPECT_EQ(run("local n, _, t = obj.getaudio(nil, 'audiobuffer', 'spectrum', 32) mes(n .. ' ' .. #t)", key),
                  "32 32");
        EXPECT_EQ(run("local n = obj.getaudio(nil, 'audiobuffer', 'spectrum', 5000) mes(n)", key), "1024");
        EXPECT_EQ(run("local n, _, t = obj.getaudio(nil, 'audiobuffer', 'fourier', 3) mes(n .. ' ' .. #t)", key),
                  "1024 1024");
        // A size of 0 gives nothing; a source or type that is not text is the engine's argument error.
        EXPECT_EQ(run("mes(select('#', obj.getaudio(nil, 'audiobuffer', 'pcm', 0)))", key), "0");
        EXPECT_NE(TestKit::errorText([&] { run("obj.getaudio(nil, {}, 'pcm')", key); }).find("bad argument #2"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.getaudio(nil, 'audiobuffer')", key); }).find("bad argument #3"),
                  std::string::npos);
    }
}

TEST_F(MediaFunctions, AFileLinesUpWithTheObjectsFirstFrameAndFillsATableInPlace)
{
    // A mono ramp: sample k holds k / 2^17, so each value names its sample.
    const std::string path = sound("ramp.wav", "floor(t*48000+0.5)/131072", "pcm_f32le");
    const std::vector<float> decoded = IoTest::ffmpegSamples(path);
    ASSERT_GE(decoded.size(), size_t(20 * SamplesPerFrame));
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        // Object frame 5 (scene frame 25): the file's samples from 5 × 1600 on,
        // read through the path relative to the script's folder.
        char script[512];
        std::snprintf(script, sizeof script,
                      "local n, rate, t = obj.getaudio(nil, '%s', 'pcm')"
                      " mes(n .. ' ' .. rate .. ' ' .. t[1] .. ' ' .. t[2] .. ' ' .. t[n])",
                      "ramp.wav");
        // As Lua prints a number.
        const auto at = [&](size_t k) {
            char text[32];
            std::snprintf(text, sizeof text, "%.14g", decoded[k] * 65536.0);
            return std::string(text);
        };
        EXPECT_EQ(run(script, key),
                  "1600 48000 " + at(8000) + " " + at(8001) + " " + at(8000 + SamplesPerFrame - 1));
        EXPECT_EQ(at(8000), "4000") << "the mono sample 8000 / 131072, both channels at 32768";
        // An existing table: its first entries replaced, its tail and other keys kept; two results.
        EXPECT_EQ(run("local t = {name = 'x'} for i = 1, 2000 do t[i] = -1 end"
                      " local a, b, c = obj.getaudio(t, 'ramp.wav', 'pcm', 3)"
                      " mes(a .. ' ' .. b .. ' ' .. tostring(c) .. ' ' .. t[1] .. ' ' .. t[3] .. ' ' .. t[4] .. ' ' .."
                      " t[2000] .. ' ' .. #t .. ' ' .. t.name)",
                      key),
                  "3 48000 nil " + at(8000) + " " + at(8002) + " -1 -1 2000 x");
        // A missing file gives nothing; a first argument that is neither nil nor a table cannot be indexed.
        EXPECT_EQ(run("mes(select('#', obj.getaudio(nil, 'missing.wav', 'pcm')))", key), "0");
        EXPECT_NE(TestKit::errorText([&] { run("obj.getaudio(5, 'ramp.wav', 'pcm')", key); }).find("index"),
                  std::string::npos);
        // A table whose writes fail stops the script with its own message.
        EXPECT_NE(TestKit::errorText([&] {
                      run("local t = setmetatable({}, {__newindex = function() error('no writes here') end})"
                          " obj.getaudio(t, 'ramp.wav', 'pcm')",
                          key);
                  }).find("no writes here"),
                  std::string::npos);
    }
}

TEST_F(MediaFunctions, WaitingForTheSceneLetsTheAudioWorkerRunItsOwnScripts)
{
    // The audio object's volume comes from a movement script: the audio
    // worker needs the engines' lock while the effect script waits for it.
    const std::shared_ptr<Edit::Object> audio = placeAudio(sound("half.wav", "0.5", "pcm_f32le"), 1);
    ASSERT_TRUE(audio);
    Effect::AudioOutput* output = nullptr;
    for (const auto& effect : audio->effects)
        if (!output)
            output = dynamic_cast<Effect::AudioOutput*>(effect.get());
    ASSERT_TRUE(output);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        Effect::ScriptMovement movement(L"volume");
        movement.setScriptSection({L"volume", "return 50 + 50"}, L"/scripts", nullptr, key);
        output->volume.setMovement(&movement);
        auto result = std::async(std::launch::async, [&] {
            return run("local n, _, t = obj.getaudio(nil, 'audiobuffer', 'pcm') mes(n .. ' ' .. t[1] .. ' ' .. t[n])",
                       key);
        });
        if (result.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            ADD_FAILURE() << "the effect script and the audio worker wait for each other";
            std::fflush(nullptr);
            std::_Exit(1);
        }
        // A mono sample of 0.5 reads as 32768.
        EXPECT_EQ(result.get(), "1600 32768 32768");
        output->volume.setMovement(Effect::NoMove::instance);
    }
}
