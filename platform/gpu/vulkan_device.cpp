// The device on Vulkan 1.3: instance and device creation with the features
// the layer uses, and the creation of pictures, views, shaders, samplers and
// read-back buffers. Resource creation is thread-safe.
#include "platform/gpu/spirv.h"
#include "platform/gpu/vulkan_private.h"

#include <algorithm>
#include <cstring>

namespace Platform::Gpu {

namespace {
std::mutex handlerMutex;
std::function<void(const char*)> validationHandler;

VKAPI_ATTR VkBool32 VKAPI_CALL debugCallback(VkDebugUtilsMessageSeverityFlagBitsEXT, VkDebugUtilsMessageTypeFlagsEXT,
                                             const VkDebugUtilsMessengerCallbackDataEXT* data, void*)
{
    report(data && data->pMessage ? data->pMessage : "");
    return VK_FALSE;
}

std::atomic<uint64_t> nextTextureId{1};

constexpr uint32_t MaxSide = 16384;
constexpr uint32_t StagingPitchAlignment = 256;

bool validationLayerInstalled()
{
    uint32_t count = 0;
    vkEnumerateInstanceLayerProperties(&count, nullptr);
    std::vector<VkLayerProperties> props(count);
    vkEnumerateInstanceLayerProperties(&count, props.data());
    return std::any_of(props.begin(), props.end(), [](const VkLayerProperties& p) {
        return std::strcmp(p.layerName, "VK_LAYER_KHRONOS_validation") == 0;
    });
}
} // namespace

void report(const char* message)
{
    std::lock_guard<std::mutex> lock(handlerMutex);
    if (validationHandler)
        validationHandler(message);
}

// ---------------------------------------------------------------------------
// Resources.

VulkanTexture::VulkanTexture(VulkanDevice& device, const TextureDesc& desc) : device(device)
{
    desc_ = desc;
    id_ = nextTextureId++;
}

VulkanTexture::~VulkanTexture()
{
    device.dropImage(ImageKey{desc_.width, desc_.height, desc_.format, desc_.bind, desc_.samples}, image);
}

VkImageView VulkanTexture::view(ViewKind kind)
{
    std::lock_guard<std::mutex> lock(viewMutex_);
    VkImageView& slot = image.views[static_cast<size_t>(kind)];
    if (slot)
        return slot;
    const VkImageViewUsageCreateInfo usage{
        .sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_USAGE_CREATE_INFO,
        .usage = VkImageUsageFlags(kind == ViewKind::ShaderResource ? VK_IMAGE_USAGE_SAMPLED_BIT
                                   : kind == ViewKind::RenderTarget ? VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT
                                                                    : VK_IMAGE_USAGE_STORAGE_BIT),
    };
    const VkImageViewCreateInfo vi{
        .sType = VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO,
        .pNext = &usage,
        .image = image.image,
        .viewType = VK_IMAGE_VIEW_TYPE_2D,
        .format = vkFormat,
        .components = kind == ViewKind::ShaderResource ? readSwizzle(format()) : VkComponentMapping{},
        .subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1},
    };
    if (vkCreateImageView(device.device, &vi, nullptr, &slot) != VK_SUCCESS)
        slot = VK_NULL_HANDLE;
    return slot;
}

VulkanSampler::~VulkanSampler()
{
    Garbage g;
    g.sampler = sampler;
    device.retire(std::move(g));
}

VulkanStaging::~VulkanStaging()
{
    Garbage g;
    g.host = host;
    g.poolHost = true;
    device.retire(std::move(g));
}

// ---------------------------------------------------------------------------
// Creation.

