#pragma once
// Transitions: the built-in wipe shapes and the user's wipe images, each
// drawing its mask at a progress value (an alpha-only picture whose covered
// area grows from nothing at 0 to everything at 1).
#include "media/path_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Media {
class ResourceBuffer;
class ImageBuffer;
} // namespace Media

namespace Resource {

// The filter cores that some wipes borrow. The filters that own them install
// them when they register; a wipe that needs a missing one throws "default
// effect not found" naming the filter's class.
struct TransitionCores {
    using Picture = std::unique_ptr<Media::ResourceBuffer>;
    // Clears the fan-shaped sector from baseAngle over rangeAngle (degrees)
    // around the middle plus the offset, with a soft edge of blur pixels.
    std::function<void(Picture& picture, float baseAngle, float rangeAngle, float centerX, float centerY, int blur,
                       bool centerBase)>
        angleClip;
    // Clears the picture on one side of the line through the middle plus the
    // offset at angle degrees, with a soft edge of blur pixels.
    std::function<void(Picture& picture, float angle, int width, float centerX, float centerY, int blur)> lineClip;
    // Blurs picture into out over range pixels (mode 2 keeps the size).
    std::function<void(Picture& out, Picture picture, int range, float aspect, int mode)> blurImage;
};

struct Transition {
    enum Mode : int32_t { Shape = 0, Clock = 1, Horizontal = 2, Vertical = 3 };

    // A wipe image: the PNG file at path (dark parts open first).
    Transition(std::wstring name, std::wstring path);
    Transition(std::wstring name, const PathData* outline, float scale, int32_t mode);

    // The mask at progress 0 (empty) .. 1 (full) in the mask format; null for
    // a side of 0 or an image that cannot be read. keepAspect keeps shapes
    // and images at their own aspect instead of stretching them to the picture.
    std::unique_ptr<Media::ResourceBuffer> createMask(unsigned width, unsigned height, float progress, int blur,
                                                      bool keepAspect) const;
    std::unique_ptr<Media::ResourceBuffer> createImageMask(unsigned width, unsigned height, float progress, int blur,
                                                           bool keepAspect) const;

    std::wstring name;
    const PathData* outline = nullptr; // null for an image transition
    float scale = 1.0f;                // size of the shape at full progress
    std::wstring filePath;             // the image of an image transition
    int32_t mode = Shape;

private:
    // An image wipe's picture on the device, kept from one mask to the next
    // (a wipe asks for a mask every frame) while its file stays as it was.
    struct KeptImage;
    std::shared_ptr<KeptImage> kept_;
};

class TransitionList {
public:
    // The seven built-in wipes, then one per "%Transition%/*.png" file in
    // path order, named by the file name up to its last ".".
    void load(const OutlineSet& outlines);
    std::vector<Transition> transitions;
};

// The picture of a wipe image file (null when it cannot be read).
std::shared_ptr<Media::ImageBuffer> loadTransitionImage(const std::wstring& path);
// The mask of an image wipe from its decoded picture (the rest of createImageMask).
std::unique_ptr<Media::ResourceBuffer> createLuminanceMask(const std::shared_ptr<Media::ImageBuffer>& picture,
                                                           unsigned width, unsigned height, float progress, int blur,
                                                           bool keepAspect);
// The same from the picture on the device; imageWidth and imageHeight are
// the decoded picture's own size (the device picture's may be cut).
std::unique_ptr<Media::ResourceBuffer> createLuminanceMask(Media::ResourceBuffer& image, uint32_t imageWidth,
                                                           uint32_t imageHeight, unsigned width, unsigned height,
                                                           float progress, int blur, bool keepAspect);

} // namespace Resource
