#pragma once
// What the scene changes share, the built-in one and the scripted ones: the
// frame before the object, rendered ahead by the video worker, and the
// progress of the change.
namespace Media {
class RenderBuffer;
}
namespace Render {
class RenderObject;
}

namespace Effect::SceneChangeFrame {

// Asks for the layers above the object at the frame before its first one.
void request(Render::RenderObject& object);
// The frame asked for; null after the warning "no before frame buffer" or
// "invalid before frame buffer" at place.
Media::RenderBuffer* before(Render::RenderObject& object, const char* place);
// From 1 / length at the object's first frame to exactly 1 at its last.
float progress(const Render::RenderObject& object);

} // namespace Effect::SceneChangeFrame
