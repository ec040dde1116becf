#include "media/transition.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/text.h"
#include "media/brush.h"
#include "media/direct3d_service.h"
#include "media/figure.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "media/render_target_direct3d.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/draw/target.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace Resource {

namespace {
[[noreturn]] void coreMissing(const char* className)
{
    throw System::makeException("Effect::EffectService::getDefaultEffect", "default effect not found", className);
}

const TransitionCores& cores()
{
    static const TransitionCores none;
    ResourceService* service = ResourceService::Get();
    return service ? service->transitionCores : none;
}
} // namespace

std::shared_ptr<Media::ImageBuffer> loadTransitionImage(const std::wstring& path)
{
    // Read directly until the render pipeline's image cache serves it.
    Media::ImageService* images = Media::ImageService::Get();
    if (!images)
        return nullptr;
    try {
        return images->loadFromFile(path.c_str());
    } catch (const std::exception&) {
        return nullptr;
    }
}

struct Transition::KeptImage {
    std::mutex mutex;
    // The file as it was when read: its path, time of the last write and size.
    std::wstring path;
    std::filesystem::file_time_type written;
    uintmax_t size = 0;
    std::shared_ptr<Media::ResourceBuffer> picture;
    uint32_t width = 0, height = 0; // of the decoded picture
};

Transition::Transition(std::wstring name, std::wstring path)
    : name(std::move(name)), filePath(std::move(path)), kept_(std::make_shared<KeptImage>())
{
}

Transition::Transition(std::wstring name, const PathData* outline, float scale, int32_t mode)
    : name(std::move(name)), outline(outline), scale(scale), mode(mode)
{
}

std::unique_ptr<Media::ResourceBuffer> Transition::createMask(unsigned width, unsigned height, float progress,
                                                              int blur, bool keepAspect) const
{
    if (width == 0 || height == 0)
        return nullptr;
    if (!outline)
        return createImageMask(width, height, progress, blur, keepAspect);
    const TransitionCores& core = cores();
    const float W = static_cast<float>(width), H = static_cast<float>(height);
    const int side = static_cast<int>(std::min<unsigned>(width, Media::ResourceBuffer::MaxSize));
    const int sideY = static_cast<int>(std::min<unsigned>(height, Media::ResourceBuffer::MaxSize));
    auto mask = Media::ResourceBuffer::create(side, sideY, Media::Direct3DService::Get()->MaskFormat);
    const float opaque[4] = {0, 0, 0, 1};
    switch (mode) {
    case Clock:
        if (!core.angleClip)
            coreMissing("Effect::AngleClipFilter");
        mask->clearRenderTargetView(opaque);
        core.angleClip(mask, 90.0f, (1.0f - progress) * -360.0f, 0.0f, 0.0f, blur, false);
        return mask;
    case Horizontal:
    case Vertical:
        if (!core.lineClip)
            coreMissing("Effect::LineClipFilter");
        mask->clearRenderTargetView(opaque);
        if (mode == Horizontal)
            core.lineClip(mask, -90.0f, 0, (progress - 0.5f) * W, 0.0f, blur);
        else
            core.lineClip(mask, 0.0f, 0, 0.0f, (progress - 0.5f) * H, blur);
        return mask;
    default:
        break;
    }
    if (blur > 0 && !core.blurImage)
        coreMissing("Effect::BokashiFilter");
    {
        // The drawing replaces the whole picture when it is uploaded: no clear is needed.
        Media::RenderTargetDirect3D surface = mask->getSurface();
        Media::RenderTargetDirect3D::DrawSection section(surface);
        float w, a;
        if (keepAspect) {
            w = a = progress * std::max(W, H) * scale;
        } else {
            w = progress * scale * W;
            a = progress * scale * H;
        }
        auto brush = ColorBrush::create(ColorF{1, 1, 1, 1});
        auto geometry = outline->createPathGeometry((W - w) / 2, (H - a) / 2, w, a);
        surface.target().fillGeometry(*geometry, *brush);
        section.end();
    }
    if (blur > 0) {
        std::unique_ptr<Media::ResourceBuffer> blurred;
        core.blurImage(blurred, std::move(mask), blur, 0.0f, 2);
        return blurred;
    }
    return mask;
}

