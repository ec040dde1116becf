// 音声波形表示 on sound files made by ffmpeg: the default picture of one-pixel
// cells following the samples, 音量 200 reaching the bottom row, the cell grids
// of the presets chosen from the menu (one undo step), a 1 kHz tone's tallest
// bar, 横解像度 past the sample count, and without a file the scene's sound
// rendered ahead (silent, sounding, dropped, failed).
#include "tests/effects/objects/object_source_fixture.h"

#include "effects/objects/audio_output.h"
#include "effects/objects/movie_load.h"
#include "effects/objects/wave_image_input.h"
#include "io/input/wave_file_reader.h"
#include "media/audio_buffer.h"
#include "media/resource_buffer.h"
#include "project/edit/undo_service.h"
#include "render/cache/cache_service.h"
#include "render/render_audio_worker.h"
#include "render/render_service.h"
#include "ui/settings/controls/button_controls.h"
#include "ui/settings/controls/file_controls.h"

#include <thread>

using namespace SourceTest;
using Effect::WaveImageInput;

namespace {

constexpr int W = 800, H = 400;

class WaveImage : public ObjectSourceFixture {
protected:
    void SetUp() override
    {
        ObjectSourceFixture::SetUp();
        Plugin::InputService* input = Plugin::InputService::Get();
        input->registerPlugin<Plugin::WaveFileReader>();
        input->updateExtTypeList();
        services.acquire<Cache::CacheService>();
        services.acquire<Render::RenderService>();
        edit->currentScene->audioRate = 48000; // 1600 samples a frame at 30/1
    }

    // A WAV file of two channels from ffmpeg expressions (left|right), 2 seconds.
    std::string sound(const std::string& name, const std::string& expressions)
    {
        return IoTest::makeMedia(name, "-f lavfi -i \"aevalsrc=exprs='" + expressions +
                                           "':s=48000:d=2\" -c:a pcm_s16le");
    }

    std::shared_ptr<WaveImageInput> placeWave(const std::string& path)
    {
        auto wave = place<WaveImageInput>(path.empty() ? std::wstring() : IoTest::widePath(path));
        EXPECT_TRUE(wave);
        return wave;
    }

    // The picture of an object frame, read back; empty when there is none.
    TestKit::Picture picture(WaveImageInput& wave, int frame, int* width = nullptr)
    {
        Render::RenderObject r = renderAt(object, frame);
        wave.preInputVideo(r);
        auto drawn = wave.inputVideo(r);
        if (!drawn)
            return {};
        if (width)
            *width = int(drawn->getWidth());
        TestKit::Picture p = download(*drawn);
        EXPECT_TRUE(finite(p));
        return p;
    }

    static bool lit(const TestKit::Pixel& p) { return p[3] == 1.0f; }
    // The rows of a column holding the full colour.
    static std::vector<int> litRows(const TestKit::Picture& p, int x)
    {
        std::vector<int> rows;
        for (int y = 0; y < H; ++y)
            if (lit(p[size_t(y) * W + x]))
                rows.push_back(y);
        return rows;
    }

    // Chooses a preset from the button's menu as a person would.
    void choosePreset(const wchar_t* label)
    {
        rebuild();
        auto* button = control<Component::ButtonItemControl>(dynamic_cast<WaveImageInput&>(*object->effects[0]).preset);
        ASSERT_TRUE(button);
        std::vector<std::wstring> seen;
        Window::PopupMenu::setChooser([&](const Window::PopupMenu& menu) {
            int chosen = 0; // the command id of the item, none when absent
            for (int i = 0; i < menu.itemCount(); ++i) {
                seen.push_back(menu.item(i).text);
                if (menu.item(i).text == label)
                    chosen = menu.item(i).id;
            }
            return chosen;
        });
        EXPECT_TRUE(button->press());
        Window::PopupMenu::setChooser(nullptr);
        EXPECT_EQ(seen, (std::vector<std::wstring>{L"Type1", L"Type2", L"Type3", L"Type4", L"Type5"}));
    }
};

} // namespace

