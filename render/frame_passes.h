#pragma once
// The drawing the render plan's own tasks do on the object thread: the
// frame's clear and the clipping group's snapshot, composite and tint.
namespace Media {
class RenderBuffer;
class ResourceBuffer;
}

namespace Render::FramePass {

// Sizes the target (recreating its texture when the size changed) and
// clears it to transparent black.
void clearTarget(Media::RenderBuffer& target, int width, int height);
// Copies the frame into the snapshot (resized to the frame) and sizes the
// mask to the frame, cleared.
void prepareClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, Media::ResourceBuffer& snapshot);
// Per pixel: frame := snapshot x (1 - mask alpha) + frame x mask alpha.
void compositeClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, Media::ResourceBuffer& snapshot);
// Per pixel: mask alpha x colour (premultiplied) over the frame.
void tintClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, const float colour[4]);

} // namespace Render::FramePass
