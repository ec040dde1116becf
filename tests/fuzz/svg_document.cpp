// SVG figure files: the document reader on any bytes; then what drawing a
// figure does to a document (the monochrome test, recolouring, sizing), the
// text written back, which must read again, and the drawing into a picture.
#include "core/color.h"
#include "media/svg_document.h"
#include "platform/draw/svg.h"
#include "platform/draw/target.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <string>

namespace {
void draw(const Platform::Draw::SvgDocument& document)
{
    auto target = Platform::Draw::Target::createPicture(48, 32);
    target->beginDraw();
    target->drawSvgDocument(document);
    target->endDraw();
}

size_t countElements(const Platform::Draw::SvgElement& element)
{
    size_t n = 1;
    for (const auto& child : element.children())
        n += countElements(*child);
    return n;
}
} // namespace

FUZZ_TARGET(svg_document)
{
    Fuzz::startServices<>([] {
        // The toolkit and its fonts, as drawing text first makes them.
        Platform::Ui::initializeApplication();
        auto text = Platform::Draw::SvgDocument::parse(
            R"(<svg xmlns="http://www.w3.org/2000/svg"><text y="20">a</text></svg>)");
        draw(*text);
    });
    Fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    std::string error;
    auto document = Platform::Draw::SvgDocument::parse(in.restText(), &error);
    if (!document)
        return;
    Platform::Draw::SvgElement& root = document->root();
    if (root.name() != "svg")
        Fuzz::fail("the root is not svg");
    bool seen = false;
    ColorF remembered{0, 0, 0, 0};
    const bool monochrome = Media::SvgDocument::checkMonochrome(root, seen, remembered);
    if (!seen)
        root.setAttribute("fill", Platform::Draw::Color{1, 1, 1, 1});
    if (monochrome)
        Media::SvgDocument::setColor(root, ColorF{0.2f, 0.4f, 0.6f, 1});
    if (flags & 1) {
        root.setAttribute("width", 48.0f);
        root.setAttribute("height", 32.0f);
    }
    document->setViewportSize(48, 32);
    const Platform::Draw::Rect box = document->viewBoxPlacement();
    if (!(box.left <= box.right && box.top <= box.bottom))
        Fuzz::fail("the viewBox lands inside out");

    // What is written back is a document of the same elements.
    const std::string text = document->serialize(flags & 2);
    auto again = Platform::Draw::SvgDocument::parse(text, &error);
    if (!again)
        Fuzz::fail("the written document does not read again: " + error);
    if (countElements(again->root()) != countElements(root))
        Fuzz::fail("the written document lost or gained elements");

    if (flags & 4)
        draw(*document);
}
