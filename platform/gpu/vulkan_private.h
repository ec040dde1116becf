#pragma once
// Private to platform/gpu: the device on Vulkan 1.3, shared by its parts.
//
//   vulkan_format.cpp   pixel formats and the state enumerations in Vulkan terms
//   vulkan_memory.cpp   memory types, host buffers, the picture pool, deferred frees
//   vulkan_context.cpp  the immediate context: bindings, draws, copies, submissions
//   vulkan_pipeline.cpp pipelines, built on first use, and the pipeline cache file
//   vulkan_device.cpp   instance and device creation, resource creation
//
// Images stay in the GENERAL layout. One global memory barrier separates every
// pass (a run of draws into the same targets), copy, clear and dispatch from
// the next, so the queue runs in order: a dropped picture's image can serve a
// new picture at once, and uploads made on any thread are recorded into the
// context's command stream before the next command that could read them.
#include <vulkan/vulkan.h>

#include "platform/gpu/gpu.h"
#include "platform/os/hash.h"

#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace Platform::Gpu {

int32_t toResult(VkResult r);
// Throws std::runtime_error naming the call when r is not VK_SUCCESS.
void check(VkResult r, const char* what);
// Hands a message to the validation handler.
void report(const char* message);

// ---------------------------------------------------------------------------
// Formats and states (vulkan_format.cpp).

VkFormat vkFormat(Format format);
// How a shader-resource view reads the stored channels (A8 from red, X8 alpha one).
VkComponentMapping readSwizzle(Format format);
// Stored texels of a row of width pixels (packed 4:2:2 pictures hold two per texel).
uint32_t texelWidth(Format format, uint32_t width);
VkBlendFactor blendFactor(uint8_t factor, bool alphaTarget);
VkBlendOp blendOp(uint8_t op);
VkSamplerAddressMode addressMode(uint8_t mode);
VkPrimitiveTopology topologyOf(uint32_t topology);
VkFormat attributeFormat(const VertexAttribute& attribute);

// ---------------------------------------------------------------------------
// Memory (vulkan_memory.cpp).

// A buffer in host-visible memory, mapped for its whole life.
struct HostBuffer {
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    uint8_t* mapped = nullptr;
    uint64_t bytes = 0;
    bool coherent = true; // else reads need an invalidation and writes a flush
    bool readBack = false; // in cached memory, for the processor to read
};

// The Vulkan side of a picture: the image, its memory and the views made of
// it so far (one per view kind). Moves whole from a dropped picture to a new
// one of the same size, format and use.
struct DeviceImage {
    VkImage image = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    uint64_t bytes = 0;
    std::array<VkImageView, 3> views{};
    bool initialised = false; // in the GENERAL layout (read and written on the context's thread)
};

// What the pool of dropped pictures is keyed by.
struct ImageKey {
    uint32_t width = 0, height = 0;
    Format format = Format::Unknown;
    uint32_t bind = 0, samples = 1;
    bool operator==(const ImageKey&) const = default;
};
struct ImageKeyHash {
    size_t operator()(const ImageKey& k) const;
};

// Handles freed once the submission that may still use them has completed.
struct Garbage {
    uint64_t serial = 0;
    DeviceImage image;
    HostBuffer host;
    bool poolHost = false; // the host buffer goes back to the pool instead
    VkSampler sampler = VK_NULL_HANDLE;
    VkPipeline pipeline = VK_NULL_HANDLE;
    VkShaderModule module = VK_NULL_HANDLE;
};

// ---------------------------------------------------------------------------
// Resources.

class VulkanDevice;

class VulkanTexture final : public Texture {
public:
    VulkanTexture(VulkanDevice& device, const TextureDesc& desc);
    ~VulkanTexture() override;
    // The view of the given kind, made on first use (thread-safe).
    VkImageView view(ViewKind kind);

    VulkanDevice& device;
    DeviceImage image;
    VkFormat vkFormat = VK_FORMAT_UNDEFINED;
    uint32_t texelWidth = 0;

private:
    std::mutex viewMutex_;
};

