#include "platform/draw/svg.h"

#include "platform/draw/private_qt.h"

#include <QColor>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace Platform::Draw {

namespace {

constexpr std::string_view SvgNamespace = "http://www.w3.org/2000/svg";

// Elements outside the static SVG Tiny 1.2 features that the drawing library
// would draw as if they were plain groups; they are left out with a warning.
constexpr std::string_view LeftOutElements[] = {"clipPath", "mask", "marker", "pattern", "filter"};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

Color fromBytes(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f};
}

bool parseHexColor(std::string_view digits, Color& out)
{
    if (digits.size() != 3 && digits.size() != 6)
        return false;
    int v[6];
    for (size_t i = 0; i < digits.size(); ++i)
        if ((v[i] = hexDigit(digits[i])) < 0)
            return false;
    if (digits.size() == 3)
        out = fromBytes(v[0] * 17, v[1] * 17, v[2] * 17);
    else
        out = fromBytes(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
    return true;
}

// "rgb(" already removed: three numbers or percentages, comma separated, then ")".
bool parseRgbFunction(std::string_view rest, Color& out)
{
    int bytes[3];
    for (int i = 0; i < 3; ++i) {
        rest = trim(rest);
        double value = 0;
        auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (ec != std::errc() || !std::isfinite(value))
            return false;
        rest.remove_prefix(static_cast<size_t>(end - rest.data()));
        if (!rest.empty() && rest.front() == '%') {
            value = value * 255.0 / 100.0;
            rest.remove_prefix(1);
        }
        bytes[i] = static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0)));
        rest = trim(rest);
        const char separator = i < 2 ? ',' : ')';
        if (rest.empty() || rest.front() != separator)
            return false;
        rest.remove_prefix(1);
    }
    if (!trim(rest).empty())
        return false;
    out = fromBytes(bytes[0], bytes[1], bytes[2]);
    return true;
}

bool parseColorName(std::string_view name, Color& out)
{
    if (name.empty() || name.size() > 32 || equalsNoCase(name, "transparent"))
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    // The toolkit's colour names are the SVG colour keywords (and "transparent").
    const QColor color(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    if (!color.isValid())
        return false;
    out = fromBytes(color.red(), color.green(), color.blue());
    return true;
}

std::string formatFloat(float value)
{
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof(text), value);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

// Numbers separated by spaces and/or one comma.
std::vector<double> parseNumberList(std::string_view text)
{
    std::vector<double> out;
    text = trim(text);
    while (!text.empty()) {
        double value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc() || !std::isfinite(value))
            return {};
        out.push_back(value);
        text.remove_prefix(static_cast<size_t>(end - text.data()));
        text = trim(text);
        if (!text.empty() && text.front() == ',')
            text = trim(text.substr(1));
    }
    return out;
}

// An image element whose picture is inside the document (a "data:" address).
bool isEmbedded(const QXmlStreamAttributes& attributes)
{
    for (const QXmlStreamAttribute& attribute : attributes)
        if (attribute.name() == QLatin1String("href"))
            return attribute.value().trimmed().startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
    return false;
}

std::string toStd(QStringView s)
{
    return s.toString().toStdString();
}

