// The immediate context: what is bound, the passes, draws, dispatches, copies
// and clears recorded into one command buffer, and its submissions.
#include "platform/gpu/vulkan_private.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace Platform::Gpu {

namespace {
constexpr uint32_t RingChunkSize = 4u << 20;
constexpr size_t MaxSubmissionsInFlight = 3;
// Upload memory one submission may hold: the next command submits it first.
// Finished submissions hand their memory back to the pool, where the next
// uploads find it already mapped in, instead of many picture-sized uploads
// piling into one submission, overflowing the pool and costing fresh memory
// (a page fault per page) on every upload.
constexpr uint64_t SubmissionUploadLimit = 16ull << 20;
constexpr VkImageSubresourceRange WholeImage{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
constexpr VkImageSubresourceLayers FirstLayer{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};

template <class T>
std::shared_ptr<T> keep(T* object)
{
    return object ? std::static_pointer_cast<T>(object->shared_from_this()) : nullptr;
}

StageBindings& stageOf(Stage stage, StageBindings& vertex, StageBindings& pixel, StageBindings& compute)
{
    return stage == Stage::Pixel ? pixel : stage == Stage::Compute ? compute : vertex;
}

VulkanTexture* textureOf(const ViewPtr& view)
{
    return view ? static_cast<VulkanView*>(view.get())->vk() : nullptr;
}

uint64_t storageKey(const VulkanShader& shader, const std::array<ViewPtr, UnorderedAccessSlots>& uavs)
{
    uint64_t key = 0;
    for (auto [slot, word] : shader.storageFormatWords)
        if (uavs[slot])
            key |= uint64_t(formatInfo(uavs[slot]->texture()->format()).storageFormat) << (8 * slot);
    return key;
}

uint32_t packedSources(const StageBindings& stage)
{
    uint32_t bits = 0;
    for (uint32_t i = 0; i < TextureSlots; ++i)
        if (stage.textures[i] && formatInfo(stage.textures[i]->texture()->format()).packed422)
            bits |= 1u << i;
    return bits;
}
} // namespace

int32_t VulkanContext::initialise()
{
    const VkCommandPoolCreateInfo pi{
        .sType = VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO,
        .flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT,
        .queueFamilyIndex = dev.queueFamily,
    };
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
    for (HostBuffer& c : freeChunks_)
        dev.destroyHostBuffer(c);
    for (HostBuffer& c : current_.chunks)
        dev.destroyHostBuffer(c);
    if (current_.fence)
        vkDestroyFence(dev.device, current_.fence, nullptr);
    for (Submission& s : spare_)
        vkDestroyFence(dev.device, s.fence, nullptr);
    vkDestroyCommandPool(dev.device, pool_, nullptr);
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

void VulkanContext::begin()
{
    if (!spare_.empty()) {
        current_ = std::move(spare_.back());
        spare_.pop_back();
        vkResetCommandBuffer(current_.commands, 0);
    } else {
        current_ = Submission{};
        const VkCommandBufferAllocateInfo ai{
            .sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO,
            .commandPool = pool_,
            .level = VK_COMMAND_BUFFER_LEVEL_PRIMARY,
            .commandBufferCount = 1,
        };
        check(vkAllocateCommandBuffers(dev.device, &ai, &current_.commands), "vkAllocateCommandBuffers");
        const VkFenceCreateInfo fi{.sType = VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
        check(vkCreateFence(dev.device, &fi, nullptr, &current_.fence), "vkCreateFence");
    }
    current_.serial = dev.recordingSerial.load();
    chunkUsed_ = 0;
    const VkCommandBufferBeginInfo bi{
        .sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO,
        .flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT,
    };
    check(vkBeginCommandBuffer(current_.commands, &bi), "vkBeginCommandBuffer");
    boundPipeline_ = VK_NULL_HANDLE;
    dynamicDirty_ = true;
    lastVertexBuffer_ = nullptr;
}

void VulkanContext::barrier()
{
    const VkMemoryBarrier mb{
        .sType = VK_STRUCTURE_TYPE_MEMORY_BARRIER,
        .srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT,
        .dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT,
    };
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

// Brings a new image into the GENERAL layout (outside any pass).
void VulkanContext::prepare(VulkanTexture* t)
{
    if (t && t != folding_ && pendingClear_.texture.get() == t)
        recordPendingClear();
    if (!t || t->image.initialised)
        return;
    endPass();
    const VkImageMemoryBarrier ib{
        .sType = VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER,
        .srcAccessMask = 0,
        .dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT,
        .oldLayout = VK_IMAGE_LAYOUT_UNDEFINED,
        .newLayout = VK_IMAGE_LAYOUT_GENERAL,
        .srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED,
        .dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED,
        .image = t->image.image,
        .subresourceRange = WholeImage,
    };
    vkCmdPipelineBarrier(current_.commands, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0,
                         0, nullptr, 0, nullptr, 1, &ib);
    t->image.initialised = true;
}

void VulkanContext::recordUploads()
{
    if (recordedUploadBytes() >= SubmissionUploadLimit)
        flush();
    recordPendingUploads();
}

void VulkanContext::recordPendingUploads()
{
    if (!dev.uploadsPending.load(std::memory_order_acquire))
        return;
    std::vector<PendingUpload> uploads = dev.takeUploads();
    if (uploads.empty())
        return;
    endPass();
    // An image may come from a dropped picture that earlier commands still use.
    barrier();
    for (PendingUpload& u : uploads) {
        auto* t = static_cast<VulkanTexture*>(u.texture.get());
        prepare(t);
        const VkBufferImageCopy region{
            .bufferOffset = 0,
            .bufferRowLength = u.rowLength,
            .imageSubresource = FirstLayer,
            .imageExtent = {t->texelWidth, t->height(), 1},
        };
        vkCmdCopyBufferToImage(current_.commands, u.host.buffer, t->image.image, VK_IMAGE_LAYOUT_GENERAL, 1, &region);
        current_.uploads.push_back(u.host);
    }
}

uint64_t VulkanContext::recordedUploadBytes() const
{
    uint64_t bytes = 0;
    for (const HostBuffer& c : current_.chunks)
        bytes += c.bytes;
    for (const HostBuffer& u : current_.uploads)
        bytes += u.bytes;
    return bytes;
}

VulkanContext::RingSlice VulkanContext::allocate(uint32_t size, uint32_t alignment)
{
    if (!current_.chunks.empty()) {
        HostBuffer& c = current_.chunks.back();
        uint64_t offset = (uint64_t(chunkUsed_) + alignment - 1) / alignment * alignment;
        if (offset + size <= c.bytes) {
            chunkUsed_ = static_cast<uint32_t>(offset + size);
            return {c.buffer, static_cast<uint32_t>(offset), c.mapped + offset};
        }
    }
    HostBuffer chunk;
    if (size <= RingChunkSize && !freeChunks_.empty()) {
        chunk = freeChunks_.back();
        freeChunks_.pop_back();
    } else if (dev.takeHostBuffer(std::max(RingChunkSize, size), false, &chunk) < 0) {
        throw std::runtime_error("out of memory for per-draw data");
    }
    chunkUsed_ = size;
    current_.chunks.push_back(chunk);
    return {chunk.buffer, 0, chunk.mapped};
}

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
    layoutHash_ = Os::fnv1aBytes(&layout_.stride, sizeof(layout_.stride));
    for (const VertexAttribute& a : layout_.attributes)
        layoutHash_ = Os::fnv1aBytes(&a, sizeof(a), layoutHash_);
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

void VulkanContext::setRasterState(RasterState* state)
{
    Use use(*this);
    raster_ = state ? state->desc : RasterDesc{};
}

void VulkanContext::setTopology(uint32_t topology)
{
    Use use(*this);
    topology_ = topology;
}

void VulkanContext::setVertexBuffer(Buffer* buffer, uint32_t stride, uint32_t offset)
{
    Use use(*this);
    vertexBuffer_ = keep(buffer);
    vertexStride_ = stride;
    vertexOffset_ = offset;
}

void VulkanContext::updateBuffer(Buffer& buffer, const void* data)
{
    Use use(*this);
    buffer.update(data, 0, buffer.size());
}

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
            w = VkWriteDescriptorSet{
                .sType = VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET,
                .dstBinding = sb.binding,
                .descriptorCount = 1,
            };
            images[n] = VkDescriptorImageInfo{VK_NULL_HANDLE, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_GENERAL};
            if (sb.kind == BindingKind::ConstantBuffer) {
                const bool vertexStage = sb.binding >= VertexConstantBufferBase;
                const uint32_t slot = sb.binding - (vertexStage ? VertexConstantBufferBase : ConstantBufferBase);
                const BufferPtr& cb = (vertexStage ? vertex_ : stage).constants[slot];
                w.descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
                if (cb && cb->size()) {
                    const auto align = static_cast<uint32_t>(
                        std::max<VkDeviceSize>(dev.properties.limits.minUniformBufferOffsetAlignment, 16));
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
                auto* v = static_cast<VulkanView*>(stage.textures[sb.binding - TextureBase].get());
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
    recordUploads();
    std::array<VulkanTexture*, 2> targets{};
    for (uint32_t i = 0; i < targetCount_; ++i)
        targets[i] = textureOf(targets_[i]);
    bool sameTargets = passTargetCount_ == targetCount_;
    for (uint32_t i = 0; i < targetCount_ && sameTargets; ++i)
        sameTargets = (passTargets_[i] ? passTargets_[i]->id() : 0) == (targets[i] ? targets[i]->id() : 0);
    uint32_t width = UINT32_MAX, height = UINT32_MAX;
    for (uint32_t i = 0; i < targetCount_; ++i)
        if (targets[i]) {
            width = std::min(width, targets[i]->texelWidth);
            height = std::min(height, targets[i]->height());
        }
    if (width == UINT32_MAX)
        return;
    // A target whose clear is pending is cleared by the start of this draw's
    // pass when the pass covers it whole and the draw does not also read it.
    folding_ = nullptr;
    int foldedTarget = -1;
    for (uint32_t i = 0; i < targetCount_ && pendingClear_.texture; ++i)
        if (targets[i] && targets[i] == pendingClear_.texture.get() && targets[i]->texelWidth == width &&
            targets[i]->height() == height && !(inPass_ && sameTargets)) {
            folding_ = targets[i];
            foldedTarget = static_cast<int>(i);
        }
    for (auto& v : pixel_.textures)
        if (folding_ && textureOf(v) == folding_)
            folding_ = nullptr, foldedTarget = -1;
    for (auto& v : pixelUavs_)
        if (folding_ && v && textureOf(v) == folding_)
            folding_ = nullptr, foldedTarget = -1;
    bool uavs = false;
    for (uint32_t i = 0; i < targetCount_; ++i)
        prepare(targets[i]);
    for (auto& v : pixel_.textures)
        prepare(textureOf(v));
    for (auto& v : pixelUavs_)
        if (v) {
            prepare(textureOf(v));
            uavs = true;
        }
    folding_ = nullptr;
    // Unordered-access writes of one draw are visible to the next, so a draw
    // that binds them gets a pass of its own (ended after it, below).
    if (inPass_ && (uavs || !sameTargets))
        endPass();
    if (!inPass_) {
        barrier();
        VkRenderingAttachmentInfo attachments[2]{};
        for (uint32_t i = 0; i < targetCount_; ++i)
            attachments[i] = VkRenderingAttachmentInfo{
                .sType = VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO,
                .imageView = targets[i] ? static_cast<VulkanView*>(targets_[i].get())->view : VK_NULL_HANDLE,
                .imageLayout = VK_IMAGE_LAYOUT_GENERAL,
                .loadOp = VK_ATTACHMENT_LOAD_OP_LOAD,
                .storeOp = VK_ATTACHMENT_STORE_OP_STORE,
            };
        if (foldedTarget >= 0 && pendingClear_.texture.get() == targets[foldedTarget]) {
            attachments[foldedTarget].loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
            attachments[foldedTarget].clearValue.color = pendingClear_.value;
            pendingClear_ = {};
            ++counters_.foldedClears;
        }
        const VkRenderingInfo ri{
            .sType = VK_STRUCTURE_TYPE_RENDERING_INFO,
            .renderArea = {{0, 0}, {width, height}},
            .layerCount = 1,
            .colorAttachmentCount = targetCount_,
            .pColorAttachments = attachments,
        };
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
        key.formats[i] = targets[i] ? targets[i]->format() : Format::Unknown;
        key.samples = targets[i] ? targets[i]->desc().samples : 1;
    }
    key.topology = topology_;
    key.stride = layout_.stride ? layout_.stride : vertexStride_;
    const ShaderInfo& psInfo = ps_->info();
    if ((psInfo.specMask & (1u << SpecAlphaTarget)) && formatInfo(key.formats[0]).alphaOnly)
        key.alphaTarget = 1;
    if (psInfo.specMask & (1u << SpecPackedSources))
        key.packedSources = packedSources(pixel_);
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
    recordUploads();
    endPass();
    for (auto& v : compute_.textures)
        prepare(textureOf(v));
    for (auto& v : computeUavs_)
        prepare(textureOf(v));
    barrier();
    PipelineKey key;
    key.cs = cs_->id();
    if (cs_->info().specMask & (1u << SpecPackedSources))
        key.packedSources = packedSources(compute_);
    key.storageFormats = storageKey(*cs_, computeUavs_);
    VkPipeline pipeline = computePipeline(key);
    vkCmdBindPipeline(current_.commands, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline);
    pushBindings(VK_PIPELINE_BIND_POINT_COMPUTE, compute_, &cs_->info(), nullptr, computeUavs_);
    vkCmdDispatch(current_.commands, x, y, z);
    ++counters_.dispatches;
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
    recordUploads();
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
    const VkBufferImageCopy region{
        .bufferOffset = s.offset,
        .imageSubresource = FirstLayer,
        .imageOffset = {static_cast<int32_t>(x0), static_cast<int32_t>(b.top), 0},
        .imageExtent = {w, h, 1},
    };
    vkCmdCopyBufferToImage(current_.commands, s.buffer, t.image.image, VK_IMAGE_LAYOUT_GENERAL, 1, &region);
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
    recordUploads();
    endPass();
    prepare(&d);
    prepare(&s);
    barrier();
    const VkImageCopy region{
        .srcSubresource = FirstLayer,
        .srcOffset = {static_cast<int32_t>(left), static_cast<int32_t>(top), 0},
        .dstSubresource = FirstLayer,
        .dstOffset = {static_cast<int32_t>(dx), static_cast<int32_t>(dy), 0},
        .extent = {w, h, 1},
    };
    vkCmdCopyImage(current_.commands, s.image.image, VK_IMAGE_LAYOUT_GENERAL, d.image.image, VK_IMAGE_LAYOUT_GENERAL, 1,
                   &region);
}

void VulkanContext::copyTexture(Texture& dst, Texture& src)
{
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
    recordUploads();
    endPass();
    prepare(&d);
    prepare(&s);
    barrier();
    const VkImageResolve region{
        .srcSubresource = FirstLayer,
        .dstSubresource = FirstLayer,
        .extent = {std::min(d.texelWidth, s.texelWidth), std::min(d.height(), s.height()), 1},
    };
    vkCmdResolveImage(current_.commands, s.image.image, VK_IMAGE_LAYOUT_GENERAL, d.image.image, VK_IMAGE_LAYOUT_GENERAL,
                      1, &region);
}

void VulkanContext::clear(VulkanTexture* t, const float value[4], bool asColor)
{
    recordUploads();
    endPass();
    ++counters_.clears;
    VkClearColorValue c{};
    if (asColor && formatInfo(t->format()).alphaOnly)
        c.float32[0] = value[3]; // alpha lives in red
    else
        std::memcpy(c.float32, value, sizeof(c.float32));
    // A pending clear of this picture is overwritten whole; one of another
    // picture that nobody holds any more can never be seen: both are dropped.
    if (pendingClear_.texture.get() == t)
        pendingClear_ = {};
    if (pendingClear_.texture) {
        if (pendingClear_.texture.use_count() == 1)
            pendingClear_ = {};
        else
            recordPendingClear();
    }
    prepare(t);
    if (asColor && (t->desc().bind & BindRenderTarget)) {
        // The last clear of a picture is the one that counts.
        pendingClear_.texture = t->shared_from_this();
        pendingClear_.value = c;
        return;
    }
    pendingClear_ = {};
    barrier();
    vkCmdClearColorImage(current_.commands, t->image.image, VK_IMAGE_LAYOUT_GENERAL, &c, 1, &WholeImage);
}

void VulkanContext::recordPendingClear()
{
    PendingClear p = std::move(pendingClear_);
    pendingClear_ = {};
    auto* t = static_cast<VulkanTexture*>(p.texture.get());
    if (!t)
        return;
    endPass();
    prepare(t);
    barrier();
    vkCmdClearColorImage(current_.commands, t->image.image, VK_IMAGE_LAYOUT_GENERAL, &p.value, 1, &WholeImage);
}

void VulkanContext::clearRenderTarget(View& view, const float color[4])
{
    Use use(*this);
    clear(static_cast<VulkanView&>(view).vk(), color, true);
}

void VulkanContext::clearUnorderedAccessFloat(View& view, const float value[4])
{
    Use use(*this);
    clear(static_cast<VulkanView&>(view).vk(), value, false);
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
    recordUploads();
    endPass();
    prepare(&s);
    barrier();
    const VkBufferImageCopy region{
        .bufferRowLength = d.rowPitch() / fi.texelBytes,
        .imageSubresource = FirstLayer,
        .imageExtent = {w, h, 1},
    };
    vkCmdCopyImageToBuffer(current_.commands, s.image.image, VK_IMAGE_LAYOUT_GENERAL, d.host.buffer, 1, &region);
    d.writtenSerial.store(current_.serial, std::memory_order_release);
    // Submitted now: mapping waits for this submission only, and what is
    // recorded meanwhile goes to the next one.
    flush();
}

const uint8_t* VulkanContext::mapStaging(Staging& staging)
{
    Use use(*this);
    auto& s = static_cast<VulkanStaging&>(staging);
    if (s.writtenSerial.load(std::memory_order_relaxed) == current_.serial)
        flush();
    waitSerial(s.writtenSerial.load(std::memory_order_relaxed));
    if (!s.host.coherent) {
        const VkMappedMemoryRange range{
            .sType = VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE,
            .memory = s.host.memory,
            .size = VK_WHOLE_SIZE,
        };
        vkInvalidateMappedMemoryRanges(dev.device, 1, &range);
    }
    return s.host.mapped;
}

void VulkanContext::flush()
{
    Use use(*this);
    recordPendingUploads();
    endPass();
    // A pending clear stays pending across submissions; nobody can see that
    // of a picture nobody holds.
    if (pendingClear_.texture && pendingClear_.texture.use_count() == 1)
        pendingClear_ = {};
    // Make transfer results visible to the processor once the fence signals.
    const VkMemoryBarrier mb{
        .sType = VK_STRUCTURE_TYPE_MEMORY_BARRIER,
        .srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT,
        .dstAccessMask = VK_ACCESS_HOST_READ_BIT,
    };
    vkCmdPipelineBarrier(current_.commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_HOST_BIT, 0, 1, &mb,
                         0, nullptr, 0, nullptr);
    check(vkEndCommandBuffer(current_.commands), "vkEndCommandBuffer");
    // The submission's serial on the timeline once it has run: read-backs are
    // waited for on any thread.
    const uint64_t signal = current_.serial;
    const VkTimelineSemaphoreSubmitInfo timeline{
        .sType = VK_STRUCTURE_TYPE_TIMELINE_SEMAPHORE_SUBMIT_INFO,
        .signalSemaphoreValueCount = 1,
        .pSignalSemaphoreValues = &signal,
    };
    const VkSubmitInfo si{
        .sType = VK_STRUCTURE_TYPE_SUBMIT_INFO,
        .pNext = &timeline,
        .commandBufferCount = 1,
        .pCommandBuffers = &current_.commands,
        .signalSemaphoreCount = 1,
        .pSignalSemaphores = &dev.timeline,
    };
    uint64_t submitted = 0;
    {
        std::lock_guard<std::mutex> lock(dev.queueMutex);
        VkResult r = vkQueueSubmit(dev.queue, 1, &si, current_.fence);
        if (r != VK_SUCCESS)
            throw std::runtime_error("vkQueueSubmit failed (" + std::to_string(static_cast<int>(r)) + ")");
        submitted = dev.recordingSerial.fetch_add(1);
    }
    ++counters_.submits;
    inFlight_.push_back(std::move(current_));
    retireCompleted();
    dev.trimImages(submitted);
    // Keep a bounded number of submissions in flight.
    while (inFlight_.size() > MaxSubmissionsInFlight)
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
        for (HostBuffer& c : s.chunks) {
            if (c.bytes == RingChunkSize && freeChunks_.size() < 4)
                freeChunks_.push_back(c);
            else
                dev.poolHostBuffer(c);
        }
        s.chunks.clear();
        for (HostBuffer& u : s.uploads)
            dev.poolHostBuffer(u);
        s.uploads.clear();
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

} // namespace Platform::Gpu
