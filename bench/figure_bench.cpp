// Prints, at 1920x1080: figures per second (a filled star, an outlined heart),
// wipe masks per second (circle; image from its file, whose picture the wipe
// keeps on the device, and from a decoded picture uploaded each time), and SVG documents of 200 paths drawn per second beside
// rsvg-convert on the same file and size, with the ratio. Every figure counts
// the whole road into a GPU picture, waiting for the device at the end.
// Arguments name the cases to run (star, heart, circle, image, decoded, svg;
// all when none), for profiling one of them.
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/image_service.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/svg_document.h"
#include "platform/gpu/gpu.h"
#include "platform/ui/application.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
constexpr int W = 1920, H = 1080;

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

struct Rate {
    double perSecond = 0;    // wall clock
    double cpuMs = 0;        // processor time of the whole process (driver threads too) per item
    double pageFaults = 0;   // minor page faults per item
};

double processSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long pageFaults()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Runs make ten times to warm up (the device's picture and upload pools fill), then runs
// times; the device finishes before the clocks stop.
Rate measure(int runs, const std::function<bool()>& make)
{
    for (int i = 0; i < 10; ++i)
        if (!make())
            return {};
    Media::Direct3DService::Get()->context->finish();
    const Clock::time_point start = Clock::now();
    const double cpuStart = processSeconds();
    const long faultsStart = pageFaults();
    for (int i = 0; i < runs; ++i)
        if (!make())
            return {};
    Media::Direct3DService::Get()->context->finish();
    return {runs / seconds(start, Clock::now()), (processSeconds() - cpuStart) * 1000 / runs,
            static_cast<double>(pageFaults() - faultsStart) / runs};
}

double perSecond(int runs, const std::function<bool()>& make)
{
    return measure(runs, make).perSecond;
}

void print(const char* what, const Rate& rate)
{
    std::printf("%-52s %7.1f/s  %6.2f ms processor time and %6.0f page faults each (target 100/s)\n", what,
                rate.perSecond, rate.cpuMs, rate.pageFaults);
}

// 200 closed curves of three cubic segments, random colours, partly see-through and stroked.
std::string makeSvg()
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> x(0, W), y(0, H), d(-250, 250), unit(0, 1);
    std::string text = R"(<svg xmlns="http://www.w3.org/2000/svg" width="1920" height="1080" viewBox="0 0 1920 1080">)";
    char path[512];
    for (int i = 0; i < 200; ++i) {
        const double x0 = x(random), y0 = y(random);
        std::snprintf(path, sizeof path,
                      R"(<path d="M%.1f %.1f C%.1f %.1f %.1f %.1f %.1f %.1f S%.1f %.1f %.1f %.1f S%.1f %.1f %.1f %.1f Z" )"
                      R"(fill="#%02x%02x%02x" fill-opacity="%.2f"%s/>)",
                      x0, y0, x0 + d(random), y0 + d(random), x0 + d(random), y0 + d(random), x0 + d(random),
                      y0 + d(random), x0 + d(random), y0 + d(random), x0 + d(random), y0 + d(random), x0 + d(random),
                      y0 + d(random), x0, y0, static_cast<int>(unit(random) * 255), static_cast<int>(unit(random) * 255),
                      static_cast<int>(unit(random) * 255), 0.5 + unit(random) / 2,
                      i % 4 == 0 ? R"( stroke="#202020" stroke-width="3")" : "");
        text += path;
    }
    return text + "</svg>\n";
}

double childSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Seconds (wall clock, and processor time in cpu) for runs documents drawn by
// rsvg-convert, one process per document as a user runs it (its PNG goes
// nowhere); negative when it fails.
double rsvgSeconds(const std::string& file, int runs, double* cpu = nullptr)
{
    const std::string command = "for i in $(seq " + std::to_string(runs) + "); do rsvg-convert -w " +
                                std::to_string(W) + " -h " + std::to_string(H) + " '" + file +
                                "' > /dev/null || exit 1; done 2>/dev/null";
    const Clock::time_point start = Clock::now();
    const double cpuStart = childSeconds();
    if (std::system(command.c_str()) != 0)
        return -1;
    if (cpu)
        *cpu += childSeconds() - cpuStart;
    return seconds(start, Clock::now());
}
} // namespace