QString toQ(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

bool parseSvgColor(std::string_view text, Color& out)
{
    text = trim(text);
    if (!text.empty() && text.front() == '#')
        return parseHexColor(text.substr(1), out);
    if (startsWithNoCase(text, "rgb("))
        return parseRgbFunction(text.substr(4), out);
    return parseColorName(text, out);
}

bool parseSvgPaint(std::string_view text, SvgPaint& out)
{
    text = trim(text);
    if (text == "none") {
        out = {SvgPaintType::None, {}};
        return true;
    }
    if (text == "currentColor") {
        out = {SvgPaintType::CurrentColor, {}};
        return true;
    }
    if (text.substr(0, 4) == "url(") {
        if (text.find(')') == std::string_view::npos)
            return false;
        out = {SvgPaintType::Uri, {}};
        return true;
    }
    Color color;
    if (!parseSvgColor(text, color))
        return false;
    out = {SvgPaintType::Color, color};
    return true;
}

// ---- elements

SvgElement::SvgElement(std::string qualifiedName) : qualifiedName_(std::move(qualifiedName))
{
    const size_t colon = qualifiedName_.find(':');
    name_ = colon == std::string::npos ? qualifiedName_ : qualifiedName_.substr(colon + 1);
}

SvgElement::~SvgElement() = default;

std::string* SvgElement::findAttribute(std::string_view name)
{
    for (auto& [key, value] : attributes_)
        if (key == name)
            return &value;
    return nullptr;
}

const std::string* SvgElement::findAttribute(std::string_view name) const
{
    return const_cast<SvgElement*>(this)->findAttribute(name);
}

bool SvgElement::findStyleValue(std::string_view name, size_t& begin, size_t& end) const
{
    const std::string* style = findAttribute("style");
    if (!style)
        return false;
    bool found = false;
    size_t at = 0;
    while (at <= style->size()) {
        size_t stop = style->find(';', at);
        if (stop == std::string::npos)
            stop = style->size();
        const std::string_view declaration(style->data() + at, stop - at);
        const size_t colon = declaration.find(':');
        if (colon != std::string_view::npos && equalsNoCase(trim(declaration.substr(0, colon)), name)) {
            std::string_view value = declaration.substr(colon + 1);
            // Trim inside the declaration, leaving "!important" out of the value.
            size_t first = 0, last = value.size();
            while (first < last && isSpace(value[first]))
                ++first;
            while (last > first && isSpace(value[last - 1]))
                --last;
            const std::string_view important = "!important";
            if (last - first >= important.size() &&
                equalsNoCase(value.substr(last - important.size(), important.size()), important)) {
                last -= important.size();
                while (last > first && isSpace(value[last - 1]))
                    --last;
            }
            const size_t valueStart = at + colon + 1;
            begin = valueStart + first;
            end = valueStart + last;
            found = true; // the last declaration of a property wins
        }
        at = stop + 1;
    }
    return found;
}

bool SvgElement::isAttributeSpecified(std::string_view name) const
{
    size_t begin, end;
    return findAttribute(name) || findStyleValue(name, begin, end);
}

std::string SvgElement::getAttribute(std::string_view name) const
{
    size_t begin, end;
    if (findStyleValue(name, begin, end))
        return findAttribute("style")->substr(begin, end - begin);
    const std::string* value = findAttribute(name);
    return value ? *value : std::string();
}

void SvgElement::setAttribute(std::string_view name, std::string_view value)
{
    size_t begin, end;
    if (findStyleValue(name, begin, end)) {
        findAttribute("style")->replace(begin, end - begin, value);
        return;
    }
    if (std::string* existing = findAttribute(name))
        *existing = value;
    else
        attributes_.emplace_back(std::string(name), std::string(value));
}

void SvgElement::setAttribute(std::string_view name, float value)
{
    setAttribute(name, std::string_view(formatFloat(value)));
}

void SvgElement::setAttribute(std::string_view name, const Color& color)
{
    auto byte = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    char text[8];
    std::snprintf(text, sizeof(text), "#%02x%02x%02x", byte(color.r), byte(color.g), byte(color.b));
    setAttribute(name, std::string_view(text));
}

SvgElement& SvgElement::appendChild(std::unique_ptr<SvgElement> child)
{
    Content entry;
    entry.child = children_.size();
    content_.push_back(std::move(entry));
    children_.push_back(std::move(child));
    return *children_.back();
}

// ---- documents

SvgDocument::~SvgDocument() = default;

std::unique_ptr<SvgDocument> SvgDocument::parse(std::string_view text, std::string* error)
{
    auto fail = [error](std::string reason) {
        if (error)
            *error = std::move(reason);
        return std::unique_ptr<SvgDocument>();
    };
    std::unique_ptr<SvgDocument> document(new SvgDocument());
    QXmlStreamReader reader(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
    std::vector<SvgElement*> open;   // elements of the tree being filled, innermost last
    std::vector<int> levels;         // tree levels each open source element added (a symbol adds two)
    size_t leftOutDepth = 0;         // > 0 inside an element that is left out
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (levels.size() + leftOutDepth >= MaxDepth)
                return fail("elements nest deeper than " + std::to_string(MaxDepth));
            if (leftOutDepth) {
                ++leftOutDepth;
                break;
            }
            const std::string uri = toStd(reader.namespaceUri());
            const std::string local = toStd(reader.name());
            const bool svg = uri.empty() || uri == SvgNamespace;
            if (!document->root_ && (!svg || local != "svg"))
                return fail("the root element is not svg");
            if (document->root_ && open.empty())
                return fail("more than one root element"); // the reader reports this too
            if (!svg) {
                leftOutDepth = 1;
                break;
            }
            if (std::find(std::begin(LeftOutElements), std::end(LeftOutElements), local) !=
                std::end(LeftOutElements)) {
                if (std::find(document->unsupported_.begin(), document->unsupported_.end(), local) ==
                    document->unsupported_.end())
                    document->unsupported_.push_back(local);
                leftOutDepth = 1;
                break;
            }
            if (local == "image" && !isEmbedded(reader.attributes())) {
                leftOutDepth = 1; // pictures come from the file itself, never from other files
                break;
            }
            // A symbol becomes a group of the same namespace prefix.
            const std::string prefix = reader.prefix().isEmpty() ? std::string() : toStd(reader.prefix()) + ":";
            auto element =
                std::make_unique<SvgElement>(local == "symbol" ? prefix + "g" : toStd(reader.qualifiedName()));
            for (const QXmlStreamNamespaceDeclaration& ns : reader.namespaceDeclarations()) {
                std::string key = ns.prefix().isEmpty() ? std::string("xmlns") : "xmlns:" + toStd(ns.prefix());
                element->attributes_.emplace_back(std::move(key), toStd(ns.namespaceUri()));
            }
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                element->attributes_.emplace_back(toStd(attribute.qualifiedName()), toStd(attribute.value()));
            int added = 1;
            if (!document->root_) {
                document->root_ = std::move(element);
                open.push_back(document->root_.get());
            } else if (local == "symbol") {
                // Never drawn in place: a group inside the definitions, which uses still reach.
                SvgElement& defs = open.back()->appendChild(std::make_unique<SvgElement>(prefix + "defs"));
                open.push_back(&defs);
                open.push_back(&defs.appendChild(std::move(element)));
                added = 2;
            } else {
                open.push_back(&open.back()->appendChild(std::move(element)));
            }
            levels.push_back(added);
            break;
        }
        case QXmlStreamReader::EndElement:
            if (leftOutDepth) {
                --leftOutDepth;
                break;
            }
            if (!levels.empty()) {
                open.resize(open.size() - static_cast<size_t>(levels.back()));
                levels.pop_back();
            }
            break;
        case QXmlStreamReader::Characters:
            if (!leftOutDepth && !open.empty()) {
                SvgElement::Content entry;
                entry.isText = true;
                entry.cdata = reader.isCDATA();
                entry.text = toStd(reader.text());
                open.back()->content_.push_back(std::move(entry));
            }
            break;
        default:
            break; // declarations, comments, processing instructions, unresolved entities
        }
    }
    if (reader.hasError())
        return fail(reader.errorString().toStdString() + " (line " + std::to_string(reader.lineNumber()) + ")");
    if (!document->root_)
        return fail("no root element");
    return document;
}

