#include "effects/filters/processing/seed_random.h"

#include "media/lookup_texture.h"

namespace Effect::SeedRandom {

namespace {
constexpr uint64_t C1 = 0x137bd137bd137bd1ull, C2 = 0x37bd137bd137bd13ull, C3 = 0x7bd137bd137bd137ull,
                   C4 = 0xbd137bd137bd137bull;
}

uint64_t start(int64_t h, int64_t k)
{
    const uint64_t H = static_cast<uint64_t>(h), K = static_cast<uint64_t>(k);
    uint64_t a = 135829u * H + 97553u * K;
    a = ((a << 17) ^ a ^ C1) + H;
    a = ((a >> 19) ^ a ^ C2) + K;
    a = ((a << 41) ^ a ^ C3) + H;
    return ((a >> 47) ^ a ^ C4) + K;
}

uint64_t next(uint64_t& state) { return Resource::nextRandom(state); }

float unit(uint64_t value) { return static_cast<float>(value % 4294967297ull) * (1.0f / 4294967296.0f); }

} // namespace Effect::SeedRandom
