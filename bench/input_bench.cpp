// Reading 1080p AVI files through the input service, beside ffmpeg decoding
// the same files to the same pixel format with one thread (start-up taken
// out): every frame in order, and frames at random positions. The files are
// read once before timing, so both sides read from the page cache. Prints the
// load of the machine beside the figures: ratios in one run are what count.
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
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Case {
    const char* name;
    const char* encode;
    const char* pixelFormat; // ffmpeg's name of the format the reader delivers
    int frames;
    bool intraOnly;
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Frames per second of reading the frames in the order given from a freshly
// opened file, best of three passes after one that fills the page cache.
double ourRate(Plugin::InputService& input, const std::string& path, const std::vector<int>& order)
{
    const std::wstring name = System::fromLocalPath(path);
    double best = 1e30;
    for (int pass = 0; pass < 4; ++pass) {
        input.clearFileCache();
        auto file = input.getInputFile(name, Plugin::InputService::TypeVideo);
        if (!file)
            return -1;
        const auto start = std::chrono::steady_clock::now();
        for (int i : order)
            file->readVideo(i);
        if (pass)
            best = std::min(best, secondsSince(start));
    }
    return double(order.size()) / best;
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
        {"H.264 B-frames -> YUY2", "-c:v libx264 -preset fast -bf 2 -g 30 -pix_fmt yuv420p", "yuyv422", 120, false},
        {"MJPEG 4:2:2 -> YUY2", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3", "yuyv422", 120, true},
        {"HuffYUV 4:2:2 -> YUY2", "-c:v huffyuv -pix_fmt yuv422p", "yuyv422", 60, true},
        {"raw BGR 24-bit -> B8G8R8X8", "-c:v rawvideo -pix_fmt bgr24", "bgr0", 48, true},
    };
    std::system("uptime");
    std::printf("1080p frames/s read through the input service, beside ffmpeg -threads 1 decoding to the same "
                "format:\n");
    for (const Case& c : cases) {
        const std::string path = std::string(dir) + "/" + std::to_string(&c - cases) + ".avi";
        if (Bench::timeCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=1920x1080:r=30 -frames:v " +
                               std::to_string(c.frames) + " " + c.encode + " '" + path + "'") < 0) {
            std::printf("  %s: could not make the file\n", c.name);
            continue;
        }
        std::vector<int> sequential(size_t(c.frames)), random;
        for (int i = 0; i < c.frames; ++i)
            sequential[size_t(i)] = i;
        std::mt19937 pick(11);
        for (int i = 0; i < 40; ++i)
            random.push_back(int(pick() % unsigned(c.frames)));
        const double inOrder = ourRate(input, path, sequential);
        const double atRandom = ourRate(input, path, random);
        const std::string output = std::string("-pix_fmt ") + c.pixelFormat + " -f null";
        const double peer = Bench::ffmpegRate(path, output, "-frames:v 1", c.frames, 1, "-threads 1");
        std::printf("  %-28s in order %7.1f   ffmpeg -threads 1 %7.1f   ratio %5.2f%s\n", c.name, inOrder, peer,
                    peer > 0 ? inOrder / peer : 0.0, peer > 0 && inOrder >= peer ? "" : "   (target missed)");
        std::printf("  %-28s at random %6.1f   %.2fx slower than in order%s\n", "", atRandom,
                    atRandom > 0 ? inOrder / atRandom : 0.0,
                    c.intraOnly ? (atRandom * 3 >= inOrder ? "   (intra-only: within 3x)" : "   (intra-only: target missed)")
                                : "   (decodes from the key frames before)");
    }
    std::system("uptime");
    std::system(("rm -rf '" + std::string(dir) + "'").c_str());
    return 0;
}
