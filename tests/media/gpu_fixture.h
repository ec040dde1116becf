#pragma once
// A Direct3D service on the software Vulkan driver with the validation layer
// on (any message fails the test), the state lists and the shader list, and
// helpers to move working-format pictures in and out as floats.
#include "core/setting_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/render_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace TestKit {

using Pixel = std::array<float, 4>;
using Picture = std::vector<Pixel>; // row-major, width x height

inline float halfToFloat(uint16_t h)
{
    uint32_t sign = (h >> 15) & 1, exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    float v;
    if (exponent == 0)
        v = std::ldexp(static_cast<float>(mantissa), -24);
    else if (exponent == 31)
        v = mantissa ? NAN : INFINITY;
    else
        v = std::ldexp(static_cast<float>(mantissa | 0x400), static_cast<int>(exponent) - 25);
    return sign ? -v : v;
}

inline uint16_t floatToHalf(float f)
{
    if (std::isnan(f))
        return 0x7E00;
    uint16_t sign = std::signbit(f) ? 0x8000 : 0;
    float a = std::fabs(f);
    if (a >= 65520.0f)
        return sign | 0x7C00;
    if (a < std::ldexp(1.0f, -24))
        return sign;
    int e;
    std::frexp(a, &e); // a = m * 2^e, m in [0.5, 1)
    int exponent = e - 1 + 15;
    if (exponent <= 0) // subnormal
        return sign | static_cast<uint16_t>(std::nearbyint(std::ldexp(a, 24)));
    uint32_t mantissa = static_cast<uint32_t>(std::nearbyint(std::ldexp(a, 10 - (e - 1)))) - 0x400;
    if (mantissa == 0x400) {
        mantissa = 0;
        ++exponent;
    }
    return sign | static_cast<uint16_t>(exponent << 10) | static_cast<uint16_t>(mantissa);
}

// Rounds through half precision, as a working-format picture stores it.
inline float toHalf(float f) { return halfToFloat(floatToHalf(f)); }

// A file of the user's data folder (%AppData%) written for the life of the
// object; what stood there before (or nothing) comes back afterwards, so that
// the next case of the same process starts as this one did.
class UserFile {
public:
    UserFile(const std::string& name, const std::string& text) : path_(TestKit::tempDir() + "/velmora2/" + name)
    {
        ::mkdir((TestKit::tempDir() + "/velmora2").c_str(), 0755);
        if (::access(path_.c_str(), F_OK) == 0) {
            existed_ = true;
            before_ = TestKit::readFile(path_);
        }
        TestKit::writeFile(path_, text);
    }
    ~UserFile()
    {
        if (existed_)
            TestKit::writeFile(path_, before_);
        else
            std::remove(path_.c_str());
    }
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;

private:
    std::string path_;
    bool existed_ = false;
    std::string before_;
};

class GpuFixture : public ::testing::Test {
public:
    static std::vector<std::string>& validationMessages()
    {
        static std::vector<std::string> messages;
        return messages;
    }

protected:
    void SetUp() override
    {
        TestKit::useSoftwareGpu();
        validationMessages().clear();
        Platform::Gpu::setValidationHandler([](const char* m) { validationMessages().push_back(m); });
        // The settings first: the device reads its YUV colour tables from system.conf.
        settings = std::make_unique<System::ServiceReference<Setting::SettingService>>();
        direct3d = std::make_unique<System::ServiceReference<Media::Direct3DService>>();
        d3d = Media::Direct3DService::Get();
        samplers = std::make_unique<Shader::SamplerStateList>();
        blends = std::make_unique<Shader::BlendStateList>();
        rasterizers = std::make_unique<Shader::RasterizerStateList>();
        shaders = std::make_unique<Shader::ShaderList>();
    }
    void TearDown() override
    {
        shaders.reset();
        rasterizers.reset();
        blends.reset();
        samplers.reset();
        direct3d.reset();
        settings.reset();
        Platform::Gpu::setValidationHandler(nullptr);
        for (const std::string& m : validationMessages())
            ADD_FAILURE() << "validation: " << m;
    }

    // A working-format picture holding the given pixels (rounded to half).
    std::unique_ptr<Media::ResourceBuffer> upload(const Picture& pixels, int width, int height)
    {
        auto image = Media::ImageBuffer::create(Media::Format::R16G16B16A16Float, width, height);
        for (int y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<uint16_t*>(image->row(y));
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 4; ++c)
                    row[4 * x + c] = floatToHalf(pixels[size_t(y) * width + x][c]);
        }
        const int options[2] = {0, 0};
        return std::make_unique<Media::ResourceBuffer>(*image, options);
    }

    Picture download(const Media::ResourceBuffer& buffer)
    {
        auto image = buffer.readImageBuffer();
        Picture out(size_t(buffer.getWidth()) * buffer.getHeight());
        for (uint32_t y = 0; y < buffer.getHeight(); ++y) {
            const auto* row = reinterpret_cast<const uint16_t*>(image->row(y));
            for (uint32_t x = 0; x < buffer.getWidth(); ++x)
                for (int c = 0; c < 4; ++c)
                    out[size_t(y) * buffer.getWidth() + x][c] = halfToFloat(row[4 * x + c]);
        }
        return out;
    }

    std::unique_ptr<Media::ResourceBuffer> target(int width, int height, const Pixel& fill = {0, 0, 0, 0})
    {
        auto t = std::make_unique<Media::ResourceBuffer>(width, height);
        t->clearRenderTargetView(fill.data());
        return t;
    }

    // A fixed pseudo-random picture of premultiplied pixels (alpha 0 included).
    static Picture fixture(int width, int height, uint32_t seed = 7)
    {
        Picture p(size_t(width) * height);
        for (auto& px : p) {
            float v[4];
            for (float& f : v) {
                seed = seed * 1664525u + 1013904223u;
                f = toHalf(static_cast<float>(seed >> 8) / 16777216.0f);
            }
            float a = (seed >> 28) == 0 ? 0.0f : v[3];
            px = {toHalf(v[0] * a), toHalf(v[1] * a), toHalf(v[2] * a), a};
        }
        return p;
    }

    std::unique_ptr<System::ServiceReference<Setting::SettingService>> settings;
    std::unique_ptr<System::ServiceReference<Media::Direct3DService>> direct3d;
    Media::Direct3DService* d3d = nullptr;
    std::unique_ptr<Shader::SamplerStateList> samplers;
    std::unique_ptr<Shader::BlendStateList> blends;
    std::unique_ptr<Shader::RasterizerStateList> rasterizers;
    std::unique_ptr<Shader::ShaderList> shaders;
};

// Compares pictures channel by channel within a relative tolerance. A value
// that is not finite never matches, not even an equal infinity or NaN on the
// other side: a reference that computes the same fault must not hide it.
inline ::testing::AssertionResult nearPicture(const Picture& got, const Picture& want, int width, float tolerance = 2e-3f)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "size " << got.size() << " != " << want.size();
    for (size_t i = 0; i < got.size(); ++i)
        for (int c = 0; c < 4; ++c) {
            float g = got[i][c], w = want[i][c];
            bool ok = std::isfinite(g) && std::isfinite(w) &&
                      (g == w || std::fabs(g - w) <= tolerance * std::max(1.0f, std::fabs(w)));
            if (!ok)
                return ::testing::AssertionFailure() << "pixel (" << i % width << ", " << i / width << ") channel " << c
                                                     << ": got " << g << ", want " << w;
        }
    return ::testing::AssertionSuccess();
}

} // namespace TestKit
