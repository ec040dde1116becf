// The device on Vulkan 1.3: headless, one queue, images always in the GENERAL
// layout, push descriptors, dynamic rendering, pipelines built on first use.
//
// Synchronisation is deliberately simple: one global memory barrier separates
// every pass (a run of draws into the same targets), copy, clear and dispatch
// from the next. Work is recorded into one command buffer and submitted on
// flush; objects destroyed while the device may still use them are freed
// once the submission that could use them has completed.
#include <vulkan/vulkan.h>

#include "platform/gpu/gpu.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_map>

namespace Platform::Gpu {

namespace {

std::mutex handlerMutex;
std::function<void(const char*)> validationHandler;

void report(const char* message)
{
    std::lock_guard<std::mutex> lock(handlerMutex);
    if (validationHandler)
        validationHandler(message);
}

VKAPI_ATTR VkBool32 VKAPI_CALL debugCallback(VkDebugUtilsMessageSeverityFlagBitsEXT, VkDebugUtilsMessageTypeFlagsEXT,
                                             const VkDebugUtilsMessengerCallbackDataEXT* data, void*)
{
    std::lock_guard<std::mutex> lock(handlerMutex);
    if (validationHandler)
        validationHandler(data && data->pMessage ? data->pMessage : "");
    return VK_FALSE;
}

int32_t toResult(VkResult r)
{
    switch (r) {
    case VK_SUCCESS: return Ok;
    case VK_ERROR_OUT_OF_HOST_MEMORY:
    case VK_ERROR_OUT_OF_DEVICE_MEMORY:
    case VK_ERROR_TOO_MANY_OBJECTS: return ErrorOutOfMemory;
    case VK_ERROR_DEVICE_LOST: return ErrorDeviceRemoved;
    case VK_ERROR_FORMAT_NOT_SUPPORTED:
    case VK_ERROR_FEATURE_NOT_PRESENT:
    case VK_ERROR_EXTENSION_NOT_PRESENT:
    case VK_ERROR_LAYER_NOT_PRESENT:
    case VK_ERROR_INCOMPATIBLE_DRIVER: return ErrorUnsupported;
    case VK_ERROR_INITIALIZATION_FAILED: return ErrorNotFound;
    default: return ErrorFail;
    }
}

void check(VkResult r, const char* what)
{
    if (r != VK_SUCCESS)
        throw std::runtime_error(std::string(what) + " failed (" + std::to_string(static_cast<int>(r)) + ")");
}

VkFormat vkFormat(uint32_t format)
{
    switch (format) {
    case 2: return VK_FORMAT_R32G32B32A32_SFLOAT;
    case 10: return VK_FORMAT_R16G16B16A16_SFLOAT;
    case 11: return VK_FORMAT_R16G16B16A16_UNORM;
    case 13: return VK_FORMAT_R16G16B16A16_SNORM;
    case 28: return VK_FORMAT_R8G8B8A8_UNORM;
    case 41: return VK_FORMAT_R32_SFLOAT;
    case 65: return VK_FORMAT_R8_UNORM;
    case 69:
    case 107: return VK_FORMAT_R8G8B8A8_UNORM;
    case 87:
    case 88: return VK_FORMAT_B8G8R8A8_UNORM;
    default: return VK_FORMAT_UNDEFINED;
    }
}

bool isPacked(uint32_t format) { return format == 69 || format == 107; }

uint32_t texelWidth(uint32_t format, uint32_t width)
{
    return isPacked(format) ? (width + 1) / 2 : width;
}

VkBlendFactor blendFactor(uint8_t f, bool alphaTarget)
{
    switch (f) {
    case 1: return VK_BLEND_FACTOR_ZERO;
    case 2: return VK_BLEND_FACTOR_ONE;
    case 3: return VK_BLEND_FACTOR_SRC_COLOR;
    case 4: return VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR;
    case 5: return VK_BLEND_FACTOR_SRC_ALPHA;
    case 6: return VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    // An alpha-only target keeps its alpha in red.
    case 7: return alphaTarget ? VK_BLEND_FACTOR_DST_COLOR : VK_BLEND_FACTOR_DST_ALPHA;
    case 8: return alphaTarget ? VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR : VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA;
    case 9: return VK_BLEND_FACTOR_DST_COLOR;
    case 10: return VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR;
    case 11: return VK_BLEND_FACTOR_SRC_ALPHA_SATURATE;
    case 14: return alphaTarget ? VK_BLEND_FACTOR_CONSTANT_ALPHA : VK_BLEND_FACTOR_CONSTANT_COLOR;
    case 15: return alphaTarget ? VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_ALPHA : VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_COLOR;
    case 16: return VK_BLEND_FACTOR_SRC1_COLOR;
    case 17: return VK_BLEND_FACTOR_ONE_MINUS_SRC1_COLOR;
    case 18: return VK_BLEND_FACTOR_SRC1_ALPHA;
    case 19: return VK_BLEND_FACTOR_ONE_MINUS_SRC1_ALPHA;
    default: return VK_BLEND_FACTOR_ONE;
    }
}

VkBlendOp blendOp(uint8_t op)
{
    switch (op) {
    case 2: return VK_BLEND_OP_SUBTRACT;
    case 3: return VK_BLEND_OP_REVERSE_SUBTRACT;
    case 4: return VK_BLEND_OP_MIN;
    case 5: return VK_BLEND_OP_MAX;
    default: return VK_BLEND_OP_ADD;
    }
}

VkSamplerAddressMode addressMode(uint8_t a)
{
    switch (a) {
    case 1: return VK_SAMPLER_ADDRESS_MODE_REPEAT;
    case 2: return VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
    case 4: return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER;
    case 5: return VK_SAMPLER_ADDRESS_MODE_MIRROR_CLAMP_TO_EDGE;
    default: return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    }
}

VkPrimitiveTopology topologyOf(uint32_t t)
{
    switch (t) {
    case 1: return VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
    case 2: return VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
    case 3: return VK_PRIMITIVE_TOPOLOGY_LINE_STRIP;
    case 5: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
    default: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    }
}

VkFormat attributeFormat(const VertexAttribute& a)
{
    static const VkFormat floats[] = {VK_FORMAT_UNDEFINED, VK_FORMAT_R32_SFLOAT, VK_FORMAT_R32G32_SFLOAT,
                                      VK_FORMAT_R32G32B32_SFLOAT, VK_FORMAT_R32G32B32A32_SFLOAT};
    static const VkFormat sints[] = {VK_FORMAT_UNDEFINED, VK_FORMAT_R32_SINT, VK_FORMAT_R32G32_SINT,
                                     VK_FORMAT_R32G32B32_SINT, VK_FORMAT_R32G32B32A32_SINT};
    static const VkFormat uints[] = {VK_FORMAT_UNDEFINED, VK_FORMAT_R32_UINT, VK_FORMAT_R32G32_UINT,
                                     VK_FORMAT_R32G32B32_UINT, VK_FORMAT_R32G32B32A32_UINT};
    size_t i = static_cast<size_t>(a.format);
    if (a.type == ComponentType::SInt32)
        return sints[i];
    if (a.type == ComponentType::UInt32)
        return uints[i];
    return floats[i];
}

uint64_t hashBytes(const void* data, size_t size, uint64_t h = 1469598103934665603ull)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

constexpr uint32_t RingChunkSize = 4u << 20;
constexpr uint32_t StagingPitchAlignment = 256;

class VulkanDevice;

// Objects whose Vulkan handles are freed once the device is done with them.
struct Garbage {
    uint64_t serial = 0;
    VkImage image = VK_NULL_HANDLE;
    VkImageView view = VK_NULL_HANDLE;
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    VkSampler sampler = VK_NULL_HANDLE;
    VkPipeline pipeline = VK_NULL_HANDLE;
    VkShaderModule module = VK_NULL_HANDLE;
    uint64_t stagingBytes = 0; // returned to the staging pool instead of freed
    void* mapped = nullptr;
    bool coherent = true;
    uint64_t imageBytes = 0; // image memory kept for reuse by a texture of the same size
    uint32_t memoryType = 0;
};

std::atomic<uint64_t> nextTextureId{1};

class VulkanTexture final : public Texture {
public:
    VulkanTexture(VulkanDevice& device, const TextureDesc& desc) : device(device)
    {
        desc_ = desc;
        id_ = nextTextureId++;
    }
    ~VulkanTexture() override;
    VulkanDevice& device;
    VkImage image = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    uint64_t memoryBytes = 0;
    uint32_t memoryType = 0;
    VkFormat vkFormat = VK_FORMAT_UNDEFINED;
    uint32_t texelWidth = 0;
    std::atomic<bool> initialised{false}; // in the GENERAL layout
};

class VulkanView final : public View {
public:
    VulkanView(VulkanDevice& device, ViewKind kind, TexturePtr texture) : device(device)
    {
        kind_ = kind;
        texture_ = std::move(texture);
    }
    ~VulkanView() override;
    VulkanDevice& device;
    VkImageView view = VK_NULL_HANDLE;
    VulkanTexture* vk() const { return static_cast<VulkanTexture*>(texture_.get()); }
};

class VulkanShader final : public Shader {
public:
    VulkanShader(VulkanDevice& device) : device(device) {}
    ~VulkanShader() override;
    VulkanDevice& device;
    VkShaderModule module = VK_NULL_HANDLE;
    // For blending with a second source colour: the output at location 1
    // becomes the second source of location 0. Made on first use.
    VkShaderModule dualSourceModule = VK_NULL_HANDLE;
    std::vector<uint32_t> words;
    VkShaderModule dualSource();
    // Storage images take the format of the picture bound to them: the
    // declared format (HLSL can only say rgba32f or r32f) is rewritten per
    // combination of bound formats. key: one byte per slot.
    std::vector<std::pair<uint32_t, uint32_t>> storageFormatWords; // (slot, word index)
    std::unordered_map<uint64_t, VkShaderModule> storageVariants;
    VkShaderModule withStorageFormats(uint64_t key, bool secondSource);
    void setInfo(const ShaderInfo& info, uint64_t id)
    {
        info_ = info;
        id_ = id;
    }
};

class VulkanSampler final : public SamplerState {
public:
    VulkanSampler(VulkanDevice& device) : device(device) {}
    ~VulkanSampler() override;
    VulkanDevice& device;
    VkSampler sampler = VK_NULL_HANDLE;
};

class VulkanStaging final : public Staging {
public:
    VulkanStaging(VulkanDevice& device, uint32_t width, uint32_t height, uint32_t format, uint32_t pitch)
        : device(device)
    {
        width_ = width;
        height_ = height;
        format_ = format;
        rowPitch_ = pitch;
    }
    ~VulkanStaging() override;
    VulkanDevice& device;
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    uint64_t bytes = 0;
    void* mapped = nullptr;
    bool coherent = true;
    uint64_t writtenSerial = 0;
};

struct RingChunk {
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    uint8_t* mapped = nullptr;
    uint32_t size = 0;
    uint32_t used = 0;
};

class VulkanContext;

class VulkanDevice final : public Device {
public:
    ~VulkanDevice() override;
    int32_t initialise(const DeviceOptions& options);

    const DeviceFacts& facts() const override { return facts_; }
    uint32_t formatSupport(uint32_t format) const override;
    int32_t createTexture(const TextureDesc& desc, const void* data, uint32_t rowPitch, TexturePtr* out) override;
    int32_t createView(const TexturePtr& texture, ViewKind kind, ViewPtr* out) override;
    int32_t createShader(Stage stage, const void* spirv, size_t bytes, ShaderPtr* out) override;
    int32_t createSamplerState(const SamplerDesc& desc, SamplerStatePtr* out) override;
    int32_t createStaging(uint32_t width, uint32_t height, uint32_t format, StagingPtr* out) override;
    Context& context() override;

    int32_t findMemory(uint32_t typeBits, VkMemoryPropertyFlags want, VkMemoryPropertyFlags prefer, uint32_t* index) const;
    int32_t createHostBuffer(uint64_t bytes, VkBufferUsageFlags usage, bool cached, VkBuffer* buffer,
                             VkDeviceMemory* memory, void** mapped, bool* coherent);
    void retire(Garbage g); // frees now or after the current recording's submission
    void collect(uint64_t completedSerial, bool all);
    void shaderDestroyed(uint64_t id);

