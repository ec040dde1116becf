#include "platform/draw/private_qt.h"

#include "platform/draw/font_tables.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace Platform::Draw {

namespace {

// Big-endian reads that give 0 past the end of the table.
struct Be : TableReader {
    explicit Be(const QByteArray& b) : TableReader{reinterpret_cast<const uint8_t*>(b.constData()), static_cast<size_t>(b.size())} {}
};

std::wstring lower(std::wstring s)
{
    for (auto& c : s)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}

std::wstring toWide(const QString& s)
{
    return s.toStdWString();
}

// Language identifiers (of name-table platform 3) that fonts commonly carry.
std::wstring localeOfLanguageId(uint16_t id)
{
    static const struct {
        uint16_t id;
        const wchar_t* tag;
    } table[] = {
        {0x0409, L"en-us"}, {0x0809, L"en-gb"}, {0x0411, L"ja-jp"}, {0x0412, L"ko-kr"}, {0x0804, L"zh-cn"},
        {0x0404, L"zh-tw"}, {0x0c04, L"zh-hk"}, {0x1004, L"zh-sg"}, {0x1404, L"zh-mo"}, {0x0407, L"de-de"},
        {0x040c, L"fr-fr"}, {0x0410, L"it-it"}, {0x0c0a, L"es-es"}, {0x040a, L"es-es"}, {0x0419, L"ru-ru"},
        {0x0416, L"pt-br"}, {0x0816, L"pt-pt"}, {0x0413, L"nl-nl"}, {0x041d, L"sv-se"}, {0x0406, L"da-dk"},
        {0x0414, L"nb-no"}, {0x040b, L"fi-fi"}, {0x0415, L"pl-pl"}, {0x0405, L"cs-cz"}, {0x040e, L"hu-hu"},
        {0x041f, L"tr-tr"}, {0x0408, L"el-gr"}, {0x040d, L"he-il"}, {0x0401, L"ar-sa"}, {0x041e, L"th-th"},
        {0x042a, L"vi-vn"}, {0x0421, L"id-id"}, {0x0422, L"uk-ua"}, {0x0402, L"bg-bg"}, {0x041a, L"hr-hr"},
    };
    for (const auto& e : table)
        if (e.id == id)
            return e.tag;
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"x-lcid-%04x", id);
    return buffer;
}

// Names of one name id from the name table: platform 3 entries by language, or
// the platform 1 English entry when the font has no platform 3 one.
std::vector<LocalizedName> readNames(const QByteArray& table, uint16_t nameId)
{
    std::vector<LocalizedName> out;
    Be be{table};
    const int count = be.u16(2), storage = be.u16(4);
    std::wstring macName;
    for (int i = 0; i < count; ++i) {
        const int r = 6 + i * 12;
        const uint16_t platform = be.u16(r), encoding = be.u16(r + 2), language = be.u16(r + 4), id = be.u16(r + 6);
        const int length = be.u16(r + 8), offset = storage + be.u16(r + 10);
        if (id != nameId || offset + length > table.size())
            continue;
        if (platform == 3 && (encoding == 1 || encoding == 10 || encoding == 0)) {
            std::wstring name;
            for (int k = 0; k + 1 < length; k += 2) {
                uint32_t u = be.u16(offset + k);
                if (u >= 0xD800 && u < 0xDC00 && k + 3 < length) {
                    uint32_t lo = be.u16(offset + k + 2);
                    if (lo >= 0xDC00 && lo < 0xE000) {
                        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
                        k += 2;
                    }
                }
                name.push_back(static_cast<wchar_t>(u));
            }
            std::wstring locale = localeOfLanguageId(language);
            bool seen = std::any_of(out.begin(), out.end(), [&](const LocalizedName& n) { return n.locale == locale; });
            if (!seen && !name.empty())
                out.push_back({locale, name});
        } else if (platform == 1 && encoding == 0 && language == 0 && macName.empty()) {
            for (int k = 0; k < length; ++k)
                macName.push_back(static_cast<wchar_t>(be.u8(offset + k)));
        }
    }
    if (out.empty() && !macName.empty())
        out.push_back({L"en-us", macName});
    return out;
}

} // namespace

