#pragma once
// Colour values: floats, bytes, HSV and hexadecimal text (rrggbb, rrggbbaa).
// Every colour conversion of the program goes through these functions.
#include <cstdint>
#include <string>

struct ColorF {
    float r = 0, g = 0, b = 0, a = 1;
};

struct ColorBytes {
    uint8_t r = 0, g = 0, b = 0;
};

struct ColorHsv {
    float h = 0, s = 0, v = 0; // h is a fraction of the full turn in [0, 1)
};

ColorHsv rgbToHsv(float r, float g, float b);
ColorF hsvToRgb(float h, float s, float v);
ColorBytes colorToBytes(float r, float g, float b);
std::wstring formatRgbText(uint8_t r, uint8_t g, uint8_t b);

// Six or eight hexadecimal digits, spaces around them ignored. Anything else
// throws "RGB argument is invalid.".
ColorF parseRgbaText(const std::string& text);
ColorF parseRgbaWideText(const std::wstring& text);
// Six hexadecimal digits into out. Blank text throws "RGB argument is invalid.";
// a text of another length leaves out unchanged; malformed digits throw.
void parseRgbText(const std::string& text, ColorBytes& out);
void parseRgbWideText(const std::wstring& text, ColorBytes& out);
// Exactly six hexadecimal digits, spaces around them ignored; any other text
// throws "RGB argument is invalid.".
ColorBytes parseRgbBytes(const std::string& text);