    VkInstance instance = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT messenger = VK_NULL_HANDLE;
    VkPhysicalDevice physical = VK_NULL_HANDLE;
    VkDevice device = VK_NULL_HANDLE;
    VkQueue queue = VK_NULL_HANDLE;
    uint32_t queueFamily = 0;
    VkPhysicalDeviceMemoryProperties memoryProperties{};
    VkPhysicalDeviceLimits limits{};
    VkDescriptorSetLayout setLayout = VK_NULL_HANDLE;
    VkPipelineLayout pipelineLayout = VK_NULL_HANDLE;
    VkSampler defaultSampler = VK_NULL_HANDLE;
    PFN_vkCmdPushDescriptorSetKHR pushDescriptorSet = nullptr;
    std::mutex queueMutex;

    // Uploads of initial data: one reusable staging buffer, one command buffer.
    std::mutex uploadMutex;
    VkCommandPool uploadPool = VK_NULL_HANDLE;
    VkCommandBuffer uploadCommands = VK_NULL_HANDLE;
    VkFence uploadFence = VK_NULL_HANDLE;
    VkBuffer uploadBuffer = VK_NULL_HANDLE;
    VkDeviceMemory uploadMemory = VK_NULL_HANDLE;
    void* uploadMapped = nullptr;
    bool uploadCoherent = true;
    uint64_t uploadBytes = 0;

    std::mutex garbageMutex;
    std::deque<Garbage> garbage;
    std::vector<uint64_t> deadShaders;
    // Read-back buffers kept for reuse, by size.
    struct PooledStaging {
        uint64_t bytes;
        VkBuffer buffer;
        VkDeviceMemory memory;
        void* mapped;
        bool coherent; // else mapped reads need an invalidation
    };
    std::vector<PooledStaging> stagingPool;
    // Image memory of destroyed textures, reused by new ones of the same size
    // (intermediate pictures come and go at the same sizes every frame).
    struct PooledMemory {
        uint64_t bytes;
        uint32_t type;
        VkDeviceMemory memory;
    };
    std::vector<PooledMemory> memoryPool;
    uint64_t memoryPoolBytes = 0;
    static constexpr uint64_t MemoryPoolLimit = 512ull << 20;

    std::atomic<uint64_t> recordingSerial{1};
    std::atomic<uint64_t> nextShaderId{1};
    std::unique_ptr<VulkanContext> immediate;
    DeviceFacts facts_;
};

VulkanTexture::~VulkanTexture()
{
    Garbage g;
    g.image = image;
    g.memory = memory;
    g.imageBytes = memoryBytes;
    g.memoryType = memoryType;
    device.retire(g);
}

VulkanView::~VulkanView()
{
    Garbage g;
    g.view = view;
    device.retire(g);
}

VulkanShader::~VulkanShader()
{
    Garbage g;
    g.module = module;
    device.retire(g);
    if (dualSourceModule) {
        Garbage d;
        d.module = dualSourceModule;
        device.retire(d);
    }
    for (auto& v : storageVariants) {
        Garbage d;
        d.module = v.second;
        device.retire(d);
    }
    device.shaderDestroyed(id_);
}

namespace {
// The output at location 1 becomes the second source of location 0.
std::vector<uint32_t> patchSecondSource(const std::vector<uint32_t>& words)
{
    std::vector<uint32_t> outputs;
    for (size_t i = 5; i < words.size(); i += words[i] >> 16)
        if ((words[i] & 0xFFFF) == 59 && words[i + 3] == 3) // OpVariable, Output
            outputs.push_back(words[i + 2]);
    std::vector<uint32_t> patched(words.begin(), words.begin() + 5);
    for (size_t i = 5; i < words.size();) {
        uint32_t length = words[i] >> 16;
        bool secondOutput = (words[i] & 0xFFFF) == 71 && length == 4 && words[i + 2] == 30 && words[i + 3] == 1 &&
                            std::find(outputs.begin(), outputs.end(), words[i + 1]) != outputs.end();
        if (secondOutput) {
            uint32_t id = words[i + 1];
            patched.insert(patched.end(), {(4u << 16) | 71u, id, 30u, 0u, (4u << 16) | 71u, id, 32u, 1u});
        } else {
            patched.insert(patched.end(), words.begin() + static_cast<ptrdiff_t>(i),
                           words.begin() + static_cast<ptrdiff_t>(i + length));
        }
        i += length;
    }
    return patched;
}

VkShaderModule createModule(VkDevice device, const std::vector<uint32_t>& words)
{
    VkShaderModule module = VK_NULL_HANDLE;
    VkShaderModuleCreateInfo mi{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
    mi.codeSize = words.size() * 4;
    mi.pCode = words.data();
    check(vkCreateShaderModule(device, &mi, nullptr, &module), "vkCreateShaderModule");
    return module;
}
} // namespace

VkShaderModule VulkanShader::dualSource()
{
    if (!dualSourceModule)
        dualSourceModule = createModule(device.device, patchSecondSource(words));
    return dualSourceModule;
}

VkShaderModule VulkanShader::withStorageFormats(uint64_t key, bool secondSource)
{
    if (key == 0)
        return secondSource ? dualSource() : module;
    uint64_t variant = key ^ (secondSource ? 1ull << 63 : 0);
    auto found = storageVariants.find(variant);
    if (found != storageVariants.end())
        return found->second;
    std::vector<uint32_t> patched = words;
    for (auto [slot, word] : storageFormatWords) {
        uint32_t format = static_cast<uint32_t>((key >> (8 * slot)) & 0xFF);
        if (format && word < patched.size())
            patched[word] = format;
    }
    if (secondSource)
        patched = patchSecondSource(patched);
    VkShaderModule m = createModule(device.device, patched);
    storageVariants.emplace(variant, m);
    return m;
}

VulkanSampler::~VulkanSampler()
{
    Garbage g;
    g.sampler = sampler;
    device.retire(g);
}

VulkanStaging::~VulkanStaging()
{
    Garbage g;
    g.buffer = buffer;
    g.memory = memory;
    g.stagingBytes = bytes;
    g.mapped = mapped;
    g.coherent = coherent;
    device.retire(g);
}

// ---------------------------------------------------------------------------
// The immediate context.

// Compared and hashed as bytes, so every byte (padding included) is set.
struct PipelineKey {
    PipelineKey()
    {
        std::memset(static_cast<void*>(this), 0, sizeof(*this));
        samples = 1;
    }
    uint64_t vs, ps, cs;
    uint64_t layoutHash;
    BlendDesc blend;
    RasterDesc raster;
    uint32_t formats[2];
    uint32_t targetCount;
    uint32_t samples;
    uint32_t topology;
    uint32_t stride;
    uint32_t alphaTarget;
    uint32_t packedSources;
    uint64_t storageFormats;
    bool operator==(const PipelineKey& o) const { return std::memcmp(this, &o, sizeof(*this)) == 0; }
};
struct PipelineKeyHash {
    size_t operator()(const PipelineKey& k) const { return static_cast<size_t>(hashBytes(&k, sizeof(k))); }
};

struct StageBindings {
    std::array<ViewPtr, TextureSlots> textures;
    std::array<SamplerStatePtr, SamplerSlots> samplers;
    std::array<BufferPtr, ConstantBufferSlots> constants;
};

class VulkanContext final : public Context {
public:
    explicit VulkanContext(VulkanDevice& d) : dev(d) {}
    ~VulkanContext() override;
    int32_t initialise();

    void setRenderTargets(uint32_t count, View* const* views) override;
    void setPixelUnorderedAccessViews(uint32_t firstSlot, uint32_t count, View* const* views) override;
    void setViewport(const Viewport& viewport) override;
    void setShaderResources(Stage stage, uint32_t slot, uint32_t count, View* const* views) override;
    void setSamplers(Stage stage, uint32_t slot, uint32_t count, SamplerState* const* samplers) override;
    void setConstantBuffers(Stage stage, uint32_t slot, uint32_t count, Buffer* const* buffers) override;
    void setComputeUnorderedAccessViews(uint32_t slot, uint32_t count, View* const* views) override;
    void setVertexShader(Shader* shader, const VertexLayout* layout) override;
    void setPixelShader(Shader* shader) override;
    void setComputeShader(Shader* shader) override;
    void setBlendState(BlendState* state, const float factor[4], uint32_t sampleMask) override;
    void setRasterState(RasterState* state) override
    {
        Use use(*this);
        raster_ = state ? state->desc : RasterDesc{};
    }
    void setTopology(uint32_t topology) override
    {
        Use use(*this);
        topology_ = topology;
    }
    void setVertexBuffer(Buffer* buffer, uint32_t stride, uint32_t offset) override;
    void draw(uint32_t vertexCount, uint32_t firstVertex) override;
    void dispatch(uint32_t x, uint32_t y, uint32_t z) override;
    void updateBuffer(Buffer& buffer, const void* data) override
    {
        Use use(*this);
        buffer.update(data, 0, buffer.size());
    }
    void updateTexture(Texture& texture, const Box* box, const void* data, uint32_t rowPitch) override;
    void copyTexture(Texture& dst, Texture& src) override;
    void copyRegion(Texture& dst, uint32_t dstX, uint32_t dstY, Texture& src, const Box& box) override;
    void resolve(Texture& dst, Texture& src) override;
    void clearRenderTarget(View& view, const float color[4]) override;
    void clearUnorderedAccessFloat(View& view, const float value[4]) override;
    void copyToStaging(Staging& dst, Texture& src) override;
    const uint8_t* mapStaging(Staging& staging) override;
    void flush() override;
    void finish() override;
    Counters counters() const override { return counters_; }
    void claim() override;
    void release() override;

    void purgeShader(uint64_t id);
    bool checkThreads = false;

private:
    // Claims the context for the calling thread for one call.
    class Use {
    public:
        explicit Use(VulkanContext& context) : context_(context) { context_.claim(); }
        ~Use() { context_.release(); }

    private:
        VulkanContext& context_;
    };

    struct Submission {
        VkCommandBuffer commands = VK_NULL_HANDLE;
        VkFence fence = VK_NULL_HANDLE;
        uint64_t serial = 0;
        std::vector<RingChunk> chunks;
    };
    struct RingSlice {
        VkBuffer buffer;
        uint32_t offset;
        uint8_t* data;
    };

    void begin();
    void endPass();
    void barrier();
    void prepare(VulkanTexture* t);
    RingSlice allocate(uint32_t size, uint32_t alignment);
    VkPipeline graphicsPipeline(const PipelineKey& key);
    VkPipeline computePipeline(const PipelineKey& key);
    void pushBindings(VkPipelineBindPoint point, const StageBindings& stage, const ShaderInfo* a,
                      const ShaderInfo* b, const std::array<ViewPtr, UnorderedAccessSlots>& uavs);
    void waitSerial(uint64_t serial);
    void retireCompleted();

    VulkanDevice& dev;
    VkCommandPool pool_ = VK_NULL_HANDLE;
    Submission current_;
    std::deque<Submission> inFlight_;
    std::vector<Submission> spare_;
    std::vector<RingChunk> freeChunks_;
    uint64_t completedSerial_ = 0;

    // Bound state.
    std::array<ViewPtr, 2> targets_;
    uint32_t targetCount_ = 0;
    std::array<ViewPtr, UnorderedAccessSlots> pixelUavs_;
    std::array<ViewPtr, UnorderedAccessSlots> computeUavs_;
    StageBindings pixel_, vertex_, compute_;
    Viewport viewport_;
    // Bound shaders stay alive while bound, as the views and buffers do.
    std::shared_ptr<VulkanShader> vs_, ps_, cs_;
    VertexLayout layout_;
    uint64_t layoutHash_ = 0;
    BlendDesc blend_;
    float blendFactor_[4] = {1, 1, 1, 1};
    RasterDesc raster_;
    uint32_t topology_ = 4;
    BufferPtr vertexBuffer_;
    uint32_t vertexStride_ = 0, vertexOffset_ = 0;

    // The thread using the context, and how many claims it holds.
    std::atomic<std::thread::id> user_{};
    uint32_t claims_ = 0;

    // Recording state. The open pass keeps its targets alive: a target dropped
    // meanwhile is destroyed once the pass has ended, and a picture made in its
    // place has another id, so it never joins the old pass.
    bool inPass_ = false;
    std::array<TexturePtr, 2> passTargets_{};
    uint32_t passTargetCount_ = 0;
    VkPipeline boundPipeline_ = VK_NULL_HANDLE;
    bool dynamicDirty_ = true;
    Buffer* lastVertexBuffer_ = nullptr;
    uint64_t lastVertexVersion_ = 0;
    RingSlice lastVertexSlice_{};

