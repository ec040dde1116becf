#include "core/color.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace {

[[noreturn]] void invalidRgb()
{
    throw std::runtime_error("RGB argument is invalid.");
}

template <class Char>
int hexDigit(Char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Trims spaces (0x20 only); false when nothing is left.
template <class Char>
bool trimSpaces(std::basic_string_view<Char>& text)
{
    size_t first = text.find_first_not_of(Char(' '));
    if (first == text.npos)
        return false;
    size_t last = text.find_last_not_of(Char(' '));
    text = text.substr(first, last - first + 1);
    return true;
}

// Two hexadecimal digits, strictly: no sign, no "0x", no spaces.
template <class Char>
int readPair(std::basic_string_view<Char> text, size_t at)
{
    int hi = hexDigit(text[at]);
    int lo = hexDigit(text[at + 1]);
    if (hi < 0 || lo < 0)
        invalidRgb();
    return hi * 16 + lo;
}

template <class Char>
ColorF parseRgba(std::basic_string_view<Char> text)
{
    if (!trimSpaces(text) || (text.size() != 6 && text.size() != 8))
        invalidRgb();
    ColorF c;
    c.r = readPair(text, 0) / 255.0f;
    c.g = readPair(text, 2) / 255.0f;
    c.b = readPair(text, 4) / 255.0f;
    c.a = text.size() == 8 ? readPair(text, 6) / 255.0f : 1.0f;
    return c;
}

template <class Char>
void parseRgb(std::basic_string_view<Char> text, ColorBytes& out, bool strict = false)
{
    if (!trimSpaces(text))
        invalidRgb();
    if (text.size() != 6) {
        if (strict)
            invalidRgb();
        return;
    }
    ColorBytes c;
    c.r = static_cast<uint8_t>(readPair(text, 0));
    c.g = static_cast<uint8_t>(readPair(text, 2));
    c.b = static_cast<uint8_t>(readPair(text, 4));
    out = c;
}

} // namespace

ColorHsv rgbToHsv(float r, float g, float b)
{
    float v, d, e;
    if (r >= g && r >= b) {
        v = r, d = r - std::min(g, b), e = (g - b) / d;
    } else if (g >= b) {
        v = g, d = g - std::min(r, b), e = (b - r) / d + 2;
    } else {
        v = b, d = b - std::min(r, g), e = (r - g) / d + 4;
    }
    float h = std::fmod((d > 0 ? e : 0) / 6, 1.0f);
    if (h < 0)
        h += 1;
    return ColorHsv{h, v > 0 ? d / v : 0, v};
}

ColorF hsvToRgb(float h, float s, float v)
{
    float x = std::fmod(h, 1.0f) * 6;
    if (x < 0)
        x += 6;
    // A hue that is not a number or infinite (scripts pass any number) is red,
    // never a sector picked from an undefined conversion.
    if (!std::isfinite(x))
        x = 0;
    float m = (1 - s) * v;
    float c = v - m;
    switch (static_cast<int>(x)) {
    case 0: return {v, m + c * x, m, 1};
    case 1: return {m + c * (2 - x), v, m, 1};
    case 2: return {m, v, m + c * (x - 2), 1};
    case 3: return {m, m + c * (4 - x), v, 1};
    case 4: return {m + c * (x - 4), m, v, 1};
    default: return {v, m, m + c * (6 - x), 1};
    }
}

ColorBytes colorToBytes(float r, float g, float b)
{
    auto byte = [](float value) {
        long n = std::lroundf(value * 255);
        return static_cast<uint8_t>(std::clamp(n, 0L, 255L));
    };
    return ColorBytes{byte(r), byte(g), byte(b)};
}

std::wstring formatRgbText(uint8_t r, uint8_t g, uint8_t b)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text(6, L'0');
    const uint8_t bytes[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
        text[i * 2] = digits[bytes[i] >> 4];
        text[i * 2 + 1] = digits[bytes[i] & 15];
    }
    return text;
}

ColorF parseRgbaText(const std::string& text)
{
    return parseRgba(std::string_view(text));
}

ColorF parseRgbaWideText(const std::wstring& text)
{
    return parseRgba(std::wstring_view(text));
}

void parseRgbText(const std::string& text, ColorBytes& out)
{
    parseRgb(std::string_view(text), out);
}

void parseRgbWideText(const std::wstring& text, ColorBytes& out)
{
    parseRgb(std::wstring_view(text), out);
}

ColorBytes parseRgbBytes(const std::string& text)
{
    ColorBytes bytes;
    parseRgb(std::string_view(text), bytes, true);
    return bytes;
}
