#pragma once
// The graphics device: one headless device with one queue, resources created
// from any thread, and one immediate context used by one thread at a time.
//
// The model is the one the media layer is written against: textures named by
// DXGI format numbers, views made on first use, states as small descriptions,
// an immediate context with bind points that keep their contents between
// draws. Failing creation calls return an HRESULT-style code (negative on
// failure) so that callers can report the call they made.
#include "platform/gpu/format.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Gpu {

// Result codes, with the numbers of the platform the callers report.
constexpr int32_t Ok = 0;
constexpr int32_t ErrorFail = static_cast<int32_t>(0x80004005u);
constexpr int32_t ErrorInvalidArg = static_cast<int32_t>(0x80070057u);
constexpr int32_t ErrorOutOfMemory = static_cast<int32_t>(0x8007000Eu);
constexpr int32_t ErrorUnsupported = static_cast<int32_t>(0x887A0004u);
constexpr int32_t ErrorDeviceRemoved = static_cast<int32_t>(0x887A0005u);
constexpr int32_t ErrorNotFound = static_cast<int32_t>(0x887A0002u);

// Bind flags (the platform's numbers).
constexpr uint32_t BindShaderResource = 0x8;
constexpr uint32_t BindRenderTarget = 0x20;
constexpr uint32_t BindUnorderedAccess = 0x80;

// Format support bits reported by Device::formatSupport.
constexpr uint32_t SupportTexture2D = 0x20;
constexpr uint32_t SupportRenderTarget = 0x4000;
constexpr uint32_t SupportShaderLoad = 0x100;
constexpr uint32_t SupportUnorderedAccess = 0x400000;


struct TextureDesc {
    uint32_t width = 0;
    uint32_t height = 0;
    Format format = Format::Unknown;
    uint32_t bind = BindShaderResource;
    uint32_t samples = 1;
};

class Texture : public std::enable_shared_from_this<Texture> {
public:
    virtual ~Texture() = default;
    const TextureDesc& desc() const { return desc_; }
    uint32_t width() const { return desc_.width; }
    uint32_t height() const { return desc_.height; }
    Format format() const { return desc_.format; }
    // Unique for the life of the process: a picture made where a dropped one
    // stood gets another id.
    uint64_t id() const { return id_; }

protected:
    TextureDesc desc_;
    uint64_t id_ = 0;
};
using TexturePtr = std::shared_ptr<Texture>;

enum class ViewKind { ShaderResource, RenderTarget, UnorderedAccess };

// Views are held by std::shared_ptr; the context keeps bound views alive.
class View : public std::enable_shared_from_this<View> {
public:
    virtual ~View() = default;
    ViewKind kind() const { return kind_; }
    Texture* texture() const { return texture_.get(); }
    const TexturePtr& texturePtr() const { return texture_; }

protected:
    ViewKind kind_ = ViewKind::ShaderResource;
    TexturePtr texture_;
};
using ViewPtr = std::shared_ptr<View>;

// A constant or vertex buffer (made with std::make_shared: the context keeps
// the buffers it has bound alive). Its contents live on the processor side; every
// draw takes a snapshot of the buffers it reads, so writing a buffer between
// two draws affects only the later one.
class Buffer : public std::enable_shared_from_this<Buffer> {
public:
    Buffer(uint32_t size, const void* data);
    uint32_t size() const { return static_cast<uint32_t>(bytes_.size()); }
    const uint8_t* data() const { return bytes_.data(); }
    // Writes the whole buffer (size bytes) or a range of it.
    void update(const void* data, uint32_t offset, uint32_t size);
    uint64_t version() const { return version_; }

private:
    std::vector<uint8_t> bytes_;
    uint64_t version_;
};
using BufferPtr = std::shared_ptr<Buffer>;

enum class Stage : uint8_t { Vertex, Pixel, Compute };

// Component types of shader inputs.
enum class ComponentType : uint8_t { Unknown, UInt32, SInt32, Float32 };

struct ShaderInput {
    std::string semantic; // as the source spelled it; empty when unknown
    uint32_t semanticIndex = 0;
    int32_t location = -1;
    bool position = false; // the pixel position (fragment coordinate)
    uint32_t components = 0;
    ComponentType type = ComponentType::Unknown;
};

