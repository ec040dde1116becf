#pragma once
// The pictures a script shader call binds, each behind one small adapter: the
// object image or a temporary picture (a working-format picture not owned),
// or the frame. An adapter hands out the views a pipeline needs, and a
// private copy for a picture that is read and written by the same call.
#include <memory>
#include <string_view>
#include <vector>

namespace Media {
class RenderBuffer;
class ResourceBuffer;
} // namespace Media
namespace Platform::Gpu {
class Texture;
class View;
} // namespace Platform::Gpu

namespace Plugin {

class LuaInstance;

class ShaderBufferInstance {
public:
    virtual ~ShaderBufferInstance();
    // Binds the picture as the only render target, viewport at its size.
    virtual void setRenderTarget() = 0;
    virtual Platform::Gpu::View* getShaderResourceView() = 0;
    virtual Platform::Gpu::View* getUnorderedAccessView() = 0;
    // A fresh copy (replacing any earlier one) and its view.
    virtual Platform::Gpu::View* getShaderResourceViewCopy() = 0;
    // The picture wrapped: two adapters of one picture answer the same.
    virtual const Platform::Gpu::Texture* getBuffer() const = 0;

protected:
    std::unique_ptr<Media::ResourceBuffer> copy_;
};

using ShaderBufferList = std::vector<std::unique_ptr<ShaderBufferInstance>>;

// Appends the adapter of the buffer name ("object", "tempbuffer", "cache:..."
// or "framebuffer"); logs "invalid buffer type. name=%s" and appends nothing
// when the name is unknown or names no picture.
void addShaderBuffer(LuaInstance& run, ShaderBufferList& list, std::string_view name);

} // namespace Plugin
