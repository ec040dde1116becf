#pragma once
// The filter tests' world: the graphics device on the software driver with
// validation, the resource service (figures), the effect service holding the
// built-in effect table, a render object of a plain object, a small fixture
// picture with a transparent margin and a half-transparent area, and a device
// wrapper that counts shaders made and fails texture creation on demand.
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "platform/gpu/gpu.h"
#include "render/render_object.h"
#include "tests/effect/effect_fixture.h"
#include "tests/media/figure_fixture.h"

#include <memory>

namespace FilterTest {

using TestKit::Picture;
using TestKit::Pixel;

// A picture in memory with its size, and what reads outside it give
// (transparent black; (e, e, e, 0) on the exponential brightness scale).
struct Image {
    int width = 0, height = 0;
    Picture pixels;
    Pixel outside{0, 0, 0, 0};
    Pixel at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return outside;
        return pixels[size_t(y) * width + x];
    }
    Pixel& operator()(int x, int y) { return pixels[size_t(y) * width + x]; }
};

inline Image blank(int width, int height) { return {width, height, Picture(size_t(width) * height, Pixel{0, 0, 0, 0})}; }

// Rounds every channel through half precision, as a working-format picture stores it.
inline Image stored(Image image)
{
    for (Pixel& p : image.pixels)
        for (float& c : p)
            c = TestKit::toHalf(c);
    return image;
}

// The real device behind the graphics service, with two test levers: it
// counts the shaders made, and fails every texture creation while armed.
class DeviceProbe : public Platform::Gpu::Device {
public:
    explicit DeviceProbe(std::unique_ptr<Platform::Gpu::Device> inner) : inner_(std::move(inner)) {}
    std::unique_ptr<Platform::Gpu::Device> release() { return std::move(inner_); }

    const Platform::Gpu::DeviceFacts& facts() const override { return inner_->facts(); }
    uint32_t formatSupport(Platform::Gpu::Format format) const override { return inner_->formatSupport(format); }
    int32_t createTexture(const Platform::Gpu::TextureDesc& desc, const void* data, uint32_t rowPitch,
                          Platform::Gpu::TexturePtr* out) override
    {
        if (failTextures) {
            out->reset();
            return Platform::Gpu::ErrorOutOfMemory;
        }
        return inner_->createTexture(desc, data, rowPitch, out);
    }
    int32_t createView(const Platform::Gpu::TexturePtr& texture, Platform::Gpu::ViewKind kind,
                       Platform::Gpu::ViewPtr* out) override
    {
        return inner_->createView(texture, kind, out);
    }
    int32_t createShader(Platform::Gpu::Stage stage, const void* spirv, size_t bytes, Platform::Gpu::ShaderPtr* out) override
    {
        ++shadersMade;
        return inner_->createShader(stage, spirv, bytes, out);
    }
    int32_t createSamplerState(const Platform::Gpu::SamplerDesc& desc, Platform::Gpu::SamplerStatePtr* out) override
    {
        return inner_->createSamplerState(desc, out);
    }
    int32_t createStaging(uint32_t width, uint32_t height, Platform::Gpu::Format format, Platform::Gpu::StagingPtr* out) override
    {
        return inner_->createStaging(width, height, format, out);
    }
    const uint8_t* waitStaging(Platform::Gpu::Staging& staging) override { return inner_->waitStaging(staging); }
    Platform::Gpu::Context& context() override { return inner_->context(); }
    Platform::Gpu::MemoryCounters memory() const override { return inner_->memory(); }
    void resetMemoryPeak() override { inner_->resetMemoryPeak(); }
    void freePooledMemory() override { inner_->freePooledMemory(); }

    int shadersMade = 0;
    bool failTextures = false;

private:
    std::unique_ptr<Platform::Gpu::Device> inner_;
};

class FilterFixture : public TestKit::FigureFixture {
protected:
    void SetUp() override
    {
        FigureFixture::SetUp();
        Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
        effects = services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        object = EffectTest::makeObject(0, 99);
        render = EffectTest::renderAt(object, 0);
    }
    void TearDown() override
    {
        if (probe)
            d3d->device = probe->release();
        FigureFixture::TearDown();
    }

    // Puts the probe between the graphics service and its device.
    DeviceProbe& useProbe()
    {
        auto wrapped = std::make_unique<DeviceProbe>(std::move(d3d->device));
        probe = wrapped.get();
        d3d->device = std::move(wrapped);
        return *probe;
    }

    // A new instance of a registered effect, made as the registry makes them.
    template <class T>
    std::shared_ptr<T> make()
    {
        auto effect = std::dynamic_pointer_cast<T>(effects->createEffect(T::Name));
        EXPECT_TRUE(effect) << "not registered";
        return effect;
    }
    template <class T>
    T& core()
    {
        return *effects->getDefaultEffect<T>();
    }

    std::unique_ptr<Media::ResourceBuffer> upload(const Image& image)
    {
        return GpuFixture::upload(image.pixels, image.width, image.height);
    }
    Image download(const Media::ResourceBuffer& buffer)
    {
        return {static_cast<int>(buffer.getWidth()), static_cast<int>(buffer.getHeight()), GpuFixture::download(buffer)};
    }
    // The effect's pass on the image through the fixture's render object.
    Image filter(Effect::EffectBase& effect, const Image& image)
    {
        auto out = effect.filterVideo(render, upload(image));
        EXPECT_TRUE(out && !out->empty());
        return out ? download(*out) : Image{};
    }

    // 17 x 11: a transparent margin of two pixels, varied opaque colours, and
    // a half-transparent block on the right.
    static Image fixture(int width = 17, int height = 11)
    {
        Image image = blank(width, height);
        uint32_t seed = 11;
        for (int y = 2; y < height - 2; ++y)
            for (int x = 2; x < width - 2; ++x) {
                float c[3];
                for (float& v : c) {
                    seed = seed * 1664525u + 1013904223u;
                    v = static_cast<float>(seed >> 8) / 16777216.0f;
                }
                const float a = x >= width - 6 ? 0.5f : 1.0f;
                image(x, y) = {c[0] * a, c[1] * a, c[2] * a, a};
            }
        return stored(image);
    }
    // One colour over the whole picture.
    static Image solid(int width, int height, const Pixel& colour)
    {
        Image image = blank(width, height);
        for (Pixel& p : image.pixels)
            p = colour;
        return image;
    }

    static ::testing::AssertionResult near(const Image& got, const Image& want, float tolerance = 2e-3f)
    {
        if (got.width != want.width || got.height != want.height)
            return ::testing::AssertionFailure() << "size " << got.width << "x" << got.height << ", want "
                                                 << want.width << "x" << want.height;
        return TestKit::nearPicture(got.pixels, want.pixels, got.width, tolerance);
    }

    Effect::EffectService* effects = nullptr;
    std::shared_ptr<Edit::Object> object;
    Render::RenderObject render;
    DeviceProbe* probe = nullptr;
};

} // namespace FilterTest
