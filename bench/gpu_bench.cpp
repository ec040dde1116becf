// Measures the picture paths of the graphics device in one run:
// - upload and read-back of a 1920x1080 working-format picture, each beside a
//   processor copy of the same bytes (memcpy into memory already touched);
// - a chain of 20 full-frame filter-like passes, once making a new picture per
//   pass as filters do, once ping-ponging two pictures, in passes per second,
//   with the peak picture memory above the chain's live set;
// - full-frame copy draws and small-quad draws per second (per-draw overhead);
// - the pipelines two starts of the graphics service build for the same draws,
//   and how many of the second start's the driver found whole in the pipeline
//   cache file the first start left (the settings live in a folder of its own).
#include "core/service.h"
#include "core/setting_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/pixel_shader.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

constexpr int Width = 1920, Height = 1080;
constexpr int ChainPasses = 20;

// One filter-like pass: the source times a constant into the target.
void pass(Shader::ShaderList& shaders, Media::ResourceBuffer& target, Media::ResourceBuffer& source, int i)
{
    float alpha = 1.0f - float(i % 7) / 100.0f;
    std::memcpy(shaders.constants, &alpha, 4);
    shaders.updateConstants();
    shaders.multiplyAlphaShader.draw(target, source, &shaders.constantBuffer);
}

struct ChainResult {
    double passesPerSecond;
    uint64_t peakBytes;
};

// frames of ChainPasses passes each, flushed per frame as the renderer does.
ChainResult chain(Shader::ShaderList& shaders, Media::ResourceBuffer& source, int frames, bool pingPong)
{
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Media::ResourceBuffer pair[2] = {Media::ResourceBuffer(pingPong ? Width : 0, pingPong ? Height : 0),
                                     Media::ResourceBuffer(pingPong ? Width : 0, pingPong ? Height : 0)};
    // Start without pictures kept for reuse: what the chain needs, it makes.
    d3d->context->finish();
    d3d->device->freePooledMemory();
    d3d->context->finish();
    d3d->device->resetMemoryPeak();
    const uint64_t before = d3d->device->memory().images;
    auto start = Clock::now();
    for (int f = 0; f < frames; ++f) {
        if (pingPong) {
            pass(shaders, pair[0], source, 0);
            for (int i = 1; i < ChainPasses; ++i)
                pass(shaders, pair[i % 2], pair[(i + 1) % 2], i);
        } else {
            auto current = std::make_unique<Media::ResourceBuffer>(Width, Height);
            pass(shaders, *current, source, 0);
            for (int i = 1; i < ChainPasses; ++i) {
                auto next = std::make_unique<Media::ResourceBuffer>(Width, Height);
                pass(shaders, *next, *current, i);
                current = std::move(next); // the filter's input is dropped
            }
        }
        d3d->context->flush();
    }
    d3d->context->finish();
    double rate = frames * ChainPasses / seconds(start);
    uint64_t peak = d3d->device->memory().imagesPeak;
    return {rate, peak > before ? peak - before : 0};
}

struct StartPipelines {
    uint64_t built, fromCache, cacheBytesLoaded;
};

// One start of the graphics service that draws what the chain and the copies
// draw, and stops again (the device writes its pipeline cache file as it goes).
StartPipelines startAndDraw()
{
    System::ServiceReference<Media::Direct3DService> direct3d;
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    Media::ResourceBuffer source(64, 64), target(64, 64);
    shaders.copyShader.drawNoConstant(target, source);
    pass(shaders, source, target, 0);
    d3d->context->finish();
    const Platform::Gpu::Context::Counters counters = d3d->context->counters();
    return {counters.pipelines, counters.pipelinesFromCache, d3d->device->facts().pipelineCacheLoaded};
}

void measure();
} // namespace

int main()
{
    // The pipeline cache file lives with the settings: here in a folder of the
    // run's own, so that the first start finds none.
    char data[] = "/tmp/velmora-bench-XXXXXX";
    if (!::mkdtemp(data))
        return 1;
    ::setenv("XDG_DATA_HOME", data, 1);
    StartPipelines first{}, second{};
    {
        System::ServiceReference<Setting::SettingService> settings;
        first = startAndDraw();
        second = startAndDraw();
        measure();
    }
    std::printf("pipelines of the chain and copy draws: first start built %llu; second start built %llu, "
                "%llu of them found in the cache file (%llu bytes loaded)\n",
                (unsigned long long)first.built, (unsigned long long)second.built,
                (unsigned long long)second.fromCache, (unsigned long long)second.cacheBytesLoaded);
    std::system(("rm -rf '" + std::string(data) + "'").c_str());
    return 0;
}

