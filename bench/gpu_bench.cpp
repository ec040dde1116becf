// Measures the picture paths of the graphics device in one run: upload and
// read-back of a 1920x1080 working-format picture beside a processor copy of
// the same bytes, full-frame copy draws per second, and small-quad draws per
// second (the per-draw overhead).
#include "core/service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }
} // namespace

int main()
{
    System::ServiceReference<Media::Direct3DService> direct3d;
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    std::printf("device: %s\n", d3d->device->facts().name.c_str());

    const int width = 1920, height = 1080;
    auto image = Media::ImageBuffer::create(Media::Format::R16G16B16A16Float, width, height);
    for (uint32_t i = 0; i < image->buffer.size; ++i)
        image->data()[i] = static_cast<uint8_t>(i * 31 >> 3) & 0x3F;
    const double bytes = double(image->buffer.size);

    // Processor copy of the same bytes.
    std::vector<uint8_t> copy(image->buffer.size);
    const int copies = 50;
    auto start = Clock::now();
    for (int i = 0; i < copies; ++i) {
        image->data()[i] = static_cast<uint8_t>(i);
        std::memcpy(copy.data(), image->data(), copy.size());
    }
    double memcpyRate = bytes * copies / seconds(start) / 1e9;

    // Upload (a new picture from memory) and read-back, each moving the frame once.
    const int options[2] = {0, 0};
    for (int i = 0; i < 2; ++i) // warm up the device's reusable buffers
        Media::ResourceBuffer(*image, options).readImageBuffer();
    const int transfers = 30;
    start = Clock::now();
    for (int i = 0; i < transfers; ++i) {
        Media::ResourceBuffer picture(*image, options);
        auto back = picture.readImageBuffer();
        if (back->data()[1] != image->data()[1])
            std::printf("mismatch\n");
    }
    double transferRate = 2 * bytes * transfers / seconds(start) / 1e9;
    std::printf("upload + read-back 1920x1080 RGBA16F: %.2f GB/s (memcpy %.2f GB/s, %.0f%%)\n", transferRate, memcpyRate,
                100 * transferRate / memcpyRate);

    // Full-frame copy draws.
    Media::ResourceBuffer source(*image, options);
    Media::ResourceBuffer targets[2] = {Media::ResourceBuffer(width, height), Media::ResourceBuffer(width, height)};
    shaders.copyShader.drawNoConstant(targets[0], source);
    d3d->context->finish();
    const int frames = 60;
    start = Clock::now();
    for (int i = 0; i < frames; ++i)
        shaders.copyShader.drawNoConstant(targets[i % 2], i == 0 ? source : targets[(i + 1) % 2]);
    d3d->context->finish();
    std::printf("full-frame copy draws: %.1f per second\n", frames / seconds(start));

    // Small quads: per-draw overhead with the shared constant buffer updated per draw.
    Media::ResourceBuffer small(16, 16), smallTarget(16, 16);
    shaders.multiplyAlphaShader.draw(smallTarget, small, &shaders.constantBuffer);
    d3d->context->finish();
    const int draws = 20000;
    start = Clock::now();
    for (int i = 0; i < draws; ++i) {
        float alpha = 1.0f - float(i % 100) / 100.0f;
        std::memcpy(shaders.constants, &alpha, 4);
        shaders.updateConstants();
        shaders.multiplyAlphaShader.draw(smallTarget, small, &shaders.constantBuffer);
        if (i % 1000 == 999)
            d3d->context->flush();
    }
    d3d->context->finish();
    std::printf("small-quad draws: %.0f per second\n", draws / seconds(start));
    return 0;
}