// ---- locale names

int findLocaleName(const std::vector<LocalizedName>& names, const std::wstring& locale)
{
    if (locale.empty())
        return -1;
    const std::wstring want = lower(locale);
    for (size_t i = 0; i < names.size(); ++i)
        if (lower(names[i].locale) == want)
            return static_cast<int>(i);
    const std::wstring language = want.substr(0, want.find(L'-'));
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring l = lower(names[i].locale);
        if (l.substr(0, l.find(L'-')) == language)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring userLocaleName()
{
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) {
            value = v;
            break;
        }
    }
    if (!value)
        return L"en-us";
    std::string s(value);
    s = s.substr(0, s.find_first_of(".@"));
    if (s == "C" || s == "POSIX" || s.empty())
        return L"en-us";
    std::wstring out;
    for (char c : s)
        out.push_back(c == '_' ? L'-' : static_cast<wchar_t>(std::tolower(static_cast<unsigned char>(c))));
    return out;
}

// ---- font data

FontData::FontData(const QFont& f, const QRawFont& designFont) : font(f), design(designFont) {}

QByteArray FontData::table(const char* tag) const
{
    return design.fontTable(tag);
}

const FontData::Tables& FontData::tables()
{
    std::call_once(parsed_, [this] {
        std::lock_guard lock(mutex);
        Tables& t = tables_;
        const QByteArray head = table("head"), hhea = table("hhea"), os2 = table("OS/2"), post = table("post");
        Be h{head}, hh{hhea}, o{os2}, p{post};
        FontMetrics& m = t.metrics;
        m.designUnitsPerEm = head.size() >= 20 ? h.u16(18) : static_cast<uint16_t>(design.unitsPerEm());
        const bool useTypo = os2.size() >= 78 && (o.u16(62) & 0x80);
        if (useTypo) {
            m.ascent = static_cast<uint16_t>(std::max<int>(0, o.s16(68)));
            m.descent = static_cast<uint16_t>(std::max<int>(0, -o.s16(70)));
            m.lineGap = o.s16(72);
        } else if (os2.size() >= 78) {
            m.ascent = o.u16(74);
            m.descent = o.u16(76);
            const int hheaHeight = hh.s16(4) - hh.s16(6) + hh.s16(8);
            m.lineGap = static_cast<int16_t>(std::max(0, hheaHeight - m.ascent - m.descent));
        } else {
            m.ascent = static_cast<uint16_t>(std::max<int>(0, hh.s16(4)));
            m.descent = static_cast<uint16_t>(std::max<int>(0, -hh.s16(6)));
            m.lineGap = hh.s16(8);
        }
        if (os2.size() >= 90) {
            m.xHeight = o.u16(86);
            m.capHeight = o.u16(88);
        }
        m.underlinePosition = p.s16(8);
        m.underlineThickness = p.u16(10);
        t.numberOfHMetrics = hh.u16(34);
        t.hmtx = table("hmtx");
        const QByteArray vhea = table("vhea");
        t.vmtx = table("vmtx");
        t.numberOfVMetrics = vhea.size() >= 36 ? Be{vhea}.u16(34) : 0;
        const QByteArray vorg = table("VORG");
        if (vorg.size() >= 8) {
            Be v{vorg};
            t.hasVorg = true;
            t.vorgDefault = v.s16(4);
            const int n = v.u16(6);
            for (int i = 0; i < n; ++i)
                t.vorg.emplace(v.u16(8 + i * 4), v.s16(10 + i * 4));
        }
        const QByteArray gsub = table("GSUB");
        t.vertical = readVerticalSubstitutions(Be{gsub});
        t.colorBitmaps = !table("CBDT").isEmpty() || !table("sbix").isEmpty();
        if (os2.size() >= 8) {
            t.weight = std::clamp<int>(o.u16(4), 1, 999);
            t.stretch = std::clamp<int>(o.u16(6), 1, 9);
            const uint16_t selection = o.u16(62);
            t.style = (selection & 0x200) ? FontStyle::Oblique : (selection & 1) ? FontStyle::Italic : FontStyle::Normal;
        } else {
            t.weight = font.weight();
            t.style = font.italic() ? FontStyle::Italic : FontStyle::Normal;
        }
        const QByteArray name = table("name");
        t.win32Names = readNames(name, 1);
        t.familyNames = readNames(name, 16);
        if (t.familyNames.empty())
            t.familyNames = t.win32Names;
        if (t.win32Names.empty())
            t.win32Names.push_back({L"en-us", toWide(font.family())});
        if (t.familyNames.empty())
            t.familyNames = t.win32Names;
    });
    return tables_;
}