class VulkanView final : public View {
public:
    VulkanView(ViewKind kind, TexturePtr texture, VkImageView view) : view(view)
    {
        kind_ = kind;
        texture_ = std::move(texture);
    }
    VulkanTexture* vk() const { return static_cast<VulkanTexture*>(texture_.get()); }
    const VkImageView view; // owned by the texture's image
};

class VulkanShader final : public Shader {
public:
    explicit VulkanShader(VulkanDevice& device) : device(device) {}
    ~VulkanShader() override;
    void setInfo(const ShaderInfo& info, uint64_t id)
    {
        info_ = info;
        id_ = id;
    }
    // The module for a combination of bound storage formats (one byte per
    // slot, 0: as declared) and, with secondSource, with its output at
    // location 1 turned into the second source of location 0. Made on first
    // use; called on the context's thread.
    VkShaderModule module(uint64_t storageFormats, bool secondSource);

    VulkanDevice& device;
    VkShaderModule plain = VK_NULL_HANDLE;
    std::vector<uint32_t> words; // kept when variants may be needed
    std::vector<std::pair<uint32_t, uint32_t>> storageFormatWords; // (slot, word index of the image format)

private:
    std::unordered_map<uint64_t, VkShaderModule> variants_;
};

class VulkanSampler final : public SamplerState {
public:
    explicit VulkanSampler(VulkanDevice& device) : device(device) {}
    ~VulkanSampler() override;
    VulkanDevice& device;
    VkSampler sampler = VK_NULL_HANDLE;
};

class VulkanStaging final : public Staging {
public:
    VulkanStaging(VulkanDevice& device, uint32_t width, uint32_t height, Format format, uint32_t pitch)
        : device(device)
    {
        width_ = width;
        height_ = height;
        format_ = format;
        rowPitch_ = pitch;
    }
    ~VulkanStaging() override;
    VulkanDevice& device;
    HostBuffer host;
    // The submission that holds the last copy into it (set on the context's
    // thread before the copy is submitted, read by any thread that waits).
    std::atomic<uint64_t> writtenSerial{0};
};

// ---------------------------------------------------------------------------
// The immediate context (vulkan_context.cpp, pipelines in vulkan_pipeline.cpp).

// Compared and hashed as bytes, so every byte (padding included) is set.
struct PipelineKey {
    PipelineKey();
    uint64_t vs, ps, cs;
    uint64_t layoutHash;
    BlendDesc blend;
    RasterDesc raster;
    Format formats[2];
    uint32_t targetCount;
    uint32_t samples;
    uint32_t topology;
    uint32_t stride;
    uint32_t alphaTarget;
    uint32_t packedSources;
    uint64_t storageFormats;
    bool operator==(const PipelineKey& o) const;
};
struct PipelineKeyHash {
    size_t operator()(const PipelineKey& k) const;
};

struct StageBindings {
    std::array<ViewPtr, TextureSlots> textures;
    std::array<SamplerStatePtr, SamplerSlots> samplers;
    std::array<BufferPtr, ConstantBufferSlots> constants;
};

// An upload made by createTexture, recorded by the context before its next command.
struct PendingUpload {
    TexturePtr texture; // alive until recorded
    HostBuffer host;
    uint32_t rowLength = 0; // texels per buffer row
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
    void setRasterState(RasterState* state) override;
    void setTopology(uint32_t topology) override;
    void setVertexBuffer(Buffer* buffer, uint32_t stride, uint32_t offset) override;
    void draw(uint32_t vertexCount, uint32_t firstVertex) override;
    void dispatch(uint32_t x, uint32_t y, uint32_t z) override;
    void updateBuffer(Buffer& buffer, const void* data) override;
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