enum class BindingKind : uint8_t { ConstantBuffer, Texture, Sampler, StorageImage, StorageBuffer };

struct ShaderBinding {
    BindingKind kind;
    uint32_t binding; // slot in the binding scheme below
    uint32_t storageFormatWord = 0; // index of the image-format word (storage images)
};

// Slots of the one binding scheme of every shader, built-in or compiled at
// run time: constant buffers b0.. at binding 0, textures t0.. at 16, samplers
// s0.. at 32, unordered-access images u0.. at 48. Vertex shaders read their
// constant buffers from b0.. at binding 8.
constexpr uint32_t ConstantBufferBase = 0;
constexpr uint32_t VertexConstantBufferBase = 8;
constexpr uint32_t TextureBase = 16;
constexpr uint32_t SamplerBase = 32;
constexpr uint32_t UnorderedAccessBase = 48;
constexpr uint32_t ConstantBufferSlots = 4;
constexpr uint32_t TextureSlots = 8;
constexpr uint32_t SamplerSlots = 4;
constexpr uint32_t UnorderedAccessSlots = 8;

// Primitive topologies (the platform's numbers).
namespace Topology {
constexpr uint32_t PointList = 1;
constexpr uint32_t LineList = 2;
constexpr uint32_t LineStrip = 3;
constexpr uint32_t TriangleList = 4;
constexpr uint32_t TriangleStrip = 5;
} // namespace Topology

// Specialisation constants the device fills in when a shader declares them.
// 0: the render target holds alpha only (A8 pictures): write alpha to red.
// 1: bit n set when texture slot n holds a packed 4:2:2 (YUY2) picture.
constexpr uint32_t SpecAlphaTarget = 0;
constexpr uint32_t SpecPackedSources = 1;

struct ShaderInfo {
    Stage stage = Stage::Pixel;
    std::vector<ShaderInput> inputs; // in location order; the position first
    std::vector<ShaderBinding> bindings;
    uint32_t outputs = 0;        // colour outputs (render targets) written
    bool dualSource = false;     // writes a second colour for dual-source blending
    uint32_t localSize[3] = {1, 1, 1};
    uint32_t specMask = 0; // specialisation constant ids declared (bits)
    bool orderedPixelAccess = false; // storage-image access ordered by primitive (interlock)
};
// Reads what the device needs from SPIR-V words. Returns false when the words
// are not a shader module with one entry point.
bool reflectShader(const uint32_t* words, size_t count, ShaderInfo& info);

// Held by std::shared_ptr; the context keeps the shaders it has bound alive.
class Shader : public std::enable_shared_from_this<Shader> {
public:
    virtual ~Shader() = default;
    const ShaderInfo& info() const { return info_; }
    uint64_t id() const { return id_; }

protected:
    ShaderInfo info_;
    uint64_t id_ = 0;
};
using ShaderPtr = std::shared_ptr<Shader>;

// Vertex input: one buffer, attributes at the given offsets.
enum class AttributeFormat : uint8_t { Unknown, R32, RG32, RGB32, RGBA32 };
struct VertexAttribute {
    uint32_t location = 0;
    AttributeFormat format = AttributeFormat::Unknown;
    ComponentType type = ComponentType::Float32;
    uint32_t offset = 0;
};
struct VertexLayout {
    std::vector<VertexAttribute> attributes;
    uint32_t stride = 0; // 0: taken from the bound vertex buffer's stride
};

// States, described with the platform's enumeration numbers.
struct BlendDesc {
    bool enable = false;
    uint8_t srcColor = 2, dstColor = 1, colorOp = 1; // ONE, ZERO, ADD
    uint8_t srcAlpha = 2, dstAlpha = 1, alphaOp = 1;
    uint8_t writeMask = 0xF;
};
struct RasterDesc {
    uint8_t fill = 3; // 2 wireframe, 3 solid
    uint8_t cull = 1; // 1 none, 2 front, 3 back
    bool frontCounterClockwise = false;
    bool depthClip = true;
    bool scissor = false;
};
struct SamplerDesc {
    uint32_t filter = 0x15; // MIN_MAG_MIP_LINEAR
    uint8_t addressU = 3, addressV = 3, addressW = 3; // 1 wrap, 2 mirror, 3 clamp, 4 border
    float mipLodBias = 0.0f;
    uint32_t maxAnisotropy = 0;
    uint8_t comparison = 8; // ALWAYS
    float borderColor[4] = {0, 0, 0, 0};
    float minLod = 0.0f, maxLod = 0.0f;
};

