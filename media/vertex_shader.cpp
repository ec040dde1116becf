#include "media/vertex_shader.h"

#include "core/failure.h"

#include <cstring>
#include <vector>

namespace Media {

void VertexBufferCommon::create(VertexBufferCommon& record, const void* data, uint32_t count, uint32_t stride)
{
    record.count = count;
    record.stride = stride;
    record.buffer.reset();
    uint64_t bytes = uint64_t(count) * stride;
    if (bytes == 0 || bytes > 0x7FFFFFFFu)
        throw System::makeHresultException("Direct3DService::Get().device->CreateBuffer", "Media::VertexBufferCommon::create",
                                           Platform::Gpu::ErrorInvalidArg);
    record.buffer = std::make_shared<Platform::Gpu::Buffer>(static_cast<uint32_t>(bytes), data);
}

VertexBuffer::VertexBuffer(uint32_t n, uint32_t primitiveTopology, uint32_t size)
    : vertexSize(size), vertices(size_t(n) * size)
{
    count = n;
    topology = primitiveTopology;
}

void VertexBuffer::upload()
{
    if (buffer && stride == vertexSize && buffer->size() == vertices.size())
        Direct3DService::Get()->context->updateBuffer(*buffer, vertices.data());
    else
        create(*this, vertices.data(), static_cast<uint32_t>(vertices.size() / vertexSize), vertexSize);
}

VertexShader::~VertexShader()
{
    if (Direct3D && Direct3D->currentVertexShader == this)
        Direct3D->currentVertexShader = nullptr;
}

void VertexShader::loadFromMemory(const void* bytecode, size_t size)
{
    shader.reset();
    if (Direct3D->currentVertexShader == this)
        Direct3D->currentVertexShader = nullptr;
    int32_t hr = Direct3D->device->createShader(Platform::Gpu::Stage::Vertex, bytecode, size, &shader);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateVertexShader", "Media::VertexShader::loadFromMemory", hr);
    createInputLayout(bytecode, size);
}

void VertexShader::createInputLayout(const void* bytecode, size_t size)
{
    using namespace Platform::Gpu;
    ShaderInfo info;
    std::vector<uint32_t> words(size / 4);
    std::memcpy(words.data(), bytecode, words.size() * 4);
    if (!reflectShader(words.data(), words.size(), info))
        throw System::makeHresultException("Direct3D.device->CreateInputLayout", "Media::VertexShader::createInputLayout",
                                           ErrorInvalidArg);
    // One element per input in signature order, packed without gaps. Four
    // components of a position or normal are read as three (w becomes 1).
    VertexLayout layout;
    uint32_t offset = 0;
    for (const ShaderInput& in : info.inputs) {
        if (in.location < 0)
            continue;
        VertexAttribute a;
        a.location = static_cast<uint32_t>(in.location);
        a.type = in.type;
        uint32_t n = in.components;
        if (n == 4 && (in.semantic.rfind("POSITION", 0) == 0 || in.semantic.rfind("NORMAL", 0) == 0))
            n = 3;
        if (in.type == ComponentType::Unknown || n < 1 || n > 4)
            throw System::makeHresultException("Direct3D.device->CreateInputLayout",
                                               "Media::VertexShader::createInputLayout", ErrorInvalidArg);
        a.format = static_cast<AttributeFormat>(n);
        a.offset = offset;
        offset += 4 * n;
        layout.attributes.push_back(a);
    }
    inputLayout = layout;
}

} // namespace Media
