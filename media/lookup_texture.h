#pragma once
// Lookup textures: 256 x 256 single-float pictures made from a fixed
// pseudo-random sequence the first time an effect asks for them.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace Media {
class ResourceBuffer;
}

namespace Resource {

constexpr int LookupTextureSize = 256;
constexpr uint64_t LookupTextureSeed = 0xe6664c4f32c445c6ull;

// Advances the sequence (all arithmetic modulo 2^64) and returns the new state.
uint64_t nextRandom(uint64_t& state);
// Every value k / 65535 once, in shuffled positions; rows of 256.
std::vector<float> createPermutationValues();
// Smoothed noise from -0.5 to +0.5; rows of 256.
std::vector<float> createNoiseValues();
// A 256 x 256 R32_FLOAT picture of the values.
std::shared_ptr<Media::ResourceBuffer> uploadLookupTexture(const std::vector<float>& values);

// A texture made once by its generator, on the first request from any thread
// (render workers may ask at the same time). A failed generator leaves it
// empty, and the next request tries again.
class LookupTexture {
public:
    using Generator = std::function<void(std::shared_ptr<Media::ResourceBuffer>&)>;
    explicit LookupTexture(Generator generator) : generator_(std::move(generator)) {}
    std::shared_ptr<Media::ResourceBuffer> get();

private:
    std::mutex mutex_;
    Generator generator_;
    std::shared_ptr<Media::ResourceBuffer> texture_;
};

} // namespace Resource
