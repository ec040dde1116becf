#pragma once
// A vertex buffer record and a vertex shader with the input layout taken from
// its own input signature.
#include "media/direct3d_service.h"
#include "platform/gpu/gpu.h"

#include <cstdint>
#include <memory>

namespace Media {

struct VertexBufferCommon {
    // Stores count and stride and makes the buffer (count x stride bytes,
    // with the data when given). The topology is set by the owner.
    static void create(VertexBufferCommon& record, const void* data, uint32_t count, uint32_t stride);

    std::shared_ptr<Platform::Gpu::Buffer> buffer;
    uint32_t count = 0;
    uint32_t stride = 0;
    uint32_t topology = 0; // 4 triangle list, 5 triangle strip
};

class VertexShader : public Direct3DInstance {
public:
    VertexShader() = default;
    ~VertexShader();
    VertexShader(const VertexShader&) = delete;
    VertexShader& operator=(const VertexShader&) = delete;

    void loadFromMemory(const void* bytecode, size_t size);
    void createInputLayout(const void* bytecode, size_t size);

    std::shared_ptr<Platform::Gpu::Shader> shader;
    Platform::Gpu::VertexLayout inputLayout;
};

} // namespace Media
