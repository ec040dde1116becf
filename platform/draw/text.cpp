#include "platform/draw/private_qt.h"

#include <QFontMetricsF>
#include <QTextLine>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace Platform::Draw {

namespace {
QString fromWide(const wchar_t* text, size_t count)
{
    return text ? QString::fromWCharArray(text, static_cast<qsizetype>(count)) : QString();
}
} // namespace

TextFormat::TextFormat(const std::wstring& family, float size, int weight, bool italic)
    : impl_(std::make_unique<Impl>())
{
    Impl& d = *impl_;
    d.family = family;
    d.size = size;
    d.weight = std::clamp(weight, 1, 1000);
    d.italic = italic;
    d.font = QFont(QString::fromStdWString(family));
    d.font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    if (size > 0)
        d.font.setPointSizeF(size * 72.0 / 96.0); // keeps fractional sizes: 96 dpi pixels
    d.font.setWeight(static_cast<QFont::Weight>(d.weight));
    d.font.setItalic(italic);
    d.font.setHintingPreference(QFont::PreferNoHinting);
}

TextFormat::~TextFormat() = default;

const std::wstring& TextFormat::getFontFamilyName() const
{
    return impl_->family;
}

float TextFormat::getFontSize() const
{
    return impl_->size;
}

int TextFormat::getWeight() const
{
    return impl_->weight;
}

bool TextFormat::isItalic() const
{
    return impl_->italic;
}

void TextFormat::setWordWrapping(bool wrap)
{
    impl_->wrap = wrap;
}

bool TextFormat::wordWrapping() const
{
    return impl_->wrap;
}

void TextFormat::setTextAlignment(int alignment)
{
    impl_->textAlignment = alignment;
}

void TextFormat::setParagraphAlignment(int alignment)
{
    impl_->paragraphAlignment = alignment;
}

int TextFormat::textAlignment() const
{
    return impl_->textAlignment;
}

int TextFormat::paragraphAlignment() const
{
    return impl_->paragraphAlignment;
}

void TextFormat::setEllipsisTrimming(bool on)
{
    impl_->ellipsis = on;
}

bool TextFormat::ellipsisTrimming() const
{
    return impl_->ellipsis;
}

// ---- layouts

void TextLayout::Impl::build()
{
    shown = text;
    // A layout box of 0 or less counts as unbounded, as does the default 65536.
    const bool bounded = maxWidth > 0 && maxWidth < 65536;
    if (format.ellipsis && bounded && !format.wrap) {
        QFontMetricsF metrics(font);
        shown = metrics.elidedText(text, Qt::ElideRight, maxWidth);
    }
    // A line feed breaks the line (the toolkit's layout breaks at the line
    // separator only); one unit for one, so positions stay.
    shown.replace(QChar(u'\n'), QChar::LineSeparator);
    units.clear();
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (shown.at(i).isHighSurrogate()) {
            for (qsizetype j = 0; j < shown.size(); ++j) {
                units.push_back(static_cast<int>(j));
                if (shown.at(j).isHighSurrogate() && j + 1 < shown.size() && shown.at(j + 1).isLowSurrogate())
                    ++j;
            }
            units.push_back(static_cast<int>(shown.size()));
            break;
        }
    layout.clearLayout();
    layout.setText(shown);
    layout.setFont(font);
    QTextOption option;
    option.setWrapMode(format.wrap && bounded ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    float y = 0;
    QFontMetricsF metrics(font);
    lineHeight = static_cast<float>(metrics.height());
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        if (format.wrap && bounded)
            line.setLineWidth(maxWidth);
        else
            line.setNumColumns(static_cast<int>(shown.size()) + 1);
        line.setPosition(QPointF(0, y));
        y += static_cast<float>(line.height());
    }
    layout.endLayout();
}

int TextLayout::Impl::toUnit(int position) const
{
    if (units.empty())
        return std::clamp(position, 0, static_cast<int>(shown.size()));
    return units[static_cast<size_t>(std::clamp(position, 0, static_cast<int>(units.size()) - 1))];
}

int TextLayout::Impl::toPoint(int unit) const
{
    if (units.empty())
        return unit;
    return static_cast<int>(std::upper_bound(units.begin(), units.end(), unit) - units.begin()) - 1;
}

