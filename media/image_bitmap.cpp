#include "media/image_bitmap.h"

#include "media/image_buffer.h"
#include "platform/draw/bitmap_view.h"

#include <vector>

namespace Media {

std::unique_ptr<Platform::Draw::Bitmap> createRenderTargetBitmap(std::shared_ptr<const ImageBuffer> image)
{
    if (!image || image->width == 0 || image->height == 0 || !image->data())
        return nullptr;
    if (image->format != Format::B8G8R8A8Unorm)
        return createRenderTargetBitmap(*image);
    const ImageBuffer& picture = *image;
    return Platform::Draw::wrapBitmap(int(picture.width), int(picture.height), picture.data(), int(picture.pitch),
                                      std::move(image));
}

std::unique_ptr<Platform::Draw::Bitmap> createRenderTargetBitmap(const ImageBuffer& image)
{
    const uint32_t width = image.width, height = image.height;
    if (width == 0 || height == 0 || !image.data())
        return nullptr;
    if (image.format != Format::B8G8R8A8Unorm && image.format != Format::R8G8B8A8Unorm)
        return nullptr;
    auto bitmap = std::make_unique<Platform::Draw::Bitmap>(int(width), int(height), nullptr, 0);
    if (image.format == Format::B8G8R8A8Unorm) {
        bitmap->copyFromMemory(0, 0, int(width), int(height), image.data(), int(image.pitch));
        return bitmap;
    }
    std::vector<uint8_t> line(size_t(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = image.row(y);
        for (uint32_t x = 0; x < width; ++x) {
            line[x * 4 + 0] = src[x * 4 + 2];
            line[x * 4 + 1] = src[x * 4 + 1];
            line[x * 4 + 2] = src[x * 4 + 0];
            line[x * 4 + 3] = src[x * 4 + 3];
        }
        bitmap->copyFromMemory(0, int(y), int(width), 1, line.data(), int(line.size()));
    }
    return bitmap;
}

} // namespace Media
