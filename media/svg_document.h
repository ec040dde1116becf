#pragma once
// User figures: SVG files drawn into pictures, recoloured when every fill
// they give is one colour.
#include "core/color.h"
#include "platform/gpu/format.h"

#include <cstdint>
#include <memory>

namespace Platform::Draw {
class SvgDocument;
class SvgElement;
} // namespace Platform::Draw

namespace Media {

class ResourceBuffer;

class SvgDocument {
public:
    // Loads the file; throws when it cannot be read or is not an SVG document.
    explicit SvgDocument(const wchar_t* path);
    ~SvgDocument();
    SvgDocument(const SvgDocument&) = delete;
    SvgDocument& operator=(const SvgDocument&) = delete;

    // The file drawn into a new picture of width x height (sides limited to
    // 16384) in format (Unknown: the working format); a monochrome document
    // takes the colour. Null when the file cannot be loaded or drawn.
    static std::unique_ptr<ResourceBuffer> render(const wchar_t* path, int width, int height, const ColorF& color,
                                                  Platform::Gpu::Format format);
    // True when the file loads as an SVG document that can be drawn.
    static bool checkFile(const wchar_t* path);
    // True for the extension "svg" in any case.
    static bool isSvgFile(const wchar_t* path);

    // True when every colour fill of the element and its descendants has the
    // red, green and blue of the first one seen (seen/remembered carry it).
    static bool checkMonochrome(const Platform::Draw::SvgElement& element, bool& seen, ColorF& remembered);
    // Gives every colour fill of the element and its descendants the colour's
    // red, green and blue; other paints, strokes and gradients stay.
    static void setColor(Platform::Draw::SvgElement& element, const ColorF& color);
    // The root's width and height.
    void setSize(float width, float height);

    std::unique_ptr<Platform::Draw::SvgDocument> document;
    bool monochrome = false;
    bool sized = false; // the root gives its width or height
};

} // namespace Media
