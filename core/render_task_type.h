#pragma once
// The kind of a render request; the value is also the cancellation key of its queued task.
// It belongs to the render pipeline (hence its namespace) but sits in core/, because the
// event service reports finished frames by it and core/ includes nothing above itself.
#include <cstdint>

namespace Render {

enum class RenderTaskType : int32_t {
    Preview = 1,  // a new request removes the queued ones
    Playback = 2, // removed in bulk when playback stops
    Single = 3,   // export, clipboard, pre-rendered sound; never removed
};

} // namespace Render
