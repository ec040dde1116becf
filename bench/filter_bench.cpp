// Prints, on the software graphics driver at 1920x1080: ぼかし at 範囲 10 and
// 50 in frames per second beside ffmpeg's boxblur with the same tent (two
// boxes per axis) and gblur with the same standard deviation, on the same
// picture as raw gbrap frames, with the ratio to the faster; then one table of
// every filter of the filter families at their defaults: frames per second,
// samples per pixel and samples per second (audio filters: 48 kHz stereo
// blocks of one 30 fps frame, with the multiple of real time), and the three
// slowest. Each video frame is the pass on a picture already on the device,
// waited for; the copy that gives each pass its own input is timed alone and
// taken out. Names given as arguments measure only those filters (ぼかし
// among them also runs the comparison with ffmpeg and the blur core's paths).
#include "bench/peer_tool.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_item_color.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/deform/displacement_filter.h"
#include "media/audio_buffer.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "platform/ui/application.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_audio_object.h"
#include "media/render_buffer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int W = 1920, H = 1080;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Seconds per run of work, the device finished before the clock stops; two
// warm-up runs fill the device's picture pool.
double perRun(int runs, const std::function<void()>& work)
{
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    for (int i = 0; i < 2; ++i)
        work();
    d3d->context->finish();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        work();
        d3d->context->finish();
    }
    return seconds(start) / runs;
}

// The ぼかし tent of range R as two boxes per axis: its standard deviation.
// Frames per second of a pass timed together with the copy of its input
// (t seconds a run, copy seconds of them the copy): the copy is taken out,
// unless what is left lies within the copy's noise (under a tenth of it),
// where a difference would claim any rate up to infinity; then the measured
// time stands as it is and copyBound says so.
double passRate(double t, double copy, bool& copyBound)
{
    copyBound = t - copy < 0.1 * copy;
    return copyBound ? 1.0 / t : 1.0 / (t - copy);
}

double tentSigma(int range)
{
    const int r1 = range - range / 2, r2 = range / 2;
    return std::sqrt((r1 * (r1 + 1.0) + r2 * (r2 + 1.0)) / 3.0);
}

// One gbrap 1080p frame of the bench picture (planes g, b, r, a).
std::string writeGbrap(const Media::ImageBuffer& image, const std::string& folder)
{
    const std::string path = folder + "/frame.gbrap";
    std::vector<uint8_t> planes(size_t(W) * H * 4);
    for (int y = 0; y < H; ++y) {
        const auto* row = reinterpret_cast<const uint16_t*>(image.row(y));
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * W + x;
            planes[i] = static_cast<uint8_t>(row[4 * x + 1] >> 8);
            planes[size_t(W) * H + i] = static_cast<uint8_t>(row[4 * x + 2] >> 8);
            planes[2 * size_t(W) * H + i] = static_cast<uint8_t>(row[4 * x] >> 8);
            planes[3 * size_t(W) * H + i] = 255;
        }
    }
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(planes.data(), 1, planes.size(), f);
        std::fclose(f);
    }
    return path;
}

struct Row {
    std::string name;
    double framesPerSecond;
    double samplesPerPixel;
    bool audio;
    bool copyBound = false; // the pass costs less than the noise of the copy taken out: 1 / (copy + pass)
};