namespace {
void measure()
{
    System::ServiceReference<Media::Direct3DService> direct3d;
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    std::printf("device: %s\n", d3d->device->facts().name.c_str());

    auto image = Media::ImageBuffer::create(Media::Format::R16G16B16A16Float, Width, Height);
    for (uint32_t i = 0; i < image->buffer.size; ++i)
        image->data()[i] = static_cast<uint8_t>(i * 31 >> 3) & 0x3F;
    const double bytes = double(image->buffer.size);

    // Processor copy of the same bytes into memory already touched.
    std::vector<uint8_t> copy(image->buffer.size, 1);
    const int copies = 50;
    auto start = Clock::now();
    for (int i = 0; i < copies; ++i) {
        image->data()[i] = static_cast<uint8_t>(i);
        std::memcpy(copy.data(), image->data(), copy.size());
    }
    const double memcpyRate = bytes * copies / seconds(start) / 1e9;

    // Upload (a new picture from memory, on the device when the next command
    // runs) and read-back, each moving the frame once.
    const int options[2] = {0, 0};
    for (int i = 0; i < 3; ++i) // warm up the device's reusable buffers and pictures
        Media::ResourceBuffer(*image, options).readImageBuffer();
    const int transfers = 30;
    double uploadTime = 0, readTime = 0;
    for (int i = 0; i < transfers; ++i) {
        auto t0 = Clock::now();
        Media::ResourceBuffer picture(*image, options);
        d3d->context->finish();
        auto t1 = Clock::now();
        auto back = picture.readImageBuffer();
        readTime += seconds(t1);
        uploadTime += std::chrono::duration<double>(t1 - t0).count();
        if (back->data()[1] != image->data()[1])
            std::printf("mismatch\n");
    }
    const double uploadRate = bytes * transfers / uploadTime / 1e9;
    const double readRate = bytes * transfers / readTime / 1e9;
    const double bothRate = 2 * bytes * transfers / (uploadTime + readTime) / 1e9;
    std::printf("memcpy 1920x1080 RGBA16F: %.2f GB/s\n", memcpyRate);
    std::printf("upload: %.2f GB/s (%.0f%% of memcpy)\n", uploadRate, 100 * uploadRate / memcpyRate);
    std::printf("read-back: %.2f GB/s (%.0f%% of memcpy)\n", readRate, 100 * readRate / memcpyRate);
    std::printf("upload + read-back: %.2f GB/s (%.0f%% of memcpy)\n", bothRate, 100 * bothRate / memcpyRate);

    // The filter chain, both ways, after a warm-up frame of each.
    Media::ResourceBuffer source(*image, options);
    chain(shaders, source, 1, false);
    chain(shaders, source, 1, true);
    const int frames = 5;
    ChainResult fresh = chain(shaders, source, frames, false);
    ChainResult pingPong = chain(shaders, source, frames, true);
    const double picture = double(Width) * Height * 8;
    std::printf("%d-pass chain 1920x1080, new picture per pass: %.1f passes/s\n", ChainPasses, fresh.passesPerSecond);
    std::printf("%d-pass chain 1920x1080, ping-pong of two pictures: %.1f passes/s\n", ChainPasses,
                pingPong.passesPerSecond);
    std::printf("ping-pong / new picture per pass: %.2fx\n", pingPong.passesPerSecond / fresh.passesPerSecond);
    // The chain's live set is its input and output: two pictures.
    std::printf("peak picture memory of the new-picture chain: %.1f MiB (%.2f pictures; %.2f above the live set of 2)\n",
                double(fresh.peakBytes) / (1 << 20), double(fresh.peakBytes) / picture,
                double(fresh.peakBytes) / picture - 2);

    // Full-frame copy draws.
    Media::ResourceBuffer targets[2] = {Media::ResourceBuffer(Width, Height), Media::ResourceBuffer(Width, Height)};
    shaders.copyShader.drawNoConstant(targets[0], source);
    d3d->context->finish();
    const int draws = 60;
    start = Clock::now();
    for (int i = 0; i < draws; ++i)
        shaders.copyShader.drawNoConstant(targets[i % 2], i == 0 ? source : targets[(i + 1) % 2]);
    d3d->context->finish();
    std::printf("full-frame copy draws: %.1f per second\n", draws / seconds(start));

    // Small quads: per-draw overhead with the shared constant buffer updated per draw.
    Media::ResourceBuffer small(16, 16), smallTarget(16, 16);
    shaders.multiplyAlphaShader.draw(smallTarget, small, &shaders.constantBuffer);
    d3d->context->finish();
    const int smallDraws = 20000;
    start = Clock::now();
    for (int i = 0; i < smallDraws; ++i) {
        float alpha = 1.0f - float(i % 100) / 100.0f;
        std::memcpy(shaders.constants, &alpha, 4);
        shaders.updateConstants();
        shaders.multiplyAlphaShader.draw(smallTarget, small, &shaders.constantBuffer);
        if (i % 1000 == 999)
            d3d->context->flush();
    }
    d3d->context->finish();
    std::printf("small-quad draws: %.0f per second\n", smallDraws / seconds(start));
}
} // namespace
