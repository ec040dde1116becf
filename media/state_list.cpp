#include "media/state_list.h"

#include "core/failure.h"
#include "media/direct3d_service.h"
#include "media/shader_resource.h"
#include "platform/gpu/gpu.h"

namespace Shader {

namespace {
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
    using L = BlendStateList;
    switch (i) {
    case L::Over: return same(One, InvSrcAlpha);
    case L::Behind: return same(InvDestAlpha, One);
    case L::StraightOver: return blend(SrcAlpha, InvSrcAlpha, Add, One, InvSrcAlpha, Add);
    case L::Opaque: return Platform::Gpu::BlendDesc{};
    case L::SecondSourceKeep: return same(InvSrc1Alpha, Src1Alpha);
    case L::SecondSourceMix: return same(Src1Alpha, InvSrc1Alpha);
    case L::SecondSourceOnly: return same(InvSrc1Alpha, Zero);
    case L::MultiplyAlpha: return same(Zero, SrcAlpha);
    case L::MultiplyInverseAlpha: return same(Zero, InvSrcAlpha);
    case L::MultiplyColorByAlpha: return blend(Zero, SrcAlpha, Add, One, Zero, Add);
    case L::MultiplyColor: return blend(Zero, SrcColor, Add, Zero, One, Add);
    case L::AddColorOver: return blend(One, One, Add, One, InvSrcAlpha, Add);
    case L::AddColorBehind: return blend(One, One, Add, InvDestAlpha, One, Add);
    case L::AddByFactor: return blend(BlendFactor, One, Add, BlendFactor, InvSrcAlpha, Add);
    case L::MultiplyTargetAlpha: return same(DestAlpha, Zero);
    case L::Maximum: return same(One, One, Max);
    case L::MultiplyColorKeepAlpha: return blend(Zero, SrcAlpha, Add, Zero, One, Add);
    case L::Add: return same(One, One);
    case L::AddInsideTarget: return blend(DestAlpha, One, Add, Zero, One, Add);
    case L::MixByFactor: return same(BlendFactor, InvBlendFactor);
    default: return same(InvBlendFactor, BlendFactor); // MixByInverseFactor
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
    // In the order of the entries.
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

template <class State, class List>
StateList<State, List>::StateList(uint32_t count) : entries_(count)
{
    if (!instance_)
        instance_ = this;
}

template <class State, class List>
StateList<State, List>::~StateList()
{
    if (instance_ == this)
        instance_ = nullptr;
}

template <class State, class List>
State* StateList<State, List>::get(uint32_t index)
{
    if (index >= entries_.size())
        return nullptr;
    std::lock_guard lock(mutex_);
    if (!entries_[index])
        entries_[index] = make(index);
    return entries_[index].get();
}

template class StateList<Platform::Gpu::SamplerState, SamplerStateList>;
template class StateList<Platform::Gpu::BlendState, BlendStateList>;
template class StateList<Platform::Gpu::RasterState, RasterizerStateList>;

std::shared_ptr<Platform::Gpu::SamplerState> SamplerStateList::make(uint32_t index)
{
    std::shared_ptr<Platform::Gpu::SamplerState> state;
    int32_t hr = Media::Direct3DService::Get()->device->createSamplerState(samplerDesc(index), &state);
    if (hr < 0)
        throw System::makeHresultException("Direct3DService::Get().device->CreateSamplerState",
                                           "Shader::SamplerStateList::SamplerStateList", hr);
    return state;
}

std::shared_ptr<Platform::Gpu::BlendState> BlendStateList::make(uint32_t index)
{
    return std::make_shared<Platform::Gpu::BlendState>(blendDesc(index));
}

std::shared_ptr<Platform::Gpu::RasterState> RasterizerStateList::make(uint32_t index)
{
    Platform::Gpu::RasterDesc d;
    d.fill = index == Wireframe ? 2 : 3; // wireframe : solid
    d.cull = index == SolidCullBack ? 3 : 1; // back : none
    d.frontCounterClockwise = false;
    d.depthClip = true;
    d.scissor = false;
    return std::make_shared<Platform::Gpu::RasterState>(d);
}

} // namespace Shader

namespace Resource {

ShaderStateResource::ShaderStateResource()
    : samplerStateList(Shader::SamplerStateList::published()), blendStateList(Shader::BlendStateList::published()),
      rasterizerStateList(Shader::RasterizerStateList::published())
{
}

} // namespace Resource