TEST_F(WaveImage, TheDefaultPictureFollowsTheSamplesInOnePixelCells)
{
    const std::string path = sound("sine.wav", "0.5*sin(2*PI*375*t)|0");
    auto wave = placeWave(path);
    ASSERT_TRUE(wave);
    int width = 0;
    const TestKit::Picture p = picture(*wave, 10, &width);
    ASSERT_EQ(width, W);
    ASSERT_EQ(p.size(), size_t(W) * H);
    saveArtefact(p, W, H, "wave_default.png");
    // ffmpeg's decode: frame 10 starts at sample 16000; the picture mixes both channels.
    const std::vector<float> samples = IoTest::ffmpegSamples(path);
    auto level = [&](int x) {
        const size_t k = 2 * (16000 + size_t(x));
        return int(std::trunc(H * (0.5 + 0.25 * (samples[k] + samples[k + 1]))));
    };
    for (int x = 0; x + 1 < W; ++x) {
        const std::vector<int> rows = litRows(p, x);
        ASSERT_FALSE(rows.empty()) << "column " << x;
        // The segment from this column's sample to the next one's, as thick as a row.
        const int low = std::min(level(x), level(x + 1)), high = std::max(level(x), level(x + 1)) + 1;
        EXPECT_GE(rows.front(), low - 1) << "column " << x;
        EXPECT_LE(rows.back(), high + 1) << "column " << x;
    }
    // Positive samples lie below the middle: a crest of 0.5 is 50 rows down, a trough 50 up.
    EXPECT_NEAR(litRows(p, 32).back(), 251, 1);
    EXPECT_NEAR(litRows(p, 96).front(), 150, 1);
}

TEST_F(WaveImage, Volume200PutsAFullScaleSampleOnTheBottomRow)
{
    auto wave = placeWave(sound("square.wav", "if(lt(mod(t*300,1),0.5),1,-1)|0"));
    ASSERT_TRUE(wave);
    auto bottom = [&](const TestKit::Picture& p) {
        int lowest = -1;
        for (int x = 0; x < W; ++x)
            for (int y : litRows(p, x))
                lowest = std::max(lowest, y);
        return lowest;
    };
    EXPECT_EQ(bottom(picture(*wave, 3)), 300) << "音量 100: a full-scale sample three quarters down";
    wave->volume.setValue(200, 0);
    const TestKit::Picture loud = picture(*wave, 3);
    EXPECT_EQ(bottom(loud), H - 1);
    saveArtefact(loud, W, H, "wave_square_volume200.png");
}

TEST_F(WaveImage, PresetsFromTheMenuAreOneUndoStepAndDrawTheirGrids)
{
    auto wave = placeWave(sound("sine.wav", "0.5*sin(2*PI*375*t)|0"));
    ASSERT_TRUE(wave);
    const size_t steps = edit->currentScene->undoHistory.steps.size();
    choosePreset(L"Type2");
    EXPECT_EQ(wave->horizontalResolution.value, 200);
    EXPECT_EQ(wave->verticalResolution.value, 100);
    EXPECT_EQ(wave->horizontalSpace.value, 50);
    EXPECT_EQ(wave->verticalSpace.value, 50);
    EXPECT_FALSE(wave->spectrum.value);
    EXPECT_EQ(edit->currentScene->undoHistory.steps.size(), steps + 1);

    // 200 x 100 cells of 4 x 4 pixels, half of each side filled: the middle two.
    TestKit::Picture p = picture(*wave, 10);
    ASSERT_FALSE(p.empty());
    saveArtefact(p, W, H, "wave_type2.png");
    long inCells = 0, inGaps = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (p[size_t(y) * W + x][3] > 0)
                ((x % 4 == 1 || x % 4 == 2) && (y % 4 == 1 || y % 4 == 2) ? inCells : inGaps) += 1;
    EXPECT_GT(inCells, 400);
    EXPECT_EQ(inGaps, 0);

    choosePreset(L"Type5");
    EXPECT_TRUE(wave->spectrum.value && wave->mirror.value);
    EXPECT_EQ(edit->currentScene->undoHistory.steps.size(), steps + 2);
    // 40 bars of 20 pixels, 20 % of each filled (x % 20 in 8..11), rows unbroken,
    // mirrored about the middle line.
    p = picture(*wave, 10);
    ASSERT_FALSE(p.empty());
    saveArtefact(p, W, H, "wave_type5.png");
    long bars = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float a = p[size_t(y) * W + x][3];
            if (a > 0) {
                ++bars;
                EXPECT_TRUE(x % 20 >= 8 && x % 20 <= 11) << x;
            }
            ASSERT_EQ(a, p[size_t(H - 1 - y) * W + x][3]) << "mirrored at (" << x << ", " << y << ")";
        }
    EXPECT_GT(bars, 40);

    // Undo goes back one preset at a time.
    ASSERT_TRUE(Undo::UndoService::Get()->undo());
    auto restored = std::dynamic_pointer_cast<WaveImageInput>(edit->currentScene->getLayer(0).objects.front()->effects[0]);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->horizontalResolution.value, 200);
    EXPECT_FALSE(restored->spectrum.value);
}

