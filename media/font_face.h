#pragma once
// A font face at one size for outlining glyphs, one glyph of it, and the pair
// of interface fonts of native controls.
#include "media/com_resource.h"
#include "platform/draw/font.h"

#include <string>

namespace Resource {

class FontFace {
public:
    // Looks the font up (Media::FontManager::getFont) and takes its metrics.
    void setFont(const wchar_t* name, float size, bool bold, bool italic, bool vertical);

    Media::ComResource<Platform::Draw::FontFace> font;
    float size = 0;
    bool vertical = false;
    float lineHeight = 0;
    float ascent = 0;
    float scale = 0; // size / design units per em
    Platform::Draw::FontMetrics metrics;
};

class FontGlyph {
public:
    void setGlyph(FontFace& face, uint32_t codePoint, float lineAscent);
    void setGlyphVertical(FontFace& face, uint32_t codePoint, float lineAscent);

    float advanceX = 0, advanceY = 0;
    float originX = 0, originY = 0;
    float leftBearing = 0, rightBearing = 0, topBearing = 0, bottomBearing = 0;
    float leftOverhang = 0, rightOverhang = 0, topOverhang = 0, bottomOverhang = 0;
    uint32_t codePoint = 0;
    uint16_t glyphIndex = 0;
    Platform::Draw::GlyphMetrics metrics;

private:
    void setMetrics(FontFace& face, bool vertical);
};

// The normal (400) and bold (700) fonts of native controls, from the style's
// [Font] "Control" ("size" or "size,family").
class GdiFontList {
public:
    struct GdiFont {
        std::wstring face;
        int height = 0; // negative: character height in pixels
        int weight = 400;
    };
    GdiFontList();
    GdiFont normal;
    GdiFont bold;
};

} // namespace Resource
