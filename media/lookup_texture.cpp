#include "media/lookup_texture.h"

#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace Resource {

namespace {
constexpr size_t TexelCount = size_t(LookupTextureSize) * LookupTextureSize;
}

uint64_t nextRandom(uint64_t& s)
{
    const uint64_t b = 97555u * s - 135829u * (s / 135829u);
    const uint64_t t = b ^ (b << 17) ^ 0x137bd137bd137bd1ull;
    const uint64_t u = t ^ (t >> 19) ^ 0x37bd137bd137bd13ull;
    const uint64_t v = u ^ (u << 41) ^ 0x7bd137bd137bd137ull;
    s = v ^ (v >> 47) ^ 0xbd137bd137bd137bull;
    return s;
}

std::vector<float> createPermutationValues()
{
    std::vector<float> p(TexelCount);
    for (size_t i = 0; i < TexelCount; ++i)
        p[i] = static_cast<float>(i) / 65535.0f;
    uint64_t s = LookupTextureSeed;
    for (size_t i = 0; i < TexelCount; ++i)
        for (int n = 0; n < 4; ++n)
            std::swap(p[i], p[nextRandom(s) & 0xFFFFu]);
    return p;
}

std::vector<float> createNoiseValues()
{
    std::vector<float> r(TexelCount);
    uint64_t s = LookupTextureSeed;
    for (float& value : r)
        value = static_cast<float>(nextRandom(s) % 4294967297ull) * (1.0f / 4294967296.0f);

    // Smoothed on the torus with weights 4 (centre), 2 (sides) and 1 (corners).
    constexpr int N = LookupTextureSize;
    auto at = [&r](int x, int y) { return r[size_t((y + N) % N) * N + size_t((x + N) % N)]; };
    std::vector<float> n(TexelCount);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            n[size_t(y) * N + size_t(x)] =
                4 * at(x, y) + 2 * (at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1)) + at(x - 1, y - 1) +
                at(x + 1, y - 1) + at(x - 1, y + 1) + at(x + 1, y + 1);
    const auto [low, high] = std::minmax_element(n.begin(), n.end());
    const float min = *low, range = *high - *low;
    for (float& value : n)
        value = (value - min) / range - 0.5f;
    return n;
}

std::shared_ptr<Media::ResourceBuffer> uploadLookupTexture(const std::vector<float>& values)
{
    constexpr uint32_t pitch = LookupTextureSize * sizeof(float);
    auto image = Media::ImageBuffer::create(Media::Format::R32Float, LookupTextureSize, LookupTextureSize);
    image->setSize(LookupTextureSize, LookupTextureSize, pitch);
    for (uint32_t y = 0; y < LookupTextureSize; ++y)
        std::memcpy(image->row(y), values.data() + size_t(y) * LookupTextureSize, pitch);
    return std::make_shared<Media::ResourceBuffer>(int(LookupTextureSize), int(LookupTextureSize), Media::Format::R32Float,
                                                   image->data(), image->pitch);
}

std::shared_ptr<Media::ResourceBuffer> LookupTexture::get()
{
    std::lock_guard lock(mutex_);
    if (!texture_)
        generator_(texture_);
    return texture_;
}

} // namespace Resource