TEST_F(WaveImage, AThousandHertzToneIsTallestInItsBand)
{
    auto wave = placeWave(IoTest::makeMedia("tone.wav", "-f lavfi -i sine=frequency=1000:sample_rate=48000:duration=2 "
                                                        "-c:a pcm_s16le"));
    ASSERT_TRUE(wave);
    wave->spectrum.value = true;
    wave->horizontalResolution.value = 64;
    wave->volume.setValue(60, 0);
    const TestKit::Picture p = picture(*wave, 15);
    ASSERT_FALSE(p.empty());
    saveArtefact(p, W, H, "wave_spectrum_1khz.png");
    // Heights of the 64 bars (12.5 pixels each), sampled at each bar's middle.
    int tallest = -1, tallestHeight = 0;
    for (int band = 0; band < 64; ++band) {
        const int x = int((band + 0.5) * W / 64);
        int height = 0;
        for (int y = 0; y < H; ++y)
            height += p[size_t(y) * W + x][3] > 0;
        if (height > tallestHeight) {
            tallestHeight = height;
            tallest = band;
        }
    }
    // The display bands lie on a warped axis of 512 bands over the 1024 bins of
    // a 2048-sample window; 1 kHz at 48 kHz is bin 42.67.
    const double q = std::pow(384.0, 1.0 / 512), bin = 1000.0 * 2048 / 48000;
    double g = 2;
    int warped = 0;
    for (int e = 1; e <= 512; ++e) {
        g *= q;
        if (256 * std::pow(e / 512.0, 9.0) + g > bin) {
            warped = e - 1;
            break;
        }
    }
    EXPECT_EQ(tallest, (warped * 64 + 256) / 512);
    EXPECT_GT(tallestHeight, 20);
    EXPECT_LT(tallestHeight, H) << "not clipped at the top";
}

TEST_F(WaveImage, ColumnsStopAtTheSampleCount)
{
    auto wave = placeWave(sound("sine.wav", "0.5*sin(2*PI*375*t)|0"));
    ASSERT_TRUE(wave);
    wave->horizontalResolution.value = 1600; // the frame's samples
    const TestKit::Picture exact = picture(*wave, 10);
    wave->horizontalResolution.value = 4000;
    EXPECT_EQ(picture(*wave, 10), exact);
    wave->horizontalResolution.value = 800;
    EXPECT_NE(picture(*wave, 10), exact);
}

TEST_F(WaveImage, WithoutAFileTheScenesSoundRenderedAhead)
{
    // A silent scene: the middle line, no spectrum, the mirrored centre row.
    auto wave = placeWave("");
    ASSERT_TRUE(wave);
    EXPECT_EQ(std::wstring(wave->getName()), WaveImageInput::Name);
    rebuild();
    auto* file = control<Component::FileItemControl>(wave->file);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->fileText.text, L"現在のシーンの音声") << "the file control without a file";
    TestKit::Picture p = picture(*wave, 5);
    ASSERT_EQ(p.size(), size_t(W) * H);
    for (int x = 0; x < W; ++x)
        ASSERT_EQ(litRows(p, x), (std::vector<int>{H / 2, H / 2 + 1})) << "column " << x;
    long ink = 0;
    for (const auto& px : p)
        ink += px[3] > 0;
    EXPECT_EQ(ink, 2L * W);

    wave->spectrum.value = true;
    p = picture(*wave, 5);
    ASSERT_FALSE(p.empty());
    for (const auto& px : p)
        ASSERT_EQ(px[3], 0) << "no spectrum in silence";
    choosePreset(L"Type5");
    p = picture(*wave, 5);
    ink = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (p[size_t(y) * W + x][3] > 0) {
                ++ink;
                EXPECT_TRUE(y >= 195 && y <= 204) << "only the centre row of cells, not row " << y;
            }
    EXPECT_EQ(ink, 40L * 4 * 10) << "40 bars, 4 pixels wide, one cell of 10 rows";

    // A sounding scene: the sound of an audio object below, as the file itself draws it.
    const std::string path = sound("sine.wav", "0.5*sin(2*PI*375*t)|0");
    object = edit->currentScene->createObject(Effect::AudioLoad::Name, 5, 0, 59);
    auto audio = std::dynamic_pointer_cast<Effect::AudioLoad>(object->effects[0]);
    ASSERT_TRUE(audio);
    audio->file.path = IoTest::widePath(path);
    audio->resetMediaInfo();
    edit->currentScene->updateLayerObject();
    object = edit->currentScene->getLayer(0).objects.front();
    wave->horizontalResolution.value = wave->verticalResolution.value = 0;
    wave->horizontalSpace.value = wave->verticalSpace.value = 0;
    wave->spectrum.value = wave->mirror.value = false;
    const TestKit::Picture fromScene = picture(*wave, 10);
    auto direct = placeWave(path);
    ASSERT_TRUE(direct);
    const TestKit::Picture fromFile = picture(*direct, 10);
    ASSERT_FALSE(fromFile.empty());
    EXPECT_EQ(fromScene, fromFile);
}

