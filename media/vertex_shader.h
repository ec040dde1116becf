#pragma once
// A vertex buffer record and a vertex shader with the input layout taken from
// its own input signature.
#include "media/direct3d_service.h"
#include "platform/gpu/gpu.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Media {

struct VertexBufferCommon {
    // Stores count and stride and makes the buffer (count x stride bytes,
    // with the data when given). The topology is set by the owner.
    static void create(VertexBufferCommon& record, const void* data, uint32_t count, uint32_t stride);

    std::shared_ptr<Platform::Gpu::Buffer> buffer;
    uint32_t count = 0;
    uint32_t stride = 0;
    uint32_t topology = 0; // Platform::Gpu::Topology
};

// The staging form of dynamic quads: the record and its vertices on the
// processor side (vertexSize bytes each). The buffer is made on the first
// upload; later uploads of the same size only update it.
struct VertexBuffer : VertexBufferCommon {
    VertexBuffer(uint32_t count, uint32_t topology, uint32_t vertexSize);
    void upload();

    uint32_t vertexSize;
    std::vector<uint8_t> vertices;
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
