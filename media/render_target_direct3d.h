#pragma once
// 2D drawing into a picture on the graphics processor. The drawing happens on
// a transparent picture in memory of the buffer's size; closing the draw
// section uploads it into the buffer, replacing its contents (owners clear the
// buffer before drawing into it, so nothing is lost). The section holds the
// Direct2D service's drawing lock while it rasterises, not while it uploads.
#include "platform/draw/resources.h"
#include "platform/gpu/format.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Platform::Draw {
class Target;
}

namespace Media {

class ResourceBuffer;

// How a drawing (premultiplied 8-bit BGRA) reaches a working-format picture.
enum class Widening {
    // Widened to half floats in memory, then uploaded: the cheaper way where
    // the graphics device is the processor itself (a software rasteriser runs
    // a full-picture pass at several times the cost of the table lookups).
    InMemory,
    // Uploaded as 8 bits (half the bytes) and widened by a copy pass: no
    // processor work beyond the copy into the upload memory.
    OnDevice,
};
// OnDevice on a graphics processor, InMemory on a software device.
Widening preferredWidening();

class RenderTargetDirect3D {
public:
    explicit RenderTargetDirect3D(ResourceBuffer& buffer);
    ~RenderTargetDirect3D();
    RenderTargetDirect3D(RenderTargetDirect3D&&) noexcept;

    Platform::Draw::Target& target() { return *target_; }
    ResourceBuffer& buffer() { return *buffer_; }

    // Places geometry at (x, y): the stroke first (when a stroke brush is given
    // and the width is above 0), then the fill over its inner half.
    void drawGeometry(const Platform::Draw::Geometry& geometry, const Platform::Draw::Brush* fill, float x, float y,
                      const Platform::Draw::Brush* stroke, float strokeWidth, const Platform::Draw::StrokeStyle* style);

    // Uploads the drawn picture into the buffer in its format, a working-format
    // picture the preferred way (or the one given).
    void upload();
    void upload(Widening widening);

    class DrawSection {
    public:
        explicit DrawSection(RenderTargetDirect3D& surface);
        // Ends the drawing and uploads; a failed drawing session throws
        // "target->EndDraw" instead of leaving an empty picture behind.
        void end();
        ~DrawSection();
        DrawSection(const DrawSection&) = delete;
        DrawSection& operator=(const DrawSection&) = delete;

    private:
        RenderTargetDirect3D& surface_;
        std::unique_lock<std::recursive_mutex> lock_;
        bool open_ = false;
    };

private:
    ResourceBuffer* buffer_;
    std::vector<uint8_t> memory_; // the picture the target draws on
    std::unique_ptr<Platform::Draw::Target> target_;
};

// Converts premultiplied BGRA rows into the memory form of a picture format
// (half-float RGBA, RGBA, BGRA, BGRX, alpha); false for others.
bool convertBgraToFormat(const uint8_t* source, int sourceStride, int width, int height, Platform::Gpu::Format format,
                         std::vector<uint8_t>& out, uint32_t& outPitch);

} // namespace Media
