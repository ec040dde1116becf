#pragma once
// Text formats and laid-out text for the user interface: one family, size
// and weight per format, no wrapping, optional trimming with an ellipsis, and
// hit testing between positions and points. Positions count the characters
// (code points) of the wide text; a line feed breaks the line.
#include "platform/draw/types.h"

#include <memory>
#include <string>

namespace Platform::Draw {

class TextFormat {
public:
    // size in pixels; weight 100..900; wrapping off.
    TextFormat(const std::wstring& family, float size, int weight = 400, bool italic = false);
    ~TextFormat();
    const std::wstring& getFontFamilyName() const;
    float getFontSize() const;
    int getWeight() const;
    bool isItalic() const;
    void setWordWrapping(bool wrap);
    bool wordWrapping() const;
    // Horizontal: 0 leading, 1 trailing, 2 centre. Vertical: 0 near, 1 far, 2 centre.
    void setTextAlignment(int alignment);
    void setParagraphAlignment(int alignment);
    int textAlignment() const;
    int paragraphAlignment() const;
    // Cuts text that overflows the box at a character and shows an ellipsis.
    void setEllipsisTrimming(bool on);
    bool ellipsisTrimming() const;
    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

struct TextMetrics {
    float left = 0, top = 0;
    float width = 0;                              // without trailing white space
    float widthIncludingTrailingWhitespace = 0;
    float height = 0;
    float layoutWidth = 0, layoutHeight = 0;
    uint32_t lineCount = 0;
};

struct HitTestMetrics {
    uint32_t textPosition = 0;
    uint32_t length = 0;
    float left = 0, top = 0, width = 0, height = 0;
};

class TextLayout {
public:
    TextLayout(const wchar_t* text, size_t count, const TextFormat& format, float maxWidth, float maxHeight);
    ~TextLayout();
    TextMetrics getMetrics() const;
    void setMaxWidth(float width);
    void setMaxHeight(float height);
    // The character at a point: position, whether the point lies on its
    // trailing half, whether it lies inside the text.
    HitTestMetrics hitTestPoint(float x, float y, bool& isTrailingHit, bool& isInside) const;
    // The caret place before (or after, when trailing) a text position.
    HitTestMetrics hitTestTextPosition(uint32_t position, bool trailing, float& x, float& y) const;
    // The rectangles covering the positions [position, position + length),
    // one per line they touch (a line break counts as a narrow cell), in
    // line order; at most maxCount are written; the count needed is returned.
    uint32_t hitTestTextRange(uint32_t position, uint32_t length, HitTestMetrics* out, uint32_t maxCount) const;
    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace Platform::Draw
