#include "media/texture_views.h"

#include "core/failure.h"
#include "platform/gpu/gpu.h"

#include <string>

namespace Media {

namespace {
using Platform::Gpu::ViewKind;
constexpr ViewKind Kinds[3] = {ViewKind::ShaderResource, ViewKind::RenderTarget, ViewKind::UnorderedAccess};
constexpr const char* Names[3] = {"ShaderResourceView", "RenderTargetView", "UnorderedAccessView"};
constexpr size_t ShaderResource = 0, RenderTarget = 1, UnorderedAccess = 2;
} // namespace

TextureViews::~TextureViews() = default;

void TextureViews::makeView(size_t kind)
{
    views_[kind].reset();
    if (!texture_)
        return;
    int32_t hr = Direct3D->device->createView(texture_, Kinds[kind], &views_[kind]);
    if (hr < 0) {
        const std::string call = std::string("Direct3D.device->Create") + Names[kind];
        const std::string place = std::string(owner_) + "::create" + Names[kind];
        throw System::makeHresultException(call.c_str(), place.c_str(), hr);
    }
}

Platform::Gpu::View* TextureViews::getShaderResourceView()
{
    if (!views_[ShaderResource])
        makeView(ShaderResource);
    return views_[ShaderResource].get();
}

Platform::Gpu::View* TextureViews::getRenderTargetView()
{
    if (!views_[RenderTarget])
        makeView(RenderTarget);
    return views_[RenderTarget].get();
}

Platform::Gpu::View* TextureViews::getUnorderedAccessView()
{
    if (!views_[UnorderedAccess])
        makeView(UnorderedAccess);
    return views_[UnorderedAccess].get();
}

void TextureViews::createShaderResourceView() { makeView(ShaderResource); }
void TextureViews::createRenderTargetView() { makeView(RenderTarget); }
void TextureViews::createUnorderedAccessView() { makeView(UnorderedAccess); }

void TextureViews::makeTexture(const Platform::Gpu::TextureDesc& desc, const void* initialData, uint32_t rowPitch)
{
    releaseTexture();
    int32_t hr = Direct3D->device->createTexture(desc, initialData, rowPitch, &texture_);
    if (hr < 0) {
        const std::string place = std::string(owner_) + "::createTexture2D";
        throw System::makeHresultException("Direct3D.device->CreateTexture2D", place.c_str(), hr);
    }
}

void TextureViews::releaseViews()
{
    // In the platform's order: unordered access, render target, shader resource.
    views_[UnorderedAccess].reset();
    views_[RenderTarget].reset();
    views_[ShaderResource].reset();
}

void TextureViews::releaseTexture()
{
    releaseViews();
    texture_.reset();
}

} // namespace Media
