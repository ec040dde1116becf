// Pipelines, built on first use and kept by what they were built for, the
// shader module variants they need, and the pipeline cache file that lets a
// second start take them from the driver's cache instead of building them.
#include "platform/gpu/spirv.h"
#include "platform/gpu/vulkan_private.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace Platform::Gpu {

PipelineKey::PipelineKey()
{
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    samples = 1;
}

bool PipelineKey::operator==(const PipelineKey& o) const
{
    return std::memcmp(this, &o, sizeof(*this)) == 0;
}

size_t PipelineKeyHash::operator()(const PipelineKey& k) const
{
    return static_cast<size_t>(Os::fnv1aBytes(&k, sizeof(k)));
}

namespace {
VkShaderModule createModule(VkDevice device, const std::vector<uint32_t>& words)
{
    VkShaderModule module = VK_NULL_HANDLE;
    const VkShaderModuleCreateInfo mi{
        .sType = VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO,
        .codeSize = words.size() * 4,
        .pCode = words.data(),
    };
    check(vkCreateShaderModule(device, &mi, nullptr, &module), "vkCreateShaderModule");
    return module;
}

// The specialisation constants a shader declares, with their values.
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
    const VkSpecializationInfo* get() const { return info.mapEntryCount ? &info : nullptr; }
};

// The first 32 bytes of cache data name the device it was made by.
struct CacheHeader {
    uint32_t headerSize;
    uint32_t headerVersion;
    uint32_t vendorID;
    uint32_t deviceID;
    uint8_t uuid[VK_UUID_SIZE];
};
constexpr size_t MaxCacheFileBytes = 256u << 20;
} // namespace

VulkanShader::~VulkanShader()
{
    Garbage g;
    g.module = plain;
    device.retire(std::move(g));
    for (auto& v : variants_) {
        Garbage d;
        d.module = v.second;
        device.retire(std::move(d));
    }
    device.shaderDestroyed(id_);
}

VkShaderModule VulkanShader::module(uint64_t storageFormats, bool secondSource)
{
    if (storageFormats == 0 && !secondSource)
        return plain;
    const uint64_t variant = storageFormats ^ (secondSource ? 1ull << 63 : 0);
    auto found = variants_.find(variant);
    if (found != variants_.end())
        return found->second;
    std::vector<uint32_t> patched = words;
    for (auto [slot, word] : storageFormatWords) {
        const auto format = static_cast<uint32_t>((storageFormats >> (8 * slot)) & 0xFF);
        if (format && word < patched.size())
            patched[word] = format;
    }
    if (secondSource)
        patched = Spirv::withSecondSource(patched);
    VkShaderModule m = createModule(device.device, patched);
    variants_.emplace(variant, m);
    return m;
}

VkPipeline VulkanContext::createPipeline(const PipelineKey& key, const void* createInfo, bool compute)
{
    VkPipelineCreationFeedback feedback{};
    VkPipelineCreationFeedbackCreateInfo feedbackInfo{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_CREATION_FEEDBACK_CREATE_INFO,
        .pPipelineCreationFeedback = &feedback,
    };
    VkPipeline pipeline = VK_NULL_HANDLE;
    if (compute) {
        VkComputePipelineCreateInfo ci = *static_cast<const VkComputePipelineCreateInfo*>(createInfo);
        feedbackInfo.pNext = ci.pNext;
        ci.pNext = &feedbackInfo;
        check(vkCreateComputePipelines(dev.device, dev.pipelineCache, 1, &ci, nullptr, &pipeline),
              "vkCreateComputePipelines");
    } else {
        VkGraphicsPipelineCreateInfo gi = *static_cast<const VkGraphicsPipelineCreateInfo*>(createInfo);
        feedbackInfo.pNext = gi.pNext;
        gi.pNext = &feedbackInfo;
        check(vkCreateGraphicsPipelines(dev.device, dev.pipelineCache, 1, &gi, nullptr, &pipeline),
              "vkCreateGraphicsPipelines");
    }
    pipelines_.emplace(key, pipeline);
    ++counters_.pipelines;
    constexpr VkPipelineCreationFeedbackFlags Hit =
        VK_PIPELINE_CREATION_FEEDBACK_VALID_BIT | VK_PIPELINE_CREATION_FEEDBACK_APPLICATION_PIPELINE_CACHE_HIT_BIT;
    if ((feedback.flags & Hit) == Hit)
        ++counters_.pipelinesFromCache;
    return pipeline;
}