void SvgDocument::setViewportSize(float width, float height)
{
    viewportWidth_ = width;
    viewportHeight_ = height;
}

Rect SvgDocument::viewBoxPlacement() const
{
    const float vw = viewportWidth_, vh = viewportHeight_;
    const Rect whole{0, 0, vw, vh};
    const std::vector<double> box = parseNumberList(root_->getAttribute("viewBox"));
    if (box.size() != 4 || box[2] < 0 || box[3] < 0)
        return whole; // no usable viewBox: user units are pixels
    if (box[2] == 0 || box[3] == 0)
        return {0, 0, 0, 0}; // an empty viewBox turns drawing off
    const std::string aspectText = root_->getAttribute("preserveAspectRatio");
    std::string_view aspect = trim(aspectText);
    if (aspect.substr(0, 5) == "defer")
        aspect = trim(aspect.substr(5));
    const size_t space = aspect.find_first_of(" \t\r\n");
    const std::string_view align = aspect.substr(0, space);
    const bool slice = space != std::string_view::npos && trim(aspect.substr(space)) == "slice";
    if (align == "none")
        return whole;
    const double sx = vw / box[2], sy = vh / box[3];
    const double s = slice ? std::max(sx, sy) : std::min(sx, sy);
    const double w = box[2] * s, h = box[3] * s;
    // Alignment: xMin / xMid / xMax and yMin / yMid / yMax; anything else is xMidYMid.
    double fx = 0.5, fy = 0.5;
    if (align.size() == 8 && align[0] == 'x' && align[4] == 'Y') {
        const std::string_view x = align.substr(1, 3), y = align.substr(5, 3);
        fx = x == "Min" ? 0.0 : x == "Max" ? 1.0 : 0.5;
        fy = y == "Min" ? 0.0 : y == "Max" ? 1.0 : 0.5;
    }
    const double left = (vw - w) * fx, top = (vh - h) * fy;
    return {static_cast<float>(left), static_cast<float>(top), static_cast<float>(left + w),
            static_cast<float>(top + h)};
}

