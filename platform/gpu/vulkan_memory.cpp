// Memory of the device: memory types, host buffers and their pool, the pool of
// dropped pictures' images, and handles freed once the device is done with them.
#include "platform/gpu/vulkan_private.h"

#include <algorithm>

namespace Platform::Gpu {

namespace {
// Host buffers and images kept for reuse, at most.
constexpr uint64_t HostPoolLimit = 256ull << 20;
constexpr uint64_t ImagePoolLimit = 512ull << 20;
// A pooled image nobody asked for during this many submissions is freed.
constexpr uint64_t ImageIdleSubmissions = 8;
} // namespace

size_t ImageKeyHash::operator()(const ImageKey& k) const
{
    return static_cast<size_t>(Os::fnv1aBytes(&k, sizeof(k)));
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

int32_t VulkanDevice::allocateMemory(const VkMemoryRequirements& req, VkMemoryPropertyFlags want,
                                     VkMemoryPropertyFlags prefer, VkDeviceMemory* out, uint32_t* type)
{
    int32_t hr = findMemory(req.memoryTypeBits, want, prefer, type);
    if (hr < 0)
        return hr;
    const VkMemoryAllocateInfo mi{
        .sType = VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO,
        .allocationSize = req.size,
        .memoryTypeIndex = *type,
    };
    return toResult(vkAllocateMemory(device, &mi, nullptr, out));
}

int32_t VulkanDevice::createHostBuffer(uint64_t bytes, bool readBack, HostBuffer* out)
{
    HostBuffer h{.bytes = bytes, .readBack = readBack};
    const VkBufferCreateInfo bi{
        .sType = VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO,
        .size = bytes,
        .usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT | VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT |
                 VK_BUFFER_USAGE_VERTEX_BUFFER_BIT,
        .sharingMode = VK_SHARING_MODE_EXCLUSIVE,
    };
    VkResult r = vkCreateBuffer(device, &bi, nullptr, &h.buffer);
    if (r != VK_SUCCESS)
        return toResult(r);
    VkMemoryRequirements req;
    vkGetBufferMemoryRequirements(device, h.buffer, &req);
    uint32_t type = 0;
    // Read-backs want memory the processor caches; uploads write once and need not.
    VkMemoryPropertyFlags prefer = VK_MEMORY_PROPERTY_HOST_COHERENT_BIT | (readBack ? VK_MEMORY_PROPERTY_HOST_CACHED_BIT : 0);
    int32_t hr = allocateMemory(req, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT, prefer, &h.memory, &type);
    void* mapped = nullptr;
    if (hr >= 0)
        hr = toResult(vkBindBufferMemory(device, h.buffer, h.memory, 0));
    if (hr >= 0)
        hr = toResult(vkMapMemory(device, h.memory, 0, VK_WHOLE_SIZE, 0, &mapped));
    if (hr < 0) {
        destroyHostBuffer(h);
        return hr;
    }
    h.coherent = (memoryProperties.memoryTypes[type].propertyFlags & VK_MEMORY_PROPERTY_HOST_COHERENT_BIT) != 0;
    h.mapped = static_cast<uint8_t*>(mapped);
    *out = h;
    return Ok;
}

void VulkanDevice::destroyHostBuffer(HostBuffer& h)
{
    if (h.buffer)
        vkDestroyBuffer(device, h.buffer, nullptr);
    if (h.memory)
        vkFreeMemory(device, h.memory, nullptr);
    h = HostBuffer{};
}

int32_t VulkanDevice::takeHostBuffer(uint64_t bytes, bool readBack, HostBuffer* out)
{
    {
        std::lock_guard<std::mutex> lock(hostMutex_);
        // The smallest that holds it, if not more than twice as large.
        auto best = hostPool_.end();
        for (auto it = hostPool_.begin(); it != hostPool_.end(); ++it)
            if (it->readBack == readBack && it->bytes >= bytes && it->bytes <= 2 * bytes &&
                (best == hostPool_.end() || it->bytes < best->bytes))
                best = it;
        if (best != hostPool_.end()) {
            *out = *best;
            hostPoolBytes_ -= best->bytes;
            hostPool_.erase(best);
            return Ok;
        }
    }
    return createHostBuffer(bytes, readBack, out);
}

void VulkanDevice::poolHostBuffer(HostBuffer host)
{
    if (!host.buffer)
        return;
    std::lock_guard<std::mutex> lock(hostMutex_);
    hostPool_.push_back(host);
    hostPoolBytes_ += host.bytes;
    // The oldest go first.
    while (hostPoolBytes_ > HostPoolLimit && !hostPool_.empty()) {
        hostPoolBytes_ -= hostPool_.front().bytes;
        destroyHostBuffer(hostPool_.front());
        hostPool_.erase(hostPool_.begin());
    }
}

int32_t VulkanDevice::takeImage(const ImageKey& key, VkFormat format, DeviceImage* out)
{
    {
        std::lock_guard<std::mutex> lock(imageMutex_);
        auto found = imagePool_.find(key);
        if (found != imagePool_.end() && !found->second.empty()) {
            // The one dropped last: its memory is the most likely to be at hand.
            *out = found->second.back().image;
            found->second.pop_back();
            imagePoolBytes_ -= out->bytes;
            return Ok;
        }
    }
    DeviceImage image;
    VkImageUsageFlags usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    if (key.bind & BindShaderResource)
        usage |= VK_IMAGE_USAGE_SAMPLED_BIT;
    if (key.bind & BindRenderTarget)
        usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    if (key.bind & BindUnorderedAccess)
        usage |= VK_IMAGE_USAGE_STORAGE_BIT;
    const VkImageCreateInfo ii{
        .sType = VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO,
        .imageType = VK_IMAGE_TYPE_2D,
        .format = format,
        .extent = {texelWidth(key.format, key.width), key.height, 1},
        .mipLevels = 1,
        .arrayLayers = 1,
        .samples = static_cast<VkSampleCountFlagBits>(key.samples),
        .tiling = VK_IMAGE_TILING_OPTIMAL,
        .usage = usage,
        .sharingMode = VK_SHARING_MODE_EXCLUSIVE,
        .initialLayout = VK_IMAGE_LAYOUT_UNDEFINED,
    };
    VkImageFormatProperties ifp;
    if (vkGetPhysicalDeviceImageFormatProperties(physical, format, VK_IMAGE_TYPE_2D, VK_IMAGE_TILING_OPTIMAL, usage, 0,
                                                 &ifp) != VK_SUCCESS ||
        !(ifp.sampleCounts & ii.samples))
        return ErrorInvalidArg;
    VkResult r = vkCreateImage(device, &ii, nullptr, &image.image);
    if (r != VK_SUCCESS)
        return toResult(r);
    VkMemoryRequirements req;
    vkGetImageMemoryRequirements(device, image.image, &req);
    uint32_t type = 0;
    int32_t hr = allocateMemory(req, 0, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &image.memory, &type);
    if (hr >= 0)
        hr = toResult(vkBindImageMemory(device, image.image, image.memory, 0));
    if (hr < 0) {
        destroyImage(image);
        return hr;
    }
    image.bytes = req.size;
    {
        std::lock_guard<std::mutex> lock(imageMutex_);
        imageBytes_ += image.bytes;
        imagePeak_ = std::max(imagePeak_, imageBytes_);
    }
    *out = image;
    return Ok;
}

void VulkanDevice::dropImage(const ImageKey& key, DeviceImage image)
{
    if (!image.image)
        return;
    // The queue runs in order and every pass, copy and clear starts behind a
    // barrier, so the next picture may write this image at once: its first
    // command is recorded after every command that used it here.
    std::lock_guard<std::mutex> lock(imageMutex_);
    if (imagePoolBytes_ + image.bytes <= ImagePoolLimit) {
        imagePool_[key].push_back({image, recordingSerial.load()});
        imagePoolBytes_ += image.bytes;
        return;
    }
    imageBytes_ -= image.bytes;
    Garbage g;
    g.image = image;
    retire(std::move(g));
}

void VulkanDevice::destroyImage(DeviceImage& image)
{
    for (VkImageView v : image.views)
        if (v)
            vkDestroyImageView(device, v, nullptr);
    if (image.image)
        vkDestroyImage(device, image.image, nullptr);
    if (image.memory)
        vkFreeMemory(device, image.memory, nullptr);
    image = DeviceImage{};
}

void VulkanDevice::trimImages(uint64_t serial, bool everything)
{
    std::lock_guard<std::mutex> lock(imageMutex_);
    for (auto& [key, images] : imagePool_) {
        auto idle = [&](const PooledImage& p) { return everything || p.droppedAt + ImageIdleSubmissions < serial; };
        for (const PooledImage& p : images)
            if (idle(p)) {
                imagePoolBytes_ -= p.image.bytes;
                imageBytes_ -= p.image.bytes;
                Garbage g;
                g.image = p.image;
                retire(std::move(g));
            }
        std::erase_if(images, idle);
    }
    std::erase_if(imagePool_, [](const auto& entry) { return entry.second.empty(); });
}

MemoryCounters VulkanDevice::memory() const
{
    std::lock_guard<std::mutex> lock(imageMutex_);
    return {imageBytes_, imagePeak_, imagePoolBytes_};
}

void VulkanDevice::freePooledMemory()
{
    trimImages(0, true);
}

void VulkanDevice::resetMemoryPeak()
{
    std::lock_guard<std::mutex> lock(imageMutex_);
    imagePeak_ = imageBytes_;
}

void VulkanDevice::retire(Garbage g)
{
    g.serial = recordingSerial.load();
    std::lock_guard<std::mutex> lock(garbageMutex_);
    garbage_.push_back(std::move(g));
}

void VulkanDevice::shaderDestroyed(uint64_t id)
{
    std::lock_guard<std::mutex> lock(garbageMutex_);
    deadShaders_.push_back(id);
}

void VulkanDevice::collect(uint64_t completedSerial, bool all)
{
    std::vector<uint64_t> dead;
    std::deque<Garbage> ready;
    {
        std::lock_guard<std::mutex> lock(garbageMutex_);
        dead.swap(deadShaders_);
        while (!garbage_.empty() && (all || garbage_.front().serial <= completedSerial)) {
            ready.push_back(std::move(garbage_.front()));
            garbage_.pop_front();
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
        if (g.sampler)
            vkDestroySampler(device, g.sampler, nullptr);
        destroyImage(g.image);
        if (g.poolHost && !all)
            poolHostBuffer(g.host);
        else
            destroyHostBuffer(g.host);
    }
}

void VulkanDevice::queueUpload(PendingUpload upload)
{
    std::lock_guard<std::mutex> lock(uploadMutex_);
    uploads_.push_back(std::move(upload));
    uploadsPending.store(true, std::memory_order_release);
}

std::vector<PendingUpload> VulkanDevice::takeUploads()
{
    std::vector<PendingUpload> taken;
    std::lock_guard<std::mutex> lock(uploadMutex_);
    taken.swap(uploads_);
    uploadsPending.store(false, std::memory_order_relaxed);
    return taken;
}

} // namespace Platform::Gpu
