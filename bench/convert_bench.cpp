// Measures in one run: 1920x1080 working-format frames converted to YUY2 and
// to RGB24 per second (read back into memory), beside ffmpeg converting the
// same frames (16-bit RGBA in, timed here); and quads per second drawn
// through the plain and the depth object shaders, as single quads and as
// lists of a thousand scattered quads.
#include "core/service.h"
#include "core/setting_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/object_draw.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
#include "platform/gpu/gpu.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double timeCommand(const std::string& command)
{
    auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return seconds(start);
}

// Frames per second of one ffmpeg conversion of the frame in `input`,
// start-up excluded: (n - 1) frames over the time n frames take beyond one.
double ffmpegRate(const std::string& input, const char* outputFormat, int frames)
{
    auto run = [&](int n) {
        return timeCommand("ffmpeg -v error -nostdin -y -stream_loop " + std::to_string(n - 1) +
                           " -f rawvideo -pix_fmt rgba64le -s 1920x1080 -i '" + input + "' -pix_fmt " + outputFormat +
                           " -f rawvideo /dev/null");
    };
    run(1); // warm the file cache
    double one = run(1), many = run(frames);
    if (one < 0 || many < 0 || many <= one)
        return -1;
    return (frames - 1) / (many - one);
}

struct Scene {
    Media::RenderBuffer& frame;
    Media::ResourceBuffer& picture;
    Shader::SamplerStateList& samplers;
    Shader::BlendStateList& blends;
    Shader::RasterizerStateList& rasterizers;
};

// Quads per second of drawing the list `repeats` times.
double quadRate(Scene& s, Media::VertexListQuadPosUv& list, bool depth, int repeats)
{
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Media::ObjectConstant constants;
    constants.projection[0][0] = 2.0f / 1920;
    constants.projection[0][3] = -1;
    constants.projection[1][1] = -2.0f / 1080;
    constants.projection[1][3] = 1;
    constants.projection[2][2] = 1;
    constants.projection[3][3] = 1;
    auto draw = [&] {
        using C = Media::ObjectDraw::Companions;
        Media::ObjectDraw::setTarget(s.frame, depth ? C::Depth : C::None);
        Media::ObjectDraw::setConstants(constants);
        Media::ObjectDraw::setSources(&s.picture, s.samplers.get(1), nullptr);
        d3d->bindRasterizerState(s.rasterizers.get(0));
        d3d->bindBlendState(s.blends.get(0), nullptr);
        depth ? list.setShaderDepth() : list.setShader();
        list.draw();
        Media::ObjectDraw::clear();
    };
    draw();
    d3d->context->finish();
    uint64_t drawsBefore = d3d->context->counters().draws;
    auto start = Clock::now();
    for (int i = 0; i < repeats; ++i)
        draw();
    d3d->context->finish();
    double rate = double(list.vertices.size() / 4) * repeats / seconds(start);
    std::printf("    (%.1f draw calls per list)\n", double(d3d->context->counters().draws - drawsBefore) / repeats);
    return rate;
}

void addQuad(Media::VertexListQuadPosUv& list, float x, float y, float size, float z)
{
    list.vertices.push_back({x, y, z, 0, 0, 0.9f, 0});
    list.vertices.push_back({x + size, y, z, 1, 0, 0.9f, 0});
    list.vertices.push_back({x + size, y + size, z, 1, 1, 0.9f, 0});
    list.vertices.push_back({x, y + size, z, 0, 1, 0.9f, 0});
}
} // namespace