FontData::Box FontData::glyphBox(uint16_t glyph)
{
    tables();
    std::lock_guard lock(mutex);
    auto it = boxes_.find(glyph);
    if (it != boxes_.end())
        return it->second;
    QRectF r = designPath(glyph).boundingRect();
    // The design font's pixel size stands for the design units per em.
    const double toDesign = design.pixelSize() > 0 ? tables_.metrics.designUnitsPerEm / design.pixelSize() : 1.0;
    Box box;
    if (!r.isEmpty())
        box = {static_cast<float>(r.left() * toDesign), static_cast<float>(-r.bottom() * toDesign),
               static_cast<float>(r.right() * toDesign), static_cast<float>(-r.top() * toDesign)};
    if (boxes_.size() < 65536)
        boxes_.emplace(glyph, box);
    return box;
}

const QPainterPath& FontData::designPath(uint16_t glyph)
{
    auto it = paths_.find(glyph);
    if (it != paths_.end())
        return it->second;
    if (paths_.size() >= 8192)
        paths_.clear(); // a bounded cache: texts use far fewer distinct glyphs per font
    return paths_.emplace(glyph, design.pathForGlyph(glyph)).first->second;
}

QRawFont& FontData::sized(float pixelSize)
{
    if (sizedPixels_ != pixelSize || !sized_.isValid()) {
        QFont f = font;
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
        sized_ = QRawFont::fromFont(f);
        sized_.setPixelSize(pixelSize);
        sizedPixels_ = pixelSize;
    }
    return sized_;
}

// ---- font face

FontFace::FontFace(std::shared_ptr<FontData> data, uint32_t simulations)
    : data_(std::move(data)), simulations_(simulations)
{
}

FontFace::~FontFace() = default;

FontMetrics FontFace::getMetrics() const
{
    return data_->tables().metrics;
}

void FontFace::getGlyphIndices(const uint32_t* codePoints, int count, uint16_t* glyphs) const
{
    std::lock_guard lock(data_->mutex);
    for (int i = 0; i < count; ++i) {
        char32_t c = codePoints[i];
        QString s = QString::fromUcs4(&c, 1);
        quint32 index[2] = {0, 0};
        int n = 2; // room for one glyph per UTF-16 unit
        if (!data_->design.glyphIndexesForChars(s.constData(), static_cast<int>(s.size()), index, &n) || n < 1)
            index[0] = 0;
        glyphs[i] = static_cast<uint16_t>(index[0]);
    }
}

