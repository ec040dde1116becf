#pragma once
// Installed fonts: families with their localized names, fonts with weight,
// style and stretch, and font faces with design metrics, glyph indices,
// vertical glyph variants, glyph outlines and colour glyphs.
//
// Locale names are lower-case BCP 47 tags ("en-us", "ja-jp").
#include "platform/draw/types.h"

#include <memory>
#include <string>
#include <vector>

namespace Platform::Draw {

class PathGeometry;
class StrokeStyle;

enum class FontStyle { Normal, Oblique, Italic };

struct LocalizedName {
    std::wstring locale;
    std::wstring name;
};

// Finds a name for a locale: an exact tag, then the same language ("ja" for
// "ja-jp" and the reverse). Returns -1 when none fits.
int findLocaleName(const std::vector<LocalizedName>& names, const std::wstring& locale);

// The user's locale as a lower-case tag, from the environment (LC_ALL,
// LC_MESSAGES, LANG). An unset locale and the "C" and "POSIX" locales count as "en-us".
std::wstring userLocaleName();

struct FontMetrics {
    uint16_t designUnitsPerEm = 0;
    uint16_t ascent = 0;
    uint16_t descent = 0;
    int16_t lineGap = 0;
    uint16_t capHeight = 0;
    uint16_t xHeight = 0;
    int16_t underlinePosition = 0;
    uint16_t underlineThickness = 0;
};

// Design-unit metrics of one glyph, y up; vertical values from the vertical
// metrics of the font, or from its ascent and descent when it has none.
struct GlyphMetrics {
    int32_t leftSideBearing = 0;
    uint32_t advanceWidth = 0;
    int32_t rightSideBearing = 0;
    int32_t topSideBearing = 0;
    uint32_t advanceHeight = 0;
    int32_t bottomSideBearing = 0;
    int32_t verticalOriginY = 0;
};

enum FontSimulations : uint32_t { SimulationNone = 0, SimulationBold = 1, SimulationOblique = 2 };

class FontData; // one face of a font file, shared by fonts and faces

class FontFace {
public:
    explicit FontFace(std::shared_ptr<FontData> data, uint32_t simulations = SimulationNone);
    ~FontFace();
    FontMetrics getMetrics() const;
    uint32_t simulations() const { return simulations_; }
    // Code points to glyph indices; 0 for a character the font lacks.
    void getGlyphIndices(const uint32_t* codePoints, int count, uint16_t* glyphs) const;
    void getDesignGlyphMetrics(const uint16_t* glyphs, int count, GlyphMetrics* out, bool sideways = false) const;
    bool hasVerticalGlyphVariants() const;
    // Replaces each glyph by its vertical form where the font has one.
    void getVerticalGlyphVariants(const uint16_t* glyphs, int count, uint16_t* out) const;
    // Adds the outline of glyph at emSize (pixels), baseline origin at (0, 0),
    // to the open sink of geometry. false when the sink is not open.
    bool getGlyphOutline(uint16_t glyph, float emSize, PathGeometry& geometry) const;
    // Adds the area a stroke of the outline covers (width in pixels, style as
    // for drawing; null for the default style) to the open sink of geometry.
    // Filling it equals stroking the outline; the area is kept for later uses.
    bool getGlyphStrokeArea(uint16_t glyph, float emSize, float width, const StrokeStyle* style,
                            PathGeometry& geometry) const;
    // Whether the glyph is drawn from the font's colour data rather than its outline.
    bool isColorGlyph(uint16_t glyph) const;
    const FontData& data() const { return *data_; }

private:
    std::shared_ptr<FontData> data_;
    uint32_t simulations_;
};

class FontFamily;

class Font {
public:
    Font(std::shared_ptr<FontData> data, int weight, FontStyle style, int stretch, uint32_t simulations);
    ~Font();
    int getWeight() const { return weight_; }
    FontStyle getStyle() const { return style_; }
    int getStretch() const { return stretch_; } // 1 ultra-condensed .. 5 normal .. 9 ultra-expanded
    uint32_t getSimulations() const { return simulations_; }
    // The font's legacy family names (those of four-member style groups), by locale.
    const std::vector<LocalizedName>& getWin32FamilyNames() const;
    std::shared_ptr<FontFamily> getFontFamily() const;
    std::shared_ptr<FontFace> createFontFace() const;

private:
    friend class FontCollection;
    friend class FontFamily;
    std::shared_ptr<FontData> data_;
    int weight_;
    FontStyle style_;
    int stretch_;
    uint32_t simulations_;
    std::weak_ptr<FontFamily> family_;
};

// The members of a family come regular first, then by their distance from
// it (stretch, then style, then weight).
class FontFamily : public std::enable_shared_from_this<FontFamily> {
public:
    const std::vector<LocalizedName>& getFamilyNames() const { return names_; }
    int getFontCount() const { return static_cast<int>(fonts_.size()); }
    std::shared_ptr<Font> getFont(int index) const { return fonts_.at(static_cast<size_t>(index)); }
    // The closest font (stretch first, then style, then weight by the usual
    // font-matching rules), with bold or oblique simulated when the family
    // has no bold enough or slanted member.
    std::shared_ptr<Font> getFirstMatchingFont(int weight, int stretch, FontStyle style) const;

private:
    friend class FontCollection;
    std::vector<LocalizedName> names_;
    std::vector<std::shared_ptr<Font>> fonts_;
};

// The fonts installed in the system, enumerated once.
class FontCollection {
public:
    static const FontCollection& system();
    int getFamilyCount() const { return static_cast<int>(families_.size()); }
    std::shared_ptr<FontFamily> getFontFamily(int index) const { return families_.at(static_cast<size_t>(index)); }
    // Case-insensitive search among every localized family name; -1 when absent.
    int findFamilyName(const std::wstring& name) const;

private:
    FontCollection();
    std::vector<std::shared_ptr<FontFamily>> families_;
};

// The installed family that the system's font configuration substitutes for
// name, preferring families that cover Japanese text. Empty when there is none.
std::wstring substituteFamilyName(const std::wstring& name);

} // namespace Platform::Draw
