// Measures in one run, at 1920x1080 through the render service's worker:
//   - a 3D scene: a camera control over ten 640x360 pictures at different
//     depths and angles (the real 標準描画), lit by one directional light;
//   - the same ten pictures without the camera (each in the screen view);
//   - the 3D scene with the light bloom at its defaults on the camera;
// frames per second and the graphics passes and draws per frame of each,
// beside ffmpeg compositing the same ten pictures flat (scaled to their
// depth, rotated, overlaid; it has no camera), with the ratio.
// Targets: the lit scene at least 20 frames/s and at least half the rate
// without a camera.
#include "bench/bench_effects.h"
#include "bench/peer_tool.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/basic_output.h"
#include "effects/objects/camera_control.h"
#include "effects/objects/camera_lights.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/gpu/gpu.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_service.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr int Width = 1920, Height = 1080, PictureWidth = 640, PictureHeight = 360, Pictures = 10;

// Where the pictures stand: position, depth and turns in degrees.
struct Placement {
    float x, y, z, rx, ry, rz;
};
Placement placementOf(int i)
{
    const float column = static_cast<float>(i % 5) - 2, row = static_cast<float>(i / 5) - 0.5f;
    return {column * 520, row * 420, static_cast<float>((i * 370) % 1500) - 300, static_cast<float>((i * 17) % 40) - 20,
            static_cast<float>((i * 29) % 70) - 35, static_cast<float>((i * 11) % 30) - 15};
}

// An opaque picture with a pattern of its own.
std::vector<uint8_t> generatePicture(int seed)
{
    std::vector<uint8_t> rgba(size_t(PictureWidth) * PictureHeight * 4);
    for (int y = 0; y < PictureHeight; ++y)
        for (int x = 0; x < PictureWidth; ++x) {
            uint8_t* p = &rgba[(size_t(y) * PictureWidth + x) * 4];
            p[0] = static_cast<uint8_t>((x + 40 * seed) % 256);
            p[1] = static_cast<uint8_t>((y * 2 + 70 * seed) % 256);
            p[2] = static_cast<uint8_t>(((x ^ y) + 25 * seed) % 256);
            p[3] = 255;
        }
    return rgba;
}

void registerBefore(Effect::EffectService& s)
{
    Effect::builtInEffectTable().beforeScripts(s);
    s.registerEffect<Bench::PictureInput>();
}
void registerAfter(Effect::EffectService& s) { Effect::builtInEffectTable().afterScripts(s); }

struct Measured {
    double fps;
    double passes, draws, pipelines;
};

// ffmpeg's frames per second compositing the pictures flat, start-up excluded.
double ffmpegRate(const std::vector<std::string>& files, int frames)
{
    auto run = [&](int n) {
        std::string command = "ffmpeg -v error -nostdin -f lavfi -i color=c=black@0:s=1920x1080:r=60,format=rgba";
        for (const std::string& f : files)
            command += " -f rawvideo -pix_fmt rgba -s 640x360 -stream_loop -1 -i '" + f + "'";
        command += " -filter_complex \"";
        std::string last = "[0]";
        for (int i = 0; i < Pictures; ++i) {
            const Placement p = placementOf(i);
            const float k = 1024 / (1024 + p.z);
            const std::string angle = std::to_string(p.rz) + "*PI/180", id = std::to_string(i);
            command += "[" + std::to_string(i + 1) + "]scale=" + std::to_string(int(PictureWidth * k)) + ":" +
                       std::to_string(int(PictureHeight * k)) + ",rotate=" + angle + ":c=none:ow=rotw(" + angle +
                       "):oh=roth(" + angle + ")[p" + id + "];";
            command += last + "[p" + id + "]overlay=x=(W-w)/2+" + std::to_string(int(p.x * k)) + ":y=(H-h)/2+" +
                       std::to_string(int(p.y * k)) + ":format=rgb" + (i == Pictures - 1 ? "" : "[o" + id + "];");
            last = "[o" + id + "]";
        }
        command += "\" -frames:v " + std::to_string(n) + " -f null -";
        return Bench::timeCommand(command);
    };
    run(1);
    const double one = run(1), many = run(frames);
    return one < 0 || many < 0 || many <= one ? -1 : (frames - 1) / (many - one);
}

} // namespace