QPointF TextLayout::Impl::offset() const
{
    QRectF bounds = layout.boundingRect();
    double height = 0;
    for (int i = 0; i < layout.lineCount(); ++i)
        height += layout.lineAt(i).height();
    double dx = 0, dy = 0;
    const double width = layout.lineCount() ? layout.lineAt(0).naturalTextWidth() : 0;
    if (maxWidth > 0 && maxWidth < 65536) {
        if (format.textAlignment == 1)
            dx = maxWidth - width;
        else if (format.textAlignment == 2)
            dx = (maxWidth - width) / 2;
    }
    if (maxHeight > 0 && maxHeight < 65536) {
        if (format.paragraphAlignment == 1)
            dy = maxHeight - height;
        else if (format.paragraphAlignment == 2)
            dy = (maxHeight - height) / 2;
    }
    (void)bounds;
    return QPointF(dx, dy);
}

TextLayout::TextLayout(const wchar_t* text, size_t count, const TextFormat& format, float maxWidth, float maxHeight)
    : impl_(std::make_unique<Impl>())
{
    Impl& d = *impl_;
    d.text = fromWide(text, count);
    d.font = format.impl().font;
    d.format = format.impl();
    d.maxWidth = maxWidth;
    d.maxHeight = maxHeight;
    d.build();
}

TextLayout::~TextLayout() = default;

TextMetrics TextLayout::getMetrics() const
{
    const Impl& d = *impl_;
    TextMetrics m;
    m.layoutWidth = d.maxWidth;
    m.layoutHeight = d.maxHeight;
    m.lineCount = static_cast<uint32_t>(std::max(1, d.layout.lineCount()));
    float height = 0, width = 0, full = 0;
    for (int i = 0; i < d.layout.lineCount(); ++i) {
        QTextLine line = d.layout.lineAt(i);
        height += static_cast<float>(line.height());
        int last = line.textStart() + line.textLength();
        while (last > line.textStart() && d.shown.at(last - 1).isSpace())
            --last;
        width = std::max(width, static_cast<float>(line.cursorToX(last) - line.cursorToX(line.textStart())));
        full = std::max(full, static_cast<float>(line.naturalTextWidth()));
    }
    if (d.layout.lineCount() == 0)
        height = d.lineHeight;
    QPointF offset = d.offset();
    m.left = static_cast<float>(offset.x());
    m.top = static_cast<float>(offset.y());
    m.width = width;
    m.widthIncludingTrailingWhitespace = std::max(width, full);
    m.height = height;
    return m;
}

void TextLayout::setMaxWidth(float width)
{
    impl_->maxWidth = width;
    impl_->build();
}

void TextLayout::setMaxHeight(float height)
{
    impl_->maxHeight = height;
}

HitTestMetrics TextLayout::hitTestPoint(float x, float y, bool& isTrailingHit, bool& isInside) const
{
    const Impl& d = *impl_;
    HitTestMetrics m;
    isTrailingHit = false;
    isInside = false;
    if (d.layout.lineCount() == 0)
        return m;
    QPointF offset = d.offset();
    x -= static_cast<float>(offset.x());
    y -= static_cast<float>(offset.y());
    int lineIndex = 0;
    for (int i = 0; i < d.layout.lineCount(); ++i)
        if (y >= d.layout.lineAt(i).y())
            lineIndex = i;
    QTextLine line = d.layout.lineAt(lineIndex);
    const int start = line.textStart();
    const int lineEnd = start + line.textLength();
    // A line ended by a line feed: beyond its text is the line feed itself.
    const bool broken = lineEnd > start && d.shown.at(lineEnd - 1) == QChar::LineSeparator;
    const int end = broken ? lineEnd - 1 : lineEnd;
    // The character under x, and which half of it x falls on (a surrogate
    // pair is one character).
    int position = start;
    for (int i = start; i < end; ++i) {
        if (d.shown.at(i).isLowSurrogate() && i > start)
            continue;
        const int after = d.shown.at(i).isHighSurrogate() && i + 1 < end ? i + 2 : i + 1;
        double left = line.cursorToX(i), right = line.cursorToX(after);
        if (x >= std::min(left, right)) {
            position = i;
            isTrailingHit = x >= (left + right) / 2;
        }
    }
    if (x >= line.cursorToX(end)) {
        if (broken) {
            position = end;
            isTrailingHit = false;
        } else {
            position = std::max(start, end - 1);
            if (position > start && d.shown.at(position).isLowSurrogate())
                --position;
            isTrailingHit = end > start;
        }
    }
    isInside = x >= 0 && x < line.naturalTextWidth() && y >= line.y() && y < line.y() + line.height();
    const int point = d.toPoint(position);
    const int next = std::min(d.toUnit(point + 1), lineEnd);
    m.textPosition = static_cast<uint32_t>(point);
    m.length = lineEnd > start ? 1 : 0;
    m.left = static_cast<float>(line.cursorToX(position) + offset.x());
    m.top = static_cast<float>(line.y() + offset.y());
    m.width = static_cast<float>(line.cursorToX(next) - line.cursorToX(position));
    m.height = static_cast<float>(line.height());
    return m;
}