void FontFace::getDesignGlyphMetrics(const uint16_t* glyphs, int count, GlyphMetrics* out, bool sideways) const
{
    const FontData::Tables& t = data_->tables();
    Be hm{t.hmtx}, vm{t.vmtx};
    const int boldExtra = (simulations_ & SimulationBold) ? t.metrics.designUnitsPerEm / 24 : 0;
    for (int i = 0; i < count; ++i) {
        const uint16_t g = glyphs[i];
        GlyphMetrics& m = out[i];
        const FontData::Box box = data_->glyphBox(g); // after tables(): the box needs the units per em
        const int hIndex = std::min<int>(g, std::max(0, t.numberOfHMetrics - 1));
        m.advanceWidth = hm.u16(hIndex * 4) + static_cast<uint32_t>(boldExtra);
        const bool empty = box.xMax <= box.xMin && box.yMax <= box.yMin;
        const float xMin = empty ? 0 : box.xMin, xMax = empty ? 0 : box.xMax + boldExtra;
        const float yMin = empty ? 0 : box.yMin, yMax = empty ? 0 : box.yMax;
        m.leftSideBearing = static_cast<int32_t>(std::floor(xMin));
        m.rightSideBearing = static_cast<int32_t>(m.advanceWidth) - static_cast<int32_t>(std::ceil(xMax));
        // Vertical metrics: the vertical table when present, else the ascent and descent.
        if (t.numberOfVMetrics > 0) {
            const int vIndex = std::min<int>(g, t.numberOfVMetrics - 1);
            m.advanceHeight = vm.u16(vIndex * 4);
            int tsb = g < t.numberOfVMetrics ? vm.s16(vIndex * 4 + 2)
                                             : vm.s16(t.numberOfVMetrics * 4 + (g - t.numberOfVMetrics) * 2);
            if (t.hasVorg) {
                auto it = t.vorg.find(g);
                m.verticalOriginY = it != t.vorg.end() ? it->second : t.vorgDefault;
                tsb = m.verticalOriginY - static_cast<int32_t>(std::ceil(yMax));
            } else {
                m.verticalOriginY = tsb + static_cast<int32_t>(std::ceil(yMax));
            }
            m.topSideBearing = tsb;
        } else {
            m.advanceHeight = static_cast<uint32_t>(t.metrics.ascent + t.metrics.descent);
            m.verticalOriginY = t.metrics.ascent;
            m.topSideBearing = m.verticalOriginY - static_cast<int32_t>(std::ceil(yMax));
        }
        m.bottomSideBearing = static_cast<int32_t>(m.advanceHeight) - m.topSideBearing -
                              static_cast<int32_t>(std::ceil(yMax) - std::floor(yMin));
        if (empty) {
            m.rightSideBearing = static_cast<int32_t>(m.advanceWidth);
            m.bottomSideBearing = static_cast<int32_t>(m.advanceHeight) - m.topSideBearing;
        }
        (void)sideways;
    }
}

bool FontFace::hasVerticalGlyphVariants() const
{
    return !data_->tables().vertical.empty();
}

void FontFace::getVerticalGlyphVariants(const uint16_t* glyphs, int count, uint16_t* out) const
{
    const auto& map = data_->tables().vertical;
    for (int i = 0; i < count; ++i) {
        auto it = map.find(glyphs[i]);
        out[i] = it != map.end() ? it->second : glyphs[i];
    }
}

bool FontFace::getGlyphOutline(uint16_t glyph, float emSize, PathGeometry& geometry) const
{
    if (geometry.isClosed())
        return false;
    const FontData::Tables& t = data_->tables();
    QPainterPath path;
    {
        std::lock_guard lock(data_->mutex);
        path = data_->designPath(glyph);
    }
    (void)t;
    const double scale = data_->design.pixelSize() > 0 ? emSize / data_->design.pixelSize() : 1.0;
    QTransform transform = QTransform::fromScale(scale, scale);
    if (simulations_ & SimulationOblique)
        transform = transform * QTransform(1, 0, -0.3333, 1, 0, 0);
    path = transform.map(path);
    if (simulations_ & SimulationBold) {
        QPainterPathStroker stroker;
        stroker.setWidth(emSize / 24.0);
        stroker.setJoinStyle(Qt::RoundJoin);
        path = path.united(stroker.createStroke(path)).translated(emSize / 48.0, 0);
    }
    path.setFillRule(Qt::WindingFill);
    geometry.impl().path.addPath(path);
    geometry.impl().path.setFillRule(Qt::WindingFill);
    return true;
}