    std::unordered_map<PipelineKey, VkPipeline, PipelineKeyHash> pipelines_;
    Counters counters_;
};

int32_t VulkanContext::initialise()
{
    VkCommandPoolCreateInfo pi{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    pi.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pi.queueFamilyIndex = dev.queueFamily;
    VkResult r = vkCreateCommandPool(dev.device, &pi, nullptr, &pool_);
    if (r != VK_SUCCESS)
        return toResult(r);
    begin();
    return Ok;
}

VulkanContext::~VulkanContext()
{
    try {
        finish();
    } catch (...) {
    }
    for (auto& p : pipelines_)
        vkDestroyPipeline(dev.device, p.second, nullptr);
    auto freeChunk = [&](RingChunk& c) {
        vkDestroyBuffer(dev.device, c.buffer, nullptr);
        vkFreeMemory(dev.device, c.memory, nullptr);
    };
    for (auto& c : freeChunks_)
        freeChunk(c);
    for (auto& c : current_.chunks)
        freeChunk(c);
    auto freeSubmission = [&](Submission& s) {
        if (s.fence)
            vkDestroyFence(dev.device, s.fence, nullptr);
    };
    freeSubmission(current_);
    for (auto& s : spare_)
        freeSubmission(s);
    vkDestroyCommandPool(dev.device, pool_, nullptr);
}

void VulkanContext::begin()
{
    if (!spare_.empty()) {
        current_ = std::move(spare_.back());
        spare_.pop_back();
        vkResetCommandBuffer(current_.commands, 0);
    } else {
        current_ = Submission{};
        VkCommandBufferAllocateInfo ai{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
        ai.commandPool = pool_;
        ai.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        ai.commandBufferCount = 1;
        check(vkAllocateCommandBuffers(dev.device, &ai, &current_.commands), "vkAllocateCommandBuffers");
        VkFenceCreateInfo fi{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
        check(vkCreateFence(dev.device, &fi, nullptr, &current_.fence), "vkCreateFence");
    }
    current_.serial = dev.recordingSerial.load();
    VkCommandBufferBeginInfo bi{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    bi.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    check(vkBeginCommandBuffer(current_.commands, &bi), "vkBeginCommandBuffer");
    boundPipeline_ = VK_NULL_HANDLE;
    dynamicDirty_ = true;
    lastVertexBuffer_ = nullptr;
}

void VulkanContext::barrier()
{
    VkMemoryBarrier mb{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
    mb.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
    mb.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT;
    vkCmdPipelineBarrier(current_.commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0,
                         1, &mb, 0, nullptr, 0, nullptr);
}

void VulkanContext::endPass()
{
    if (!inPass_)
        return;
    vkCmdEndRendering(current_.commands);
    inPass_ = false;
    passTargetCount_ = 0;
    passTargets_ = {};
}

void VulkanContext::claim()
{
    if (!checkThreads)
        return;
    const std::thread::id self = std::this_thread::get_id();
    if (user_.load(std::memory_order_relaxed) == self) {
        ++claims_;
        return;
    }
    std::thread::id none;
    if (user_.compare_exchange_strong(none, self, std::memory_order_acquire)) {
        claims_ = 1;
        return;
    }
    report("the immediate context was used by a second thread while another one was using it");
#ifndef NDEBUG
    std::abort();
#endif
}

void VulkanContext::release()
{
    if (!checkThreads || user_.load(std::memory_order_relaxed) != std::this_thread::get_id())
        return;
    if (--claims_ == 0)
        user_.store(std::thread::id(), std::memory_order_release);
}

// Brings a new image into the GENERAL layout (outside any pass).
void VulkanContext::prepare(VulkanTexture* t)
{
    if (!t || t->initialised.load(std::memory_order_acquire))
        return;
    endPass();
    VkImageMemoryBarrier ib{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
    ib.srcAccessMask = 0;
    ib.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT;
    ib.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    ib.newLayout = VK_IMAGE_LAYOUT_GENERAL;
    ib.srcQueueFamilyIndex = ib.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    ib.image = t->image;
    ib.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdPipelineBarrier(current_.commands, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0,
                         0, nullptr, 0, nullptr, 1, &ib);
    t->initialised.store(true, std::memory_order_release);
}

VulkanContext::RingSlice VulkanContext::allocate(uint32_t size, uint32_t alignment)
{
    if (!current_.chunks.empty()) {
        RingChunk& c = current_.chunks.back();
        uint32_t offset = (c.used + alignment - 1) / alignment * alignment;
        if (offset + size <= c.size) {
            c.used = offset + size;
            return {c.buffer, offset, c.mapped + offset};
        }
    }
    RingChunk chunk;
    for (size_t i = 0; i < freeChunks_.size(); ++i) {
        if (freeChunks_[i].size >= size) {
            chunk = freeChunks_[i];
            freeChunks_.erase(freeChunks_.begin() + static_cast<ptrdiff_t>(i));
            break;
        }
    }
    if (!chunk.buffer) {
        chunk.size = std::max(RingChunkSize, size);
        void* mapped = nullptr;
        bool coherent = true;
        int32_t hr = dev.createHostBuffer(chunk.size,
                                          VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT | VK_BUFFER_USAGE_VERTEX_BUFFER_BIT |
                                              VK_BUFFER_USAGE_TRANSFER_SRC_BIT,
                                          false, &chunk.buffer, &chunk.memory, &mapped, &coherent);
        if (hr < 0)
            throw std::runtime_error("out of memory for per-draw data");
        chunk.mapped = static_cast<uint8_t*>(mapped);
    }
    chunk.used = size;
    current_.chunks.push_back(chunk);
    return {chunk.buffer, 0, chunk.mapped};
}

namespace {
template <class T>
std::shared_ptr<T> keep(T* object)
{
    return object ? std::static_pointer_cast<T>(object->shared_from_this()) : nullptr;
}
StageBindings& stageOf(Stage stage, StageBindings& vertex, StageBindings& pixel, StageBindings& compute)
{
    return stage == Stage::Pixel ? pixel : stage == Stage::Compute ? compute : vertex;
}
} // namespace

void VulkanContext::setRenderTargets(uint32_t count, View* const* views)
{
    Use use(*this);
    targetCount_ = 0;
    for (uint32_t i = 0; i < 2; ++i) {
        View* v = (views && i < count) ? views[i] : nullptr;
        targets_[i] = keep(v);
        if (v)
            targetCount_ = i + 1;
    }
    std::fill(pixelUavs_.begin(), pixelUavs_.end(), nullptr);
}

void VulkanContext::setPixelUnorderedAccessViews(uint32_t firstSlot, uint32_t count, View* const* views)
{
    Use use(*this);
    for (uint32_t i = 0; i < count && firstSlot + i < UnorderedAccessSlots; ++i)
        pixelUavs_[firstSlot + i] = keep(views ? views[i] : nullptr);
}

void VulkanContext::setShaderResources(Stage stage, uint32_t slot, uint32_t count, View* const* views)
{
    Use use(*this);
    StageBindings& s = stageOf(stage, vertex_, pixel_, compute_);
    for (uint32_t i = 0; i < count && slot + i < TextureSlots; ++i)
        s.textures[slot + i] = keep(views ? views[i] : nullptr);
}

void VulkanContext::setSamplers(Stage stage, uint32_t slot, uint32_t count, SamplerState* const* samplers)
{
    Use use(*this);
    StageBindings& s = stageOf(stage, vertex_, pixel_, compute_);
    for (uint32_t i = 0; i < count && slot + i < SamplerSlots; ++i)
        s.samplers[slot + i] = keep(samplers ? samplers[i] : nullptr);
}

void VulkanContext::setConstantBuffers(Stage stage, uint32_t slot, uint32_t count, Buffer* const* buffers)
{
    Use use(*this);
    StageBindings& s = stageOf(stage, vertex_, pixel_, compute_);
    for (uint32_t i = 0; i < count && slot + i < ConstantBufferSlots; ++i)
        s.constants[slot + i] = keep(buffers ? buffers[i] : nullptr);
}

void VulkanContext::setComputeUnorderedAccessViews(uint32_t slot, uint32_t count, View* const* views)
{
    Use use(*this);
    for (uint32_t i = 0; i < count && slot + i < UnorderedAccessSlots; ++i)
        computeUavs_[slot + i] = keep(views ? views[i] : nullptr);
}

void VulkanContext::setVertexShader(Shader* shader, const VertexLayout* layout)
{
    Use use(*this);
    vs_ = std::static_pointer_cast<VulkanShader>(keep(shader));
    layout_ = layout ? *layout : VertexLayout{};
    layoutHash_ = hashBytes(&layout_.stride, sizeof(layout_.stride));
    for (const VertexAttribute& a : layout_.attributes)
        layoutHash_ = hashBytes(&a, sizeof(a), layoutHash_);
}

void VulkanContext::setViewport(const Viewport& viewport)
{
    Use use(*this);
    // The viewport and scissor are dynamic state: a change reaches the next
    // draw even inside a pass that keeps its targets.
    if (std::memcmp(&viewport, &viewport_, sizeof(viewport)) != 0)
        dynamicDirty_ = true;
    viewport_ = viewport;
}

void VulkanContext::setPixelShader(Shader* shader)
{
    Use use(*this);
    ps_ = std::static_pointer_cast<VulkanShader>(keep(shader));
}

void VulkanContext::setComputeShader(Shader* shader)
{
    Use use(*this);
    cs_ = std::static_pointer_cast<VulkanShader>(keep(shader));
}

void VulkanContext::setBlendState(BlendState* state, const float factor[4], uint32_t)
{
    Use use(*this);
    blend_ = state ? state->desc : BlendDesc{};
    static const float ones[4] = {1, 1, 1, 1};
    const float* f = factor ? factor : ones;
    if (std::memcmp(f, blendFactor_, sizeof(blendFactor_)) != 0) {
        std::memcpy(blendFactor_, f, sizeof(blendFactor_));
        dynamicDirty_ = true;
    }
}

void VulkanContext::setVertexBuffer(Buffer* buffer, uint32_t stride, uint32_t offset)
{
    Use use(*this);
    vertexBuffer_ = keep(buffer);
    vertexStride_ = stride;
    vertexOffset_ = offset;
}

namespace {
// SPIR-V image format of a picture bound as a storage image.
uint32_t storageFormat(uint32_t format)
{
    switch (format) {
    case 2: return 1;   // Rgba32f
    case 10: return 2;  // Rgba16f
    case 41: return 3;  // R32f
    case 28: return 4;  // Rgba8
    case 11: return 10; // Rgba16
    case 13: return 16; // Rgba16Snorm
    case 65: return 15; // R8
    default: return 0;
    }
}

uint64_t storageKey(const VulkanShader& shader, const std::array<ViewPtr, UnorderedAccessSlots>& uavs)
{
    uint64_t key = 0;
    for (auto [slot, word] : shader.storageFormatWords)
        if (uavs[slot])
            key |= uint64_t(storageFormat(uavs[slot]->texture()->format())) << (8 * slot);
    return key;
}

} // namespace

void VulkanContext::pushBindings(VkPipelineBindPoint point, const StageBindings& stage, const ShaderInfo* a,
                                 const ShaderInfo* b, const std::array<ViewPtr, UnorderedAccessSlots>& uavs)
{
    constexpr size_t MaxWrites = 32;
    VkWriteDescriptorSet writes[MaxWrites];
    VkDescriptorImageInfo images[MaxWrites];
    VkDescriptorBufferInfo buffers[MaxWrites];
    uint32_t n = 0;
    const ShaderInfo* infos[2] = {a, b};
    for (const ShaderInfo* info : infos) {
        if (!info)
            continue;
        for (const ShaderBinding& sb : info->bindings) {
            if (n == MaxWrites)
                break;
            VkWriteDescriptorSet& w = writes[n];
            w = VkWriteDescriptorSet{VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
            w.dstBinding = sb.binding;
            w.descriptorCount = 1;
            images[n] = VkDescriptorImageInfo{VK_NULL_HANDLE, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_GENERAL};
            if (sb.kind == BindingKind::ConstantBuffer) {
                uint32_t slot = sb.binding >= VertexConstantBufferBase ? sb.binding - VertexConstantBufferBase
                                                                       : sb.binding - ConstantBufferBase;
                const BufferPtr& cb = (sb.binding >= VertexConstantBufferBase ? vertex_ : stage).constants[slot];
                w.descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
                if (cb && cb->size()) {
                    uint32_t align = static_cast<uint32_t>(std::max<VkDeviceSize>(dev.limits.minUniformBufferOffsetAlignment, 16));
                    RingSlice s = allocate(cb->size(), align);
                    std::memcpy(s.data, cb->data(), cb->size());
                    buffers[n] = VkDescriptorBufferInfo{s.buffer, s.offset, cb->size()};
                } else {
                    // Nothing bound: the shader reads zeros.
                    RingSlice s = allocate(256, 256);
                    std::memset(s.data, 0, 256);
                    buffers[n] = VkDescriptorBufferInfo{s.buffer, s.offset, 256};
                }
                w.pBufferInfo = &buffers[n];
            } else if (sb.kind == BindingKind::Texture) {
                w.descriptorType = VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
                VulkanView* v = static_cast<VulkanView*>(stage.textures[sb.binding - TextureBase].get());
                // A picture bound as a target at the same time reads as nothing.
                if (v && point == VK_PIPELINE_BIND_POINT_GRAPHICS) {
                    for (uint32_t t = 0; t < targetCount_; ++t)
                        if (targets_[t] && targets_[t]->texture() == v->texture())
                            v = nullptr;
                }
                images[n].imageView = v ? v->view : VK_NULL_HANDLE;
                w.pImageInfo = &images[n];
            } else if (sb.kind == BindingKind::Sampler) {
                w.descriptorType = VK_DESCRIPTOR_TYPE_SAMPLER;
                auto* s = static_cast<VulkanSampler*>(stage.samplers[sb.binding - SamplerBase].get());
                images[n].sampler = s ? s->sampler : dev.defaultSampler;
                w.pImageInfo = &images[n];
            } else if (sb.kind == BindingKind::StorageImage) {
                w.descriptorType = VK_DESCRIPTOR_TYPE_STORAGE_IMAGE;
                auto* v = static_cast<VulkanView*>(uavs[sb.binding - UnorderedAccessBase].get());
                images[n].imageView = v ? v->view : VK_NULL_HANDLE;
                w.pImageInfo = &images[n];
            } else {
                continue;
            }
            ++n;
        }
    }
    if (n)
        dev.pushDescriptorSet(current_.commands, point, dev.pipelineLayout, 0, n, writes);
}

void VulkanContext::draw(uint32_t vertexCount, uint32_t firstVertex)
{
    Use use(*this);
    if (!vs_ || !ps_ || targetCount_ == 0 || vertexCount == 0)
        return;
    std::array<VulkanTexture*, 2> targets{};
    for (uint32_t i = 0; i < targetCount_; ++i)
        targets[i] = targets_[i] ? static_cast<VulkanView*>(targets_[i].get())->vk() : nullptr;
    bool sameTargets = passTargetCount_ == targetCount_;
    for (uint32_t i = 0; i < targetCount_ && sameTargets; ++i)
        sameTargets = (passTargets_[i] ? passTargets_[i]->id() : 0) == (targets[i] ? targets[i]->id() : 0);
    bool uavs = false;
    for (uint32_t i = 0; i < targetCount_; ++i)
        prepare(targets[i]);
    for (auto& v : pixel_.textures)
        if (v)
            prepare(static_cast<VulkanView*>(v.get())->vk());
    for (auto& v : pixelUavs_)
        if (v) {
            prepare(static_cast<VulkanView*>(v.get())->vk());
            uavs = true;
        }
    // Unordered-access writes of one draw are visible to the next, so a draw
    // that binds them gets a pass of its own (ended after it, below).
    if (inPass_ && (uavs || !sameTargets))
        endPass();
    if (!inPass_) {
        barrier();
        VkRenderingAttachmentInfo attachments[2]{};
        uint32_t width = UINT32_MAX, height = UINT32_MAX;
        for (uint32_t i = 0; i < targetCount_; ++i) {
            attachments[i].sType = VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO;
            attachments[i].imageView = targets[i] ? static_cast<VulkanView*>(targets_[i].get())->view : VK_NULL_HANDLE;
            attachments[i].imageLayout = VK_IMAGE_LAYOUT_GENERAL;
            attachments[i].loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
            attachments[i].storeOp = VK_ATTACHMENT_STORE_OP_STORE;
            if (targets[i]) {
                width = std::min(width, targets[i]->texelWidth);
                height = std::min(height, targets[i]->height());
            }
        }
        if (width == UINT32_MAX)
            return;
        VkRenderingInfo ri{VK_STRUCTURE_TYPE_RENDERING_INFO};
        ri.renderArea = {{0, 0}, {width, height}};
        ri.layerCount = 1;
        ri.colorAttachmentCount = targetCount_;
        ri.pColorAttachments = attachments;
        vkCmdBeginRendering(current_.commands, &ri);
        inPass_ = true;
        for (uint32_t i = 0; i < targetCount_; ++i)
            passTargets_[i] = targets[i] ? targets[i]->shared_from_this() : nullptr;
        passTargetCount_ = targetCount_;
        dynamicDirty_ = true;
        ++counters_.passes;
    }

    PipelineKey key;
    key.vs = vs_->id();
    key.ps = ps_->id();
    key.layoutHash = layoutHash_;
    std::memcpy(&key.blend, &blend_, sizeof(blend_));
    std::memcpy(&key.raster, &raster_, sizeof(raster_));
    key.targetCount = targetCount_;
    for (uint32_t i = 0; i < targetCount_; ++i) {
        key.formats[i] = targets[i] ? targets[i]->format() : 0;
        key.samples = targets[i] ? targets[i]->desc().samples : 1;
    }
    key.topology = topology_;
    key.stride = layout_.stride ? layout_.stride : vertexStride_;
    const ShaderInfo& psInfo = ps_->info();
    if ((psInfo.specMask & (1u << SpecAlphaTarget)) && key.formats[0] == 65)
        key.alphaTarget = 1;
    if (psInfo.specMask & (1u << SpecPackedSources)) {
        for (uint32_t i = 0; i < TextureSlots; ++i)
            if (pixel_.textures[i] && isPacked(pixel_.textures[i]->texture()->format()))
                key.packedSources |= 1u << i;
    }
    key.storageFormats = storageKey(*ps_, pixelUavs_);
    VkPipeline pipeline = graphicsPipeline(key);
    if (pipeline != boundPipeline_) {
        vkCmdBindPipeline(current_.commands, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
        boundPipeline_ = pipeline;
    }
    if (dynamicDirty_) {
        // Clip-space y points up: the viewport is flipped.
        VkViewport vp{viewport_.x, viewport_.y + viewport_.height, viewport_.width, -viewport_.height,
                      viewport_.minDepth, viewport_.maxDepth};
        if (viewport_.height == 0)
            vp.height = -1.0f; // a zero height is invalid; nothing is drawn outside the scissor anyway
        vkCmdSetViewport(current_.commands, 0, 1, &vp);
        uint32_t width = UINT32_MAX, height = UINT32_MAX;
        for (uint32_t i = 0; i < targetCount_; ++i)
            if (targets[i]) {
                width = std::min(width, targets[i]->texelWidth);
                height = std::min(height, targets[i]->height());
            }
        float x0 = std::max(viewport_.x, 0.0f), y0 = std::max(viewport_.y, 0.0f);
        float x1 = std::min(viewport_.x + viewport_.width, static_cast<float>(width));
        float y1 = std::min(viewport_.y + viewport_.height, static_cast<float>(height));
        VkRect2D scissor{{static_cast<int32_t>(x0), static_cast<int32_t>(y0)},
                         {x1 > x0 ? static_cast<uint32_t>(x1 - x0) : 0u, y1 > y0 ? static_cast<uint32_t>(y1 - y0) : 0u}};
        vkCmdSetScissor(current_.commands, 0, 1, &scissor);
        vkCmdSetBlendConstants(current_.commands, blendFactor_);
        dynamicDirty_ = false;
    }
    pushBindings(VK_PIPELINE_BIND_POINT_GRAPHICS, pixel_, &vs_->info(), &psInfo, pixelUavs_);
    if (!layout_.attributes.empty()) {
        Buffer* vb = vertexBuffer_.get();
        if (!vb || vb->size() <= vertexOffset_)
            return;
        if (vb != lastVertexBuffer_ || vb->version() != lastVertexVersion_) {
            uint32_t bytes = vb->size() - vertexOffset_;
            lastVertexSlice_ = allocate(bytes, 16);
            std::memcpy(lastVertexSlice_.data, vb->data() + vertexOffset_, bytes);
            lastVertexBuffer_ = vb;
            lastVertexVersion_ = vb->version();
        }
        VkDeviceSize offset = lastVertexSlice_.offset;
        vkCmdBindVertexBuffers(current_.commands, 0, 1, &lastVertexSlice_.buffer, &offset);
    }
    vkCmdDraw(current_.commands, vertexCount, 1, firstVertex, 0);
    ++counters_.draws;
    // What the draw wrote through storage views is read by later draws (the
    // light pass samples the normals the depth shaders stored): the pass ends
    // here, and the next one starts behind a barrier.
    if (uavs)
        endPass();
}

void VulkanContext::dispatch(uint32_t x, uint32_t y, uint32_t z)
{
    Use use(*this);
    if (!cs_ || x == 0 || y == 0 || z == 0)
        return;
    endPass();
    for (auto& v : compute_.textures)
        if (v)
            prepare(static_cast<VulkanView*>(v.get())->vk());
    for (auto& v : computeUavs_)
        if (v)
            prepare(static_cast<VulkanView*>(v.get())->vk());
    barrier();
    PipelineKey key;
    key.cs = cs_->id();
    if (cs_->info().specMask & (1u << SpecPackedSources)) {
        for (uint32_t i = 0; i < TextureSlots; ++i)
            if (compute_.textures[i] && isPacked(compute_.textures[i]->texture()->format()))
                key.packedSources |= 1u << i;
    }
    key.storageFormats = storageKey(*cs_, computeUavs_);
    VkPipeline pipeline = computePipeline(key);
    vkCmdBindPipeline(current_.commands, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline);
    pushBindings(VK_PIPELINE_BIND_POINT_COMPUTE, compute_, &cs_->info(), nullptr, computeUavs_);
    vkCmdDispatch(current_.commands, x, y, z);
    ++counters_.dispatches;
}

namespace {
struct SpecData {
    VkSpecializationMapEntry entries[2];
    uint32_t values[2];
    VkSpecializationInfo info;
    void fill(uint32_t mask, uint32_t alphaTarget, uint32_t packed)
    {
        uint32_t n = 0;
        if (mask & (1u << SpecAlphaTarget)) {
            entries[n] = {SpecAlphaTarget, n * 4, 4};
            values[n++] = alphaTarget;
        }
        if (mask & (1u << SpecPackedSources)) {
            entries[n] = {SpecPackedSources, n * 4, 4};
            values[n++] = packed;
        }
        info = {n, entries, n * 4, values};
    }
};
} // namespace

VkPipeline VulkanContext::graphicsPipeline(const PipelineKey& key)
{
    auto found = pipelines_.find(key);
    if (found != pipelines_.end())
        return found->second;

    SpecData spec;
    spec.fill(ps_->info().specMask, key.alphaTarget, key.packedSources);
    VkPipelineShaderStageCreateInfo stages[2]{};
    stages[0].sType = stages[1].sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    stages[0].stage = VK_SHADER_STAGE_VERTEX_BIT;
    stages[0].module = vs_->module;
    stages[0].pName = "main";
    stages[1].stage = VK_SHADER_STAGE_FRAGMENT_BIT;
    auto secondSource = [](uint8_t f) { return f >= 16 && f <= 19; };
    const BlendDesc& bd = key.blend;
    bool dual = bd.enable && ps_->info().outputs >= 2 &&
                (secondSource(bd.srcColor) || secondSource(bd.dstColor) || secondSource(bd.srcAlpha) ||
                 secondSource(bd.dstAlpha));
    stages[1].module = ps_->withStorageFormats(key.storageFormats, dual);
    stages[1].pName = "main";
    stages[1].pSpecializationInfo = spec.info.mapEntryCount ? &spec.info : nullptr;

    std::vector<VkVertexInputAttributeDescription> attributes;
    for (const VertexAttribute& a : layout_.attributes)
        if (a.format != AttributeFormat::Unknown)
            attributes.push_back({a.location, 0, attributeFormat(a), a.offset});
    VkVertexInputBindingDescription binding{0, key.stride, VK_VERTEX_INPUT_RATE_VERTEX};
    VkPipelineVertexInputStateCreateInfo vi{VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO};
    if (!attributes.empty()) {
        vi.vertexBindingDescriptionCount = 1;
        vi.pVertexBindingDescriptions = &binding;
        vi.vertexAttributeDescriptionCount = static_cast<uint32_t>(attributes.size());
        vi.pVertexAttributeDescriptions = attributes.data();
    }
    VkPipelineInputAssemblyStateCreateInfo ia{VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO};
    ia.topology = topologyOf(key.topology);
    VkPipelineViewportStateCreateInfo vp{VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO};
    vp.viewportCount = 1;
    vp.scissorCount = 1;
    VkPipelineRasterizationStateCreateInfo rs{VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO};
    rs.polygonMode = key.raster.fill == 2 ? VK_POLYGON_MODE_LINE : VK_POLYGON_MODE_FILL;
    rs.cullMode = key.raster.cull == 2 ? VK_CULL_MODE_FRONT_BIT : key.raster.cull == 3 ? VK_CULL_MODE_BACK_BIT : VK_CULL_MODE_NONE;
    // The viewport flip keeps the winding as the caller sees it on screen.
    rs.frontFace = key.raster.frontCounterClockwise ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE;
    rs.depthClampEnable = key.raster.depthClip ? VK_FALSE : VK_TRUE;
    rs.lineWidth = 1.0f;
    VkPipelineMultisampleStateCreateInfo ms{VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO};
    ms.rasterizationSamples = static_cast<VkSampleCountFlagBits>(key.samples ? key.samples : 1);
    VkPipelineColorBlendAttachmentState blends[2]{};
    for (uint32_t i = 0; i < key.targetCount; ++i) {
        VkPipelineColorBlendAttachmentState& b = blends[i];
        const BlendDesc& d = key.blend;
        bool alphaOnly = key.formats[i] == 65;
        b.blendEnable = d.enable ? VK_TRUE : VK_FALSE;
        if (alphaOnly) {
            // Red carries the alpha: blend it with the alpha factors.
            b.srcColorBlendFactor = blendFactor(d.srcAlpha, true);
            b.dstColorBlendFactor = blendFactor(d.dstAlpha, true);
            b.colorBlendOp = blendOp(d.alphaOp);
            b.srcAlphaBlendFactor = b.srcColorBlendFactor;
            b.dstAlphaBlendFactor = b.dstColorBlendFactor;
            b.alphaBlendOp = b.colorBlendOp;
            b.colorWriteMask = (d.writeMask & 8) ? VK_COLOR_COMPONENT_R_BIT : 0;
        } else {
            b.srcColorBlendFactor = blendFactor(d.srcColor, false);
            b.dstColorBlendFactor = blendFactor(d.dstColor, false);
            b.colorBlendOp = blendOp(d.colorOp);
            b.srcAlphaBlendFactor = blendFactor(d.srcAlpha, false);
            b.dstAlphaBlendFactor = blendFactor(d.dstAlpha, false);
            b.alphaBlendOp = blendOp(d.alphaOp);
            b.colorWriteMask = d.writeMask & 0xF;
        }
    }
    VkPipelineColorBlendStateCreateInfo cb{VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO};
    cb.attachmentCount = key.targetCount;
    cb.pAttachments = blends;
    VkDynamicState dynamics[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR, VK_DYNAMIC_STATE_BLEND_CONSTANTS};
    VkPipelineDynamicStateCreateInfo ds{VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO};
    ds.dynamicStateCount = 3;
    ds.pDynamicStates = dynamics;
    VkFormat formats[2] = {vkFormat(key.formats[0]), vkFormat(key.formats[1])};
    VkPipelineRenderingCreateInfo rendering{VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO};
    rendering.colorAttachmentCount = key.targetCount;
    rendering.pColorAttachmentFormats = formats;

    VkGraphicsPipelineCreateInfo pi{VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO};
    pi.pNext = &rendering;
    pi.stageCount = 2;
    pi.pStages = stages;
    pi.pVertexInputState = &vi;
    pi.pInputAssemblyState = &ia;
    pi.pViewportState = &vp;
    pi.pRasterizationState = &rs;
    pi.pMultisampleState = &ms;
    pi.pColorBlendState = &cb;
    pi.pDynamicState = &ds;
    pi.layout = dev.pipelineLayout;
    VkPipeline pipeline = VK_NULL_HANDLE;
    check(vkCreateGraphicsPipelines(dev.device, VK_NULL_HANDLE, 1, &pi, nullptr, &pipeline), "vkCreateGraphicsPipelines");
    pipelines_.emplace(key, pipeline);
    ++counters_.pipelines;
    return pipeline;
}

VkPipeline VulkanContext::computePipeline(const PipelineKey& key)
{
    auto found = pipelines_.find(key);
    if (found != pipelines_.end())
        return found->second;
    SpecData spec;
    spec.fill(cs_->info().specMask, 0, key.packedSources);
    VkComputePipelineCreateInfo pi{VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO};
    pi.stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    pi.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
    pi.stage.module = cs_->withStorageFormats(key.storageFormats, false);
    pi.stage.pName = "main";
    pi.stage.pSpecializationInfo = spec.info.mapEntryCount ? &spec.info : nullptr;
    pi.layout = dev.pipelineLayout;
    VkPipeline pipeline = VK_NULL_HANDLE;
    check(vkCreateComputePipelines(dev.device, VK_NULL_HANDLE, 1, &pi, nullptr, &pipeline), "vkCreateComputePipelines");
    pipelines_.emplace(key, pipeline);
    ++counters_.pipelines;
    return pipeline;
}

void VulkanContext::purgeShader(uint64_t id)
{
    for (auto it = pipelines_.begin(); it != pipelines_.end();) {
        if (it->first.vs == id || it->first.ps == id || it->first.cs == id) {
            if (it->second == boundPipeline_)
                boundPipeline_ = VK_NULL_HANDLE;
            Garbage g;
            g.pipeline = it->second;
            dev.retire(g);
            it = pipelines_.erase(it);
        } else {
            ++it;
        }
    }
}

void VulkanContext::updateTexture(Texture& texture, const Box* box, const void* data, uint32_t rowPitch)
{
    Use use(*this);
    auto& t = static_cast<VulkanTexture&>(texture);
    Box b = box ? *box : Box{0, 0, t.width(), t.height()};
    b.right = std::min(b.right, t.width());
    b.bottom = std::min(b.bottom, t.height());
    if (b.right <= b.left || b.bottom <= b.top || !data)
        return;
    FormatInfo fi = formatInfo(t.format());
    uint32_t x0 = b.left / fi.blockWidth;
    uint32_t x1 = (b.right + fi.blockWidth - 1) / fi.blockWidth;
    uint32_t w = x1 - x0, h = b.bottom - b.top;
    uint32_t rowBytes = w * fi.texelBytes;
    endPass();
    prepare(&t);
    RingSlice s = allocate(rowBytes * h, 16);
    const uint8_t* src = static_cast<const uint8_t*>(data);
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(s.data + size_t(y) * rowBytes, src + size_t(y) * rowPitch, rowBytes);
    barrier();
    VkBufferImageCopy region{};
    region.bufferOffset = s.offset;
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageOffset = {static_cast<int32_t>(x0), static_cast<int32_t>(b.top), 0};
    region.imageExtent = {w, h, 1};
    vkCmdCopyBufferToImage(current_.commands, s.buffer, t.image, VK_IMAGE_LAYOUT_GENERAL, 1, &region);
}

void VulkanContext::copyRegion(Texture& dst, uint32_t dstX, uint32_t dstY, Texture& src, const Box& box)
{
    Use use(*this);
    auto& d = static_cast<VulkanTexture&>(dst);
    auto& s = static_cast<VulkanTexture&>(src);
    FormatInfo fi = formatInfo(s.format());
    // Work in stored texels and keep the box inside both pictures.
    uint32_t bw = fi.blockWidth ? fi.blockWidth : 1;
    uint32_t left = box.left / bw, right = std::min((box.right + bw - 1) / bw, s.texelWidth);
    uint32_t top = box.top, bottom = std::min(box.bottom, s.height());
    uint32_t dx = dstX / bw, dy = dstY;
    if (left >= right || top >= bottom || dx >= d.texelWidth || dy >= d.height())
        return;
    uint32_t w = std::min(right - left, d.texelWidth - dx);
    uint32_t h = std::min(bottom - top, d.height() - dy);
    endPass();
    prepare(&d);
    prepare(&s);
    barrier();
    VkImageCopy region{};
    region.srcSubresource = region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.srcOffset = {static_cast<int32_t>(left), static_cast<int32_t>(top), 0};
    region.dstOffset = {static_cast<int32_t>(dx), static_cast<int32_t>(dy), 0};
    region.extent = {w, h, 1};
    vkCmdCopyImage(current_.commands, s.image, VK_IMAGE_LAYOUT_GENERAL, d.image, VK_IMAGE_LAYOUT_GENERAL, 1, &region);
}

void VulkanContext::copyTexture(Texture& dst, Texture& src)
{
    Use use(*this);
    copyRegion(dst, 0, 0, src, Box{0, 0, src.width(), src.height()});
}

void VulkanContext::resolve(Texture& dst, Texture& src)
{
    Use use(*this);
    auto& d = static_cast<VulkanTexture&>(dst);
    auto& s = static_cast<VulkanTexture&>(src);
    if (s.desc().samples <= 1) {
        copyTexture(dst, src);
        return;
    }
    endPass();
    prepare(&d);
    prepare(&s);
    barrier();
    VkImageResolve region{};
    region.srcSubresource = region.dstSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.extent = {std::min(d.texelWidth, s.texelWidth), std::min(d.height(), s.height()), 1};
    vkCmdResolveImage(current_.commands, s.image, VK_IMAGE_LAYOUT_GENERAL, d.image, VK_IMAGE_LAYOUT_GENERAL, 1, &region);
}

void VulkanContext::clearRenderTarget(View& view, const float color[4])
{
    Use use(*this);
    auto& v = static_cast<VulkanView&>(view);
    VulkanTexture* t = v.vk();
    endPass();
    prepare(t);
    barrier();
    VkClearColorValue c{};
    if (t->format() == 65)
        c.float32[0] = color[3]; // alpha lives in red
    else
        std::memcpy(c.float32, color, sizeof(c.float32));
    VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdClearColorImage(current_.commands, t->image, VK_IMAGE_LAYOUT_GENERAL, &c, 1, &range);
}

void VulkanContext::clearUnorderedAccessFloat(View& view, const float value[4])
{
    Use use(*this);
    auto& v = static_cast<VulkanView&>(view);
    VulkanTexture* t = v.vk();
    endPass();
    prepare(t);
    barrier();
    VkClearColorValue c{};
    std::memcpy(c.float32, value, sizeof(c.float32));
    VkImageSubresourceRange range{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdClearColorImage(current_.commands, t->image, VK_IMAGE_LAYOUT_GENERAL, &c, 1, &range);
}

void VulkanContext::copyToStaging(Staging& dst, Texture& src)
{
    Use use(*this);
    auto& d = static_cast<VulkanStaging&>(dst);
    auto& s = static_cast<VulkanTexture&>(src);
    FormatInfo fi = formatInfo(s.format());
    uint32_t w = std::min(texelWidth(d.format(), d.width()), s.texelWidth);
    uint32_t h = std::min(d.height(), s.height());
    if (!w || !h)
        return;
    endPass();
    prepare(&s);
    barrier();
    VkBufferImageCopy region{};
    region.bufferRowLength = d.rowPitch() / fi.texelBytes;
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {w, h, 1};
    vkCmdCopyImageToBuffer(current_.commands, s.image, VK_IMAGE_LAYOUT_GENERAL, d.buffer, 1, &region);
    d.writtenSerial = current_.serial;
}

const uint8_t* VulkanContext::mapStaging(Staging& staging)
{
    Use use(*this);
    auto& s = static_cast<VulkanStaging&>(staging);
    if (s.writtenSerial == current_.serial)
        flush();
    waitSerial(s.writtenSerial);
    if (!s.coherent) {
        VkMappedMemoryRange range{VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE};
        range.memory = s.memory;
        range.size = VK_WHOLE_SIZE;
        vkInvalidateMappedMemoryRanges(dev.device, 1, &range);
    }
    return static_cast<const uint8_t*>(s.mapped);
}

void VulkanContext::flush()
{
    Use use(*this);
    endPass();
    // Make transfer results visible to the processor once the fence signals.
    VkMemoryBarrier mb{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
    mb.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
    mb.dstAccessMask = VK_ACCESS_HOST_READ_BIT;
    vkCmdPipelineBarrier(current_.commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_HOST_BIT, 0, 1, &mb,
                         0, nullptr, 0, nullptr);
    check(vkEndCommandBuffer(current_.commands), "vkEndCommandBuffer");
    VkSubmitInfo si{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    si.commandBufferCount = 1;
    si.pCommandBuffers = &current_.commands;
    {
        std::lock_guard<std::mutex> lock(dev.queueMutex);
        VkResult r = vkQueueSubmit(dev.queue, 1, &si, current_.fence);
        if (r != VK_SUCCESS)
            throw std::runtime_error("vkQueueSubmit failed (" + std::to_string(static_cast<int>(r)) + ")");
        dev.recordingSerial.fetch_add(1);
    }
    ++counters_.submits;
    inFlight_.push_back(std::move(current_));
    retireCompleted();
    // Keep a bounded number of submissions in flight.
    while (inFlight_.size() > 3)
        waitSerial(inFlight_.front().serial);
    begin();
}

void VulkanContext::waitSerial(uint64_t serial)
{
    while (!inFlight_.empty() && inFlight_.front().serial <= serial) {
        Submission& s = inFlight_.front();
        check(vkWaitForFences(dev.device, 1, &s.fence, VK_TRUE, UINT64_MAX), "vkWaitForFences");
        retireCompleted();
    }
}

void VulkanContext::retireCompleted()
{
    while (!inFlight_.empty()) {
        Submission& s = inFlight_.front();
        if (vkGetFenceStatus(dev.device, s.fence) != VK_SUCCESS)
            break;
        vkResetFences(dev.device, 1, &s.fence);
        completedSerial_ = s.serial;
        for (RingChunk& c : s.chunks) {
            c.used = 0;
            if (c.size == RingChunkSize || freeChunks_.size() < 4)
                freeChunks_.push_back(c);
            else {
                vkDestroyBuffer(dev.device, c.buffer, nullptr);
                vkFreeMemory(dev.device, c.memory, nullptr);
            }
        }
        s.chunks.clear();
        spare_.push_back(std::move(s));
        inFlight_.pop_front();
    }
    dev.collect(completedSerial_, false);
}

void VulkanContext::finish()
{
    Use use(*this);
    flush();
    waitSerial(UINT64_MAX);
}

// ---------------------------------------------------------------------------
// The device.

int32_t VulkanDevice::initialise(const DeviceOptions& options)
{
    VkApplicationInfo app{VK_STRUCTURE_TYPE_APPLICATION_INFO};
    app.pApplicationName = "velmora2";
    app.apiVersion = VK_API_VERSION_1_3;
    std::vector<const char*> layers, extensions;
    bool validation = options.validation;
    if (validation) {
        uint32_t count = 0;
        vkEnumerateInstanceLayerProperties(&count, nullptr);
        std::vector<VkLayerProperties> props(count);
        vkEnumerateInstanceLayerProperties(&count, props.data());
        validation = std::any_of(props.begin(), props.end(), [](const VkLayerProperties& p) {
            return std::strcmp(p.layerName, "VK_LAYER_KHRONOS_validation") == 0;
        });
        if (validation) {
            layers.push_back("VK_LAYER_KHRONOS_validation");
            extensions.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
            extensions.push_back(VK_EXT_VALIDATION_FEATURES_EXTENSION_NAME);
        } else {
            std::lock_guard<std::mutex> lock(handlerMutex);
            if (validationHandler)
                validationHandler("the validation layer is not installed");
        }
    }
    // Hazards between commands (a read of what an earlier one wrote without a
    // barrier between them) are reported like any other validation message.
    VkValidationFeatureEnableEXT enabled[] = {VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT};
    VkValidationFeaturesEXT features{VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT};
    features.enabledValidationFeatureCount = 1;
    features.pEnabledValidationFeatures = enabled;
    VkInstanceCreateInfo ici{VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO};
    ici.pNext = validation ? &features : nullptr;
    ici.pApplicationInfo = &app;
    ici.enabledLayerCount = static_cast<uint32_t>(layers.size());
    ici.ppEnabledLayerNames = layers.data();
    ici.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    ici.ppEnabledExtensionNames = extensions.data();
    VkResult r = vkCreateInstance(&ici, nullptr, &instance);
    if (r != VK_SUCCESS)
        return toResult(r);
    if (validation) {
        auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance, "vkCreateDebugUtilsMessengerEXT"));
        VkDebugUtilsMessengerCreateInfoEXT mi{VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT};
        mi.messageSeverity = VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
        mi.messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT;
        mi.pfnUserCallback = debugCallback;
        if (create)
            create(instance, &mi, nullptr, &messenger);
    }

    uint32_t count = 0;
    vkEnumeratePhysicalDevices(instance, &count, nullptr);
    std::vector<VkPhysicalDevice> devices(count);
    vkEnumeratePhysicalDevices(instance, &count, devices.data());
    // Prefer a real graphics processor; the software rasteriser serves when
    // there is none (and in tests).
    int best = -1;
    for (VkPhysicalDevice d : devices) {
        VkPhysicalDeviceProperties p;
        vkGetPhysicalDeviceProperties(d, &p);
        if (p.apiVersion < VK_API_VERSION_1_3)
            continue;
        int score = p.deviceType == VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU     ? 4
                    : p.deviceType == VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU ? 3
                    : p.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU            ? 1
                                                                             : 2;
        if (score > best) {
            best = score;
            physical = d;
        }
    }
    if (!physical)
        return ErrorUnsupported;
    VkPhysicalDeviceProperties props;
    vkGetPhysicalDeviceProperties(physical, &props);
    limits = props.limits;
    facts_.name = props.deviceName;
    facts_.apiVersion = props.apiVersion;
    facts_.software = props.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
    vkGetPhysicalDeviceMemoryProperties(physical, &memoryProperties);

    uint32_t familyCount = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, families.data());
    bool found = false;
    for (uint32_t i = 0; i < familyCount; ++i)
        if ((families[i].queueFlags & (VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT)) ==
            (VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT)) {
            queueFamily = i;
            found = true;
            break;
        }
    if (!found)
        return ErrorUnsupported;

    uint32_t extCount = 0;
    vkEnumerateDeviceExtensionProperties(physical, nullptr, &extCount, nullptr);
    std::vector<VkExtensionProperties> exts(extCount);
    vkEnumerateDeviceExtensionProperties(physical, nullptr, &extCount, exts.data());
    auto hasExt = [&](const char* name) {
        return std::any_of(exts.begin(), exts.end(),
                           [&](const VkExtensionProperties& e) { return std::strcmp(e.extensionName, name) == 0; });
    };
    if (!hasExt(VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME))
        return ErrorUnsupported;
    std::vector<const char*> deviceExtensions{VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME};

    VkPhysicalDeviceRobustness2FeaturesEXT robust2{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ROBUSTNESS_2_FEATURES_EXT};
    VkPhysicalDeviceFragmentShaderInterlockFeaturesEXT interlock{
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FRAGMENT_SHADER_INTERLOCK_FEATURES_EXT};
    VkPhysicalDeviceVulkan13Features f13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    VkPhysicalDeviceFeatures2 f2{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    f2.pNext = &f13;
    void** tail = &f13.pNext;
    bool haveRobust2 = hasExt(VK_EXT_ROBUSTNESS_2_EXTENSION_NAME);
    bool haveInterlock = hasExt(VK_EXT_FRAGMENT_SHADER_INTERLOCK_EXTENSION_NAME);
    if (haveRobust2) {
        *tail = &robust2;
        tail = &robust2.pNext;
    }
    if (haveInterlock) {
        *tail = &interlock;
        tail = &interlock.pNext;
    }
    vkGetPhysicalDeviceFeatures2(physical, &f2);
    if (!f13.dynamicRendering)
        return ErrorUnsupported;

    // Enable only what is used.
    VkPhysicalDeviceFeatures2 e2{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    VkPhysicalDeviceVulkan13Features e13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    VkPhysicalDeviceRobustness2FeaturesEXT er2{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ROBUSTNESS_2_FEATURES_EXT};
    VkPhysicalDeviceFragmentShaderInterlockFeaturesEXT ei{
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FRAGMENT_SHADER_INTERLOCK_FEATURES_EXT};
    e2.pNext = &e13;
    tail = &e13.pNext;
    e13.dynamicRendering = VK_TRUE;
    e13.robustImageAccess = f13.robustImageAccess;
    e13.maintenance4 = f13.maintenance4;
    e13.shaderDemoteToHelperInvocation = f13.shaderDemoteToHelperInvocation;
    e2.features.robustBufferAccess = f2.features.robustBufferAccess;
    e2.features.dualSrcBlend = f2.features.dualSrcBlend;
    e2.features.independentBlend = f2.features.independentBlend;
    e2.features.fillModeNonSolid = f2.features.fillModeNonSolid;
    e2.features.fragmentStoresAndAtomics = f2.features.fragmentStoresAndAtomics;
    e2.features.shaderStorageImageWriteWithoutFormat = f2.features.shaderStorageImageWriteWithoutFormat;
    e2.features.depthClamp = f2.features.depthClamp;
    if (haveRobust2) {
        deviceExtensions.push_back(VK_EXT_ROBUSTNESS_2_EXTENSION_NAME);
        er2.robustImageAccess2 = robust2.robustImageAccess2;
        er2.nullDescriptor = robust2.nullDescriptor;
        er2.robustBufferAccess2 = robust2.robustBufferAccess2 && f2.features.robustBufferAccess;
        *tail = &er2;
        tail = &er2.pNext;
    }
    if (haveInterlock && interlock.fragmentShaderPixelInterlock) {
        deviceExtensions.push_back(VK_EXT_FRAGMENT_SHADER_INTERLOCK_EXTENSION_NAME);
        ei.fragmentShaderPixelInterlock = VK_TRUE;
        *tail = &ei;
        tail = &ei.pNext;
        facts_.fragmentInterlock = true;
    }
    if (!er2.nullDescriptor)
        return ErrorUnsupported; // unbound slots must read as nothing

    float priority = 1.0f;
    VkDeviceQueueCreateInfo qi{VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO};
    qi.queueFamilyIndex = queueFamily;
    qi.queueCount = 1;
    qi.pQueuePriorities = &priority;
    VkDeviceCreateInfo di{VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
    di.pNext = &e2;
    di.queueCreateInfoCount = 1;
    di.pQueueCreateInfos = &qi;
    di.enabledExtensionCount = static_cast<uint32_t>(deviceExtensions.size());
    di.ppEnabledExtensionNames = deviceExtensions.data();
    r = vkCreateDevice(physical, &di, nullptr, &device);
    if (r != VK_SUCCESS)
        return toResult(r);
    vkGetDeviceQueue(device, queueFamily, 0, &queue);
    pushDescriptorSet = reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(vkGetDeviceProcAddr(device, "vkCmdPushDescriptorSetKHR"));
    if (!pushDescriptorSet)
        return ErrorUnsupported;

    // The one binding scheme of every shader.
    std::vector<VkDescriptorSetLayoutBinding> bindings;
    auto add = [&](uint32_t base, uint32_t n, VkDescriptorType type, VkShaderStageFlags stages) {
        for (uint32_t i = 0; i < n; ++i)
            bindings.push_back({base + i, type, 1, stages, nullptr});
    };
    VkShaderStageFlags pc = VK_SHADER_STAGE_FRAGMENT_BIT | VK_SHADER_STAGE_COMPUTE_BIT;
    add(ConstantBufferBase, ConstantBufferSlots, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, pc);
    add(VertexConstantBufferBase, ConstantBufferSlots, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, VK_SHADER_STAGE_VERTEX_BIT);
    add(TextureBase, TextureSlots, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, pc);
    add(SamplerBase, SamplerSlots, VK_DESCRIPTOR_TYPE_SAMPLER, pc);
    add(UnorderedAccessBase, UnorderedAccessSlots, VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, pc);
    VkDescriptorSetLayoutCreateInfo li{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO};
    li.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
    li.bindingCount = static_cast<uint32_t>(bindings.size());
    li.pBindings = bindings.data();
    r = vkCreateDescriptorSetLayout(device, &li, nullptr, &setLayout);
    if (r != VK_SUCCESS)
        return toResult(r);
    VkPipelineLayoutCreateInfo pli{VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO};
    pli.setLayoutCount = 1;
    pli.pSetLayouts = &setLayout;
    r = vkCreatePipelineLayout(device, &pli, nullptr, &pipelineLayout);
    if (r != VK_SUCCESS)
        return toResult(r);
    // Unbound sampler slots behave as the platform's default sampler: linear, clamped.
    VkSamplerCreateInfo si{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    si.magFilter = si.minFilter = VK_FILTER_LINEAR;
    si.addressModeU = si.addressModeV = si.addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    r = vkCreateSampler(device, &si, nullptr, &defaultSampler);
    if (r != VK_SUCCESS)
        return toResult(r);

    VkCommandPoolCreateInfo pi{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    pi.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
    pi.queueFamilyIndex = queueFamily;
    if ((r = vkCreateCommandPool(device, &pi, nullptr, &uploadPool)) != VK_SUCCESS)
        return toResult(r);
    VkCommandBufferAllocateInfo ai{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    ai.commandPool = uploadPool;
    ai.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    ai.commandBufferCount = 1;
    if ((r = vkAllocateCommandBuffers(device, &ai, &uploadCommands)) != VK_SUCCESS)
        return toResult(r);
    VkFenceCreateInfo fi{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    if ((r = vkCreateFence(device, &fi, nullptr, &uploadFence)) != VK_SUCCESS)
        return toResult(r);

    immediate = std::make_unique<VulkanContext>(*this);
#ifdef NDEBUG
    immediate->checkThreads = options.validation;
#else
    immediate->checkThreads = true;
#endif
    return immediate->initialise();
}

VulkanDevice::~VulkanDevice()
{
    if (device)
        vkDeviceWaitIdle(device);
    immediate.reset();
    if (device) {
        vkDeviceWaitIdle(device);
        collect(UINT64_MAX, true);
        for (auto& p : memoryPool)
            vkFreeMemory(device, p.memory, nullptr);
        for (auto& p : stagingPool) {
            vkDestroyBuffer(device, p.buffer, nullptr);
            vkFreeMemory(device, p.memory, nullptr);
        }
        if (uploadBuffer) {
            vkDestroyBuffer(device, uploadBuffer, nullptr);
            vkFreeMemory(device, uploadMemory, nullptr);
        }
        vkDestroyFence(device, uploadFence, nullptr);
        vkDestroyCommandPool(device, uploadPool, nullptr);
        vkDestroySampler(device, defaultSampler, nullptr);
        vkDestroyPipelineLayout(device, pipelineLayout, nullptr);
        vkDestroyDescriptorSetLayout(device, setLayout, nullptr);
        vkDestroyDevice(device, nullptr);
    }
    if (messenger) {
        auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance, "vkDestroyDebugUtilsMessengerEXT"));
        if (destroy)
            destroy(instance, messenger, nullptr);
    }
    if (instance)
        vkDestroyInstance(instance, nullptr);
}

Context& VulkanDevice::context()
{
    return *immediate;
}

uint32_t VulkanDevice::formatSupport(uint32_t format) const
{
    VkFormat f = vkFormat(format);
    if (f == VK_FORMAT_UNDEFINED || !formatInfo(format).gpu)
        return 0;
    VkFormatProperties p;
    vkGetPhysicalDeviceFormatProperties(physical, f, &p);
    uint32_t bits = 0;
    VkFormatFeatureFlags o = p.optimalTilingFeatures;
    if (o & VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT)
        bits |= SupportTexture2D | SupportShaderLoad;
    if (o & VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT)
        bits |= SupportRenderTarget;
    if (o & VK_FORMAT_FEATURE_STORAGE_IMAGE_BIT)
        bits |= SupportUnorderedAccess;
    return bits;
}

int32_t VulkanDevice::findMemory(uint32_t typeBits, VkMemoryPropertyFlags want, VkMemoryPropertyFlags prefer,
                                 uint32_t* index) const
{
    int found = -1;
    for (uint32_t i = 0; i < memoryProperties.memoryTypeCount; ++i) {
        VkMemoryPropertyFlags f = memoryProperties.memoryTypes[i].propertyFlags;
        if (!(typeBits & (1u << i)) || (f & want) != want)
            continue;
        if ((f & prefer) == prefer) {
            *index = i;
            return Ok;
        }
        if (found < 0)
            found = static_cast<int>(i);
    }
    if (found < 0)
        return ErrorUnsupported;
    *index = static_cast<uint32_t>(found);
    return Ok;
}

int32_t VulkanDevice::createHostBuffer(uint64_t bytes, VkBufferUsageFlags usage, bool cached, VkBuffer* buffer,
                                       VkDeviceMemory* memory, void** mapped, bool* coherent)
{
    VkBufferCreateInfo bi{VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    bi.size = bytes;
    bi.usage = usage;
    bi.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    VkResult r = vkCreateBuffer(device, &bi, nullptr, buffer);
    if (r != VK_SUCCESS)
        return toResult(r);
    VkMemoryRequirements req;
    vkGetBufferMemoryRequirements(device, *buffer, &req);
    uint32_t type = 0;
    VkMemoryPropertyFlags prefer = VK_MEMORY_PROPERTY_HOST_COHERENT_BIT | (cached ? VK_MEMORY_PROPERTY_HOST_CACHED_BIT : 0);
    int32_t hr = findMemory(req.memoryTypeBits, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, prefer, &type);
    if (hr < 0) {
        vkDestroyBuffer(device, *buffer, nullptr);
        *buffer = VK_NULL_HANDLE;
        return hr;
    }
    *coherent = (memoryProperties.memoryTypes[type].propertyFlags & VK_MEMORY_PROPERTY_HOST_COHERENT_BIT) != 0;
    VkMemoryAllocateInfo mi{VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
    mi.allocationSize = req.size;
    mi.memoryTypeIndex = type;
    r = vkAllocateMemory(device, &mi, nullptr, memory);
    if (r == VK_SUCCESS)
        r = vkBindBufferMemory(device, *buffer, *memory, 0);
    if (r == VK_SUCCESS)
        r = vkMapMemory(device, *memory, 0, VK_WHOLE_SIZE, 0, mapped);
    if (r != VK_SUCCESS) {
        vkDestroyBuffer(device, *buffer, nullptr);
        if (*memory)
            vkFreeMemory(device, *memory, nullptr);
        *buffer = VK_NULL_HANDLE;
        *memory = VK_NULL_HANDLE;
        return toResult(r);
    }
    return Ok;
}

void VulkanDevice::retire(Garbage g)
{
    g.serial = recordingSerial.load();
    std::lock_guard<std::mutex> lock(garbageMutex);
    garbage.push_back(g);
}

void VulkanDevice::shaderDestroyed(uint64_t id)
{
    std::lock_guard<std::mutex> lock(garbageMutex);
    deadShaders.push_back(id);
}

void VulkanDevice::collect(uint64_t completedSerial, bool all)
{
    std::vector<uint64_t> dead;
    std::deque<Garbage> ready;
    {
        std::lock_guard<std::mutex> lock(garbageMutex);
        dead.swap(deadShaders);
        while (!garbage.empty() && (all || garbage.front().serial <= completedSerial)) {
            ready.push_back(garbage.front());
            garbage.pop_front();
        }
    }
    if (immediate)
        for (uint64_t id : dead)
            immediate->purgeShader(id);
    for (Garbage& g : ready) {
        if (g.pipeline)
            vkDestroyPipeline(device, g.pipeline, nullptr);
        if (g.module)
            vkDestroyShaderModule(device, g.module, nullptr);
        if (g.view)
            vkDestroyImageView(device, g.view, nullptr);
        if (g.image)
            vkDestroyImage(device, g.image, nullptr);
        if (g.sampler)
            vkDestroySampler(device, g.sampler, nullptr);
        if (g.imageBytes && g.memory && !all) {
            std::lock_guard<std::mutex> lock(garbageMutex);
            if (memoryPoolBytes + g.imageBytes <= MemoryPoolLimit) {
                memoryPool.push_back({g.imageBytes, g.memoryType, g.memory});
                memoryPoolBytes += g.imageBytes;
                continue;
            }
        }
        if (g.stagingBytes && !all) {
            std::lock_guard<std::mutex> lock(garbageMutex);
            if (stagingPool.size() < 4) {
                stagingPool.push_back({g.stagingBytes, g.buffer, g.memory, g.mapped, g.coherent});
                continue;
            }
        }
        if (g.buffer)
            vkDestroyBuffer(device, g.buffer, nullptr);
        if (g.memory)
            vkFreeMemory(device, g.memory, nullptr);
    }
}

int32_t VulkanDevice::createTexture(const TextureDesc& desc, const void* data, uint32_t rowPitch, TexturePtr* out)
{
    out->reset();
    FormatInfo fi = formatInfo(desc.format);
    VkFormat format = vkFormat(desc.format);
    if (format == VK_FORMAT_UNDEFINED || desc.width == 0 || desc.height == 0 || desc.width > 16384 ||
        desc.height > 16384 || (desc.samples != 1 && desc.samples != 2 && desc.samples != 4 && desc.samples != 8) ||
        (desc.samples != 1 && (desc.bind & BindUnorderedAccess)))
        return ErrorInvalidArg; // no unordered access to multi-sampled pictures
    auto t = std::make_shared<VulkanTexture>(*this, desc);
    t->vkFormat = format;
    t->texelWidth = texelWidth(desc.format, desc.width);
    VkImageCreateInfo ii{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    ii.imageType = VK_IMAGE_TYPE_2D;
    ii.format = format;
    ii.extent = {t->texelWidth, desc.height, 1};
    ii.mipLevels = 1;
    ii.arrayLayers = 1;
    ii.samples = static_cast<VkSampleCountFlagBits>(desc.samples);
    ii.tiling = VK_IMAGE_TILING_OPTIMAL;
    ii.usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    if (desc.bind & BindShaderResource)
        ii.usage |= VK_IMAGE_USAGE_SAMPLED_BIT;
    if (desc.bind & BindRenderTarget)
        ii.usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    if (desc.bind & BindUnorderedAccess)
        ii.usage |= VK_IMAGE_USAGE_STORAGE_BIT;
    ii.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    VkImageFormatProperties ifp;
    if (vkGetPhysicalDeviceImageFormatProperties(physical, format, VK_IMAGE_TYPE_2D, VK_IMAGE_TILING_OPTIMAL, ii.usage, 0,
                                                 &ifp) != VK_SUCCESS ||
        !(ifp.sampleCounts & ii.samples))
        return ErrorInvalidArg;
    VkResult r = vkCreateImage(device, &ii, nullptr, &t->image);
    if (r != VK_SUCCESS)
        return toResult(r);
    VkMemoryRequirements req;
    vkGetImageMemoryRequirements(device, t->image, &req);
    uint32_t type = 0;
    int32_t hr = findMemory(req.memoryTypeBits, 0, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &type);
    if (hr < 0)
        return hr;
    t->memoryBytes = req.size;
    t->memoryType = type;
    {
        std::lock_guard<std::mutex> lock(garbageMutex);
        for (size_t i = 0; i < memoryPool.size(); ++i)
            if (memoryPool[i].bytes == req.size && memoryPool[i].type == type) {
                t->memory = memoryPool[i].memory;
                memoryPoolBytes -= memoryPool[i].bytes;
                memoryPool.erase(memoryPool.begin() + static_cast<ptrdiff_t>(i));
                break;
            }
    }
    if (!t->memory) {
        VkMemoryAllocateInfo mi{VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
        mi.allocationSize = req.size;
        mi.memoryTypeIndex = type;
        if ((r = vkAllocateMemory(device, &mi, nullptr, &t->memory)) != VK_SUCCESS)
            return toResult(r);
    }
    if ((r = vkBindImageMemory(device, t->image, t->memory, 0)) != VK_SUCCESS)
        return toResult(r);

    if (data) {
        // Initial contents: copy through the reusable upload buffer and wait.
        uint64_t rowBytes = uint64_t(t->texelWidth) * fi.texelBytes;
        if (rowPitch < rowBytes)
            return ErrorInvalidArg;
        uint64_t bytes = uint64_t(rowPitch) * desc.height;
        // The caller's memory may end right after the last row's pixels.
        const uint64_t used = uint64_t(rowPitch) * (desc.height - 1) + rowBytes;
        const bool texelRows = rowPitch % fi.texelBytes == 0;
        std::lock_guard<std::mutex> lock(uploadMutex);
        if (uploadBytes < bytes) {
            if (uploadBuffer) {
                vkDestroyBuffer(device, uploadBuffer, nullptr);
                vkFreeMemory(device, uploadMemory, nullptr);
                uploadBuffer = VK_NULL_HANDLE;
                uploadBytes = 0;
            }
            hr = createHostBuffer(bytes, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, false, &uploadBuffer, &uploadMemory,
                                  &uploadMapped, &uploadCoherent);
            if (hr < 0)
                return hr;
            uploadBytes = bytes;
        }
        if (texelRows) {
            std::memcpy(uploadMapped, data, used);
        } else {
            // Rows that do not start on a texel: packed one after the other.
            for (uint32_t y = 0; y < desc.height; ++y)
                std::memcpy(static_cast<uint8_t*>(uploadMapped) + y * rowBytes,
                            static_cast<const uint8_t*>(data) + uint64_t(y) * rowPitch, rowBytes);
        }
        if (!uploadCoherent) {
            VkMappedMemoryRange range{VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE};
            range.memory = uploadMemory;
            range.size = VK_WHOLE_SIZE;
            vkFlushMappedMemoryRanges(device, 1, &range);
        }
        vkResetCommandBuffer(uploadCommands, 0);
        VkCommandBufferBeginInfo bi{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
        bi.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
        vkBeginCommandBuffer(uploadCommands, &bi);
        VkImageMemoryBarrier ib{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
        ib.dstAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
        ib.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
        ib.newLayout = VK_IMAGE_LAYOUT_GENERAL;
        ib.srcQueueFamilyIndex = ib.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
        ib.image = t->image;
        ib.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        vkCmdPipelineBarrier(uploadCommands, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT, 0, 0,
                             nullptr, 0, nullptr, 1, &ib);
        VkBufferImageCopy region{};
        VkBuffer source = uploadBuffer;
        if (texelRows)
            region.bufferRowLength = rowPitch / fi.texelBytes;
        region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
        region.imageExtent = {t->texelWidth, desc.height, 1};
        vkCmdCopyBufferToImage(uploadCommands, source, t->image, VK_IMAGE_LAYOUT_GENERAL, 1, &region);
        VkMemoryBarrier mb{VK_STRUCTURE_TYPE_MEMORY_BARRIER};
        mb.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
        mb.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT;
        vkCmdPipelineBarrier(uploadCommands, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0, 1,
                             &mb, 0, nullptr, 0, nullptr);
        vkEndCommandBuffer(uploadCommands);
        VkSubmitInfo si{VK_STRUCTURE_TYPE_SUBMIT_INFO};
        si.commandBufferCount = 1;
        si.pCommandBuffers = &uploadCommands;
        {
            std::lock_guard<std::mutex> q(queueMutex);
            r = vkQueueSubmit(queue, 1, &si, uploadFence);
        }
        if (r == VK_SUCCESS)
            r = vkWaitForFences(device, 1, &uploadFence, VK_TRUE, UINT64_MAX);
        vkResetFences(device, 1, &uploadFence);
        if (r != VK_SUCCESS)
            return toResult(r);
        t->initialised.store(true);
    }
    *out = std::move(t);
    return Ok;
}

int32_t VulkanDevice::createView(const TexturePtr& texture, ViewKind kind, ViewPtr* out)
{
    out->reset();
    auto* t = static_cast<VulkanTexture*>(texture.get());
    if (!t)
        return ErrorInvalidArg;
    uint32_t bind = t->desc().bind;
    if ((kind == ViewKind::ShaderResource && !(bind & BindShaderResource)) ||
        (kind == ViewKind::RenderTarget && !(bind & BindRenderTarget)) ||
        (kind == ViewKind::UnorderedAccess && !(bind & BindUnorderedAccess)) ||
        (kind != ViewKind::RenderTarget && t->desc().samples != 1))
        return ErrorInvalidArg;
    auto v = std::make_shared<VulkanView>(*this, kind, texture);
    VkImageViewCreateInfo vi{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    vi.image = t->image;
    vi.viewType = VK_IMAGE_VIEW_TYPE_2D;
    vi.format = t->vkFormat;
    vi.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    if (kind == ViewKind::ShaderResource) {
        if (t->format() == 65) // alpha-only pictures read as (0, 0, 0, a)
            vi.components = {VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO,
                             VK_COMPONENT_SWIZZLE_R};
        else if (t->format() == 88) // the fourth byte is padding: alpha reads as one
            vi.components = {VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_IDENTITY,
                             VK_COMPONENT_SWIZZLE_IDENTITY, VK_COMPONENT_SWIZZLE_ONE};
    }
    VkImageViewUsageCreateInfo usage{VK_STRUCTURE_TYPE_IMAGE_VIEW_USAGE_CREATE_INFO};
    usage.usage = kind == ViewKind::ShaderResource ? VK_IMAGE_USAGE_SAMPLED_BIT
                  : kind == ViewKind::RenderTarget ? VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT
                                                   : VK_IMAGE_USAGE_STORAGE_BIT;
    vi.pNext = &usage;
    VkResult r = vkCreateImageView(device, &vi, nullptr, &v->view);
    if (r != VK_SUCCESS)
        return toResult(r);
    *out = std::move(v);
    return Ok;
}

int32_t VulkanDevice::createShader(Stage stage, const void* spirv, size_t bytes, ShaderPtr* out)
{
    out->reset();
    if (!spirv || bytes < 20 || bytes % 4)
        return ErrorInvalidArg;
    std::vector<uint32_t> words(bytes / 4);
    std::memcpy(words.data(), spirv, bytes);
    ShaderInfo info;
    if (!reflectShader(words.data(), words.size(), info) || info.stage != stage)
        return ErrorInvalidArg;
    for (const ShaderBinding& b : info.bindings) {
        bool ok = false;
        if (b.kind == BindingKind::ConstantBuffer)
            ok = stage == Stage::Vertex ? (b.binding >= VertexConstantBufferBase &&
                                           b.binding < VertexConstantBufferBase + ConstantBufferSlots)
                                        : b.binding < ConstantBufferBase + ConstantBufferSlots;
        else if (b.kind == BindingKind::Texture)
            ok = stage != Stage::Vertex && b.binding >= TextureBase && b.binding < TextureBase + TextureSlots;
        else if (b.kind == BindingKind::Sampler)
            ok = stage != Stage::Vertex && b.binding >= SamplerBase && b.binding < SamplerBase + SamplerSlots;
        else if (b.kind == BindingKind::StorageImage)
            ok = stage != Stage::Vertex && b.binding >= UnorderedAccessBase &&
                 b.binding < UnorderedAccessBase + UnorderedAccessSlots;
        if (!ok)
            return ErrorInvalidArg;
    }
    // The semantics were read above; the decorations that carry them need a
    // device extension, so they are left out of the module.
    std::vector<uint32_t> kept(words.begin(), words.begin() + 5);
    for (size_t i = 5; i < words.size();) {
        uint32_t length = words[i] >> 16, op = words[i] & 0xFFFF;
        bool drop = false;
        if (op == 10 && length > 1) // OpExtension
            drop = std::strncmp(reinterpret_cast<const char*>(&words[i + 1]), "SPV_GOOGLE_", 11) == 0;
        else if ((op == 5632 || op == 5633) && length > 2) // OpDecorateString, OpMemberDecorateString
            drop = words[i + (op == 5632 ? 2 : 3)] == 5635 || words[i + (op == 5632 ? 2 : 3)] == 5636;
        else if (op == 332 && length > 2) // OpDecorateId
            drop = words[i + 2] == 5634;
        if (!drop)
            kept.insert(kept.end(), words.begin() + static_cast<ptrdiff_t>(i), words.begin() + static_cast<ptrdiff_t>(i + length));
        i += length;
    }
    words.swap(kept);
    auto s = std::make_shared<VulkanShader>(*this);
    VkShaderModuleCreateInfo mi{VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO};
    mi.codeSize = words.size() * 4;
    mi.pCode = words.data();
    VkResult r = vkCreateShaderModule(device, &mi, nullptr, &s->module);
    if (r != VK_SUCCESS)
        return toResult(r);
    s->setInfo(info, nextShaderId++);
    ShaderInfo stripped;
    reflectShader(words.data(), words.size(), stripped);
    for (const ShaderBinding& b : stripped.bindings)
        if (b.kind == BindingKind::StorageImage)
            s->storageFormatWords.emplace_back(b.binding - UnorderedAccessBase, b.storageFormatWord);
    if ((stage == Stage::Pixel && info.outputs >= 2) || !s->storageFormatWords.empty())
        s->words = std::move(words);
    *out = std::move(s);
    return Ok;
}

int32_t VulkanDevice::createSamplerState(const SamplerDesc& desc, SamplerStatePtr* out)
{
    out->reset();
    auto s = std::make_shared<VulkanSampler>(*this);
    VkSamplerCreateInfo si{VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO};
    bool anisotropic = (desc.filter & 0x40) != 0;
    si.minFilter = (anisotropic || (desc.filter & 0x10)) ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
    si.magFilter = (anisotropic || (desc.filter & 0x04)) ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
    si.mipmapMode = (anisotropic || (desc.filter & 0x01)) ? VK_SAMPLER_MIPMAP_MODE_LINEAR : VK_SAMPLER_MIPMAP_MODE_NEAREST;
    si.addressModeU = addressMode(desc.addressU);
    si.addressModeV = addressMode(desc.addressV);
    si.addressModeW = addressMode(desc.addressW);
    si.mipLodBias = desc.mipLodBias;
    si.minLod = desc.minLod;
    si.maxLod = std::max(desc.minLod, desc.maxLod);
    const float* b = desc.borderColor;
    si.borderColor = b[3] == 0 ? VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK
                     : (b[0] == 0 && b[1] == 0 && b[2] == 0) ? VK_BORDER_COLOR_FLOAT_OPAQUE_BLACK
                                                             : VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE;
    VkResult r = vkCreateSampler(device, &si, nullptr, &s->sampler);
    if (r != VK_SUCCESS)
        return toResult(r);
    *out = std::move(s);
    return Ok;
}

int32_t VulkanDevice::createStaging(uint32_t width, uint32_t height, uint32_t format, StagingPtr* out)
{
    out->reset();
    FormatInfo fi = formatInfo(format);
    if (!fi.gpu || width == 0 || height == 0 || width > 16384 || height > 16384)
        return ErrorInvalidArg;
    uint32_t rowBytes = texelWidth(format, width) * fi.texelBytes;
    uint32_t pitch = (rowBytes + StagingPitchAlignment - 1) / StagingPitchAlignment * StagingPitchAlignment;
    auto s = std::make_shared<VulkanStaging>(*this, width, height, format, pitch);
    s->bytes = uint64_t(pitch) * height;
    {
        std::lock_guard<std::mutex> lock(garbageMutex);
        for (size_t i = 0; i < stagingPool.size(); ++i)
            if (stagingPool[i].bytes == s->bytes) {
                s->buffer = stagingPool[i].buffer;
                s->memory = stagingPool[i].memory;
                s->mapped = stagingPool[i].mapped;
                s->coherent = stagingPool[i].coherent;
                stagingPool.erase(stagingPool.begin() + static_cast<ptrdiff_t>(i));
                break;
            }
    }
    if (!s->buffer) {
        int32_t hr = createHostBuffer(s->bytes, VK_BUFFER_USAGE_TRANSFER_DST_BIT, true, &s->buffer, &s->memory,
                                      &s->mapped, &s->coherent);
        if (hr < 0)
            return hr;
    }
    *out = std::move(s);
    return Ok;
}

} // namespace

int32_t Device::create(const DeviceOptions& options, std::unique_ptr<Device>* out)
{
    auto device = std::make_unique<VulkanDevice>();
    int32_t hr = device->initialise(options);
    if (hr < 0) {
        out->reset();
        return hr;
    }
    *out = std::move(device);
    return Ok;
}

void setValidationHandler(std::function<void(const char* message)> handler)
{
    std::lock_guard<std::mutex> lock(handlerMutex);
    validationHandler = std::move(handler);
}

} // namespace Platform::Gpu