HitTestMetrics TextLayout::hitTestTextPosition(uint32_t position, bool trailing, float& x, float& y) const
{
    const Impl& d = *impl_;
    HitTestMetrics m;
    x = y = 0;
    if (d.layout.lineCount() == 0)
        return m;
    const int point = std::min<int>(static_cast<int>(position), d.toPoint(static_cast<int>(d.shown.size())));
    const int pos = d.toUnit(point);
    QTextLine line = d.layout.lineForTextPosition(pos);
    if (!line.isValid())
        line = d.layout.lineAt(d.layout.lineCount() - 1);
    const int end = line.textStart() + line.textLength();
    const int next = std::min(d.toUnit(point + 1), end);
    const int caret = trailing ? next : pos;
    QPointF offset = d.offset();
    x = static_cast<float>(line.cursorToX(caret) + offset.x());
    y = static_cast<float>(line.y() + offset.y());
    m.textPosition = static_cast<uint32_t>(point);
    m.length = pos < end ? 1 : 0;
    m.left = static_cast<float>(line.cursorToX(pos) + offset.x());
    m.top = y;
    m.width = static_cast<float>(line.cursorToX(next) - line.cursorToX(pos));
    m.height = static_cast<float>(line.height());
    return m;
}

uint32_t TextLayout::hitTestTextRange(uint32_t position, uint32_t length, HitTestMetrics* out, uint32_t maxCount) const
{
    const Impl& d = *impl_;
    if (length == 0 || d.layout.lineCount() == 0)
        return 0;
    const int from = d.toUnit(static_cast<int>(position));
    const int to = d.toUnit(static_cast<int>(std::min<uint64_t>(uint64_t(position) + length, INT32_MAX)));
    const QPointF offset = d.offset();
    uint32_t count = 0;
    for (int i = 0; i < d.layout.lineCount(); ++i) {
        QTextLine line = d.layout.lineAt(i);
        const int start = line.textStart(), end = start + line.textLength();
        const int a = std::max(from, start), b = std::min(to, end);
        if (a >= b)
            continue;
        if (count < maxCount && out) {
            double left = line.cursorToX(a), right = line.cursorToX(b);
            // A selected line break shows as a cell of a space's width.
            if (b == end && end > start && d.shown.at(end - 1) == QChar::LineSeparator) {
                right = line.cursorToX(end - 1) + QFontMetricsF(d.font).horizontalAdvance(QChar(u' '));
                if (a == end - 1)
                    left = line.cursorToX(end - 1);
            }
            HitTestMetrics& m = out[count];
            m.textPosition = static_cast<uint32_t>(d.toPoint(a));
            m.length = static_cast<uint32_t>(d.toPoint(b) - d.toPoint(a));
            m.left = static_cast<float>(std::min(left, right) + offset.x());
            m.top = static_cast<float>(line.y() + offset.y());
            m.width = static_cast<float>(std::abs(right - left));
            m.height = static_cast<float>(line.height());
        }
        ++count;
    }
    return count;
}

} // namespace Platform::Draw