TEST_F(WaveImage, ADroppedOrFailedRenderAheadIsNoSound)
{
    auto wave = placeWave("");
    ASSERT_TRUE(wave);
    // Failed after half a block was mixed: the half is not drawn as sound.
    {
        Render::RenderObject r = renderAt(object, 3);
        auto half = std::make_shared<Render::RenderAudioWorker::RenderingBuffer>();
        half->block.allocate(1600, 2);
        half->block.clear();
        for (uint32_t k = 0; k < 800; ++k)
            half->block.getChannel(0)[k] = 0.5f;
        half->failed = true;
        half->event.set();
        r.preInput = half;
        EXPECT_FALSE(wave->inputVideo(r));
        half->failed = false;
        EXPECT_TRUE(wave->inputVideo(r)) << "the same block, complete, is drawn";
    }
    // Dropped: the worker stops before the render ran.
    Render::RenderAudioWorker& worker = Render::RenderService::Get()->audioWorker;
    Sync::Event started, release;
    worker.requestThread.request(3, [&] {
        started.set();
        release.wait();
    });
    started.wait();
    Render::RenderObject r = renderAt(object, 3);
    wave->preInputVideo(r);
    ASSERT_TRUE(r.preInput);
    std::thread stopper([&] { worker.requestThread.stop(); });
    while (worker.requestThread.isRunning())
        std::this_thread::yield();
    release.set();
    stopper.join();
    TestKit::finishWithin(30000, [&] { EXPECT_FALSE(wave->inputVideo(r)); }, "a dropped render ahead");
}

TEST_F(WaveImage, TheFourSourcesStandAtTheirRows)
{
    struct Row {
        const wchar_t* name;
        uint8_t type, media;
        const wchar_t* category;
    } const rows[] = {
        {L"動画ファイル", 1, 3, L""}, {L"画像ファイル", 1, 1, L""},   {L"音声ファイル", 1, 2, L""},
        {L"テキスト", 1, 1, L""},     {L"図形", 1, 1, L""},           {L"シーン", 1, 3, L""},
        {L"基本出力", 2, 1, L""},     {L"パーティクル出力", 2, 1, L""}, {L"音声波形表示", 1, 1, L"カスタムオブジェクト"},
        {L"色調補正", 3, 1, L"色調整"},
    };
    Effect::EffectService& effects = *Effect::EffectService::Get();
    int previous = -1;
    for (const Row& row : rows) {
        SCOPED_TRACE(System::wideToUtf8(row.name));
        Effect::EffectDefine& define = effects.findEffect(row.name);
        EXPECT_GT(define.order, previous) << "in row order";
        previous = define.order;
        EXPECT_EQ(define.getEffectType(), row.type);
        EXPECT_EQ(define.getMediaType(), row.media);
        EXPECT_EQ(define.getObjectMediaType(), row.media);
        EXPECT_EQ(std::wstring(define.prototype->category), row.category);
        std::shared_ptr<Effect::EffectBase> made = effects.createEffect(row.name);
        ASSERT_TRUE(made);
        EXPECT_EQ(std::wstring(made->name), row.name) << "an instance keeps the name";
    }
}