int main()
{
    // Settings of a throw-away data folder: the bench never touches the user's.
    if (!std::getenv("XDG_DATA_HOME")) {
        char folder[] = "/tmp/velmora-bench-XXXXXX";
        if (mkdtemp(folder))
            setenv("XDG_DATA_HOME", folder, 1);
    }
    System::ServiceReference<Setting::SettingService> settings;
    System::ServiceReference<Media::Direct3DService> direct3d;
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    std::printf("device: %s (fragment interlock: %s)\n", d3d->device->facts().name.c_str(),
                d3d->device->facts().fragmentInterlock ? "yes" : "no");

    const int width = 1920, height = 1080;
    auto image = Media::ImageBuffer::create(Media::Format::R16G16B16A16Unorm, width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint16_t*>(image->row(y));
        for (int x = 0; x < width; ++x) {
            row[4 * x] = static_cast<uint16_t>(x * 34);
            row[4 * x + 1] = static_cast<uint16_t>(y * 60);
            row[4 * x + 2] = static_cast<uint16_t>((x ^ y) * 97);
            row[4 * x + 3] = 65535;
        }
    }
    const int options[2] = {0, 0};
    Media::ResourceBuffer content(*image, options);
    Media::RenderBuffer frame(Media::Format::R16G16B16A16Float);
    frame.createTexture2D(width, height);
    shaders.copyShader.copyToRenderBuffer(frame, content);

    // Ours: the frame into memory pictures.
    const int conversions = 40;
    double rates[2];
    const Media::Format formats[2] = {Media::Format::Yuy2, Media::Format::B8G8R8X8Unorm};
    for (int k = 0; k < 2; ++k) {
        frame.createImageBuffer(formats[k], false); // warm up
        auto start = Clock::now();
        for (int i = 0; i < conversions; ++i)
            frame.createImageBuffer(formats[k], false);
        rates[k] = conversions / seconds(start);
    }

    // ffmpeg on the same frame (as 16-bit RGBA, the nearest input it has).
    auto pa64 = frame.createImageBuffer(Media::Format::R16G16B16A16Unorm, false);
    char folder[] = "/tmp/velmora-convert-XXXXXX";
    std::string input = std::string(mkdtemp(folder) ? folder : "/tmp") + "/frame.rgba64";
    if (FILE* f = std::fopen(input.c_str(), "wb")) {
        for (int y = 0; y < height; ++y)
            std::fwrite(pa64->row(y), 8, width, f);
        std::fclose(f);
    }
    const double ffmpegYuy2 = ffmpegRate(input, "yuyv422", 120);
    const double ffmpegRgb = ffmpegRate(input, "bgr0", 120);
    std::remove(input.c_str());
    std::remove(folder);
    std::printf("1920x1080 working format to YUY2: %.1f frames/s (ffmpeg %.1f frames/s, ratio %.2f)\n", rates[0],
                ffmpegYuy2, ffmpegYuy2 > 0 ? rates[0] / ffmpegYuy2 : 0.0);
    std::printf("1920x1080 working format to RGB24: %.1f frames/s (ffmpeg %.1f frames/s, ratio %.2f)\n", rates[1],
                ffmpegRgb, ffmpegRgb > 0 ? rates[1] / ffmpegRgb : 0.0);

    // Quads: a 64 x 64 picture drawn as single quads and as lists of a
    // thousand scattered, partly overlapping quads.
    Media::ResourceBuffer picture(64, 64);
    const float grey[4] = {0.5f, 0.4f, 0.3f, 0.8f};
    picture.clearRenderTargetView(grey);
    Scene scene{frame, picture, samplers, blends, rasterizers};
    Media::VertexListQuadPosUv single, many;
    addQuad(single, 100, 100, 64, 51.2f / 100);
    uint32_t seed = 5;
    for (int i = 0; i < 1000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        float x = float((seed >> 8) % uint32_t(width - 64)), y = float((seed >> 5) % uint32_t(height - 64));
        addQuad(many, x, y, 48, 51.2f / (100 + i % 50));
    }
    for (bool depth : {false, true}) {
        const char* path = depth ? "depth" : "plain";
        std::printf("  %s path, single quads:\n", path);
        double one = quadRate(scene, single, depth, 2000);
        std::printf("  %s path, lists of 1000 quads:\n", path);
        double list = quadRate(scene, many, depth, 20);
        std::printf("quads through the %s path: %.0f per second as single quads, %.0f per second in lists\n", path, one,
                    list);
    }
    return 0;
}
