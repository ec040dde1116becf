#include "effect/effect_item_simple.h"

#include "core/text.h"
#include "effect/item_text.h"

namespace Effect {

// ---- Integer ----

EffectItemInteger::EffectItemInteger(EffectItemList& owner, std::wstring name, int value, int minValue, int maxValue,
                                     uint8_t kind, const wchar_t* zeroText)
    : EffectItemBase(owner, kind, std::move(name)), value(value), defaultValue(value), minValue(minValue),
      maxValue(maxValue), zeroText(zeroText)
{
}

std::string EffectItemInteger::toString() const
{
    return std::to_string(value);
}

void EffectItemInteger::fromString(const std::string& text)
{
    value = parseInt(text);
}

// ---- Check ----

EffectItemCheck::EffectItemCheck(EffectItemList& owner, std::wstring name, bool value)
    : EffectItemCheck(owner, EffectItemKind::Check, std::move(name), value)
{
}

EffectItemCheck::EffectItemCheck(EffectItemList& owner, uint8_t kind, std::wstring name, bool value)
    : EffectItemBase(owner, kind, std::move(name)), value(value)
{
}

std::string EffectItemCheck::toString() const
{
    return value ? "1" : "0";
}

void EffectItemCheck::fromString(const std::string& text)
{
    value = parseInt(text) != 0;
}

EffectItemCheckButton::EffectItemCheckButton(EffectItemList& owner, std::wstring name, bool value, float left,
                                             float right)
    : EffectItemBase(owner, EffectItemKind::CheckButton, std::move(name), value), left(left), right(right)
{
}

// ---- Text ----

EffectItemText::EffectItemText(EffectItemList& owner, std::wstring name, std::wstring text)
    : EffectItemBase(owner, EffectItemKind::Text, std::move(name)), text(std::move(text))
{
}

void EffectItemText::setData(const EffectItem& source)
{
    auto& s = itemOfClass<EffectItemText>(source, "Effect::EffectItemText::setData");
    if (s.prefixLength == 0 && s.suffixLength == 0) {
        text = s.text;
        return;
    }
    const size_t prefix = std::min<size_t>(s.prefixLength, text.size());
    const size_t suffix = std::min<size_t>(s.suffixLength, text.size() - prefix);
    text = text.substr(0, prefix) + s.text + text.substr(text.size() - suffix);
}

std::string EffectItemText::toString() const
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\\') {
            escaped += L"\\\\";
        } else if (c == L'\r') {
            escaped += L"\\n";
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
        } else if (c == L'\n') {
            escaped += L"\\n";
        } else {
            escaped += c;
        }
    }
    return System::wideToUtf8(escaped);
}

void EffectItemText::fromString(const std::string& utf8)
{
    std::wstring wide = System::utf8ToWide(utf8);
    std::wstring out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\\' && i + 1 < wide.size()) {
            if (wide[i + 1] == L'\\') {
                out += L'\\';
                ++i;
                continue;
            }
            if (wide[i + 1] == L'n') {
                out += L'\n';
                ++i;
                continue;
            }
        }
        out += wide[i];
    }
    text = std::move(out);
}

void EffectItemText::fromTsoString(const std::string& value, const std::wstring& key, const wchar_t*, bool)
{
    if (key != L"text") {
        fromString(value);
        return;
    }
    std::wstring out;
    for (size_t i = 0; i + 4 <= value.size(); i += 4) {
        int low = parseInt(value.substr(i, 2), 16);
        int high = parseInt(value.substr(i + 2, 2), 16);
        wchar_t unit = static_cast<wchar_t>(low | (high << 8));
        // Surrogate pairs of the UTF-16 text become one code point.
        if (unit >= 0xDC00 && unit <= 0xDFFF && !out.empty() && out.back() >= 0xD800 && out.back() <= 0xDBFF)
            out.back() = static_cast<wchar_t>(0x10000 + ((out.back() - 0xD800) << 10) + (unit - 0xDC00));
        else
            out += unit;
    }
    text = std::move(out);
}

void EffectItemText::makeDifference(EffectItemText& oldItem, EffectItemText& newItem)
{
    const std::wstring& a = oldItem.text;
    const std::wstring& b = newItem.text;
    size_t p = 0;
    while (p < a.size() && p < b.size() && a[p] == b[p] && a[p] != 0)
        ++p;
    if (p == a.size() && p == b.size())
        return; // the same text: nothing to cut
    size_t q = 0;
    while (q < a.size() - p && q < b.size() - p && a[a.size() - 1 - q] == b[b.size() - 1 - q])
        ++q;
    std::wstring oldMiddle = a.substr(p, a.size() - p - q);
    std::wstring newMiddle = b.substr(p, b.size() - p - q);
    oldItem.text = std::move(oldMiddle);
    newItem.text = std::move(newMiddle);
    oldItem.prefixLength = newItem.prefixLength = static_cast<int>(p);
    oldItem.suffixLength = newItem.suffixLength = static_cast<int>(q);
}

// ---- String ----

EffectItemString::EffectItemString(EffectItemList& owner, std::wstring name, std::wstring text, uint8_t kind)
    : EffectItemBase(owner, kind, std::move(name)), text(std::move(text))
{
}

std::string EffectItemString::toString() const
{
    return System::wideToUtf8(text);
}

void EffectItemString::fromString(const std::string& utf8)
{
    text = System::utf8ToWide(utf8);
}

} // namespace Effect