class BlendState {
public:
    explicit BlendState(const BlendDesc& d) : desc(d) {}
    const BlendDesc desc;
};
using BlendStatePtr = std::shared_ptr<BlendState>;
class RasterState {
public:
    explicit RasterState(const RasterDesc& d) : desc(d) {}
    const RasterDesc desc;
};
using RasterStatePtr = std::shared_ptr<RasterState>;
class SamplerState : public std::enable_shared_from_this<SamplerState> {
public:
    virtual ~SamplerState() = default;
};
using SamplerStatePtr = std::shared_ptr<SamplerState>;

// Processor-readable copy of a texture (a staging texture).
class Staging {
public:
    virtual ~Staging() = default;
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    Format format() const { return format_; }
    uint32_t rowPitch() const { return rowPitch_; }

protected:
    uint32_t width_ = 0, height_ = 0, rowPitch_ = 0;
    Format format_ = Format::Unknown;
};
using StagingPtr = std::shared_ptr<Staging>;

struct Box {
    uint32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct Viewport {
    float x = 0, y = 0, width = 0, height = 0, minDepth = 0, maxDepth = 1;
};

class Context {
public:
    virtual ~Context() = default;

    // Output binding: render targets (at most 2) and the pixel stage's
    // unordered-access views starting at a slot (OMSetRenderTargets and its
    // unordered-access form). Null or count 0 unbinds.
    virtual void setRenderTargets(uint32_t count, View* const* views) = 0;
    virtual void setPixelUnorderedAccessViews(uint32_t firstSlot, uint32_t count, View* const* views) = 0;
    virtual void setViewport(const Viewport& viewport) = 0;

    virtual void setShaderResources(Stage stage, uint32_t slot, uint32_t count, View* const* views) = 0;
    virtual void setSamplers(Stage stage, uint32_t slot, uint32_t count, SamplerState* const* samplers) = 0;
    virtual void setConstantBuffers(Stage stage, uint32_t slot, uint32_t count, Buffer* const* buffers) = 0;
    virtual void setComputeUnorderedAccessViews(uint32_t slot, uint32_t count, View* const* views) = 0;

    virtual void setVertexShader(Shader* shader, const VertexLayout* layout) = 0;
    virtual void setPixelShader(Shader* shader) = 0;
    virtual void setComputeShader(Shader* shader) = 0;
    virtual void setBlendState(BlendState* state, const float factor[4], uint32_t sampleMask) = 0;
    virtual void setRasterState(RasterState* state) = 0;
    // One of the Topology numbers.
    virtual void setTopology(uint32_t topology) = 0;
    virtual void setVertexBuffer(Buffer* buffer, uint32_t stride, uint32_t offset) = 0;

    virtual void draw(uint32_t vertexCount, uint32_t firstVertex) = 0;
    virtual void dispatch(uint32_t x, uint32_t y, uint32_t z) = 0;

    // UpdateSubresource of a buffer: later draws see the new contents.
    virtual void updateBuffer(Buffer& buffer, const void* data) = 0;
    // UpdateSubresource of a texture region from processor memory.
    virtual void updateTexture(Texture& texture, const Box* box, const void* data, uint32_t rowPitch) = 0;

    virtual void copyTexture(Texture& dst, Texture& src) = 0;
    virtual void copyRegion(Texture& dst, uint32_t dstX, uint32_t dstY, Texture& src, const Box& box) = 0;
    virtual void resolve(Texture& dst, Texture& src) = 0;
    virtual void clearRenderTarget(View& view, const float color[4]) = 0;
    virtual void clearUnorderedAccessFloat(View& view, const float value[4]) = 0;
    // Records the copy and submits what was recorded up to it, so that later
    // work can be recorded while the copy runs.
    virtual void copyToStaging(Staging& dst, Texture& src) = 0;
    // Waits for the submission holding the last copy into the staging object
    // (not for work recorded after it); the pointer stays valid until the
    // staging object is destroyed or written again.
    virtual const uint8_t* mapStaging(Staging& staging) = 0;

