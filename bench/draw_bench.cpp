// Prints glyphs per second for a 1,000-character text object drawn into a
// 1920x1080 picture in memory and on the graphics processor, and decodes per
// second of a 1920x1080 PNG, JPEG and TIFF beside ImageMagick's convert on the
// same files.
#include "core/service.h"
#include "core/setting_service.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/resource_buffer.h"
#include "media/render_target_direct3d.h"
#include "media/resource_service.h"
#include "media/text_draw.h"
#include "platform/gpu/gpu.h"
#include "platform/draw/target.h"
#include "platform/imaging/image_codec.h"
#include "platform/ui/application.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// 25 lines of 40 characters, Japanese and Latin mixed.
std::wstring makeText()
{
    const std::wstring pattern = L"動画編集Velmora テキスト描画 glyphs 縦横 Abc 0123 あいうえお";
    std::wstring text;
    int count = 0;
    for (size_t i = 0; count < 1000; ++i) {
        text += pattern[i % pattern.size()];
        ++count;
        if (count % 40 == 0 && count < 1000)
            text += L'\n';
    }
    return text;
}

// Where the text goes: a picture in memory, or a working-format picture on the
// graphics device reached one of the two ways.
enum class Into { Memory, GpuWidenedInMemory, GpuWidenedOnDevice };

double benchText(float border, Into into)
{
    const std::wstring text = makeText();
    const int runs = 10;
    Clock::time_point start = Clock::now();
    uint32_t glyphs = 0;
    int width = 0, height = 0;
    // The first object pays for the caches and the pipelines: not counted.
    for (int i = -1; i < runs; ++i) {
        if (i == 0) {
            start = Clock::now();
            glyphs = 0;
        }
        Media::TextDraw t;
        t.text = text.c_str();
        t.fontName = L"Noto Sans CJK JP";
        t.size = 28;
        t.borderFactor = border;
        t.color = {1, 1, 1, 1};
        t.color2 = {0, 0, 0, 1};
        t.time = 1000;
        t.layout(nullptr);
        width = t.blockWidth();
        height = t.blockHeight();
        if (into == Into::Memory) {
            auto picture = Platform::Draw::Target::createPicture(1920, 1080);
            t.drawToTarget(*picture);
        } else {
            // As the text object draws (a cleared picture, drawn under the
            // lock, uploaded after it), with the widening chosen here.
            Media::ResourceBuffer picture(1920, 1080);
            const float clear[4] = {0, 0, 0, 0};
            picture.clearRenderTargetView(clear);
            Media::RenderTargetDirect3D surface = picture.getSurface();
            t.drawToTarget(surface.target());
            surface.upload(into == Into::GpuWidenedOnDevice ? Media::Widening::OnDevice : Media::Widening::InMemory);
            Media::Direct3DService::Get()->context->finish(); // the picture is complete
        }
        glyphs += t.characterCount;
    }
    double s = seconds(start, Clock::now());
    const char* where = into == Into::Memory               ? "pictures in memory"
                        : into == Into::GpuWidenedInMemory ? "GPU pictures, widened in memory and uploaded"
                                                           : "GPU pictures, uploaded 8-bit and widened by a pass";
    std::printf("text: %u glyphs (1,000 per object, %dx%d block, border %s) into 1920x1080 %s: %.0f glyphs/s\n",
                glyphs, width, height, border > 0 ? "on" : "off", where, glyphs / s);
    return glyphs / s;
}

// One 1920x1080 drawing reaching a working-format picture each way, the
// rasterising left out: wall time and the processor time of the whole process
// (a software device's pass runs on the processor's other cores).
void benchUpload()
{
    const std::wstring text = makeText();
    Media::TextDraw t;
    t.text = text.c_str();
    t.fontName = L"Noto Sans CJK JP";
    t.size = 28;
    t.time = 1000;
    t.layout(nullptr);
    Media::ResourceBuffer picture(1920, 1080);
    Media::RenderTargetDirect3D surface = picture.getSurface();
    t.drawToTarget(surface.target());
    Platform::Gpu::Context& context = *Media::Direct3DService::Get()->context;
    for (Media::Widening widening : {Media::Widening::InMemory, Media::Widening::OnDevice}) {
        surface.upload(widening); // first use: pipelines and memory
        context.finish();
        const int runs = 20;
        const Clock::time_point start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        for (int i = 0; i < runs; ++i) {
            surface.upload(widening);
            context.finish();
        }
        const double wall = seconds(start, Clock::now()) * 1000 / runs;
        const double cpu = double(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC / runs;
        std::printf("upload of a 1920x1080 drawing into a working-format picture, %s: %.1f ms (processor time %.1f ms)\n",
                    widening == Media::Widening::OnDevice ? "8-bit, widened by a pass" : "widened in memory", wall, cpu);
    }
}

double convertDecodesPerSecond(const std::string& file, int runs)
{
    // One process reads the file runs times, so start-up is paid once.
    std::string command = "convert";
    for (int i = 0; i < runs; ++i)
        command += " '" + file + "'";
    command += " null: 2>/dev/null";
    Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return 0;
    return runs / seconds(start, Clock::now());
}

void benchDecode(const char* name, const std::string& file)
{
    const int runs = 20;
    std::vector<uint8_t> pixels;
    Clock::time_point start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        auto result = Platform::Imaging::decodeFile(file, Platform::Imaging::PixelLayout::Rgba,
                                                    [&](int w, int h, size_t& stride) {
                                                        pixels.resize(size_t(w) * h * 4);
                                                        stride = size_t(w) * 4;
                                                        return pixels.data();
                                                    });
        if (!result) {
            std::printf("%s: decode failed\n", name);
            return;
        }
    }
    double ours = runs / seconds(start, Clock::now());
    double theirs = convertDecodesPerSecond(file, runs);
    std::printf("decode %s 1920x1080: %.1f decodes/s (ImageMagick convert: %.1f decodes/s)\n", name, ours, theirs);
}
} // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::Direct2DService>();
    services.acquire<Media::Direct3DService>();
    services.acquire<Resource::ResourceService>();
    const double memory = benchText(0.06f, Into::Memory);
    benchText(0, Into::Memory);
    const double inMemory = benchText(0.06f, Into::GpuWidenedInMemory);
    const double onDevice = benchText(0.06f, Into::GpuWidenedOnDevice);
    std::printf("text with border into GPU pictures / into memory (GPU work waited for): widened in memory %.2f, "
                "on the device %.2f; the device (%s) prefers widening %s\n",
                inMemory / memory, onDevice / memory, Media::Direct3DService::Get()->device->facts().name.c_str(),
                Media::preferredWidening() == Media::Widening::OnDevice ? "on the device" : "in memory");
    benchUpload();

    char dir[] = "/tmp/velmora-bench-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    const std::string png = std::string(dir) + "/frame.png", jpg = std::string(dir) + "/frame.jpg",
                      tif = std::string(dir) + "/frame.tif";
    std::string make = "convert -seed 7 -size 1920x1080 plasma:fractal '" + png + "' && convert '" + png +
                       "' -quality 90 '" + jpg + "' && convert '" + png + "' -compress LZW '" + tif + "'";
    if (std::system(make.c_str()) != 0) {
        std::printf("convert is missing: no decode figures\n");
        return 1;
    }
    benchDecode("PNG", png);
    benchDecode("JPEG", jpg);
    benchDecode("TIFF (LZW)", tif);
    std::system(("rm -rf '" + std::string(dir) + "'").c_str());
    services.releaseAll();
    Platform::Ui::shutdownApplication();
    return 0;
}