    // Drops the pipelines of a destroyed shader (on the context's thread).
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
        std::vector<HostBuffer> chunks; // per-draw data
        std::vector<HostBuffer> uploads; // back to the device's pool when done
    };
    struct RingSlice {
        VkBuffer buffer;
        uint32_t offset;
        uint8_t* data;
    };

    void begin();
    void endPass();
    void barrier();
    // Brings a new image into the GENERAL layout, and records the clear
    // still pending for it unless it is the image being folded (see draw).
    void prepare(VulkanTexture* t);
    // Clears the whole image; as a colour, an alpha-only picture takes the alpha.
    // A colour clear waits: the next pass that draws into the image starts by
    // clearing it; any other use of the image records the clear first.
    void clear(VulkanTexture* t, const float value[4], bool asColor);
    // Records the pending clear as a command of its own (outside any pass).
    void recordPendingClear();
    // Starts each command: submits what is recorded first when it holds as
    // much upload memory as one submission may, then records the uploads
    // other threads made since the last command.
    void recordUploads();
    void recordPendingUploads();
    // Host memory the recording submission holds for per-draw data and uploads.
    uint64_t recordedUploadBytes() const;
    RingSlice allocate(uint32_t size, uint32_t alignment);
    VkPipeline graphicsPipeline(const PipelineKey& key);
    VkPipeline computePipeline(const PipelineKey& key);
    VkPipeline createPipeline(const PipelineKey& key, const void* createInfo, bool compute);
    void pushBindings(VkPipelineBindPoint point, const StageBindings& stage, const ShaderInfo* a,
                      const ShaderInfo* b, const std::array<ViewPtr, UnorderedAccessSlots>& uavs);
    void waitSerial(uint64_t serial);
    void retireCompleted();

    VulkanDevice& dev;
    VkCommandPool pool_ = VK_NULL_HANDLE;
    Submission current_;
    uint32_t chunkUsed_ = 0; // bytes used of the current submission's last chunk
    std::deque<Submission> inFlight_;
    std::vector<Submission> spare_;
    std::vector<HostBuffer> freeChunks_;
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
    uint32_t topology_ = Topology::TriangleList;
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
    // The colour clear not yet recorded; folding_ is the image the draw being
    // recorded clears as its pass starts, which prepare leaves pending.
    struct PendingClear {
        TexturePtr texture;
        VkClearColorValue value{};
    } pendingClear_;
    VulkanTexture* folding_ = nullptr;
    VkPipeline boundPipeline_ = VK_NULL_HANDLE;
    bool dynamicDirty_ = true;
    Buffer* lastVertexBuffer_ = nullptr;
    uint64_t lastVertexVersion_ = 0;
    RingSlice lastVertexSlice_{};

    std::unordered_map<PipelineKey, VkPipeline, PipelineKeyHash> pipelines_;
    Counters counters_;
};

// ---------------------------------------------------------------------------
// The device (vulkan_device.cpp, memory in vulkan_memory.cpp, the pipeline
// cache file in vulkan_pipeline.cpp).

class VulkanDevice final : public Device {
public:
    ~VulkanDevice() override;
    int32_t initialise(const DeviceOptions& options);

    const DeviceFacts& facts() const override { return facts_; }
    uint32_t formatSupport(Format format) const override;
    int32_t createTexture(const TextureDesc& desc, const void* data, uint32_t rowPitch, TexturePtr* out) override;
    int32_t createView(const TexturePtr& texture, ViewKind kind, ViewPtr* out) override;
    int32_t createShader(Stage stage, const void* spirv, size_t bytes, ShaderPtr* out) override;
    int32_t createSamplerState(const SamplerDesc& desc, SamplerStatePtr* out) override;
    int32_t createStaging(uint32_t width, uint32_t height, Format format, StagingPtr* out) override;
    const uint8_t* waitStaging(Staging& staging) override;
    Context& context() override;
    MemoryCounters memory() const override;
    void resetMemoryPeak() override;
    void freePooledMemory() override;