    // Submits the recorded work (does not wait).
    virtual void flush() = 0;
    // Submits and waits until the device is idle.
    virtual void finish() = 0;

    // The context is used by one thread at a time. claim marks it as used by
    // the calling thread until release (a render worker holds it for a whole
    // frame); every call also claims it for its own duration. With the check
    // on (debug builds, and whenever the validation layer is on), a call from
    // another thread meanwhile is reported through the validation handler
    // (and ends a debug build).
    virtual void claim() = 0;
    virtual void release() = 0;

    // Counters for tests and measurements.
    struct Counters {
        uint64_t draws = 0, dispatches = 0, passes = 0, submits = 0;
        uint64_t clears = 0;       // whole-picture clears asked for
        uint64_t foldedClears = 0; // of those, done by the next pass's start instead of a command of their own
        uint64_t pipelines = 0;          // pipelines made
        uint64_t pipelinesFromCache = 0; // of those, found whole in the pipeline cache
    };
    virtual Counters counters() const = 0;
};

struct DeviceOptions {
    // Enable the validation layer; its messages go to the validation handler.
    bool validation = false;
    // The file the pipeline cache is read from at creation and written to when
    // the device goes (empty: no file). A file made for another device or
    // driver is ignored and replaced.
    std::string pipelineCachePath;
};

// Picture memory of the device, in bytes: every image alive (those kept for
// reuse included), the most there has been since the last reset, and the part
// kept for reuse.
struct MemoryCounters {
    uint64_t images = 0;
    uint64_t imagesPeak = 0;
    uint64_t pooled = 0;
};

struct DeviceFacts {
    std::string name;
    uint32_t apiVersion = 0;
    bool fragmentInterlock = false; // rasterizer-ordered pixel access
    bool software = false;
    uint64_t pipelineCacheLoaded = 0; // bytes taken from the pipeline cache file at creation
};

class Device {
public:
    virtual ~Device() = default;
    static int32_t create(const DeviceOptions& options, std::unique_ptr<Device>* out);

    virtual const DeviceFacts& facts() const = 0;
    virtual uint32_t formatSupport(Format format) const = 0;

    // Thread-safe. With data, the texture starts with it (rowPitch bytes per
    // row of the memory form; the copy is recorded into the context's command
    // stream before its next command, and the data may go when the call
    // returns); without, its contents are undefined. A dropped texture's image
    // serves the next texture of the same size, format, bind flags and samples.
    virtual int32_t createTexture(const TextureDesc& desc, const void* data, uint32_t rowPitch,
                                  TexturePtr* out) = 0;
    virtual int32_t createView(const TexturePtr& texture, ViewKind kind, ViewPtr* out) = 0;
    virtual int32_t createShader(Stage stage, const void* spirv, size_t bytes, ShaderPtr* out) = 0;
    virtual int32_t createSamplerState(const SamplerDesc& desc, SamplerStatePtr* out) = 0;
    virtual int32_t createStaging(uint32_t width, uint32_t height, Format format, StagingPtr* out) = 0;
    // Thread-safe: waits until the device has run the last copy into the
    // staging object, which must have been submitted (copyToStaging submits
    // it), and gives its memory, valid until the object goes or is written
    // again. Read-backs are finished on other threads than the context's.
    virtual const uint8_t* waitStaging(Staging& staging) = 0;

    virtual Context& context() = 0;

    virtual MemoryCounters memory() const = 0;
    virtual void resetMemoryPeak() = 0;
    // Frees the images kept for reuse (once the device no longer uses them).
    virtual void freePooledMemory() = 0;
};

// Holds the context for one thread for the object's lifetime.
class ContextClaim {
public:
    explicit ContextClaim(Context& context) : context_(context) { context_.claim(); }
    ~ContextClaim() { context_.release(); }
    ContextClaim(const ContextClaim&) = delete;
    ContextClaim& operator=(const ContextClaim&) = delete;

private:
    Context& context_;
};

// Receives every message of the validation layer (tests fail on any).
void setValidationHandler(std::function<void(const char* message)> handler);

} // namespace Platform::Gpu
