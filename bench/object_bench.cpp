// Prints, on the software graphics driver at 1920x1080, with the machine's load
// (uptime) before and after:
// - パーティクル出力: frames per second of an object emitting 500 particles a
//   second for 20 s each (10,000 alive), a 32 x 32 図形: the figure, the
//   particles' vertex list and their one draw into the frame (target 30);
// - テキスト: frames per second of a 100-character text at size 40 drawn into
//   the frame by 標準描画, whole and as individual characters, beside ffmpeg's
//   drawtext of the same text, font and size on a 1080p frame to -f null, with
//   the ratio (target 60 for the whole text);
// - 音声波形表示: pictures per second of the waveform and of the spectrum at
//   800 x 400 from a block of 8,000 samples (target 200 each).
// Each run is waited for on the device. Arguments (particles, text, wave)
// measure only those parts.
#include "bench/peer_tool.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/basic_output.h"
#include "effects/objects/figure_load.h"
#include "effects/objects/particle_output.h"
#include "effects/objects/text_input.h"
#include "effects/objects/wave_image_input.h"
#include "media/audio_buffer.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/image_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
#include "platform/gpu/gpu.h"
#include "platform/ui/application.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int W = 1920, H = 1080;

// Runs of work per second, the device finished before the clock stops, after
// two warm-up runs; at least `runs` runs and half a second.
double perSecond(int runs, const std::function<void()>& work)
{
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    for (int i = 0; i < 2; ++i)
        work();
    d3d->context->finish();
    const Clock::time_point start = Clock::now();
    int done = 0;
    double elapsed = 0;
    while (done < runs || elapsed < 0.5) {
        work();
        d3d->context->finish();
        ++done;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    return done / elapsed;
}

void printUptime()
{
    if (FILE* p = popen("uptime", "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, p))
            std::printf("uptime:%s", line);
        pclose(p);
    }
}

const char* verdict(double value, double target) { return value >= target ? "met" : "missed"; }

int run(const std::vector<std::string>& only)
{
    auto wanted = [&](const char* part) {
        return only.empty() || std::find(only.begin(), only.end(), part) != only.end();
    };
    if (!std::getenv("XDG_DATA_HOME")) {
        char folder[] = "/tmp/velmora-bench-XXXXXX";
        if (mkdtemp(folder))
            setenv("XDG_DATA_HOME", folder, 1);
    }
    printUptime();
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
    std::printf("device: %s\n", d3d->device->facts().name.c_str());

    Edit::Scene scene(0, 0);
    scene.width = W;
    scene.height = H;
    scene.videoRate = 30;
    scene.videoScale = 1;
    scene.audioRate = 48000;
    Media::RenderBuffer frame(Media::Format::R16G16B16A16Float);
    frame.createTexture2D(W, H);
    const float clear[4] = {0, 0, 0, 0};

    // An object of an input and an output of the registry at an object frame.
    auto makeObject = [&](const wchar_t* input, const wchar_t* output) {
        auto object = std::make_shared<Edit::Object>();
        object->start = 0;
        object->end = 99999;
        object->effects = {effects->createEffect(input), effects->createEffect(output)};
        return object;
    };
    auto renderAt = [&](const std::shared_ptr<Edit::Object>& object, int at) {
        Render::RenderObject r;
        r.scene = &scene;
        r.frame = at;
        r.time = at;
        r.resetObject(object);
        r.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
        r.drawState.target = &frame;
        return r;
    };

    // ---- particles; a 2 x 2 figure shows the cost without the pixels: the
    // emission, the vertex list and the draw's set-up.
    if (wanted("particles")) {
        auto object = makeObject(Effect::FigureLoad::Name, Effect::ParticleOutput::Name);
        auto& figure = dynamic_cast<Effect::FigureLoad&>(*object->effects[0]);
        auto& particles = dynamic_cast<Effect::ParticleOutput&>(*object->effects[1]);
        particles.rate.setValue(500, 0);
        particles.life.setValue(20, 0);
        particles.speed.setValue(60, 0);
        particles.spread.setValue(360, 0);
        for (int side : {32, 2}) {
            figure.size.setValue(side, 0);
            int alive = 0;
            const double rate = perSecond(20, [&] {
                d3d->context->clearRenderTarget(*frame.getRenderTargetView(), clear);
                Render::RenderObject r = renderAt(object, 20 * 30);
                auto picture = figure.inputVideo(r);
                particles.outputVideo(r, frame, picture);
                auto* list = dynamic_cast<Media::VertexListQuadPosUv*>(r.vertices.get());
                alive = list ? static_cast<int>(list->vertices.size() / 4) : 0;
            });
            if (side == 32)
                std::printf("パーティクル出力: %d particles of %d x %d, %.1f frames/s; target 30: %s\n", alive, side, side,
                            rate, verdict(rate, 30));
            else
                std::printf("パーティクル出力: %d particles of %d x %d (the frame's pixels left out), %.1f frames/s\n",
                            alive, side, side, rate);
        }
    }

    // ---- text
    const std::wstring text = L"Velmora Tessel2 draws text glyph by glyph: 縁取り, 影, 縦書き and 表示速度 "
                              L"all come from one layout. 百文字の短い文です。";
    double textWhole = 0;
    for (bool individual : {false, true}) {
        if (!wanted("text"))
            break;
        auto object = makeObject(Effect::TextInput::Name, Effect::VideoOutput::Name);
        auto& input = dynamic_cast<Effect::TextInput&>(*object->effects[0]);
        input.text.text = text;
        input.individual.value = individual;
        input.alignment.value = 4;
        const double rate = perSecond(10, [&] {
            d3d->context->clearRenderTarget(*frame.getRenderTargetView(), clear);
            Render::RenderObject r = renderAt(object, 10);
            std::unique_ptr<Media::ResourceBuffer> picture = input.inputVideo(r);
            r.outputVideo(picture);
        });
        if (individual) {
            std::printf("テキスト, %zu characters at size 40 as individual characters: %.1f frames/s\n", text.size(),
                        rate);
            continue;
        }
        textWhole = rate;
        // Where the time goes: the source alone (layout, glyphs drawn in memory, upload).
        const double source = perSecond(10, [&] {
            Render::RenderObject r = renderAt(object, 10);
            input.inputVideo(r);
        });
        std::printf("テキスト, %zu characters at size 40: %.1f frames/s (the source alone %.2f ms of the %.2f ms)\n",
                    text.size(), rate, 1000 / source, 1000 / rate);
    }
    if (wanted("text")) {
        // ffmpeg drawtext: the same text, the program's default font family.
        char folderName[] = "/tmp/velmora-object-XXXXXX";
        const std::string folder = mkdtemp(folderName) ? folderName : "/tmp";
        const std::string textFile = folder + "/text.txt";
        if (FILE* f = std::fopen(textFile.c_str(), "wb")) {
            const std::string utf8 = System::wideToUtf8(text);
            std::fwrite(utf8.data(), 1, utf8.size(), f);
            std::fclose(f);
        }
        std::string fontFile;
        if (FILE* p = popen(("fc-match -f '%{file}' '" + System::wideToUtf8(Setting::Font::DefaultFamily) + "'").c_str(),
                            "r")) {
            char path[512] = {};
            if (std::fgets(path, sizeof path, p))
                fontFile = path;
            pclose(p);
        }
        const int frames = 300;
        const double peer = Bench::ffmpegRate(
            "color=c=black:s=1920x1080:r=30:d=" + std::to_string(frames / 30),
            "-vf \"drawtext=fontfile='" + fontFile + "':textfile='" + textFile +
                "':fontsize=40:fontcolor=white:x=(w-tw)/2:y=(h-th)/2\" -f null",
            "-frames:v 1", frames, 1, "-threads 1 -filter_threads 1 -f lavfi");
        std::printf("ffmpeg drawtext (%s): %.1f frames/s; ratio of the whole text %.2f; target 60: %s\n",
                    fontFile.c_str(), peer, peer > 0 ? textWhole / peer : 0.0, verdict(textWhole, 60));
        std::remove(textFile.c_str());
        std::remove(folder.c_str());
    }

    // ---- waveform and spectrum
    if (wanted("wave")) {
        auto object = makeObject(Effect::WaveImageInput::Name, Effect::VideoOutput::Name);
        auto& wave = dynamic_cast<Effect::WaveImageInput&>(*object->effects[0]);
        Media::AudioBlockBuffer block;
        block.allocate(8000, 2);
        for (uint32_t k = 0; k < 8000; ++k) {
            block.getChannel(0)[k] = 0.4f * std::sin(k * 0.05f);
            block.getChannel(1)[k] = 0.3f * std::sin(k * 0.31f);
        }
        Render::RenderObject r = renderAt(object, 10);
        for (bool spectrum : {false, true}) {
            wave.spectrum.value = spectrum;
            const double rate = perSecond(50, [&] { wave.drawBlock(r, block); });
            std::printf("音声波形表示 %s, 800 x 400 from 8000 samples: %.1f pictures/s; target 200: %s\n",
                        spectrum ? "spectrum" : "waveform", rate, verdict(rate, 200));
        }
    }
    printUptime();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int result = run(std::vector<std::string>(argv + 1, argv + argc));
    Platform::Ui::shutdownApplication();
    return result;
}
