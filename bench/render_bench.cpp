// Measures in one run the render service on a 1920x1080 scene of three
// objects (generated 640x360 pictures with alpha, uploaded each frame, scaled,
// rotated and faded by their output): frames per second through the worker,
// graphics passes and draws per frame from the device's counters, and the
// preview road as scrubbing uses it: 100 preview requests for random frames,
// each waited for, as frames per second and the latency from request to
// callback (median and worst); beside ffmpeg compositing three pictures of
// the same size, scaled, rotated and faded, over a 1920x1080 frame (overlay,
// -f null), with the ratio. Targets: 60 frames/s; median latency under 30 ms.
// The machine's load (uptime) is printed before each figure.
#include "core/event_service.h"
#include "core/service.h"
#include "bench/bench_effects.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/object_draw.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
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
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr int PictureWidth = 640, PictureHeight = 360;

// One generated picture with soft alpha: a diagonal ramp of colours,
// transparent towards its corners (premultiplied, 8 bits per channel).
std::vector<uint8_t> generatePicture(int seed)
{
    std::vector<uint8_t> rgba(size_t(PictureWidth) * PictureHeight * 4);
    for (int y = 0; y < PictureHeight; ++y)
        for (int x = 0; x < PictureWidth; ++x) {
            const float dx = (x - PictureWidth / 2.0f) / PictureWidth, dy = (y - PictureHeight / 2.0f) / PictureHeight;
            const float a = std::clamp(1.2f - 2.0f * std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
            uint8_t* p = &rgba[(size_t(y) * PictureWidth + x) * 4];
            p[0] = static_cast<uint8_t>(((x + 60 * seed) % 256) * a);
            p[1] = static_cast<uint8_t>(((y * 2 + 90 * seed) % 256) * a);
            p[2] = static_cast<uint8_t>(((x + y + 30 * seed) % 256) * a);
            p[3] = static_cast<uint8_t>(255 * a);
        }
    return rgba;
}

using Bench::PictureInput;
using Bench::StandardOutput;

void printUptime()
{
    std::fflush(stdout);
    if (std::system("uptime") != 0)
        std::printf("uptime: (unknown)\n");
    std::fflush(stdout);
}

double timeCommand(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return seconds(start);
}

// ffmpeg's frames per second for the same composition, start-up excluded:
// (n - 1) frames over the time n frames take beyond one.
double ffmpegRate(const std::vector<std::string>& pictures, int frames)
{
    static const struct {
        int x, y;
        float rotation, zoom, alpha;
    } placed[3] = {{-400, -150, 15, 1.5f, 0.9f}, {300, 100, -30, 1.2f, 0.7f}, {0, 200, 60, 0.8f, 0.8f}};
    auto run = [&](int n) {
        std::string command = "ffmpeg -v error -nostdin -f lavfi -i color=c=black@0:s=1920x1080:r=60,format=rgba";
        for (const std::string& p : pictures)
            command += " -f rawvideo -pix_fmt rgba -s 640x360 -stream_loop -1 -i '" + p + "'";
        command += " -filter_complex \"";
        std::string last = "[0]";
        for (int i = 0; i < 3; ++i) {
            const auto& o = placed[i];
            const int w = static_cast<int>(PictureWidth * o.zoom), h = static_cast<int>(PictureHeight * o.zoom);
            const std::string angle = std::to_string(o.rotation) + "*PI/180";
            command += "[" + std::to_string(i + 1) + "]scale=" + std::to_string(w) + ":" + std::to_string(h) +
                       ",rotate=" + angle + ":c=none:ow=rotw(" + angle + "):oh=roth(" + angle +
                       "),colorchannelmixer=aa=" + std::to_string(o.alpha) + "[p" + std::to_string(i) + "];";
            command += last + "[p" + std::to_string(i) + "]overlay=x=(W-w)/2+" + std::to_string(o.x) + ":y=(H-h)/2+" +
                       std::to_string(o.y) + ":format=rgb" + (i == 2 ? "" : "[o" + std::to_string(i) + "];");
            last = "[o" + std::to_string(i) + "]";
        }
        command += "\" -frames:v " + std::to_string(n) + " -f null -";
        return timeCommand(command);
    };
    run(1);
    const double one = run(1), many = run(frames);
    if (one < 0 || many < 0 || many <= one)
        return -1;
    return (frames - 1) / (many - one);
}

} // namespace