bool FontFace::getGlyphStrokeArea(uint16_t glyph, float emSize, float width, const StrokeStyle* style,
                                  PathGeometry& geometry) const
{
    if (geometry.isClosed())
        return false;
    SolidColorBrush any({0, 0, 0, 1});
    const QPen pen = makePen(any, width, style);
    FontData::StrokeKey key{glyph, simulations_, emSize, width, static_cast<int>(pen.capStyle()),
                            static_cast<int>(pen.joinStyle()), static_cast<float>(pen.miterLimit())};
    if (style && !style->dashes().empty()) {
        // Dashed borders are rare: stroke them each time.
        PathGeometry outline;
        outline.open();
        getGlyphOutline(glyph, emSize, outline);
        QPainterPathStroker stroker(pen);
        geometry.impl().path.addPath(stroker.createStroke(outline.impl().path));
        geometry.impl().path.setFillRule(Qt::WindingFill);
        return true;
    }
    {
        std::lock_guard lock(data_->mutex);
        auto it = data_->strokes.find(key);
        if (it != data_->strokes.end()) {
            geometry.impl().path.addPath(it->second);
            geometry.impl().path.setFillRule(Qt::WindingFill);
            return true;
        }
    }
    PathGeometry outline;
    outline.open();
    getGlyphOutline(glyph, emSize, outline);
    QPainterPathStroker stroker(pen);
    QPainterPath area = stroker.createStroke(outline.impl().path);
    {
        std::lock_guard lock(data_->mutex);
        if (data_->strokes.size() >= 4096)
            data_->strokes.clear();
        data_->strokes.emplace(key, area);
    }
    geometry.impl().path.addPath(area);
    geometry.impl().path.setFillRule(Qt::WindingFill);
    return true;
}

bool FontFace::isColorGlyph(uint16_t glyph) const
{
    return glyph != 0 && data_->tables().colorBitmaps;
}

// ---- fonts and families

Font::Font(std::shared_ptr<FontData> data, int weight, FontStyle style, int stretch, uint32_t simulations)
    : data_(std::move(data)), weight_(weight), style_(style), stretch_(stretch), simulations_(simulations)
{
}

Font::~Font() = default;

const std::vector<LocalizedName>& Font::getWin32FamilyNames() const
{
    return data_->tables().win32Names;
}

std::shared_ptr<FontFamily> Font::getFontFamily() const
{
    return family_.lock();
}

std::shared_ptr<FontFace> Font::createFontFace() const
{
    return std::make_shared<FontFace>(data_, simulations_);
}

namespace {
int styleRank(FontStyle want, FontStyle have)
{
    static const FontStyle order[3][3] = {
        {FontStyle::Normal, FontStyle::Oblique, FontStyle::Italic},
        {FontStyle::Oblique, FontStyle::Italic, FontStyle::Normal},
        {FontStyle::Italic, FontStyle::Oblique, FontStyle::Normal},
    };
    for (int i = 0; i < 3; ++i)
        if (order[static_cast<int>(want)][i] == have)
            return i;
    return 3;
}

// Lower is closer: the usual font-matching order of weights.
int weightRank(int want, int have)
{
    if (have == want)
        return 0;
    auto lighterFirst = [&] { return have < want ? want - have : 1000 + have - want; };
    auto heavierFirst = [&] { return have > want ? have - want : 1000 + want - have; };
    if (want >= 400 && want <= 500) {
        if (have > want && have <= 500)
            return have - want;
        if (have < want)
            return 500 + want - have;
        return 1500 + have - want;
    }
    return want < 400 ? lighterFirst() : heavierFirst();
}

int stretchRank(int want, int have)
{
    if (have == want)
        return 0;
    if (want <= 5)
        return have < want ? want - have : 10 + have - want;
    return have > want ? have - want : 10 + want - have;
}

// How far a font is from the one asked for: stretch first, then style, then weight.
long matchRank(const Font& f, int weight, int stretch, FontStyle style)
{
    return static_cast<long>(stretchRank(stretch, f.getStretch())) * 100000000L +
           static_cast<long>(styleRank(style, f.getStyle())) * 10000000L + weightRank(weight, f.getWeight());
}
} // namespace

