#include "media/state_list.h"

#include "core/failure.h"
#include "media/direct3d_service.h"
#include "media/shader_resource.h"
#include "platform/gpu/gpu.h"

namespace Shader {

namespace {
SamplerStateList* samplerInstance = nullptr;
BlendStateList* blendInstance = nullptr;
RasterizerStateList* rasterizerInstance = nullptr;

// The platform's enumeration numbers.
enum Blend : uint8_t {
    Zero = 1,
    One = 2,
    SrcColor = 3,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
    DestAlpha = 7,
    InvDestAlpha = 8,
    BlendFactor = 14,
    InvBlendFactor = 15,
    Src1Alpha = 18,
    InvSrc1Alpha = 19,
};
enum Op : uint8_t { Add = 1, Max = 5 };

Platform::Gpu::BlendDesc blend(uint8_t sc, uint8_t dc, uint8_t oc, uint8_t sa, uint8_t da, uint8_t oa)
{
    Platform::Gpu::BlendDesc d;
    d.enable = true;
    d.srcColor = sc;
    d.dstColor = dc;
    d.colorOp = oc;
    d.srcAlpha = sa;
    d.dstAlpha = da;
    d.alphaOp = oa;
    d.writeMask = 0xF;
    return d;
}

Platform::Gpu::BlendDesc same(uint8_t s, uint8_t d, uint8_t op = Add)
{
    return blend(s, d, op, s, d, op);
}

Platform::Gpu::BlendDesc blendDesc(uint32_t i)
{
    switch (i) {
    case 0: return same(One, InvSrcAlpha);
    case 1: return same(InvDestAlpha, One);
    case 2: return blend(SrcAlpha, InvSrcAlpha, Add, One, InvSrcAlpha, Add);
    case 3: return Platform::Gpu::BlendDesc{};
    case 4: return same(InvSrc1Alpha, Src1Alpha);
    case 5: return same(Src1Alpha, InvSrc1Alpha);
    case 6: return same(InvSrc1Alpha, Zero);
    case 7: return same(Zero, SrcAlpha);
    case 8: return same(Zero, InvSrcAlpha);
    case 9: return blend(Zero, SrcAlpha, Add, One, Zero, Add);
    case 10: return blend(Zero, SrcColor, Add, Zero, One, Add);
    case 11: return blend(One, One, Add, One, InvSrcAlpha, Add);
    case 12: return blend(One, One, Add, InvDestAlpha, One, Add);
    case 13: return blend(BlendFactor, One, Add, BlendFactor, InvSrcAlpha, Add);
    case 14: return same(DestAlpha, Zero);
    case 15: return same(One, One, Max);
    case 16: return blend(Zero, SrcAlpha, Add, Zero, One, Add);
    case 17: return same(One, One);
    case 18: return blend(DestAlpha, One, Add, Zero, One, Add);
    case 19: return same(BlendFactor, InvBlendFactor);
    default: return same(InvBlendFactor, BlendFactor);
    }
}

Platform::Gpu::SamplerDesc samplerDesc(uint32_t i)
{
    constexpr uint32_t Linear = 0x15, Point = 0x0;
    constexpr uint8_t Wrap = 1, Mirror = 2, Clamp = 3, Border = 4;
    struct Row {
        uint32_t filter;
        uint8_t u, v, w;
    };
    static const Row rows[SamplerStateList::Count] = {
        {Linear, Border, Border, Border}, {Linear, Clamp, Clamp, Clamp},   {Linear, Wrap, Wrap, Wrap},
        {Linear, Mirror, Mirror, Mirror}, {Linear, Mirror, Border, Border}, {Point, Border, Border, Border},
        {Point, Clamp, Clamp, Clamp},
    };
    Platform::Gpu::SamplerDesc d;
    d.filter = rows[i].filter;
    d.addressU = rows[i].u;
    d.addressV = rows[i].v;
    d.addressW = rows[i].w;
    d.mipLodBias = 0;
    d.maxAnisotropy = 0;
    d.comparison = 8; // ALWAYS
    d.minLod = d.maxLod = 0;
    return d;
}
} // namespace

SamplerStateList::SamplerStateList() : entries_(Count)
{
    if (!samplerInstance)
        samplerInstance = this;
}

SamplerStateList::~SamplerStateList()
{
    if (samplerInstance == this)
        samplerInstance = nullptr;
}

SamplerStateList* SamplerStateList::published() { return samplerInstance; }

Platform::Gpu::SamplerState* SamplerStateList::get(uint32_t index)
{
    if (index >= Count)
        return nullptr;
    std::lock_guard lock(mutex_);
    if (!entries_[index]) {
        int32_t hr = Media::Direct3DService::Get()->device->createSamplerState(samplerDesc(index), &entries_[index]);
        if (hr < 0)
            throw System::makeHresultException("Direct3DService::Get().device->CreateSamplerState",
                                               "Shader::SamplerStateList::SamplerStateList", hr);
    }
    return entries_[index].get();
}

BlendStateList::BlendStateList() : entries_(Count)
{
    if (!blendInstance)
        blendInstance = this;
}

BlendStateList::~BlendStateList()
{
    if (blendInstance == this)
        blendInstance = nullptr;
}

BlendStateList* BlendStateList::published() { return blendInstance; }

Platform::Gpu::BlendState* BlendStateList::get(uint32_t index)
{
    if (index >= Count)
        return nullptr;
    std::lock_guard lock(mutex_);
    if (!entries_[index])
        entries_[index] = std::make_shared<Platform::Gpu::BlendState>(blendDesc(index));
    return entries_[index].get();
}

RasterizerStateList::RasterizerStateList() : entries_(Count)
{
    if (!rasterizerInstance)
        rasterizerInstance = this;
}

RasterizerStateList::~RasterizerStateList()
{
    if (rasterizerInstance == this)
        rasterizerInstance = nullptr;
}

RasterizerStateList* RasterizerStateList::published() { return rasterizerInstance; }

Platform::Gpu::RasterState* RasterizerStateList::get(uint32_t index)
{
    if (index >= Count)
        return nullptr;
    std::lock_guard lock(mutex_);
    if (!entries_[index]) {
        Platform::Gpu::RasterDesc d;
        d.fill = index == 2 ? 2 : 3;  // wireframe : solid
        d.cull = index == 1 ? 3 : 1;  // back : none
        d.frontCounterClockwise = false;
        d.depthClip = true;
        d.scissor = false;
        entries_[index] = std::make_shared<Platform::Gpu::RasterState>(d);
    }
    return entries_[index].get();
}

} // namespace Shader

namespace Resource {

ShaderStateResource::ShaderStateResource()
    : samplerStateList(Shader::SamplerStateList::published()), blendStateList(Shader::BlendStateList::published()),
      rasterizerStateList(Shader::RasterizerStateList::published())
{
}

} // namespace Resource
