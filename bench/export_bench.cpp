// Measures in one run a 150-frame 1920x1080 export of a one-picture scene to
// an RGB24 AVI through the real path (render on the graphics device, read
// back, convert, write), beside ffmpeg writing a rawvideo AVI of the same
// frames (from raw bgr24 extracted from our file beforehand, untimed) and a
// plain sequential write of as many bytes (the disk's ceiling), with the
// ratios. Target: at least ffmpeg's frames per second. Then our export again
// with the software driver held to 1, 2, 4 and 8 raster threads
// (LP_NUM_THREADS, in a child process each). The machine's load (uptime) is
// printed before each figure. The files go to a temporary folder and are
// deleted; with less than 4 GB free the benchmark refuses to run. With the
// argument "ours" only our export's frames per second is printed.
#include "bench/bench_effects.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "io/output/avi_file_save.h"
#include "io/output/output_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_service.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr int Width = 1920, Height = 1080, Frames = 150;

// A generated 1920x1080 picture (premultiplied RGBA, 8 bits per channel).
std::shared_ptr<Media::ImageBuffer> generatePicture()
{
    auto image = Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, Width, Height);
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = image->row(uint32_t(y));
        for (int x = 0; x < Width; ++x) {
            row[4 * x] = uint8_t(x);
            row[4 * x + 1] = uint8_t(y);
            row[4 * x + 2] = uint8_t(x + y);
            row[4 * x + 3] = 255;
        }
    }
    return image;
}

double timeCommand(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return seconds(start);
}

// The disk's ceiling: the same number of bytes written in 1 MiB blocks and flushed.
double sequentialWrite(const std::string& path, uint64_t bytes)
{
    std::vector<char> block(1 << 20, 7);
    const auto start = Clock::now();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return -1;
    for (uint64_t done = 0; done < bytes; done += block.size())
        std::fwrite(block.data(), 1, size_t(std::min<uint64_t>(block.size(), bytes - done)), f);
    std::fflush(f);
    ::fsync(::fileno(f));
    std::fclose(f);
    return seconds(start);
}

void printUptime()
{
    std::fflush(stdout);
    if (std::system("uptime") != 0)
        std::printf("uptime: (unknown)\n");
    std::fflush(stdout);
}

// Our frames per second from a child run with the driver's thread count set.
double oursWithDriverThreads(int threads)
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0)
        return -1;
    self[n] = 0;
    const std::string command = "LP_NUM_THREADS=" + std::to_string(threads) + " '" + self + "' ours 2>/dev/null";
    FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return -1;
    double fps = -1;
    char line[256];
    while (std::fgets(line, sizeof(line), child))
        std::sscanf(line, "ours %lf", &fps);
    ::pclose(child);
    return fps;
}

} // namespace

int main(int argc, char** argv)
{
    const bool oursOnly = argc > 1 && std::string(argv[1]) == "ours";
    const std::string folder = "/tmp/velmora_export_bench_" + std::to_string(::getpid());
    struct statvfs disk {};
    if (::statvfs("/tmp", &disk) == 0 && uint64_t(disk.f_bavail) * disk.f_frsize < (uint64_t(4) << 30)) {
        std::printf("less than 4 GB free in /tmp: not run\n");
        return 1;
    }
    std::system(("mkdir -p '" + folder + "'").c_str());

    Platform::Ui::initializeApplication();
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    Media::Direct3DService* d3d = services.acquire<Media::Direct3DService>();
    services.acquire<Resource::ResourceService>();
    services.acquire<Event::EventService>();
    services.acquire<Cache::CacheService>();
    Effect::EffectService::builtInEffects = {Bench::registerPictureEffects, nullptr};
    services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    Edit::EditService* edit = services.acquire<Edit::EditService>();
    services.acquire<Render::RenderService>();
    Plugin::OutputService* output = services.acquire<Plugin::OutputService>();

    Edit::Scene& scene = *edit->currentScene;
    scene.width = Width;
    scene.height = Height;
    auto& object = scene.createObject(Bench::PictureInput::Name, 0, 0, Frames - 1);
    dynamic_cast<Bench::PictureInput&>(*object->effects[0]).picture = generatePicture();
    scene.updateLayerObject();

    auto* writer = dynamic_cast<Plugin::AviFileSave*>(output->writers[0].get());
    auto run = [&](const std::string& path) {
        Plugin::AviFileSaveFile job(std::wstring(path.begin(), path.end()), writer);
        job.save();
    };
    // Warm-up: pipelines, pooled pictures.
    run(folder + "/warm.avi");
    d3d->context->finish();

    const std::string ours = folder + "/ours.avi";
    if (!oursOnly)
        printUptime();
    const auto start = Clock::now();
    run(ours);
    const double elapsed = seconds(start);
    const double fps = Frames / elapsed;
    if (oursOnly) {
        std::system(("rm -rf '" + folder + "'").c_str());
        std::printf("ours %.2f\n", fps);
        services.releaseAll();
        Platform::Ui::shutdownApplication();
        return 0;
    }

    std::system(("ffmpeg -v error -nostdin -y -i '" + ours + "' -f rawvideo -pix_fmt bgr24 '" + folder +
                 "/frames.raw'")
                    .c_str());
    printUptime();
    const double peer = timeCommand("ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt bgr24 -s 1920x1080 -r 30 -i '" +
                                    folder + "/frames.raw' -c:v rawvideo -pix_fmt bgr24 '" + folder + "/ffmpeg.avi'");
    const double peerFps = peer > 0 ? Frames / peer : -1;
    const uint64_t bytes = uint64_t(Frames) * Width * Height * 3;
    const double plain = sequentialWrite(folder + "/plain.bin", bytes);
    const double plainFps = plain > 0 ? Frames / plain : -1;
    std::system(("rm -rf '" + folder + "'").c_str());

    std::printf("%d-frame 1920x1080 export to an RGB24 AVI (render, read-back, write): %.1f frames/s\n", Frames, fps);
    std::printf("ffmpeg rawvideo AVI from raw bgr24: %.1f frames/s (ratio %.2f; target at least 1)\n", peerFps,
                peerFps > 0 ? fps / peerFps : 0.0);
    std::printf("plain sequential write of the same bytes: %.1f frames/s (ratio %.2f)\n", plainFps,
                plainFps > 0 ? fps / plainFps : 0.0);
    services.releaseAll();
    Platform::Ui::shutdownApplication();

    std::printf("the same export with the software driver's raster threads held (LP_NUM_THREADS):\n");
    for (int threads : {1, 2, 4, 8}) {
        printUptime();
        std::printf("  %d thread%s: %.1f frames/s\n", threads, threads == 1 ? "" : "s", oursWithDriverThreads(threads));
    }
    return 0;
}