int main()
{
    Platform::Ui::initializeApplication();
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct2DService>();
    Media::Direct3DService* d3d = services.acquire<Media::Direct3DService>();
    services.acquire<Resource::ResourceService>();
    services.acquire<Event::EventService>();
    Effect::EffectService::builtInEffects = {registerBefore, registerAfter};
    Effect::EffectService* effects = services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    Render::RenderVideoWorker& worker = services.acquire<Render::RenderService>()->videoWorker;

    Edit::Scene& scene = *edit->currentScene;
    scene.width = Width;
    scene.height = Height;
    const std::string folder = "/tmp/velmora_camera_bench_" + std::to_string(::getpid());
    std::system(("mkdir -p '" + folder + "'").c_str());
    std::vector<std::string> files;
    for (int i = 0; i < Pictures; ++i) {
        const std::vector<uint8_t> rgba = generatePicture(i);
        files.push_back(folder + "/picture" + std::to_string(i) + ".rgba");
        std::ofstream(files.back(), std::ios::binary)
            .write(reinterpret_cast<const char*>(rgba.data()), static_cast<std::streamsize>(rgba.size()));
        auto image = Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, PictureWidth, PictureHeight);
        for (int y = 0; y < PictureHeight; ++y)
            std::copy_n(&rgba[size_t(y) * PictureWidth * 4], PictureWidth * 4, image->row(y));
        auto& object = scene.createObject(Bench::PictureInput::Name, i + 1, 0, 100000);
        dynamic_cast<Bench::PictureInput&>(*object->effects[0]).picture = image;
        auto& output = dynamic_cast<Effect::VideoOutput&>(*object->effects[1]);
        const Placement p = placementOf(i);
        output.x.setValue(p.x, 0);
        output.y.setValue(p.y, 0);
        output.z.setValue(p.z, 0);
        output.rotationX.setValue(p.rx, 0);
        output.rotationY.setValue(p.ry, 0);
        output.rotationZ.setValue(p.rz, 0);
    }
    // The camera, a little above and to the side, with one directional light.
    auto& cameraObject = scene.createObject(Effect::CameraControl::Name, 0, 0, 100000);
    auto& camera = dynamic_cast<Effect::CameraControl&>(*cameraObject->effects[0]);
    camera.x.setValue(200, 0);
    camera.y.setValue(-250, 0);
    camera.z.setValue(-1600, 0);
    camera.targetZ.setValue(400, 0);
    auto addToCamera = [&](const wchar_t* name) {
        std::shared_ptr<Effect::EffectBase> effect = effects->createEffect(name);
        Effect::setEffectItemValueNum(*effect, 1);
        cameraObject->effects.push_back(effect);
        return effect;
    };
    auto light = std::dynamic_pointer_cast<Effect::CameraLight>(addToCamera(Effect::CameraLight::Name));
    light->latitude.setValue(30, 0);
    light->longitude.setValue(-40, 0);
    light->brightness.setValue(80, 0);
    scene.updateLayerObject();

    const Render::RenderVideoWorker::FrameCallback none = [](int, Media::RenderBuffer&, Anchor::AnchorList&) {};
    auto measure = [&](int frames) {
        for (int f = 0; f < 5; ++f) // pipelines, pooled pictures
            worker.requestRenderingFrame(Render::RenderTaskType::Single, f, none);
        worker.requestThread.wait();
        d3d->context->finish();
        const Platform::Gpu::Context::Counters before = d3d->context->counters();
        const auto start = Clock::now();
        for (int f = 0; f < frames; ++f)
            worker.requestRenderingFrame(Render::RenderTaskType::Single, f, none);
        worker.requestThread.wait();
        d3d->context->finish();
        const double elapsed = seconds(start);
        const Platform::Gpu::Context::Counters after = d3d->context->counters();
        return Measured{frames / elapsed, double(after.passes - before.passes) / frames,
                        double(after.draws - before.draws) / frames,
                        double(after.pipelines - before.pipelines) / frames};
    };

    constexpr int Frames = 60;
    const Measured lit = measure(Frames);
    auto bloom = addToCamera(Effect::CameraLightBloom::Name);
    const Measured bloomed = measure(Frames / 3);
    cameraObject->effects.pop_back();
    light->disable = true;
    const Measured unlit = measure(Frames);
    cameraObject->effects[0]->disable = true; // the pictures in the screen view
    const Measured flat = measure(Frames);
    const double peer = ffmpegRate(files, Frames);
    std::system(("rm -rf '" + folder + "'").c_str());

    std::printf("1920x1080, ten 640x360 pictures at different depths and angles (uptime below):\n");
    const auto row = [](const char* label, const Measured& m) {
        std::printf("  %-32s %.1f frames/s, %.1f passes, %.1f draws, %.2f pipelines made per frame\n", label, m.fps,
                    m.passes, m.draws, m.pipelines);
    };
    row("camera + one directional light:", lit);
    row("without a camera:", flat);
    row("camera without the light:", unlit);
    row("camera + light + light bloom:", bloomed);
    std::printf("  target: the lit scene at 20 frames/s and at half the rate without a camera (now %.2f)\n",
                lit.fps / flat.fps);
    std::printf("  ffmpeg overlay of the ten pictures flat: %.1f frames/s (ratio of the lit scene %.2f, of the flat "
                "one %.2f)\n",
                peer, peer > 0 ? lit.fps / peer : 0.0, peer > 0 ? flat.fps / peer : 0.0);
    std::fflush(stdout);
    std::system("uptime");
    services.releaseAll();
    Platform::Ui::shutdownApplication();
    return 0;
}
