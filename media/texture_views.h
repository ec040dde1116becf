#pragma once
// What the two kinds of GPU picture share: the texture and its three views,
// each view made on first use and released with the texture, and the failure
// reports of their creation, named after the owning class.
#include "media/direct3d_service.h"

#include <array>
#include <cstdint>
#include <memory>

namespace Platform::Gpu {
class Texture;
class View;
struct TextureDesc;
} // namespace Platform::Gpu

namespace Media {

class TextureViews : public Direct3DInstance {
public:
    TextureViews(const TextureViews&) = delete;
    TextureViews& operator=(const TextureViews&) = delete;

    Platform::Gpu::Texture* getTexture() const { return texture_.get(); }
    // The views, each made on first use; null while there is no texture.
    Platform::Gpu::View* getShaderResourceView();
    Platform::Gpu::View* getRenderTargetView();
    Platform::Gpu::View* getUnorderedAccessView();

    // Make the view again (the first use of a getter makes it as well).
    void createShaderResourceView();
    void createRenderTargetView();
    void createUnorderedAccessView();

protected:
    // owner names the class in failure reports ("Media::ResourceBuffer").
    explicit TextureViews(const char* owner) : owner_(owner) {}
    ~TextureViews();
    // Releases the views and the texture and makes the texture, with the
    // initial data when given; throws the report of "CreateTexture2D".
    void makeTexture(const Platform::Gpu::TextureDesc& desc, const void* initialData, uint32_t rowPitch);
    void releaseViews();
    void releaseTexture();

private:
    void makeView(size_t kind);
    const char* owner_;
    std::shared_ptr<Platform::Gpu::Texture> texture_;
    std::array<std::shared_ptr<Platform::Gpu::View>, 3> views_;
};

} // namespace Media
