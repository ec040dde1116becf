#pragma once
// Bitmaps over memory that the drawing does not own, and the averaged
// downscale the preview draws its picture with.
#include "platform/draw/resources.h"
#include "platform/draw/types.h"

#include <memory>

namespace Platform::Draw {

class Target;

// A bitmap over premultiplied BGRA memory (rows top-down) that is not copied:
// owner keeps the memory alive and unchanged while the bitmap lives.
std::unique_ptr<Bitmap> wrapBitmap(int width, int height, const void* pixels, int stride,
                                   std::shared_ptr<const void> owner);

// Draws the bitmap into the rectangle; a downscale averages every source
// pixel under a target pixel (linear sampling alone skips pixels below half
// size). The averaged copy is kept with the bitmap for repaints at the same size.
void drawBitmapAveraged(Target& target, const Bitmap& bitmap, const Rect& destination, float opacity);

} // namespace Platform::Draw
