#include "platform/draw/collate.h"

#include <QCollator>
#include <QLocale>
#include <QString>

namespace Platform::Draw {

namespace {

// The name without its punctuation and symbols (the collator's own
// punctuation setting leaves symbols such as "+" or "★" in).
QString withoutSymbols(const std::wstring& text)
{
    QString in = QString::fromStdWString(text);
    QString out;
    out.reserve(in.size());
    for (QChar c : in)
        if (!c.isPunct() && !c.isSymbol())
            out.append(c);
    return out;
}

QCollator makeCollator()
{
    // The C locale collates by code point and ignores every option: a run
    // without a locale orders names as the Japanese interface does.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::Japanese, QLocale::Japan);
    QCollator collator{locale};
    collator.setNumericMode(true);
    // Case insensitive sets the secondary strength: width and kana type are
    // tertiary differences and go with the case.
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setIgnorePunctuation(true);
    return collator;
}

} // namespace

int compareNames(const std::wstring& a, const std::wstring& b)
{
    // One collator per thread: a collator is costly to make and not shared.
    thread_local const QCollator collator = makeCollator();
    const int order = collator.compare(withoutSymbols(a), withoutSymbols(b));
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace Platform::Draw
