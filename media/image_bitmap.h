#pragma once
// Pictures in memory as bitmaps of the window's drawing.
#include <memory>

namespace Platform::Draw { class Bitmap; }

namespace Media {

class ImageBuffer;

// An 8-bit BGRA picture is shared as it is (the bitmap keeps it alive), an
// 8-bit RGBA one is copied with its channels swapped; null for other formats
// or a picture without pixels.
std::unique_ptr<Platform::Draw::Bitmap> createRenderTargetBitmap(std::shared_ptr<const ImageBuffer> image);
// Always a copy: for a picture its owner goes on writing.
std::unique_ptr<Platform::Draw::Bitmap> createRenderTargetBitmap(const ImageBuffer& image);

} // namespace Media
