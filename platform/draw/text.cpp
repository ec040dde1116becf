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
    const int start = line.textStart(), end = start + line.textLength();
    // The character under x, and which half of it x falls on.
    int position = start;
    for (int i = start; i < end; ++i) {
        double left = line.cursorToX(i), right = line.cursorToX(i + 1);
        if (x >= std::min(left, right)) {
            position = i;
            isTrailingHit = x >= (left + right) / 2;
        }
    }
    if (x >= line.cursorToX(end)) {
        position = std::max(start, end - 1);
        isTrailingHit = end > start;
    }
    isInside = x >= 0 && x < line.naturalTextWidth() && y >= line.y() && y < line.y() + line.height();
    m.textPosition = static_cast<uint32_t>(position);
    m.length = end > start ? 1 : 0;
    m.left = static_cast<float>(line.cursorToX(position) + offset.x());
    m.top = static_cast<float>(line.y() + offset.y());
    m.width = static_cast<float>(line.cursorToX(std::min(position + 1, end)) - line.cursorToX(position));
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
    int pos = std::min<int>(static_cast<int>(position), static_cast<int>(d.shown.size()));
    QTextLine line = d.layout.lineForTextPosition(pos);
    if (!line.isValid())
        line = d.layout.lineAt(d.layout.lineCount() - 1);
    const int end = line.textStart() + line.textLength();
    const int caret = trailing ? std::min(pos + 1, end) : pos;
    QPointF offset = d.offset();
    x = static_cast<float>(line.cursorToX(caret) + offset.x());
    y = static_cast<float>(line.y() + offset.y());
    m.textPosition = static_cast<uint32_t>(pos);
    m.length = pos < end ? 1 : 0;
    m.left = static_cast<float>(line.cursorToX(pos) + offset.x());
    m.top = y;
    m.width = static_cast<float>(line.cursorToX(std::min(pos + 1, end)) - line.cursorToX(pos));
    m.height = static_cast<float>(line.height());
    return m;
}

} // namespace Platform::Draw
