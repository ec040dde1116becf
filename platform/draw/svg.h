#pragma once
// SVG documents: the element tree of an SVG file, which callers inspect and
// edit (attributes, paints), drawn onto a drawing target at a viewport size
// (Target::drawSvgDocument).
//
// Drawing covers the static features of SVG Tiny 1.2. Elements outside it
// that would otherwise be drawn wrongly (clip paths, masks, markers, patterns,
// filters) are left out of the tree when it is read and named in
// unsupportedElements(); symbols become groups in the definitions, so that
// uses of them still draw. Elements of other namespaces are left out.
#include "platform/draw/types.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Platform::Draw {

enum class SvgPaintType { None, Color, CurrentColor, Uri };

struct SvgPaint {
    SvgPaintType type = SvgPaintType::None;
    Color color; // the colour of a Color paint (alpha 1)
};

// The colour forms "#rgb", "#rrggbb", "rgb(r, g, b)" (numbers or percentages,
// clamped) and the SVG colour names; false for any other text.
bool parseSvgColor(std::string_view text, Color& out);
// A paint: one of the colour forms, "none", "currentColor", or "url(...)" with
// an optional fallback; false for any other text.
bool parseSvgPaint(std::string_view text, SvgPaint& out);

class SvgElement {
public:
    explicit SvgElement(std::string qualifiedName);
    ~SvgElement();
    SvgElement(const SvgElement&) = delete;
    SvgElement& operator=(const SvgElement&) = delete;

    // The name without a namespace prefix.
    const std::string& name() const { return name_; }
    const std::string& qualifiedName() const { return qualifiedName_; }

    // True when the element gives the property, as an attribute or as a
    // declaration of its style attribute.
    bool isAttributeSpecified(std::string_view name) const;
    // The given value (a style declaration wins over the attribute, as in the
    // cascade); empty when not given.
    std::string getAttribute(std::string_view name) const;
    // Sets the value where it stands: in the style attribute when declared
    // there, else as an attribute.
    void setAttribute(std::string_view name, std::string_view value);
    void setAttribute(std::string_view name, float value);
    // Writes "#rrggbb" (the colour's alpha is not written).
    void setAttribute(std::string_view name, const Color& color);
    // The plain attributes in document order (qualified name, value).
    const std::vector<std::pair<std::string, std::string>>& attributes() const { return attributes_; }

    const std::vector<std::unique_ptr<SvgElement>>& children() const { return children_; }

    // Child elements and character data in document order.
    struct Content {
        size_t child = 0; // index into children() unless isText
        bool isText = false;
        bool cdata = false;
        std::string text;
    };
    const std::vector<Content>& content() const { return content_; }

private:
    friend class SvgDocument;
    // The range of a declaration's value inside the style attribute.
    bool findStyleValue(std::string_view name, size_t& begin, size_t& end) const;
    std::string* findAttribute(std::string_view name);
    const std::string* findAttribute(std::string_view name) const;
    SvgElement& appendChild(std::unique_ptr<SvgElement> child);

    std::string qualifiedName_;
    std::string name_;
    std::vector<std::pair<std::string, std::string>> attributes_;
    std::vector<std::unique_ptr<SvgElement>> children_;
    std::vector<Content> content_;
};

class SvgDocument {
public:
    // Limits of what a document may hold; files beyond them do not load.
    static constexpr size_t MaxDepth = 256;

    // Reads the XML text of a document whose root is an "svg" element. Null
    // when the text is not well-formed XML, has another root or nests deeper
    // than MaxDepth; error then receives the reason.
    static std::unique_ptr<SvgDocument> parse(std::string_view text, std::string* error = nullptr);
    ~SvgDocument();

    SvgElement& root() { return *root_; }
    const SvgElement& root() const { return *root_; }
    // Distinct names of the elements left out of the tree, in document order.
    const std::vector<std::string>& unsupportedElements() const { return unsupported_; }

    // The viewport the document is drawn into, in pixels from the target's
    // origin. The root is laid out at this size whatever its own width and
    // height say; its viewBox, when it has one, is placed by its
    // preserveAspectRatio (default xMidYMid meet), else user units are pixels.
    void setViewportSize(float width, float height);
    float viewportWidth() const { return viewportWidth_; }
    float viewportHeight() const { return viewportHeight_; }
    // Where the viewBox lands in the viewport (the whole viewport without one).
    Rect viewBoxPlacement() const;

    // The XML text of the tree as it stands. With the root sized to the
    // viewport, as it is drawn.
    std::string serialize(bool sizedToViewport = false) const;
    // True when the drawing library accepts the document.
    bool isDrawable() const;

private:
    SvgDocument() = default;
    std::unique_ptr<SvgElement> root_;
    std::vector<std::string> unsupported_;
    float viewportWidth_ = 1, viewportHeight_ = 1;
};

} // namespace Platform::Draw