int main(int argc, char** argv)
{
    auto wanted = [&](const char* name) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], name) == 0)
                return true;
        return false;
    };
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct2DService>();
    services.acquire<Media::Direct3DService>();
    Resource::ResourceService* resources = services.acquire<Resource::ResourceService>();
    const Resource::FigureList& figures = resources->figureList;

    // Figures of a shared machine mean little without its load.
    if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
        double average = 0;
        if (std::fscanf(load, "%lf", &average) == 1)
            std::printf("machine load: %.1f on %ld processors\n", average, ::sysconf(_SC_NPROCESSORS_ONLN));
        std::fclose(load);
    }
    const ColorF color{1, 0.8f, 0.2f, 1};
    // The first pictures of a run fill the memory pools of the process and the device: not counted.
    perSecond(40, [&] { return !!figures.createFigureImage(2, W, H, color, 65536, false); });
    if (wanted("star"))
        print("figures 1920x1080, filled star:",
              measure(30, [&] { return !!figures.createFigureImage(6, W, H, color, 65536, false); }));
    if (wanted("heart"))
        print("figures 1920x1080, outlined heart (line 40):",
              measure(30, [&] { return !!figures.createFigureImage(7, W, H, color, 40, false); }));
    const Resource::Transition& circle = resources->transitionList.transitions[0];
    if (wanted("circle"))
        print("wipe masks 1920x1080, circle:", measure(30, [&] { return !!circle.createMask(W, H, 0.6f, 0, false); }));

    char dir[] = "/tmp/velmora-bench-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    const std::string png = std::string(dir) + "/wipe.png", svg = std::string(dir) + "/paths.svg";
    if (std::system(("convert -seed 7 -size 1920x1080 plasma:fractal -colorspace gray '" + png + "'").c_str()) != 0) {
        std::printf("convert is missing: no image wipe figures\n");
        return 1;
    }
    const Resource::Transition image(L"wipe", System::fromLocalPath(png));
    if (wanted("image"))
        print("wipe masks 1920x1080, image file (its picture kept):",
              measure(20, [&] { return !!image.createMask(W, H, 0.5f, 0, false); }));
    auto decoded = Resource::loadTransitionImage(image.filePath);
    if (wanted("decoded"))
        print("wipe masks 1920x1080, image, a decoded picture each:",
              measure(30, [&] { return !!Resource::createLuminanceMask(decoded, W, H, 0.5f, 0, false); }));

    if (wanted("svg")) {
        std::ofstream(svg) << makeSvg();
        const std::wstring svgPath = System::fromLocalPath(svg);
        // Rounds alternate between the two, so that a change of the shared machine's speed meets both.
        const int rounds = 5, perRound = 4;
        double ourSeconds = 0, theirSeconds = 0, ourCpu = 0, theirCpu = 0;
        if (!Media::SvgDocument::render(svgPath.c_str(), W, H, color, Media::Format::Unknown) || rsvgSeconds(svg, 1) < 0) {
            std::printf("SVG: a document was not drawn (is rsvg-convert installed?)\n");
            std::system(("rm -rf '" + std::string(dir) + "'").c_str());
            return 1;
        }
        for (int round = 0; round < rounds; ++round) {
            const Rate rate = measure(perRound, [&] {
                return !!Media::SvgDocument::render(svgPath.c_str(), W, H, color, Media::Format::Unknown);
            });
            ourSeconds += perRound / rate.perSecond;
            ourCpu += rate.cpuMs * perRound / 1000;
            theirSeconds += rsvgSeconds(svg, perRound, &theirCpu);
        }
        const double n = rounds * perRound, ours = n / ourSeconds, theirs = n / theirSeconds;
        std::printf("SVG of 200 paths at 1920x1080: %.2f documents/s into working-format GPU pictures (%.0f ms "
                    "processor time each); rsvg-convert %.2f documents/s to PNG (%.0f ms each); ratio %.2f (target 2)\n",
                    ours, ourCpu * 1000 / n, theirs, theirCpu * 1000 / n, ours / theirs);
    }
    std::system(("rm -rf '" + std::string(dir) + "'").c_str());
    services.releaseAll();
    Platform::Ui::shutdownApplication();
    return 0;
}
