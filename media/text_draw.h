#pragma once
// Lays out and draws the text of one text object glyph by glyph: each
// character becomes a glyph outline filled (with an optional border and drop
// shadow) on a picture target. Inline control tags change colour, font, size,
// position, display speed, waits and page clears in the middle of the text.
#include "core/color.h"
#include "media/font_face.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Draw {
class Target;
class SolidColorBrush;
class StrokeStyle;
} // namespace Platform::Draw

namespace Media {

class ResourceBuffer;

// Finds a preset colour by name; the owner of the preset colours installs it.
using PresetColorFinder = std::function<bool(const std::wstring& name, ColorF& out)>;
void setPresetColorFinder(PresetColorFinder finder);

class TextDraw {
public:
    TextDraw();
    ~TextDraw();
    TextDraw(const TextDraw&) = delete;
    TextDraw& operator=(const TextDraw&) = delete;

    // ---- inputs
    const wchar_t* text = L"";
    double time = 0;
    bool vertical = false;
    float alignment = 0;
    std::wstring fontName;
    float size = 34;
    bool bold = false;
    bool italic = false;
    float borderFactor = 0;
    float shadowFactor = 0;
    bool roundBorder = false;
    ColorF color{1, 1, 1, 1};
    ColorF color2{0, 0, 0, 1};
    float letterSpacing = 0;
    float lineSpacing = 0;
    double speed = 0;
    bool individual = false;

    struct LineRecord {
        float height, ascent, start, end;
    };
    struct CharacterRecord {
        uint32_t index;
        float startTime;
        int32_t cellX, cellY, cellWidth, cellHeight;
        float centerX, centerY, z;
    };

    // ---- outputs of the measuring pass
    float maxWidth = 0, maxHeight = 0;
    float leftMargin = 0, rightMargin = 0, topMargin = 0, bottomMargin = 0;
    uint32_t characterCount = 0;
    float widestRow = 0, atlasHeight = 0;
    // The display time the pass accumulated, in seconds: the display speed's
    // time per character and the waits, up to where the pass ended.
    double displayTime = 0;
    bool measured = false;
    std::vector<LineRecord> lines;
    std::vector<CharacterRecord> characters;

    // A whole pass; without a target it only measures.
    void layout(Platform::Draw::Target* target);
    // The size of the picture the measured text needs (0 when there is nothing).
    int blockWidth() const;
    int blockHeight() const;
    // A drawing pass onto a picture target under the drawing lock. A failure of
    // the drawing session throws "target->EndDraw".
    void drawToTarget(Platform::Draw::Target& target);

    // The drawing pass into a picture on the graphics processor (cleared to
    // transparent by the owner): drawn in memory, then uploaded.
    void drawToBuffer(ResourceBuffer& buffer);
    // Cuts an atlas drawn in individual mode into one picture per character:
    // (picture, character index, display start time, x, y, z). Cells outside
    // the atlas are dropped.
    using CharacterCallback = std::function<void(std::unique_ptr<ResourceBuffer> picture, uint32_t index,
                                                 float startTime, float x, float y, float z)>;
    void splitCharacters(ResourceBuffer& atlas, const CharacterCallback& callback);

    // ---- the pass, exposed for the owner's per-character output
    void beginLayout();
    bool drawLine();
    void endLine();
    void drawGlyph(float x, float y);

private:
    struct State;
    std::unique_ptr<State> s_;
    bool parseTag(size_t at, size_t& length);
    void setFontState(float newSize, float borderWidth, bool newBold, bool newItalic);
    void setColors(const ColorF& c1, const ColorF& c2);
    void startLine();
    void prepareGlyph(uint32_t codePoint);
};

} // namespace Media