std::shared_ptr<Font> FontFamily::getFirstMatchingFont(int weight, int stretch, FontStyle style) const
{
    if (fonts_.empty())
        return nullptr;
    const Font* best = nullptr;
    long bestRank = 0;
    for (const auto& f : fonts_) {
        const long rank = matchRank(*f, weight, stretch, style);
        if (!best || rank < bestRank) {
            best = f.get();
            bestRank = rank;
        }
    }
    uint32_t simulations = SimulationNone;
    if (weight >= 600 && best->getWeight() <= 500)
        simulations |= SimulationBold;
    if (style != FontStyle::Normal && best->getStyle() == FontStyle::Normal)
        simulations |= SimulationOblique;
    auto result = std::make_shared<Font>(best->data_, best->weight_, simulations & SimulationOblique ? style : best->style_,
                                         best->stretch_, simulations);
    result->family_ = best->family_;
    return result;
}

// ---- the system collection

namespace {
// Whether a loaded font carries a family name (in any language) as listed by the toolkit.
bool namesFamily(const QRawFont& font, const QString& family)
{
    if (font.familyName().compare(family, Qt::CaseInsensitive) == 0)
        return true;
    const QByteArray table = font.fontTable("name");
    const std::wstring wanted = lower(toWide(family));
    for (uint16_t id : {1, 16, 21})
        for (const auto& n : readNames(table, id))
            if (lower(n.name) == wanted)
                return true;
    return false;
}
} // namespace

FontCollection::FontCollection()
{
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        auto fam = std::make_shared<FontFamily>();
        const QStringList styles = QFontDatabase::styles(family);
        for (const QString& style : styles) {
            QFont f = QFontDatabase::font(family, style, 12);
            f.setStyleName(style);
            f.setHintingPreference(QFont::PreferNoHinting);
            f.setStyleStrategy(QFont::NoFontMerging);
            QRawFont probe = QRawFont::fromFont(f);
            if (!probe.isValid() || !namesFamily(probe, family))
                continue; // the toolkit substituted another font
            f.setPixelSize(std::max(16, static_cast<int>(probe.unitsPerEm())));
            QRawFont design = QRawFont::fromFont(f);
            if (!design.isValid())
                continue;
            auto data = std::make_shared<FontData>(f, design);
            const auto& t = data->tables();
            auto font = std::make_shared<Font>(data, t.weight, t.style, t.stretch, SimulationNone);
            font->family_ = fam;
            fam->fonts_.push_back(font);
        }
        if (fam->fonts_.empty())
            continue;
        // The regular member first, then by distance from it: the toolkit lists
        // styles in no such order (often bold first), and the first member of a
        // name is the one the font registry keeps.
        std::stable_sort(fam->fonts_.begin(), fam->fonts_.end(), [](const auto& a, const auto& b) {
            return matchRank(*a, 400, 5, FontStyle::Normal) < matchRank(*b, 400, 5, FontStyle::Normal);
        });
        fam->names_ = fam->fonts_.front()->data_->tables().familyNames;
        bool hasQtName = false;
        for (const auto& n : fam->names_)
            hasQtName = hasQtName || n.name == toWide(family);
        if (!hasQtName)
            fam->names_.push_back({L"x-system", toWide(family)}); // the name the toolkit lists it under
        families_.push_back(fam);
    }
}

const FontCollection& FontCollection::system()
{
    // Never destroyed: the raw fonts must not outlive the toolkit's application object.
    static const FontCollection* collection = new FontCollection();
    return *collection;
}

int FontCollection::findFamilyName(const std::wstring& name) const
{
    const std::wstring want = lower(name);
    for (size_t i = 0; i < families_.size(); ++i)
        for (const auto& n : families_[i]->getFamilyNames())
            if (lower(n.name) == want)
                return static_cast<int>(i);
    return -1;
}

std::wstring substituteFamilyName(const std::wstring& name)
{
    std::wstring result;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return result;
    std::string utf8 = QString::fromStdWString(name).toStdString();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.c_str()));
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult status = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &status);
    if (match) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
            result = QString::fromUtf8(reinterpret_cast<const char*>(family)).toStdWString();
        FcPatternDestroy(match);
    }
    FcLangSetDestroy(langs);
    FcPatternDestroy(pattern);
    return result;
}

} // namespace Platform::Draw