std::unique_ptr<Media::ResourceBuffer> Transition::createImageMask(unsigned width, unsigned height, float progress,
                                                                   int blur, bool keepAspect) const
{
    if (width == 0 || height == 0)
        return nullptr;
    if (!kept_) // a transition made without a file
        return createLuminanceMask(loadTransitionImage(filePath), width, height, progress, blur, keepAspect);
    // The file is read again only when its path, time of the last write or
    // size changed; a file that cannot be looked at is read every time.
    std::error_code timeError, sizeError;
    const std::filesystem::path file(System::toLocalPath(filePath));
    const std::filesystem::file_time_type written = std::filesystem::last_write_time(file, timeError);
    const uintmax_t size = std::filesystem::file_size(file, sizeError);
    const bool known = !timeError && !sizeError;
    std::unique_lock lock(kept_->mutex);
    KeptImage& kept = *kept_;
    if (!known || !kept.picture || kept.path != filePath || kept.written != written || kept.size != size) {
        kept.picture.reset();
        std::shared_ptr<Media::ImageBuffer> picture = loadTransitionImage(filePath);
        if (!picture || picture->width == 0 || picture->height == 0)
            return nullptr;
        const int options[2] = {0, 0};
        std::shared_ptr<Media::ResourceBuffer> image = Media::ResourceBuffer::createFromImage(picture, options);
        image->getShaderResourceView(); // made here, once: later masks only read it
        if (!known)
            return createLuminanceMask(*image, picture->width, picture->height, width, height, progress, blur,
                                       keepAspect);
        kept.path = filePath;
        kept.written = written;
        kept.size = size;
        kept.width = picture->width;
        kept.height = picture->height;
        kept.picture = std::move(image);
    }
    const std::shared_ptr<Media::ResourceBuffer> image = kept.picture;
    const uint32_t imageWidth = kept.width, imageHeight = kept.height;
    lock.unlock();
    return createLuminanceMask(*image, imageWidth, imageHeight, width, height, progress, blur, keepAspect);
}

std::unique_ptr<Media::ResourceBuffer> createLuminanceMask(const std::shared_ptr<Media::ImageBuffer>& picture,
                                                           unsigned width, unsigned height, float progress, int blur,
                                                           bool keepAspect)
{
    if (width == 0 || height == 0 || !picture || picture->width == 0 || picture->height == 0)
        return nullptr;
    const int options[2] = {0, 0};
    auto image = Media::ResourceBuffer::createFromImage(picture, options);
    return createLuminanceMask(*image, picture->width, picture->height, width, height, progress, blur, keepAspect);
}

std::unique_ptr<Media::ResourceBuffer> createLuminanceMask(Media::ResourceBuffer& image, uint32_t imageWidth,
                                                           uint32_t imageHeight, unsigned width, unsigned height,
                                                           float progress, int blur, bool keepAspect)
{
    if (width == 0 || height == 0 || imageWidth == 0 || imageHeight == 0)
        return nullptr;
    Shader::ShaderList* shaders = Shader::ShaderList::published();
    Shader::SamplerStateList* samplers = Shader::SamplerStateList::published();
    if (!shaders || !samplers)
        throw System::makeException("Resource::Transition::createImageMask", "shader list not created.", nullptr);
    const int side = static_cast<int>(std::min<unsigned>(width, Media::ResourceBuffer::MaxSize));
    const int sideY = static_cast<int>(std::min<unsigned>(height, Media::ResourceBuffer::MaxSize));
    auto mask = Media::ResourceBuffer::create(side, sideY, Media::Direct3DService::Get()->MaskFormat);

    // Luminance below the moving window opens: dark parts first.
    const float g = static_cast<float>(blur + 16) / 384.0f;
    const float h = 1.0f - (2.0f * g + 1.0f) * progress + g;
    float constants[4] = {h - g, h + g, 1.0f, 1.0f};
    if (keepAspect) {
        const double l = (static_cast<double>(height) * imageWidth) / (static_cast<double>(width) * imageHeight);
        if (l >= 1)
            constants[2] = static_cast<float>(1 / l);
        else
            constants[3] = static_cast<float>(l);
    }
    std::memcpy(shaders->constants, constants, sizeof(constants));
    shaders->updateConstants();
    // The image mask is sampled with linear filtering, clamped at the edges.
    Media::Direct3DService::Get()->bindSampler(0, samplers->get(Shader::SamplerStateList::LinearClamp));
    shaders->luminanceMaskShader.draw(*mask, image, &shaders->constantBuffer);
    return mask;
}

void TransitionList::load(const OutlineSet& outlines)
{
    transitions.reserve(6);
    transitions.emplace_back(L"ワイプ(円)", &outlines[Circle], 1.4142135f, Transition::Shape);
    transitions.emplace_back(L"ワイプ(四角)", &outlines[Diamond], 2.0f, Transition::Shape);
    transitions.emplace_back(L"ワイプ(時計)", &outlines[Square], 1.0f, Transition::Clock);
    transitions.emplace_back(L"ワイプ(横)", &outlines[Square], 1.0f, Transition::Horizontal);
    transitions.emplace_back(L"ワイプ(縦)", &outlines[Square], 1.0f, Transition::Vertical);
    transitions.emplace_back(L"ワイプ(星型)", &outlines[Star], 3.0f, Transition::Shape);
    transitions.emplace_back(L"ワイプ(ハート)", &outlines[Heart], 2.2f, Transition::Shape);

    for (std::wstring& path : findSortedFiles(L"%Transition%/*.png")) {
        std::wstring name = System::FileName::getBaseName(path);
        transitions.emplace_back(std::move(name), std::move(path));
    }
}

} // namespace Resource
