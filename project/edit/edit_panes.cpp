// Small functions of the edit service that the panes use.
#include "core/clipboard.h"
#include "media/image_buffer.h"
#include "media/render_buffer.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"

namespace Edit {

std::vector<std::shared_ptr<Scene>> filterSceneList(const std::vector<std::shared_ptr<Scene>>& scenes,
                                                    const std::function<bool(const Scene&)>& predicate)
{
    std::vector<std::shared_ptr<Scene>> list;
    for (const auto& scene : scenes) {
        if (predicate(*scene))
            list.push_back(scene);
    }
    return list;
}

std::function<bool(const Scene&)> otherSceneThan(int id)
{
    return [id](const Scene& scene) { return scene.id != 0 && scene.id != id; };
}

std::function<void(Media::RenderBuffer& frame, int frameNumber)> makeFrameToClipboard(Platform::Gpu::Format format,
                                                                                       bool straightAlpha)
{
    return [format, straightAlpha](Media::RenderBuffer& frame, int) {
        const std::shared_ptr<Media::ImageBuffer> image = frame.createImageBuffer(format, straightAlpha);
        if (!image)
            return;
        System::DibImage dib;
        Media::ImageBuffer::getBitmapInfoHeader(dib.header, format, image->width, image->height);
        dib.bits.resize(dib.header.biSizeImage);
        image->copyToBitmap(dib.header, dib.bits.data(), dib.bits.size());
        // Posted with the picture it owns: a render thread never waits for the main thread.
        System::postClipboardImage(std::move(dib));
    };
}

} // namespace Edit