VkPipeline VulkanContext::graphicsPipeline(const PipelineKey& key)
{
    auto found = pipelines_.find(key);
    if (found != pipelines_.end())
        return found->second;

    SpecData spec;
    spec.fill(ps_->info().specMask, key.alphaTarget, key.packedSources);
    auto secondSource = [](uint8_t f) { return f >= 16 && f <= 19; };
    const BlendDesc& bd = key.blend;
    const bool dual = bd.enable && ps_->info().outputs >= 2 &&
                      (secondSource(bd.srcColor) || secondSource(bd.dstColor) || secondSource(bd.srcAlpha) ||
                       secondSource(bd.dstAlpha));
    const VkPipelineShaderStageCreateInfo stages[2] = {
        {
            .sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO,
            .stage = VK_SHADER_STAGE_VERTEX_BIT,
            .module = vs_->plain,
            .pName = "main",
        },
        {
            .sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO,
            .stage = VK_SHADER_STAGE_FRAGMENT_BIT,
            .module = ps_->module(key.storageFormats, dual),
            .pName = "main",
            .pSpecializationInfo = spec.get(),
        },
    };

    std::vector<VkVertexInputAttributeDescription> attributes;
    for (const VertexAttribute& a : layout_.attributes)
        if (a.format != AttributeFormat::Unknown)
            attributes.push_back({a.location, 0, attributeFormat(a), a.offset});
    const VkVertexInputBindingDescription binding{0, key.stride, VK_VERTEX_INPUT_RATE_VERTEX};
    const bool vertices = !attributes.empty();
    const VkPipelineVertexInputStateCreateInfo vi{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO,
        .vertexBindingDescriptionCount = vertices ? 1u : 0u,
        .pVertexBindingDescriptions = vertices ? &binding : nullptr,
        .vertexAttributeDescriptionCount = static_cast<uint32_t>(attributes.size()),
        .pVertexAttributeDescriptions = attributes.data(),
    };
    const VkPipelineInputAssemblyStateCreateInfo ia{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO,
        .topology = topologyOf(key.topology),
    };
    const VkPipelineViewportStateCreateInfo vp{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO,
        .viewportCount = 1,
        .scissorCount = 1,
    };
    const VkPipelineRasterizationStateCreateInfo rs{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO,
        .depthClampEnable = key.raster.depthClip ? VK_FALSE : VK_TRUE,
        .polygonMode = key.raster.fill == 2 ? VK_POLYGON_MODE_LINE : VK_POLYGON_MODE_FILL,
        .cullMode = VkCullModeFlags(key.raster.cull == 2   ? VK_CULL_MODE_FRONT_BIT
                                    : key.raster.cull == 3 ? VK_CULL_MODE_BACK_BIT
                                                           : VK_CULL_MODE_NONE),
        // The viewport flip keeps the winding as the caller sees it on screen.
        .frontFace = key.raster.frontCounterClockwise ? VK_FRONT_FACE_COUNTER_CLOCKWISE : VK_FRONT_FACE_CLOCKWISE,
        .lineWidth = 1.0f,
    };
    const VkPipelineMultisampleStateCreateInfo ms{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO,
        .rasterizationSamples = static_cast<VkSampleCountFlagBits>(key.samples ? key.samples : 1),
    };
    VkPipelineColorBlendAttachmentState blends[2]{};
    for (uint32_t i = 0; i < key.targetCount; ++i) {
        const BlendDesc& d = key.blend;
        if (formatInfo(key.formats[i]).alphaOnly) {
            // Red carries the alpha: blend it with the alpha factors.
            const VkBlendFactor src = blendFactor(d.srcAlpha, true), dst = blendFactor(d.dstAlpha, true);
            blends[i] = {
                .blendEnable = d.enable ? VK_TRUE : VK_FALSE,
                .srcColorBlendFactor = src,
                .dstColorBlendFactor = dst,
                .colorBlendOp = blendOp(d.alphaOp),
                .srcAlphaBlendFactor = src,
                .dstAlphaBlendFactor = dst,
                .alphaBlendOp = blendOp(d.alphaOp),
                .colorWriteMask = VkColorComponentFlags((d.writeMask & 8) ? VK_COLOR_COMPONENT_R_BIT : 0),
            };
        } else {
            blends[i] = {
                .blendEnable = d.enable ? VK_TRUE : VK_FALSE,
                .srcColorBlendFactor = blendFactor(d.srcColor, false),
                .dstColorBlendFactor = blendFactor(d.dstColor, false),
                .colorBlendOp = blendOp(d.colorOp),
                .srcAlphaBlendFactor = blendFactor(d.srcAlpha, false),
                .dstAlphaBlendFactor = blendFactor(d.dstAlpha, false),
                .alphaBlendOp = blendOp(d.alphaOp),
                .colorWriteMask = VkColorComponentFlags(d.writeMask & 0xF),
            };
        }
    }
    const VkPipelineColorBlendStateCreateInfo cb{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO,
        .attachmentCount = key.targetCount,
        .pAttachments = blends,
    };
    const VkDynamicState dynamics[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR,
                                       VK_DYNAMIC_STATE_BLEND_CONSTANTS};
    const VkPipelineDynamicStateCreateInfo ds{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO,
        .dynamicStateCount = static_cast<uint32_t>(std::size(dynamics)),
        .pDynamicStates = dynamics,
    };
    const VkFormat formats[2] = {vkFormat(key.formats[0]), vkFormat(key.formats[1])};
    const VkPipelineRenderingCreateInfo rendering{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO,
        .colorAttachmentCount = key.targetCount,
        .pColorAttachmentFormats = formats,
    };
    const VkGraphicsPipelineCreateInfo pi{
        .sType = VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO,
        .pNext = &rendering,
        .stageCount = 2,
        .pStages = stages,
        .pVertexInputState = &vi,
        .pInputAssemblyState = &ia,
        .pViewportState = &vp,
        .pRasterizationState = &rs,
        .pMultisampleState = &ms,
        .pColorBlendState = &cb,
        .pDynamicState = &ds,
        .layout = dev.pipelineLayout,
    };
    return createPipeline(key, &pi, false);
}

