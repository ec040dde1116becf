#include "media/text_draw.h"

#include "core/failure.h"
#include "media/direct2d_service.h"
#include "media/render_target_direct3d.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <mutex>
#include <regex>

namespace Media {

namespace {
std::mutex presetMutex;
PresetColorFinder presetFinder;

bool findPresetColor(const std::wstring& name, ColorF& out)
{
    std::lock_guard lock(presetMutex);
    return presetFinder && presetFinder(name, out);
}

Platform::Draw::StrokeStyle* roundStrokeStyle()
{
    if (Resource::ResourceService* service = Resource::ResourceService::Get())
        return service->strokeStyles.get(Resource::StrokeStyleList::Round);
    static Platform::Draw::StrokeStyle fallback(
        {Platform::Draw::CapStyle::Round, Platform::Draw::CapStyle::Round, Platform::Draw::CapStyle::Round,
         Platform::Draw::LineJoin::Round, 1.0f, Platform::Draw::DashStyle::Solid, 0.0f},
        nullptr, 0);
    return &fallback;
}

// The longest tag, '<' and '>' not counted; a longer one is ordinary text.
constexpr ptrdiff_t MaxTagLength = 1024;

// The tag patterns, compiled once; matched at the unit after '<'.
struct TagPatterns {
    std::wregex color{L"^#([^,>]*)?(?:,([^,>]*))?>"};
    std::wregex font{L"^@([^>]*)?>"};
    std::wregex size{L"^s([*+-]?[0-9.]+)?(?:,([^,>]*))?(?:,([BI]*))?(?:,([0-9.]+))?>"};
    std::wregex position{L"^p([+-]?[0-9.]+)?(?:,([+-]?[0-9.]+))?(?:,([+-]?[0-9.]+))?>"};
    std::wregex rate{L"^r([0-9.]+)?>"};
    std::wregex wait{L"^w([*]?[0-9.]+)>"};
    std::wregex clear{L"^c([*]?[0-9.]+)?>"};
};

const TagPatterns& patterns()
{
    static const TagPatterns p;
    return p;
}

// A value with a leading sign moves the current one; without, it replaces it.
float applySigned(const std::wstring& text, float current)
{
    float v = std::stof(text);
    return (text[0] == L'+' || text[0] == L'-') ? current + v : v;
}
} // namespace

void setPresetColorFinder(PresetColorFinder finder)
{
    std::lock_guard lock(presetMutex);
    presetFinder = std::move(finder);
}

struct TextDraw::State {
    Platform::Draw::Target* target = nullptr;
    size_t pos = 0;
    Resource::FontFace face;
    std::wstring fontName;
    float size = 0, borderWidth = 0;
    float borderMargin = 1, fullMargin = 1, shadowOffset = 0;
    Platform::Draw::StrokeStyle* stroke = nullptr;
    ColorF color, color2;
    std::unique_ptr<Platform::Draw::SolidColorBrush> brush1, brush2;
    double secondsPerChar = 0, accumulated = 0;
    uint32_t count = 0, charIndex = 0, lineIndex = 0, firstVisible = 0;
    float penX = 0, penY = 0, penZ = 0;
    float lineHeight = 0, lineAscent = 0, lineStart = 0, lineEnd = 0;
    Resource::FontGlyph glyph;
    float rowPos = 0, rowHighest = 0, totalHeight = 0;
    int32_t cellX = 0, cellY = 0, cellW = 0, cellH = 0;
};

TextDraw::TextDraw() : s_(std::make_unique<State>()) {}
TextDraw::~TextDraw() = default;

void TextDraw::setFontState(float newSize, float borderWidth, bool newBold, bool newItalic)
{
    State& s = *s_;
    s.size = std::clamp(newSize, 1.0f, 1000.0f);
    s.face.setFont(s.fontName.c_str(), s.size, newBold, newItalic, vertical);
    s.borderWidth = std::max(borderWidth, 0.0f);
    s.stroke = roundBorder ? roundStrokeStyle() : nullptr;
    s.shadowOffset = shadowFactor > 0 ? s.size * 0.05f : 0.0f;
    s.borderMargin = s.borderWidth * 0.5f + 1.0f;
    s.fullMargin = s.borderMargin + s.shadowOffset;
}

void TextDraw::setColors(const ColorF& c1, const ColorF& c2)
{
    State& s = *s_;
    s.color = c1;
    s.color2 = c2;
    if (!s.target)
        return;
    ColorF second = c2;
    if (shadowFactor > 0)
        second.a *= shadowFactor;
    s.brush1 = std::make_unique<Platform::Draw::SolidColorBrush>(Platform::Draw::Color{c1.r, c1.g, c1.b, c1.a});
    s.brush2 = std::make_unique<Platform::Draw::SolidColorBrush>(
        Platform::Draw::Color{second.r, second.g, second.b, second.a});
}

void TextDraw::beginLayout()
{
    State& s = *s_;
    s.fontName = fontName;
    setFontState(size, size * borderFactor, bold, italic);
    setColors(color, color2);
    s.secondsPerChar = speed > 0 ? 1.0 / speed : 0.0;
    s.pos = 0;
    s.penX = s.penY = s.penZ = 0;
    if (!measured) {
        maxWidth = maxHeight = 0;
        leftMargin = rightMargin = topMargin = bottomMargin = 0;
        s.firstVisible = 0;
        lines.clear();
    }
    if (vertical)
        s.penX = measured ? maxWidth : 0;
    s.charIndex = s.count = s.lineIndex = 0;
    s.accumulated = 0;
    s.totalHeight = 0;
    widestRow = atlasHeight = 0;
    characters.clear();
}

void TextDraw::startLine()
{
    State& s = *s_;
    if (s.lineIndex < lines.size()) {
        const LineRecord& r = lines[s.lineIndex];
        s.lineHeight = r.height;
        s.lineAscent = r.ascent;
        s.lineStart = r.start;
        s.lineEnd = r.end;
    } else {
        s.lineHeight = s.face.lineHeight;
        s.lineAscent = s.face.ascent;
        s.lineStart = 0;
        s.lineEnd = 0;
    }
    s.rowPos = 0;
    s.rowHighest = 0;
    const float extent = vertical ? maxHeight : maxWidth;
    const float along = s.lineEnd > 0 ? s.lineStart + (extent - s.lineEnd) * alignment : s.lineStart;
    (vertical ? s.penY : s.penX) = along;
}

void TextDraw::endLine()
{
    State& s = *s_;
    if (s.lineIndex >= lines.size())
        lines.push_back({s.lineHeight, s.lineAscent, s.lineStart, vertical ? s.penY : s.penX});
    s.lineIndex += 1;
    widestRow = std::max(widestRow, s.rowPos);
    s.totalHeight += s.rowHighest;
    atlasHeight = std::max(atlasHeight, s.totalHeight);
}

bool TextDraw::parseTag(size_t at, size_t& length)
{
    State& s = *s_;
    const wchar_t* begin = text + at + 1;
    const wchar_t c = *begin;
    if (c < L'#' || c > L'w')
        return false;
    // Every pattern ends at the first '>' (no group may hold one), so the
    // match is looked for in the text up to it. The regular expressions recurse
    // once per unit they consume: an unbounded span would overflow the render
    // worker's stack on a long text with an unclosed tag, and would make every
    // '<' scan the rest of the text.
    const wchar_t* end = begin;
    while (*end && *end != L'>' && end - begin < MaxTagLength)
        ++end;
    if (*end != L'>')
        return false;
    ++end;
    const TagPatterns& p = patterns();
    std::wcmatch m;
    auto match = [&](const std::wregex& re) {
        return std::regex_search(begin, end, m, re, std::regex_constants::match_continuous);
    };
    auto group = [&](int i) { return m[i].matched ? std::wstring(m[i].first, m[i].second) : std::wstring(); };
    try {
        switch (c) {
        case L'#': {
            if (!match(p.color))
                return false;
            auto parse = [&](int i, const ColorF& fallback) {
                if (!m[i].matched)
                    return fallback;
                std::wstring value = group(i);
                try {
                    return parseRgbaWideText(value);
                } catch (const std::exception&) {
                }
                ColorF preset;
                if (findPresetColor(value, preset))
                    return preset;
                return fallback;
            };
            ColorF c1 = parse(1, color), c2 = parse(2, color2);
            if (s.target)
                setColors(c1, c2);
            else {
                s.color = c1;
                s.color2 = c2;
            }
            break;
        }
        case L'@': {
            if (!match(p.font))
                return false;
            std::wstring name = group(1);
            s.fontName = name.empty() ? fontName : name;
            const float previous = s.lineHeight;
            setFontState(s.size, s.borderWidth, bold, italic);
            if (s.face.lineHeight > previous) {
                s.lineHeight = s.face.lineHeight;
                s.lineAscent = s.face.ascent;
            }
            break;
        }
        case L's': {
            if (!match(p.size))
                return false;
            float newSize = size;
            if (m[1].matched) {
                std::wstring v = group(1);
                float value = std::stof(v[0] == L'*' ? v.substr(1) : v);
                if (v[0] == L'*')
                    newSize = s.size * value;
                else if (v[0] == L'+' || v[0] == L'-')
                    newSize = s.size + value;
                else
                    newSize = value;
            }
            newSize = std::clamp(newSize, 1.0f, 1000.0f);
            std::wstring name = group(2);
            if (!name.empty())
                s.fontName = name;
            bool newBold = bold, newItalic = italic;
            if (m[3].matched) {
                std::wstring style = group(3);
                newBold = style.find(L'B') != std::wstring::npos;
                newItalic = style.find(L'I') != std::wstring::npos;
            }
            float border = m[4].matched ? std::min(std::stof(group(4)), newSize) : borderFactor * size;
            const float previous = s.lineHeight;
            setFontState(newSize, border, newBold, newItalic);
            if (s.face.lineHeight > previous) {
                s.lineHeight = s.face.lineHeight;
                s.lineAscent = s.face.ascent;
            }
            break;
        }
        case L'p': {
            if (!match(p.position) || !m[1].matched || !m[2].matched)
                return false;
            float x = applySigned(group(1), s.penX);
            float y = applySigned(group(2), s.penY);
            float z = m[3].matched ? applySigned(group(3), s.penZ) : s.penZ;
            s.penX = x;
            s.penY = y;
            s.penZ = z;
            break;
        }
        case L'r': {
            if (!match(p.rate))
                return false;
            double rate = m[1].matched ? std::stod(group(1)) : speed;
            s.secondsPerChar = rate > 0 ? 1.0 / rate : 0.0;
            break;
        }
        case L'w': {
            if (!match(p.wait))
                return false;
            std::wstring v = group(1);
            if (v[0] == L'*') {
                s.accumulated += s.count * std::stod(v.substr(1));
                s.count = 0;
            } else {
                s.accumulated += std::stod(v);
            }
            break;
        }
        case L'c': {
            if (!match(p.clear))
                return false;
            if (m[1].matched) {
                std::wstring v = group(1);
                s.accumulated += v[0] == L'*' ? s.count * std::stod(v.substr(1)) : std::stod(v);
            }
            s.count = 0;
            if (time >= s.accumulated)
                s.firstVisible = std::max(s.firstVisible, s.charIndex);
            length = static_cast<size_t>(m.length(0)) + 1;
            endLine();
            if (vertical)
                s.penX = measured ? maxWidth : 0;
            else
                s.penY = 0;
            startLine();
            s.totalHeight = 0;
            if (text[at + length] == L'\n')
                ++length;
            return true;
        }
        default:
            return false;
        }
    } catch (const std::exception&) {
        return false; // numbers that do not convert leave the '<' as text
    }
    length = static_cast<size_t>(m.length(0)) + 1;
    return true;
}

void TextDraw::prepareGlyph(uint32_t codePoint)
{
    State& s = *s_;
    Resource::FontGlyph& g = s.glyph;
    if (vertical)
        g.setGlyphVertical(s.face, codePoint, s.lineAscent);
    else
        g.setGlyph(s.face, codePoint, s.lineAscent);
    if (!s.target && !measured) {
        if (!vertical) {
            if (g.leftBearing + s.penX < 0) {
                s.lineStart -= g.leftBearing;
                s.penX -= g.leftBearing;
            }
            leftMargin = std::max(leftMargin, s.borderMargin - g.leftBearing - s.penX);
            rightMargin = std::max(rightMargin, s.fullMargin - g.rightBearing);
            topMargin = std::max(topMargin, s.borderMargin - g.topBearing - s.penY);
            bottomMargin = std::max(bottomMargin, s.fullMargin - g.bottomBearing);
        } else {
            if (g.topBearing + s.penY < 0) {
                s.lineStart -= g.topBearing;
                s.penY -= g.topBearing;
            }
            topMargin = std::max(topMargin, s.borderMargin - g.topBearing - s.penY);
            bottomMargin = std::max(bottomMargin, s.fullMargin - g.bottomBearing);
            rightMargin = std::max(rightMargin, s.fullMargin + s.penX - g.rightBearing);
            leftMargin = std::max(leftMargin, s.borderMargin - g.leftBearing);
        }
    }
    const float along = vertical ? s.lineHeight : g.advanceX;
    const float across = vertical ? g.advanceY : s.lineHeight;
    s.cellX = static_cast<int32_t>(std::ceil(s.rowPos));
    s.cellY = static_cast<int32_t>(std::ceil(s.totalHeight));
    s.cellW = static_cast<int32_t>(std::ceil(g.rightOverhang + g.leftOverhang + s.borderMargin + s.fullMargin + along));
    s.cellH = static_cast<int32_t>(std::ceil(g.bottomOverhang + g.topOverhang + s.borderMargin + s.fullMargin + across));
    s.rowPos += static_cast<float>(s.cellW);
    s.rowHighest = std::max(s.rowHighest, static_cast<float>(s.cellH));
}

bool TextDraw::drawLine()
{
    State& s = *s_;
    startLine();
    for (;;) {
        const wchar_t unit = text[s.pos];
        if (unit == 0)
            return false;
        if (unit == L'\n') {
            ++s.pos;
            return true;
        }
        if (unit == L'<') {
            size_t length = 0;
            if (parseTag(s.pos, length)) {
                s.pos += length;
                continue;
            }
        }
        if (static_cast<uint32_t>(unit) < 32) {
            ++s.pos;
            continue;
        }
        uint32_t codePoint = static_cast<uint32_t>(unit);
        ++s.pos;
        if (codePoint >= 0xD800 && codePoint < 0xDC00) {
            const uint32_t low = static_cast<uint32_t>(text[s.pos]);
            if (low >= 0xDC00 && low < 0xE000) {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
                ++s.pos;
            }
        }
        prepareGlyph(codePoint);
        const Resource::FontGlyph& g = s.glyph;
        if (s.charIndex >= s.firstVisible && s.accumulated <= time && s.target) {
            if (individual) {
                float dx = g.leftOverhang + s.borderMargin;
                float dy = g.topOverhang + s.fullMargin;
                const float fontAscent = s.face.ascent;
                if (vertical)
                    dx += (fontAscent - s.lineAscent) + s.lineHeight;
                else
                    dy += fontAscent - s.lineAscent;
                characters.push_back({s.charIndex, static_cast<float>(s.accumulated), s.cellX, s.cellY, s.cellW,
                                      s.cellH, s.cellW * 0.5f + s.penX - dx, s.cellH * 0.5f + s.penY - dy, s.penZ});
                drawGlyph(s.cellX + dx, s.cellY + dy);
            } else {
                drawGlyph(leftMargin + s.penX, topMargin + s.penY);
            }
        }
        const float spacing = letterSpacing, growth = std::max(0.0f, letterSpacing);
        if (!vertical) {
            const float right = s.penX + g.advanceX;
            maxWidth = std::max(maxWidth, right + growth);
            s.penX = right + spacing;
            maxHeight = std::max(maxHeight, s.penY + s.lineHeight);
        } else {
            const float down = s.penY + g.advanceY;
            maxHeight = std::max(maxHeight, down + growth);
            s.penY = down + spacing;
            maxWidth = std::max(maxWidth, s.lineHeight - s.penX);
        }
        s.accumulated += s.secondsPerChar;
        s.charIndex += 1;
        s.count += 1;
    }
}

void TextDraw::drawGlyph(float x, float y)
{
    constexpr const char* Place = "Media::TextDraw::drawGlyph";
    State& s = *s_;
    if (!s.target)
        return;
    const Resource::FontGlyph& g = s.glyph;
    Platform::Draw::FontFace* face = s.face.font.get();
    const Platform::Draw::Point origin{x + g.originX, y + g.originY};
    if (face->isColorGlyph(g.glyphIndex)) {
        // Colour glyphs keep their own colours: no border, no shadow.
        s.target->drawColorGlyph(*face, s.size, g.glyphIndex, origin);
        return;
    }
    Platform::Draw::PathGeometry outline;
    Platform::Draw::GeometrySink* sink = outline.open();
    if (!sink)
        throw System::makeHresultException("geometry->Open", Place, static_cast<int32_t>(0x88990001u));
    if (!face->getGlyphOutline(g.glyphIndex, s.size, outline))
        throw System::makeHresultException("font.get()->GetGlyphRunOutline", Place, static_cast<int32_t>(0x88990001u));
    if (!sink->close())
        throw System::makeHresultException("slink->Close", Place, static_cast<int32_t>(0x88990001u));

    // The border's area: what stroking the outline covers (kept by the font for the next frames).
    std::unique_ptr<Platform::Draw::PathGeometry> border;
    if (s.borderWidth > 0) {
        border = std::make_unique<Platform::Draw::PathGeometry>();
        border->open();
        if (!face->getGlyphStrokeArea(g.glyphIndex, s.size, s.borderWidth, s.stroke, *border))
            throw System::makeHresultException("font.get()->GetGlyphRunOutline", Place, static_cast<int32_t>(0x88990001u));
    }
    // Stroke first, then the fill over it, so only the outer half of the border shows.
    auto draw = [&](float ox, float oy, const Platform::Draw::Brush* fill, const Platform::Draw::Brush* strokeBrush) {
        const Platform::Draw::Matrix at = Platform::Draw::Matrix::translation(ox, oy);
        if (strokeBrush && border)
            s.target->fillGeometry(Platform::Draw::TransformedGeometry(*border, at), *strokeBrush);
        if (fill)
            s.target->fillGeometry(Platform::Draw::TransformedGeometry(outline, at), *fill);
    };
    if (s.shadowOffset > 0) {
        draw(origin.x + s.shadowOffset, origin.y + s.shadowOffset, s.brush2.get(), s.brush2.get());
        draw(origin.x, origin.y, s.brush1.get(), s.brush1.get());
    } else {
        draw(origin.x, origin.y, s.brush1.get(), s.brush2.get());
    }
}

void TextDraw::layout(Platform::Draw::Target* target)
{
    State& s = *s_;
    s.target = target;
    beginLayout();
    characterCount = 0;
    for (;;) {
        const bool lineFeed = drawLine();
        endLine();
        if (!vertical) {
            const float bottom = s.penY + s.lineHeight;
            maxHeight = std::max(maxHeight, bottom);
            s.penY = bottom + lineSpacing;
        } else {
            const float left = s.penX - s.lineHeight;
            maxWidth = std::max(maxWidth, -left);
            s.penX = left - lineSpacing;
        }
        if (measured && s.accumulated > time)
            break;
        if (!lineFeed) {
            measured = true;
            break;
        }
    }
    characterCount = s.charIndex;
    displayTime = s.accumulated;
    s.target = nullptr;
    s.brush1.reset();
    s.brush2.reset();
}

namespace {
// A measured extent as a picture side: rounded up, and saturated, since
// position tags may put a character any distance away.
int pictureSide(float extent)
{
    const double side = std::ceil(static_cast<double>(extent));
    if (!(side > 0.0))
        return 0;
    return side >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(side);
}
} // namespace

int TextDraw::blockWidth() const
{
    return pictureSide(leftMargin + maxWidth + rightMargin);
}

int TextDraw::blockHeight() const
{
    return pictureSide(topMargin + maxHeight + bottomMargin);
}

void TextDraw::drawToTarget(Platform::Draw::Target& target)
{
    if (characterCount == 0)
        return;
    Direct2DService* d2d = Direct2DService::Get();
    std::unique_lock<std::recursive_mutex> lock;
    if (d2d)
        lock = std::unique_lock(d2d->drawLock);
    target.beginDraw();
    try {
        layout(&target);
    } catch (...) {
        target.endDraw();
        throw;
    }
    // A failed drawing session is a failure, not an empty picture.
    if (int32_t result = target.endDraw())
        throw System::makeHresultException("target->EndDraw", "Media::TextDraw::drawToBuffer", result);
}

void TextDraw::drawToBuffer(ResourceBuffer& buffer)
{
    if (characterCount == 0)
        return;
    RenderTargetDirect3D surface = buffer.getSurface();
    RenderTargetDirect3D::DrawSection section(surface);
    layout(&surface.target());
    section.end();
}

void TextDraw::splitCharacters(ResourceBuffer& atlas, const CharacterCallback& callback)
{
    for (const CharacterRecord& r : characters) {
        if (r.cellX + r.cellWidth > static_cast<int32_t>(atlas.getWidth()) ||
            r.cellY + r.cellHeight > static_cast<int32_t>(atlas.getHeight()) || r.cellWidth <= 0 || r.cellHeight <= 0)
            continue;
        auto picture = std::make_unique<ResourceBuffer>(r.cellWidth, r.cellHeight);
        picture->copyRegion(atlas, r.cellX, r.cellY, r.cellWidth, r.cellHeight);
        callback(std::move(picture), r.index, r.startTime, leftMargin + r.centerX, topMargin + r.centerY, r.z);
    }
}

} // namespace Media
