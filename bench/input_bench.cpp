// Reading every frame of a 1080p AVI file through the input service, beside
// ffmpeg decoding the same file to the same pixel format, measured side by
// side: uncompressed BGR 24-bit (delivered as B8G8R8X8) and MJPEG (delivered
// as YUY2). The files are read once before timing, so both read from the page
// cache. ffmpeg runs with one thread and with its default threads, start-up
// taken out.
#include "bench/peer_tool.h"
#include "core/text.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/image_buffer.h"
#include "render/cache/cache_service.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

struct Case {
    const char* name;
    const char* encode;
    const char* pixelFormat; // ffmpeg's name of the format the reader delivers
    int frames;
};

// Frames per second of reading every frame in order, best of three passes.
double ourRate(Plugin::InputService& input, const std::string& path, int& frames)
{
    const std::wstring name = System::fromLocalPath(path);
    double best = 1e30;
    for (int pass = 0; pass < 4; ++pass) {
        input.clearFileCache();
        auto file = input.getInputFile(name, Plugin::InputService::TypeVideo);
        if (!file)
            return -1;
        frames = file->frameCount;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < frames; ++i)
            file->readVideo(i);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (pass) // the first pass fills the page cache
            best = std::min(best, seconds);
    }
    return frames / best;
}

} // namespace

int main()
{
    char pattern[] = "/tmp/velmora-bench-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir)
        return 1;
    Cache::ScratchBuffers scratch;
    System::ServiceStack services;
    Plugin::InputService& input = *services.acquire<Plugin::InputService>();
    const Case cases[] = {
        {"1080p BGR 24-bit -> B8G8R8X8", "-c:v rawvideo -pix_fmt bgr24", "bgr0", 48},
        {"1080p MJPEG -> YUY2", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3", "yuyv422", 120},
    };
    std::printf("reading every frame through the input service, beside ffmpeg decoding to the same format:\n");
    for (const Case& c : cases) {
        const std::string path = std::string(dir) + "/" + std::to_string(&c - cases) + ".avi";
        if (Bench::timeCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=1920x1080:r=30 -frames:v " +
                               std::to_string(c.frames) + " " + c.encode + " '" + path + "'") < 0) {
            std::printf("  %s: could not make the file\n", c.name);
            continue;
        }
        int frames = 0;
        const double ours = ourRate(input, path, frames);
        const std::string output = std::string("-pix_fmt ") + c.pixelFormat + " -f null";
        const double one = Bench::ffmpegRate(path, output, "-frames:v 1", frames, 1, "-threads 1");
        const double all = Bench::ffmpegRate(path, output, "-frames:v 1", frames, 1, "");
        std::printf("  %-30s %7.1f frames/s   ffmpeg -threads 1 %7.1f frames/s (ratio %.2f)   ffmpeg default "
                    "%7.1f frames/s (ratio %.2f)\n",
                    c.name, ours, one, one > 0 ? ours / one : 0.0, all, all > 0 ? ours / all : 0.0);
    }
    std::system(("rm -rf '" + std::string(dir) + "'").c_str());
    return 0;
}