// The figures. Every service is on the stack, so the locals (pictures, shader
// lists, the scene and the effects) go first, then the services in reverse.
int run(const std::vector<std::string>& only)
{
    auto wanted = [&](const std::string& name) {
        return only.empty() || std::find(only.begin(), only.end(), name) != only.end();
    };
    if (!std::getenv("XDG_DATA_HOME")) {
        char folder[] = "/tmp/velmora-bench-XXXXXX";
        if (mkdtemp(folder))
            setenv("XDG_DATA_HOME", folder, 1);
    }
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct2DService>();
    Media::Direct3DService* d3d = services.acquire<Media::Direct3DService>();
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    services.acquire<Resource::ResourceService>();
    Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
    Effect::EffectService* effects = services.acquire<Effect::EffectService>();
    // An effect of the registry by name; null, said once, when it is missing.
    auto create = [&](const wchar_t* name) {
        std::shared_ptr<Effect::EffectBase> effect = effects->createEffect(name);
        if (!effect)
            std::printf("%s is not registered\n", System::wideToUtf8(name).c_str());
        return effect;
    };
    std::printf("device: %s\n", d3d->device->facts().name.c_str());

    // A picture with detail everywhere, opaque.
    auto image = Media::ImageBuffer::create(Media::Format::R16G16B16A16Unorm, W, H);
    uint32_t seed = 3;
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<uint16_t*>(image->row(y));
        for (int x = 0; x < W; ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[4 * x] = static_cast<uint16_t>(x * 34);
            row[4 * x + 1] = static_cast<uint16_t>(y * 60);
            row[4 * x + 2] = static_cast<uint16_t>(seed >> 16);
            row[4 * x + 3] = 65535;
        }
    }
    const int options[2] = {0, 0};
    Media::ResourceBuffer source(*image, options);

    auto object = std::make_shared<Edit::Object>();
    object->start = 0;
    object->end = 9999;
    Edit::Scene scene(0, 0);
    scene.videoRate = 30;
    scene.videoScale = 1;
    scene.audioRate = 48000;
    Render::RenderAudioObject render;
    render.scene = &scene;
    render.frame = 100;
    render.time = 100;
    render.resetObject(object);

    const double copy = perRun(20, [&] { source.clone(); });
    bool copyBound = false;
    auto videoRate = [&](Effect::EffectBase& effect, int runs) {
        const double t = perRun(runs, [&] {
            render.drawState = {};
            effect.filterVideo(render, source.clone());
        });
        return passRate(t, copy, copyBound);
    };
    std::printf("the copy of each input: %.2f ms (taken out below)\n", copy * 1000);

    // ぼかし beside ffmpeg.
    char folderName[] = "/tmp/velmora-filter-XXXXXX";
    const std::string folder = mkdtemp(folderName) ? folderName : "/tmp";
    const std::string input = writeGbrap(*image, folder);
    const int peerFrames = 60;
    const std::string rawInput = "-f rawvideo -pix_fmt gbrap -s 1920x1080 -stream_loop " + std::to_string(peerFrames - 1);
    double bokashi10 = 0;
    for (int range : {10, 50}) {
        if (!wanted("ぼかし"))
            break;
        auto blur = std::dynamic_pointer_cast<Effect::BokashiFilter>(effects->createEffect(L"ぼかし"));
        blur->range.setValue(range, 0);
        const double ours = videoRate(*blur, 10);
        if (range == 10)
            bokashi10 = ours;
        const double sigma = tentSigma(range);
        const std::string output = "-f rawvideo";
        auto peer = [&](const std::string& filter) {
            return Bench::ffmpegRate(input, "-vf " + filter + " " + output, "-frames:v 1", peerFrames, 1,
                                     rawInput);
        };
        const double box = peer("boxblur=luma_radius=" + std::to_string(range / 2) + ":luma_power=2");
        char gblur[64];
        std::snprintf(gblur, sizeof gblur, "gblur=sigma=%.3f", sigma);
        const double gauss = peer(gblur);
        const double faster = std::max(box, gauss);
        std::printf("ぼかし 範囲 %d (sigma %.2f): %.1f frames/s; ffmpeg boxblur %.1f, gblur %.1f frames/s; ratio to the "
                    "faster %.2f\n",
                    range, sigma, ours, box, gauss, faster > 0 ? ours / faster : 0.0);
    }

    // The blur core on both paths, where the compute passes take over.
    auto* core = effects->getDefaultEffect<Effect::BokashiFilter>();
    if (wanted("ぼかし"))
        std::printf("blurImage (mode 0), frames/s on the pixel and the compute path:");
    for (int range : {2, 4, 6, 10, 25, 50, 75, 100}) {
        if (!wanted("ぼかし"))
            break;
        double rate[2];
        bool bound[2];
        for (int p = 0; p < 2; ++p) {
            const auto path = p ? Effect::BokashiFilter::Path::Compute : Effect::BokashiFilter::Path::Pixel;
            const double t = perRun(4, [&] { core->blurImage(source.clone(), range, 0, 0, path); });
            rate[p] = passRate(t, copy, bound[p]);
        }
        // "*": within the copy's noise, the rate with the copy.
        std::printf("  %d: %.1f%s / %.1f%s", range, rate[0], bound[0] ? "*" : "", rate[1], bound[1] ? "*" : "");
    }
    if (wanted("ぼかし"))
        std::printf("\n");

    // Every filter at its defaults. Samples per pixel from the passes'
    // formulas at 1080p: 色ずれ 3 + 1 (0 at strength 0: passed on); ぼかし 5 as
    // radii 3 + 2 per axis, (7 + 5) x 2; 境界ぼかし one load; 放射ブラー at 20:
    // k = 1.25, margins 240 and 135, N = trunc(hypot(240, 135)) = 275;
    // 方向ブラー at 20: 2 N - 1 = 39; レンズブラー 5: an 11 x 11 kernel plus the
    // two brightness passes; the basic effects at their defaults pass the
    // picture on or change only the drawing state.
    const std::vector<std::pair<const wchar_t*, double>> video = {
        {L"ぼかし", 24},   {L"レンズブラー", 123}, {L"放射ブラー", 275}, {L"方向ブラー", 39}, {L"境界ぼかし", 1},
        {L"色ずれ", 4},    {L"座標", 0},         {L"拡大率", 0},       {L"透明度", 0},      {L"回転", 0},
        {L"領域拡張", 0},  {L"反転", 0},
    };
    std::vector<Row> rows;
    for (const auto& [name, samples] : video) {
        if (!wanted(System::wideToUtf8(name)))
            continue;
        auto effect = create(name);
        if (!effect)
            continue;
        const double rate = videoRate(*effect, samples > 100 ? 4 : 10);
        rows.push_back({System::wideToUtf8(name), rate, samples, false, copyBound});
    }
    // The key, colour, clipping and deformation filters. The keys and
    // 特定色域変換 get a green key colour (an unset one passes the picture on),
    // 特定色域変換 red as its target. Samples per pixel: the key map 1, the
    // 3 x 3 boundary 9 (クロマキー, カラーキー and 特定色域変換 at 境界補正 1),
    // エッジ抽出 9, グラデーション 2 (gradient, then its blend), マスク 1,
    // ラスター at its defaults the spread of the neighbouring rows' shifts
    // (about 2 x 100 x 2 pi / 100 + 1 = 14), 極座標変換 up to 16 x 2; the clips
    // read none, クリッピング and リサイズ at their defaults pass the picture on.
    const std::vector<std::pair<const wchar_t*, double>> keyed = {
        {L"クロマキー", 11}, {L"カラーキー", 10},  {L"ルミナンスキー", 1}, {L"エッジ抽出", 9},  {L"色調補正", 1},
        {L"グラデーション", 2}, {L"単色化", 1},     {L"特定色域変換", 11},  {L"拡張色設定", 0},  {L"クリッピング", 0},
        {L"斜めクリッピング", 0}, {L"扇クリッピング", 0}, {L"マスク", 1},     {L"波紋", 1},        {L"ラスター", 14},
        {L"極座標変換", 32}, {L"リサイズ", 0},
    };
    for (const auto& [name, samples] : keyed) {
        if (!wanted(System::wideToUtf8(name)))
            continue;
        auto effect = create(name);
        if (!effect)
            continue;
        for (Effect::EffectItem* item : effect->items)
            if (auto* colour = dynamic_cast<Effect::EffectItemColor*>(item); colour && colour->none) {
                const bool target = colour->name == L"変換後の色";
                colour->r = target ? 255 : 0, colour->g = target ? 0 : 255, colour->b = 0, colour->none = false;
            }
        const double rate = videoRate(*effect, samples > 20 ? 4 : 10);
        rows.push_back({System::wideToUtf8(name), rate, samples, false, copyBound});
    }
    // ディスプレイスメントマップ at its defaults (the circle, ぼかし 5) but
    // with the map spread over the picture (元のサイズに合わせる) and an amount
    // for each method, so every pixel is displaced. Samples per pixel: the
    // four corner reads of the map and one of the picture; 回転変形 20 turns
    // the pixel square by 72 degrees inside the circle, a 2 x 2 box of the
    // picture. Where the map's blurred edge lies far from its centre the
    // corners turn by different angles and the box grows (up to 16 x 16).
    for (const auto& [label, method, samples] :
         {std::tuple<const char*, int, double>{"移動変形", 0, 5}, {"拡大変形", 1, 5}, {"回転変形", 2, 8}}) {
        auto effect = std::dynamic_pointer_cast<Effect::DisplacementFilter>(
            effects->createEffect(Effect::DisplacementFilter::Name));
        if (!effect) {
            std::printf("ディスプレイスメントマップ is not registered\n");
            break;
        }
        effect->fit.value = true;
        effect->method.value = method;
        effect->moveX.setValue(20, 0);
        effect->moveY.setValue(-20, 0);
        effect->scale.setValue(50, 0);
        effect->turn.setValue(20, 0);
        const double rate = videoRate(*effect, 10);
        rows.push_back({std::string("ディスプレイスメントマップ ") + label, rate, samples, false, copyBound});
        if (method == 0) {
            // ffmpeg's displace moves each pixel by two map planes (here the
            // picture itself, split three ways), nearest-pixel.
            const double peer = Bench::ffmpegRate(
                input, "-filter_complex '[0]split=3[a][b][c];[a][b][c]displace' -f rawvideo", "-frames:v 1",
                peerFrames, 1, rawInput);
            std::printf("ディスプレイスメントマップ 移動変形: %.1f frames/s; ffmpeg displace %.1f frames/s; ratio %.2f\n",
                        rate, peer, peer > 0 ? rate / peer : 0.0);
        }
    }
    std::remove(input.c_str());
    std::remove(folder.c_str());
    // The light, decoration, processing and placement filters at their
    // defaults. Samples per pixel of the input from the passes' formulas:
    // グロー two streaks of 50 (2 x 99) on a canvas 100 larger, the threshold,
    // ぼかし 1 (3 + 3) and the add; 発光 radii 250, 125 (compute passes, 2 loads
    // per pass), 62 and 31 (pixel passes) and the threshold and adds; 閃光 the
    // radial blur at 75 (zoom 4: N = 2202 on a canvas 16 times the picture)
    // and the adds; 拡散光 ぼかし 12 and the diffusion; ライト four windows of
    // 51 and the copy; 縁取り a 10 x 11 kernel and the copy; ドロップシャドウ
    // ぼかし 10 and the draws; 凸エッジ 1 + 2 x 4; シャープ ぼかし 5 and 2;
    // ノイズ除去 5 x 5; ノイズ six octaves of 8; モザイク about 2 (the
    // averaging passes read each pixel once); オフスクリーン描画 one sample
    // of the object per pixel of the frame-sized picture; 画像ループ one
    // sample per pixel of its single tile; オブジェクト分割 the copies of
    // 100 pieces and their draws through the output; フェード, ワイプ (the
    // frame lies between its fades), 振動 and 材質設定 change only the drawing
    // state.
    {
        // The output the pieces of オブジェクト分割 draw through: each piece
        // copied into a frame-sized picture where it lies. It places the
        // object by its drawing state alone (オフスクリーン描画 asks).
        class PieceOutput : public Effect::EffectBase {
        public:
            PieceOutput()
                : EffectBase(L"出力", Effect::EffectType::Output, Effect::MediaType::Video,
                             Effect::MediaType::Video, L"")
            {
            }
            std::shared_ptr<EffectBase> create() override { return std::make_shared<PieceOutput>(); }
            Render::RenderObject::DrawState getOutputView(Render::RenderObject& r) override { return r.drawState; }
            void outputVideo(Render::RenderObject& r, Media::RenderBuffer&,
                             std::unique_ptr<Media::ResourceBuffer>& picture) override
            {
                Shader::ShaderList& list = *Shader::ShaderList::published();
                const float left = r.drawState.x + (W - static_cast<float>(picture->getWidth())) * 0.5f;
                const float top = r.drawState.y + (H - static_cast<float>(picture->getHeight())) * 0.5f;
                const int32_t offset[2] = {-static_cast<int>(left), -static_cast<int>(top)};
                std::memcpy(list.constants, offset, sizeof offset);
                list.updateConstants();
                list.copyOffsetShader.draw(frame, *picture, &list.constantBuffer);
            }
            Media::ResourceBuffer frame{W, H};
        };
        auto output = std::make_shared<PieceOutput>();
        Media::RenderBuffer target(Media::Format::R16G16B16A16Float);
        target.createTexture2D(W, H);
        const std::vector<std::pair<const wchar_t*, double>> placed = {
            {L"グロー", 206},      {L"発光", 402},         {L"閃光", 35234},        {L"拡散光", 56},
            {L"ライト", 205},      {L"縁取り", 111},       {L"ドロップシャドウ", 48}, {L"凸エッジ", 9},
            {L"シャープ", 26},     {L"ノイズ除去", 25},    {L"インターレース解除", 3}, {L"ノイズ", 48},
            {L"モザイク", 2},      {L"オフスクリーン描画", 1}, {L"画像ループ", 1},     {L"オブジェクト分割", 2},
            {L"フェード", 0},      {L"ワイプ", 0},
            {L"振動", 0},          {L"材質設定(カメラ制御)", 0},
        };
        for (const auto& [name, samples] : placed) {
            if (!wanted(System::wideToUtf8(name)))
                continue;
            auto effect = create(name);
            if (!effect)
                continue;
            // オブジェクト分割's pieces go through the program's own 基本出力
            // (each piece drawn over the frame where it lies); the others
            // through the stand-in.
            std::shared_ptr<Effect::EffectBase> drawer = output;
            if (std::wstring(name) == L"オブジェクト分割")
                drawer = effects->createEffect(L"基本出力");
            object->effects = {drawer, drawer, effect};
            render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
            const double t = perRun(samples > 10000 ? 1 : samples > 100 ? 4 : 10, [&] {
                render.drawState = {};
                render.drawState.target = &target;
                render.index = 0;
                render.num = 1;
                render.offscreenDrawn = render.skipOutputTransform = false;
                effect->filterVideo(render, source.clone());
            });
            bool bound = false;
            const double rate = passRate(t, copy, bound);
            rows.push_back({System::wideToUtf8(name), rate, samples, false, bound});
        }
        object->effects.clear();
        render.objectList.reset();
    }
    // Audio: stereo blocks of one frame at 48 kHz and 30 fps, a frame inside
    // the fades so the ramp runs.
    const uint32_t blockSamples = 1600;
    for (const wchar_t* name : {L"音量フェード", L"モノラル化", L"音量調整"}) {
        if (!wanted(System::wideToUtf8(name)))
            continue;
        auto effect = effects->createEffect(name);
        auto block = std::make_unique<Media::AudioBlockBuffer>();
        block->allocate(blockSamples, 2);
        for (uint32_t c = 0; c < 2; ++c)
            std::fill(block->getChannel(c), block->getChannel(c) + blockSamples, 0.25f);
        render.frame = 5;
        render.time = 5;
        const int runs = 20000;
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < runs; ++i) {
            render.leftGain = render.rightGain = 1;
            block = effect->filterAudio(render, std::move(block));
        }
        const double blocksPerSecond = runs / seconds(start);
        rows.push_back({System::wideToUtf8(name), blocksPerSecond, blockSamples, true});
    }

    std::printf("\n%-16s %14s %18s %22s\n", "filter (1080p)", "frames/s", "samples per pixel", "samples/s");
    for (const Row& row : rows) {
        if (row.audio) {
            const double samples = row.framesPerSecond * row.samplesPerPixel;
            std::printf("%-16s %14.1f %18s %16.3g (%.0fx real time)\n", row.name.c_str(), row.framesPerSecond,
                        "audio", samples, samples / 48000);
        } else if (row.copyBound) {
            std::printf("%-16s %14s %18.0f %22s (within the copy's noise; with the copy %.1f frames/s)\n",
                        row.name.c_str(), "copy-bound", row.samplesPerPixel, "-", row.framesPerSecond);
        } else {
            std::printf("%-16s %14.1f %18.0f %22.3g\n", row.name.c_str(), row.framesPerSecond, row.samplesPerPixel,
                        row.framesPerSecond * row.samplesPerPixel * W * H);
        }
    }
    std::vector<const Row*> order;
    for (const Row& row : rows)
        if (!row.audio)
            order.push_back(&row);
    std::sort(order.begin(), order.end(),
              [](const Row* a, const Row* b) { return a->framesPerSecond < b->framesPerSecond; });
    std::printf("slowest: ");
    for (size_t i = 0; i < std::min<size_t>(3, order.size()); ++i)
        std::printf("%s%s (%.1f frames/s)", i ? ", " : "", order[i]->name.c_str(), order[i]->framesPerSecond);
    std::printf("\n");
    if (bokashi10 > 0)
        std::printf("ぼかし at 範囲 10: %.3g samples/s (44 samples per pixel), the mark for filters of more than 100 "
                "samples per pixel\n",
                bokashi10 * 44 * W * H);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is measured
    const int result = run(std::vector<std::string>(argv + 1, argv + argc));
    // The services went with run(); the toolkit application a service made
    // goes before exit. Left to the exit handlers, the settings file and the
    // application were destroyed after what they use, the program crashed
    // and a buffered stdout lost every figure.
    Platform::Ui::shutdownApplication();
    return result;
}