int32_t VulkanDevice::initialise(const DeviceOptions& options)
{
    const VkApplicationInfo app{
        .sType = VK_STRUCTURE_TYPE_APPLICATION_INFO,
        .pApplicationName = "velmora2",
        .apiVersion = VK_API_VERSION_1_3,
    };
    std::vector<const char*> layers, extensions;
    bool validation = options.validation && validationLayerInstalled();
    if (validation) {
        layers.push_back("VK_LAYER_KHRONOS_validation");
        extensions.push_back(VK_EXT_DEBUG_UTILS_EXTENSION_NAME);
        extensions.push_back(VK_EXT_VALIDATION_FEATURES_EXTENSION_NAME);
    } else if (options.validation) {
        report("the validation layer is not installed");
    }
    // Hazards between commands (a read of what an earlier one wrote without a
    // barrier between them) are reported like any other validation message.
    const VkValidationFeatureEnableEXT enabled[] = {VK_VALIDATION_FEATURE_ENABLE_SYNCHRONIZATION_VALIDATION_EXT};
    const VkValidationFeaturesEXT features{
        .sType = VK_STRUCTURE_TYPE_VALIDATION_FEATURES_EXT,
        .enabledValidationFeatureCount = 1,
        .pEnabledValidationFeatures = enabled,
    };
    const VkInstanceCreateInfo ici{
        .sType = VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO,
        .pNext = validation ? &features : nullptr,
        .pApplicationInfo = &app,
        .enabledLayerCount = static_cast<uint32_t>(layers.size()),
        .ppEnabledLayerNames = layers.data(),
        .enabledExtensionCount = static_cast<uint32_t>(extensions.size()),
        .ppEnabledExtensionNames = extensions.data(),
    };
    VkResult r = vkCreateInstance(&ici, nullptr, &instance);
    if (r != VK_SUCCESS)
        return toResult(r);
    if (validation) {
        auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
            vkGetInstanceProcAddr(instance, "vkCreateDebugUtilsMessengerEXT"));
        const VkDebugUtilsMessengerCreateInfoEXT mi{
            .sType = VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT,
            .messageSeverity = VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT,
            .messageType = VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT,
            .pfnUserCallback = debugCallback,
        };
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
    vkGetPhysicalDeviceProperties(physical, &properties);
    facts_.name = properties.deviceName;
    facts_.apiVersion = properties.apiVersion;
    facts_.software = properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
    vkGetPhysicalDeviceMemoryProperties(physical, &memoryProperties);

    uint32_t familyCount = 0;
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, nullptr);
    std::vector<VkQueueFamilyProperties> families(familyCount);
    vkGetPhysicalDeviceQueueFamilyProperties(physical, &familyCount, families.data());
    constexpr VkQueueFlags Wanted = VK_QUEUE_GRAPHICS_BIT | VK_QUEUE_COMPUTE_BIT;
    auto family = std::find_if(families.begin(), families.end(),
                               [&](const VkQueueFamilyProperties& f) { return (f.queueFlags & Wanted) == Wanted; });
    if (family == families.end())
        return ErrorUnsupported;
    queueFamily = static_cast<uint32_t>(family - families.begin());

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

    // What the device offers.
    VkPhysicalDeviceRobustness2FeaturesEXT robust2{.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ROBUSTNESS_2_FEATURES_EXT};
    VkPhysicalDeviceFragmentShaderInterlockFeaturesEXT interlock{
        .sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FRAGMENT_SHADER_INTERLOCK_FEATURES_EXT};
    VkPhysicalDeviceVulkan12Features f12{.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES};
    VkPhysicalDeviceVulkan13Features f13{.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES, .pNext = &f12};
    VkPhysicalDeviceFeatures2 f2{.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, .pNext = &f13};
    void** tail = &f12.pNext;
    const bool haveRobust2 = hasExt(VK_EXT_ROBUSTNESS_2_EXTENSION_NAME);
    const bool haveInterlock = hasExt(VK_EXT_FRAGMENT_SHADER_INTERLOCK_EXTENSION_NAME);
    if (haveRobust2) {
        *tail = &robust2;
        tail = &robust2.pNext;
    }
    if (haveInterlock) {
        *tail = &interlock;
        tail = &interlock.pNext;
    }
    vkGetPhysicalDeviceFeatures2(physical, &f2);
    // Read-backs are waited for on any thread through a timeline of submissions.
    if (!f13.dynamicRendering || !f12.timelineSemaphore)
        return ErrorUnsupported;

    // Enable only what is used.
    VkPhysicalDeviceVulkan12Features e12{
        .sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES,
        .timelineSemaphore = VK_TRUE,
    };
    VkPhysicalDeviceVulkan13Features e13{
        .sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES,
        .pNext = &e12,
        .robustImageAccess = f13.robustImageAccess,
        .shaderDemoteToHelperInvocation = f13.shaderDemoteToHelperInvocation,
        .dynamicRendering = VK_TRUE,
        .maintenance4 = f13.maintenance4,
    };
    VkPhysicalDeviceFeatures2 e2{.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, .pNext = &e13};
    e2.features.robustBufferAccess = f2.features.robustBufferAccess;
    e2.features.dualSrcBlend = f2.features.dualSrcBlend;
    e2.features.independentBlend = f2.features.independentBlend;
    e2.features.fillModeNonSolid = f2.features.fillModeNonSolid;
    e2.features.fragmentStoresAndAtomics = f2.features.fragmentStoresAndAtomics;
    e2.features.shaderStorageImageWriteWithoutFormat = f2.features.shaderStorageImageWriteWithoutFormat;
    e2.features.depthClamp = f2.features.depthClamp;
    tail = &e12.pNext;
    VkPhysicalDeviceRobustness2FeaturesEXT er2{.sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ROBUSTNESS_2_FEATURES_EXT};
    VkPhysicalDeviceFragmentShaderInterlockFeaturesEXT ei{
        .sType = VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FRAGMENT_SHADER_INTERLOCK_FEATURES_EXT};
    if (haveRobust2) {
        deviceExtensions.push_back(VK_EXT_ROBUSTNESS_2_EXTENSION_NAME);
        er2.robustBufferAccess2 = robust2.robustBufferAccess2 && f2.features.robustBufferAccess;
        er2.robustImageAccess2 = robust2.robustImageAccess2;
        er2.nullDescriptor = robust2.nullDescriptor;
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

    const float priority = 1.0f;
    const VkDeviceQueueCreateInfo qi{
        .sType = VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO,
        .queueFamilyIndex = queueFamily,
        .queueCount = 1,
        .pQueuePriorities = &priority,
    };
    const VkDeviceCreateInfo di{
        .sType = VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO,
        .pNext = &e2,
        .queueCreateInfoCount = 1,
        .pQueueCreateInfos = &qi,
        .enabledExtensionCount = static_cast<uint32_t>(deviceExtensions.size()),
        .ppEnabledExtensionNames = deviceExtensions.data(),
    };
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
    const VkShaderStageFlags pc = VK_SHADER_STAGE_FRAGMENT_BIT | VK_SHADER_STAGE_COMPUTE_BIT;
    add(ConstantBufferBase, ConstantBufferSlots, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, pc);
    add(VertexConstantBufferBase, ConstantBufferSlots, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, VK_SHADER_STAGE_VERTEX_BIT);
    add(TextureBase, TextureSlots, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, pc);
    add(SamplerBase, SamplerSlots, VK_DESCRIPTOR_TYPE_SAMPLER, pc);
    add(UnorderedAccessBase, UnorderedAccessSlots, VK_DESCRIPTOR_TYPE_STORAGE_IMAGE, pc);
    const VkDescriptorSetLayoutCreateInfo li{
        .sType = VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO,
        .flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR,
        .bindingCount = static_cast<uint32_t>(bindings.size()),
        .pBindings = bindings.data(),
    };
    if ((r = vkCreateDescriptorSetLayout(device, &li, nullptr, &setLayout)) != VK_SUCCESS)
        return toResult(r);
    const VkPipelineLayoutCreateInfo pli{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO,
        .setLayoutCount = 1,
        .pSetLayouts = &setLayout,
    };
    if ((r = vkCreatePipelineLayout(device, &pli, nullptr, &pipelineLayout)) != VK_SUCCESS)
        return toResult(r);
    // Unbound sampler slots behave as the platform's default sampler: linear, clamped.
    const VkSamplerCreateInfo si{
        .sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO,
        .magFilter = VK_FILTER_LINEAR,
        .minFilter = VK_FILTER_LINEAR,
        .addressModeU = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,
        .addressModeV = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,
        .addressModeW = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE,
    };
    if ((r = vkCreateSampler(device, &si, nullptr, &defaultSampler)) != VK_SUCCESS)
        return toResult(r);
    VkSemaphoreTypeCreateInfo timelineType{
        .sType = VK_STRUCTURE_TYPE_SEMAPHORE_TYPE_CREATE_INFO,
        .semaphoreType = VK_SEMAPHORE_TYPE_TIMELINE,
        .initialValue = 0,
    };
    const VkSemaphoreCreateInfo ti{.sType = VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO, .pNext = &timelineType};
    if ((r = vkCreateSemaphore(device, &ti, nullptr, &timeline)) != VK_SUCCESS)
        return toResult(r);
    pipelineCachePath = options.pipelineCachePath;
    loadPipelineCache();

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
    immediate.reset(); // records what is pending and waits for it
    if (device) {
        vkDeviceWaitIdle(device);
        collect(UINT64_MAX, true);
        for (auto& [key, images] : imagePool_)
            for (PooledImage& p : images)
                destroyImage(p.image);
        for (HostBuffer& h : hostPool_)
            destroyHostBuffer(h);
        savePipelineCache();
        if (pipelineCache)
            vkDestroyPipelineCache(device, pipelineCache, nullptr);
        vkDestroySampler(device, defaultSampler, nullptr);
        if (timeline)
            vkDestroySemaphore(device, timeline, nullptr);
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

const uint8_t* VulkanDevice::waitStaging(Staging& staging)
{
    auto& s = static_cast<VulkanStaging&>(staging);
    const uint64_t serial = s.writtenSerial.load(std::memory_order_acquire);
    const VkSemaphoreWaitInfo wi{
        .sType = VK_STRUCTURE_TYPE_SEMAPHORE_WAIT_INFO,
        .semaphoreCount = 1,
        .pSemaphores = &timeline,
        .pValues = &serial,
    };
    check(vkWaitSemaphores(device, &wi, UINT64_MAX), "vkWaitSemaphores");
    if (!s.host.coherent) {
        const VkMappedMemoryRange range{
            .sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE,
            .memory = s.host.memory,
            .size = VK_WHOLE_SIZE,
        };
        vkInvalidateMappedMemoryRanges(device, 1, &range);
    }
    return s.host.mapped;
}

Context& VulkanDevice::context()
{
    return *immediate;
}

uint32_t VulkanDevice::formatSupport(Format format) const
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

int32_t VulkanDevice::createTexture(const TextureDesc& desc, const void* data, uint32_t rowPitch, TexturePtr* out)
{
    out->reset();
    const FormatInfo fi = formatInfo(desc.format);
    const VkFormat format = vkFormat(desc.format);
    const bool samplesValid = desc.samples == 1 || desc.samples == 2 || desc.samples == 4 || desc.samples == 8;
    if (!fi.gpu || format == VK_FORMAT_UNDEFINED || desc.width == 0 || desc.height == 0 || desc.width > MaxSide ||
        desc.height > MaxSide || !samplesValid || (desc.samples != 1 && (desc.bind & BindUnorderedAccess)))
        return ErrorInvalidArg; // no unordered access to multi-sampled pictures
    auto t = std::make_shared<VulkanTexture>(*this, desc);
    t->vkFormat = format;
    t->texelWidth = texelWidth(desc.format, desc.width);
    const uint64_t rowBytes = uint64_t(t->texelWidth) * fi.texelBytes;
    if (data && rowPitch < rowBytes)
        return ErrorInvalidArg;
    int32_t hr = takeImage(ImageKey{desc.width, desc.height, desc.format, desc.bind, desc.samples}, format, &t->image);
    if (hr < 0)
        return hr;
    if (data) {
        // Initial contents go through a host buffer; the copy into the image is
        // recorded by the context before its next command, so nothing waits here.
        // The caller's memory may end right after the last row's pixels.
        const bool texelRows = rowPitch % fi.texelBytes == 0;
        const uint64_t used = uint64_t(rowPitch) * (desc.height - 1) + rowBytes;
        PendingUpload upload;
        hr = takeHostBuffer(texelRows ? used : rowBytes * desc.height, false, &upload.host);
        if (hr < 0)
            return hr;
        if (texelRows) {
            std::memcpy(upload.host.mapped, data, used);
            upload.rowLength = rowPitch / fi.texelBytes;
        } else {
            // Rows that do not start on a texel: packed one after the other.
            for (uint32_t y = 0; y < desc.height; ++y)
                std::memcpy(upload.host.mapped + y * rowBytes, static_cast<const uint8_t*>(data) + uint64_t(y) * rowPitch,
                            rowBytes);
        }
        if (!upload.host.coherent) {
            const VkMappedMemoryRange range{
                .sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE,
                .memory = upload.host.memory,
                .size = VK_WHOLE_SIZE,
            };
            vkFlushMappedMemoryRanges(device, 1, &range);
        }
        upload.texture = t;
        queueUpload(std::move(upload));
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
    const uint32_t bind = t->desc().bind;
    if ((kind == ViewKind::ShaderResource && !(bind & BindShaderResource)) ||
        (kind == ViewKind::RenderTarget && !(bind & BindRenderTarget)) ||
        (kind == ViewKind::UnorderedAccess && !(bind & BindUnorderedAccess)) ||
        (kind != ViewKind::RenderTarget && t->desc().samples != 1))
        return ErrorInvalidArg;
    VkImageView view = t->view(kind);
    if (!view)
        return ErrorOutOfMemory;
    *out = std::make_shared<VulkanView>(kind, texture, view);
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
    words = Spirv::withoutSemantics(words);
    auto s = std::make_shared<VulkanShader>(*this);
    const VkShaderModuleCreateInfo mi{
        .sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO,
        .codeSize = words.size() * 4,
        .pCode = words.data(),
    };
    VkResult r = vkCreateShaderModule(device, &mi, nullptr, &s->plain);
    if (r != VK_SUCCESS)
        return toResult(r);
    s->setInfo(info, nextShaderId++);
    // The image-format words moved with the semantics: read them again.
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
    const bool anisotropic = (desc.filter & 0x40) != 0;
    const float* b = desc.borderColor;
    const VkSamplerCreateInfo si{
        .sType = VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO,
        .magFilter = (anisotropic || (desc.filter & 0x04)) ? VK_FILTER_LINEAR : VK_FILTER_NEAREST,
        .minFilter = (anisotropic || (desc.filter & 0x10)) ? VK_FILTER_LINEAR : VK_FILTER_NEAREST,
        .mipmapMode = (anisotropic || (desc.filter & 0x01)) ? VK_SAMPLER_MIPMAP_MODE_LINEAR : VK_SAMPLER_MIPMAP_MODE_NEAREST,
        .addressModeU = addressMode(desc.addressU),
        .addressModeV = addressMode(desc.addressV),
        .addressModeW = addressMode(desc.addressW),
        .mipLodBias = desc.mipLodBias,
        .minLod = desc.minLod,
        .maxLod = std::max(desc.minLod, desc.maxLod),
        .borderColor = b[3] == 0                               ? VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK
                       : (b[0] == 0 && b[1] == 0 && b[2] == 0) ? VK_BORDER_COLOR_FLOAT_OPAQUE_BLACK
                                                               : VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE,
    };
    VkResult r = vkCreateSampler(device, &si, nullptr, &s->sampler);
    if (r != VK_SUCCESS)
        return toResult(r);
    *out = std::move(s);
    return Ok;
}

int32_t VulkanDevice::createStaging(uint32_t width, uint32_t height, Format format, StagingPtr* out)
{
    out->reset();
    const FormatInfo fi = formatInfo(format);
    if (!fi.gpu || width == 0 || height == 0 || width > MaxSide || height > MaxSide)
        return ErrorInvalidArg;
    const uint32_t rowBytes = texelWidth(format, width) * fi.texelBytes;
    const uint32_t pitch = (rowBytes + StagingPitchAlignment - 1) / StagingPitchAlignment * StagingPitchAlignment;
    auto s = std::make_shared<VulkanStaging>(*this, width, height, format, pitch);
    int32_t hr = takeHostBuffer(uint64_t(pitch) * height, true, &s->host);
    if (hr < 0)
        return hr;
    *out = std::move(s);
    return Ok;
}

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
