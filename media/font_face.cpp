#include "media/font_face.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "media/direct2d_service.h"

#include <algorithm>
#include <cmath>

namespace Resource {

void FontFace::setFont(const wchar_t* name, float newSize, bool bold, bool italic, bool isVertical)
{
    Media::Direct2DService* d2d = Media::Direct2DService::Get();
    if (!d2d)
        throw System::makeException("Resource::FontFace::setFont", "Direct2D service not created.", nullptr);
    auto selected = d2d->getFont(name, bold, italic);
    font.reset(selected->createFontFace());
    size = newSize;
    vertical = isVertical;
    metrics = font.get()->getMetrics();
    scale = metrics.designUnitsPerEm ? size / metrics.designUnitsPerEm : 0.0f;
    if (!vertical) {
        ascent = metrics.ascent * scale;
        lineHeight = (metrics.ascent + metrics.lineGap + metrics.descent) * scale;
    } else {
        ascent = size * 0.5f;
        lineHeight = size;
    }
}

void FontGlyph::setMetrics(FontFace& face, bool vertical)
{
    face.font.get()->getDesignGlyphMetrics(&glyphIndex, 1, &metrics, false);
    const float s = face.scale;
    advanceX = metrics.advanceWidth * s;
    advanceY = metrics.advanceHeight * s;
    leftBearing = metrics.leftSideBearing * s;
    rightBearing = metrics.rightSideBearing * s;
    topBearing = metrics.topSideBearing * s;
    bottomBearing = metrics.bottomSideBearing * s;
    auto overhang = [vertical](float bearing) { return !vertical && bearing < 0 ? -bearing : 0.0f; };
    leftOverhang = overhang(leftBearing);
    rightOverhang = overhang(rightBearing);
    topOverhang = overhang(topBearing);
    bottomOverhang = overhang(bottomBearing);
}

void FontGlyph::setGlyph(FontFace& face, uint32_t cp, float lineAscent)
{
    Platform::Draw::FontFace* f = face.font.get();
    if (!f)
        throw System::makeHresultException("fontFace->GetGlyphIndicesW", "Resource::FontGlyph::setGlyph",
                                           static_cast<int32_t>(0x80004003u));
    codePoint = cp;
    f->getGlyphIndices(&cp, 1, &glyphIndex);
    setMetrics(face, false);
    originX = 0;
    originY = lineAscent;
}

void FontGlyph::setGlyphVertical(FontFace& face, uint32_t cp, float lineAscent)
{
    Platform::Draw::FontFace* f = face.font.get();
    if (!f)
        throw System::makeHresultException("fontFace->GetGlyphIndicesW", "Resource::FontGlyph::setGlyphVertical",
                                           static_cast<int32_t>(0x80004003u));
    codePoint = cp;
    uint16_t plain = 0;
    f->getGlyphIndices(&cp, 1, &plain);
    f->getVerticalGlyphVariants(&plain, 1, &glyphIndex);
    setMetrics(face, true);
    originX = -advanceX / 2 - lineAscent;
    originY = metrics.verticalOriginY * face.scale;
}

GdiFontList::GdiFontList()
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    if (!settings)
        throw System::makeException("Resource::GdiFontList::GdiFontList", "setting service not created.", nullptr);
    auto parts = settings->font.get("Control").split(",");
    const float size = parts.at(0).toFloat();
    std::wstring face = parts.size() >= 2 ? parts[1].toString() : Media::defaultFontFamily();
    normal = {face, -static_cast<int>(size), 400};
    bold = {face, -static_cast<int>(size), 700};
}

} // namespace Resource