namespace {
void writeElement(QXmlStreamWriter& writer, const SvgElement& element, const std::string* width,
                  const std::string* height);
}

std::string SvgDocument::serialize(bool sizedToViewport) const
{
    QByteArray bytes;
    {
        QXmlStreamWriter writer(&bytes);
        writer.writeStartDocument();
        const std::string width = formatFloat(viewportWidth_), height = formatFloat(viewportHeight_);
        writeElement(writer, *root_, sizedToViewport ? &width : nullptr, sizedToViewport ? &height : nullptr);
        writer.writeEndDocument();
    }
    return bytes.toStdString();
}

namespace {
void writeElement(QXmlStreamWriter& writer, const SvgElement& element, const std::string* width,
                  const std::string* height)
{
    writer.writeStartElement(toQ(element.qualifiedName()));
    bool wroteWidth = false, wroteHeight = false;
    for (const auto& [key, value] : element.attributes()) {
        if (width && key == "width") {
            writer.writeAttribute(QStringLiteral("width"), toQ(*width));
            wroteWidth = true;
        } else if (height && key == "height") {
            writer.writeAttribute(QStringLiteral("height"), toQ(*height));
            wroteHeight = true;
        } else {
            writer.writeAttribute(toQ(key), toQ(value));
        }
    }
    if (width && !wroteWidth)
        writer.writeAttribute(QStringLiteral("width"), toQ(*width));
    if (height && !wroteHeight)
        writer.writeAttribute(QStringLiteral("height"), toQ(*height));
    for (const SvgElement::Content& entry : element.content()) {
        if (!entry.isText)
            writeElement(writer, *element.children()[entry.child], nullptr, nullptr);
        else if (entry.cdata)
            writer.writeCDATA(toQ(entry.text));
        else
            writer.writeCharacters(toQ(entry.text));
    }
    writer.writeEndElement();
}
} // namespace

bool SvgDocument::isDrawable() const
{
    QSvgRenderer renderer;
    return renderer.load(QByteArray::fromStdString(serialize(true))) && renderer.isValid();
}

bool drawSvgDocument(const SvgDocument& document, QPainter& painter)
{
    QSvgRenderer renderer;
    if (!renderer.load(QByteArray::fromStdString(document.serialize(true))) || !renderer.isValid())
        return false;
    const Rect box = document.viewBoxPlacement();
    if (box.right <= box.left || box.bottom <= box.top)
        return true; // an empty viewBox draws nothing
    painter.save();
    // The viewport clips what lies outside it (a sliced viewBox overflows it).
    painter.setClipRect(QRectF(0, 0, document.viewportWidth(), document.viewportHeight()), Qt::IntersectClip);
    renderer.render(&painter, QRectF(box.left, box.top, box.right - box.left, box.bottom - box.top));
    painter.restore();
    return true;
}

} // namespace Platform::Draw