int main()
{
    Platform::Ui::initializeApplication();
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    Media::Direct3DService* d3d = services.acquire<Media::Direct3DService>();
    services.acquire<Resource::ResourceService>();
    services.acquire<Event::EventService>();
    Effect::EffectService::builtInEffects = {Bench::registerPictureEffects, nullptr};
    services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    Render::RenderVideoWorker& worker = services.acquire<Render::RenderService>()->videoWorker;

    Edit::Scene& scene = *edit->currentScene;
    scene.width = 1920;
    scene.height = 1080;
    const std::string folder = "/tmp/velmora_render_bench_" + std::to_string(::getpid());
    std::system(("mkdir -p '" + folder + "'").c_str());
    std::vector<std::string> files;
    const struct {
        float x, y, rotation, zoom, alpha;
    } placed[3] = {{-400, -150, 15, 1.5f, 0.9f}, {300, 100, -30, 1.2f, 0.7f}, {0, 200, 60, 0.8f, 0.8f}};
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> rgba = generatePicture(i);
        files.push_back(folder + "/picture" + std::to_string(i) + ".rgba");
        std::ofstream(files.back(), std::ios::binary).write(reinterpret_cast<const char*>(rgba.data()),
                                                            static_cast<std::streamsize>(rgba.size()));
        auto image = Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, PictureWidth, PictureHeight);
        for (int y = 0; y < PictureHeight; ++y)
            std::copy_n(&rgba[size_t(y) * PictureWidth * 4], PictureWidth * 4, image->row(y));
        auto& object = scene.createObject(PictureInput::Name, i, 0, 100000);
        dynamic_cast<PictureInput&>(*object->effects[0]).picture = image;
        auto& output = dynamic_cast<StandardOutput&>(*object->effects[1]);
        output.x = placed[i].x;
        output.y = placed[i].y;
        output.rotation = placed[i].rotation;
        output.zoom = placed[i].zoom;
        output.alpha = placed[i].alpha;
    }
    scene.updateLayerObject();

    std::mutex mutex;
    std::condition_variable done;
    int finished = 0;
    Clock::time_point called;
    auto callback = [&](int, Media::RenderBuffer&, Anchor::AnchorList&) {
        std::lock_guard<std::mutex> lock(mutex);
        called = Clock::now();
        ++finished;
        done.notify_all();
    };
    auto waitFor = [&](int count) {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return finished >= count; });
    };

    // Warm-up: pipelines, pooled pictures.
    for (int f = 0; f < 10; ++f)
        worker.requestRenderingFrame(Render::RenderTaskType::Single, f, callback);
    worker.requestThread.wait();
    d3d->context->finish();

    constexpr int Frames = 240;
    const Platform::Gpu::Context::Counters before = d3d->context->counters();
    const auto start = Clock::now();
    for (int f = 0; f < Frames; ++f)
        worker.requestRenderingFrame(Render::RenderTaskType::Single, f, callback);
    worker.requestThread.wait();
    d3d->context->finish();
    const double elapsed = seconds(start);
    const Platform::Gpu::Context::Counters after = d3d->context->counters();
    const double fps = Frames / elapsed;

    // Scrubbing: one preview request for a random frame at a time, each
    // waited for before the next, as a dragged cursor asks for them.
    constexpr int Scrubbed = 100;
    std::mt19937 random(33);
    std::uniform_int_distribution<int> anyFrame(0, 99999);
    std::vector<double> latency;
    const auto scrubStart = Clock::now();
    for (int i = 0; i < Scrubbed; ++i) {
        const int target = finished + 1;
        const auto asked = Clock::now();
        worker.requestRenderingFrame(Render::RenderTaskType::Preview, anyFrame(random), callback);
        waitFor(target);
        latency.push_back(std::chrono::duration<double, std::milli>(called - asked).count());
        worker.requestThread.wait();
    }
    const double scrubFps = Scrubbed / seconds(scrubStart);
    std::sort(latency.begin(), latency.end());

    const double peer = ffmpegRate(files, Frames);
    std::system(("rm -rf '" + folder + "'").c_str());

    printUptime();
    std::printf("1920x1080 frame of 3 pictures (640x360, scaled, rotated, alpha), %d frames queued: %.1f frames/s "
                "(ffmpeg overlay %.1f frames/s, ratio %.2f; target 60)\n",
                Frames, fps, peer, peer > 0 ? fps / peer : 0.0);
    std::printf("per frame: %.1f passes, %.1f draws, %.2f submits, %.1f clears (%.1f of them done by a pass's start)\n",
                double(after.passes - before.passes) / Frames, double(after.draws - before.draws) / Frames,
                double(after.submits - before.submits) / Frames, double(after.clears - before.clears) / Frames,
                double(after.foldedClears - before.foldedClears) / Frames);
    printUptime();
    std::printf("scrubbing %d random frames, one preview request at a time: %.1f frames/s (target 60), "
                "request to callback median %.2f ms, worst %.2f ms (target: median under 30 ms)\n",
                Scrubbed, scrubFps, latency[latency.size() / 2], latency.back());
    services.releaseAll();
    Platform::Ui::shutdownApplication();
    return 0;
}