VkPipeline VulkanContext::computePipeline(const PipelineKey& key)
{
    auto found = pipelines_.find(key);
    if (found != pipelines_.end())
        return found->second;
    SpecData spec;
    spec.fill(cs_->info().specMask, 0, key.packedSources);
    const VkComputePipelineCreateInfo pi{
        .sType = VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO,
        .stage =
            {
                .sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO,
                .stage = VK_SHADER_STAGE_COMPUTE_BIT,
                .module = cs_->module(key.storageFormats, false),
                .pName = "main",
                .pSpecializationInfo = spec.get(),
            },
        .layout = dev.pipelineLayout,
    };
    return createPipeline(key, &pi, true);
}

void VulkanContext::purgeShader(uint64_t id)
{
    for (auto it = pipelines_.begin(); it != pipelines_.end();) {
        if (it->first.vs == id || it->first.ps == id || it->first.cs == id) {
            if (it->second == boundPipeline_)
                boundPipeline_ = VK_NULL_HANDLE;
            Garbage g;
            g.pipeline = it->second;
            dev.retire(std::move(g));
            it = pipelines_.erase(it);
        } else {
            ++it;
        }
    }
}

void VulkanDevice::loadPipelineCache()
{
    std::vector<char> data;
    if (!pipelineCachePath.empty()) {
        std::ifstream in(pipelineCachePath, std::ios::binary);
        if (in) {
            in.seekg(0, std::ios::end);
            const std::streamoff size = in.tellg();
            if (size > 0 && static_cast<size_t>(size) <= MaxCacheFileBytes) {
                data.resize(static_cast<size_t>(size));
                in.seekg(0);
                in.read(data.data(), size);
                if (!in)
                    data.clear();
            }
        }
    }
    // Data of another device, driver version or a damaged file start an empty
    // cache; the driver is never handed what it did not make for itself.
    CacheHeader header{};
    if (data.size() >= sizeof(header))
        std::memcpy(&header, data.data(), sizeof(header));
    const bool usable = data.size() >= sizeof(header) && header.headerSize >= sizeof(header) &&
                        header.headerSize <= data.size() && header.headerVersion == VK_PIPELINE_CACHE_HEADER_VERSION_ONE &&
                        header.vendorID == properties.vendorID && header.deviceID == properties.deviceID &&
                        std::memcmp(header.uuid, properties.pipelineCacheUUID, VK_UUID_SIZE) == 0;
    const VkPipelineCacheCreateInfo ci{
        .sType = VK_STRUCTURE_TYPE_PIPELINE_CACHE_CREATE_INFO,
        .initialDataSize = usable ? data.size() : 0,
        .pInitialData = usable ? data.data() : nullptr,
    };
    if (vkCreatePipelineCache(device, &ci, nullptr, &pipelineCache) != VK_SUCCESS)
        pipelineCache = VK_NULL_HANDLE;
    facts_.pipelineCacheLoaded = usable ? data.size() : 0;
}

void VulkanDevice::savePipelineCache()
{
    if (!pipelineCache || pipelineCachePath.empty())
        return;
    size_t size = 0;
    if (vkGetPipelineCacheData(device, pipelineCache, &size, nullptr) != VK_SUCCESS || size == 0)
        return;
    std::vector<char> data(size);
    if (vkGetPipelineCacheData(device, pipelineCache, &size, data.data()) != VK_SUCCESS)
        return;
    // Written beside and renamed, so a reader never sees half a file.
    const std::string temporary = pipelineCachePath + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(size));
        if (!out) {
            out.close();
            std::remove(temporary.c_str());
            return;
        }
    }
    if (std::rename(temporary.c_str(), pipelineCachePath.c_str()) != 0)
        std::remove(temporary.c_str());
}

} // namespace Platform::Gpu
