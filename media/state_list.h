#pragma once
// The fixed tables of pipeline states, addressed by index (callers name
// entries by number). Each state is made on first use, once, whichever
// thread asks first (render workers and the main thread share the lists).
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Platform::Gpu {
class SamplerState;
class BlendState;
class RasterState;
} // namespace Platform::Gpu

namespace Shader {

class SamplerStateList {
public:
    static constexpr uint32_t Count = 7;
    SamplerStateList();
    ~SamplerStateList();
    SamplerStateList(const SamplerStateList&) = delete;
    SamplerStateList& operator=(const SamplerStateList&) = delete;
    // Entry i, made on first use; a failure throws and the next request tries again.
    Platform::Gpu::SamplerState* get(uint32_t index);
    // The instance of the lists' owner (the first one alive).
    static SamplerStateList* published();

private:
    std::vector<std::shared_ptr<Platform::Gpu::SamplerState>> entries_;
    std::mutex mutex_;
};

class BlendStateList {
public:
    static constexpr uint32_t Count = 21;
    BlendStateList();
    ~BlendStateList();
    BlendStateList(const BlendStateList&) = delete;
    BlendStateList& operator=(const BlendStateList&) = delete;
    Platform::Gpu::BlendState* get(uint32_t index);
    static BlendStateList* published();

private:
    std::vector<std::shared_ptr<Platform::Gpu::BlendState>> entries_;
    std::mutex mutex_;
};

class RasterizerStateList {
public:
    static constexpr uint32_t Count = 3;
    RasterizerStateList();
    ~RasterizerStateList();
    RasterizerStateList(const RasterizerStateList&) = delete;
    RasterizerStateList& operator=(const RasterizerStateList&) = delete;
    Platform::Gpu::RasterState* get(uint32_t index);
    static RasterizerStateList* published();

private:
    std::vector<std::shared_ptr<Platform::Gpu::RasterState>> entries_;
    std::mutex mutex_;
};

} // namespace Shader