    // Memory types and host buffers.
    int32_t findMemory(uint32_t typeBits, VkMemoryPropertyFlags want, VkMemoryPropertyFlags prefer, uint32_t* index) const;
    // Memory for the requirements with the wanted properties, the preferred ones if any type has them.
    int32_t allocateMemory(const VkMemoryRequirements& req, VkMemoryPropertyFlags want, VkMemoryPropertyFlags prefer,
                           VkDeviceMemory* out, uint32_t* type);
    int32_t createHostBuffer(uint64_t bytes, bool readBack, HostBuffer* out);
    void destroyHostBuffer(HostBuffer& host);
    // A host buffer of at least bytes from the pool, else a new one.
    int32_t takeHostBuffer(uint64_t bytes, bool readBack, HostBuffer* out);
    // Back to the pool; only once the device no longer uses it.
    void poolHostBuffer(HostBuffer host);

    // Pictures: an image of the key from the pool of dropped ones, else a new one.
    int32_t takeImage(const ImageKey& key, VkFormat format, DeviceImage* out);
    // A dropped picture's image, into the pool at once (or freed after use).
    void dropImage(const ImageKey& key, DeviceImage image);
    void destroyImage(DeviceImage& image);
    // On every submission: pooled images not asked for since a few submissions
    // ago are freed (all of them with everything set).
    void trimImages(uint64_t serial, bool everything = false);

    void retire(Garbage g); // frees after the current recording's submission
    void collect(uint64_t completedSerial, bool all);
    void shaderDestroyed(uint64_t id);

    // Uploads of initial data, recorded by the context before its next command.
    void queueUpload(PendingUpload upload);
    std::vector<PendingUpload> takeUploads();
    std::atomic<bool> uploadsPending{false};

    // The pipeline cache: read from its file at creation, written back when the device goes.
    void loadPipelineCache();
    void savePipelineCache();

    VkInstance instance = VK_NULL_HANDLE;
    VkDebugUtilsMessengerEXT messenger = VK_NULL_HANDLE;
    VkPhysicalDevice physical = VK_NULL_HANDLE;
    VkPhysicalDeviceProperties properties{};
    VkDevice device = VK_NULL_HANDLE;
    VkQueue queue = VK_NULL_HANDLE;
    uint32_t queueFamily = 0;
    VkPhysicalDeviceMemoryProperties memoryProperties{};
    VkDescriptorSetLayout setLayout = VK_NULL_HANDLE;
    VkPipelineLayout pipelineLayout = VK_NULL_HANDLE;
    VkSampler defaultSampler = VK_NULL_HANDLE;
    VkPipelineCache pipelineCache = VK_NULL_HANDLE;
    std::string pipelineCachePath;
    PFN_vkCmdPushDescriptorSetKHR pushDescriptorSet = nullptr;
    std::mutex queueMutex;
    // Reaches a submission's serial once the device has run it.
    VkSemaphore timeline = VK_NULL_HANDLE;

    std::atomic<uint64_t> recordingSerial{1};
    std::atomic<uint64_t> nextShaderId{1};
    std::unique_ptr<VulkanContext> immediate;
    DeviceFacts facts_;

private:
    // Objects freed once the device is done with them, and destroyed shaders
    // whose pipelines the context drops.
    std::mutex garbageMutex_;
    std::deque<Garbage> garbage_;
    std::vector<uint64_t> deadShaders_;

    // Host buffers kept for reuse.
    std::mutex hostMutex_;
    std::vector<HostBuffer> hostPool_;
    uint64_t hostPoolBytes_ = 0;

    // Images of dropped pictures, by key, each with the serial it was dropped at.
    struct PooledImage {
        DeviceImage image;
        uint64_t droppedAt;
    };
    mutable std::mutex imageMutex_;
    std::unordered_map<ImageKey, std::vector<PooledImage>, ImageKeyHash> imagePool_;
    uint64_t imagePoolBytes_ = 0;
    uint64_t imageBytes_ = 0; // of every image alive, pooled ones included
    uint64_t imagePeak_ = 0;

    std::mutex uploadMutex_;
    std::vector<PendingUpload> uploads_;
};

} // namespace Platform::Gpu
