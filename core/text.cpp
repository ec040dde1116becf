#include "core/text.h"

#include "platform/os/codepage.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace System {

namespace {

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns its length (0 when malformed).
size_t decodeUtf8(std::string_view text, size_t i, char32_t& c)
{
    auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = b(i);
    size_t length;
    char32_t min;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b(i + k) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

template <class Char>
bool isFormatFlag(Char c)
{
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '.' || c == '*' || (c >= '0' && c <= '9');
}

// Rewrites a format into glibc's conventions. Returns false when nothing changes.
template <class Char>
bool translateFormat(const Char* format, std::basic_string<Char>& out, bool wide)
{
    bool changed = false;
    out.clear();
    for (const Char* p = format; *p; ++p) {
        out.push_back(*p);
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%') {
            out.push_back(*p);
            continue;
        }
        // flags, width, precision
        while (*p && isFormatFlag(*p)) {
            out.push_back(*p);
            ++p;
        }
        if (!*p)
            break;
        // length modifiers
        bool narrowArg = false;
        bool hasLength = false;
        while (*p == 'h' || *p == 'l' || *p == 'L' || *p == 'z' || *p == 'j' || *p == 't' || *p == 'q') {
            if (*p == 'h' && wide && (p[1] == 's' || p[1] == 'c')) {
                narrowArg = true;
                changed = true;
                ++p;
                continue;
            }
            hasLength = true;
            out.push_back(*p);
            ++p;
        }
        Char conv = *p;
        if (!conv)
            break;
        if (conv == 'p') {
            for (const char* q = "016lX"; *q; ++q)
                out.push_back(static_cast<Char>(*q));
            changed = true;
            continue;
        }
        if (wide && (conv == 's' || conv == 'c') && !hasLength && !narrowArg) {
            out.push_back('l');
            changed = true;
        } else if (wide && (conv == 'S' || conv == 'C')) {
            conv = conv == 'S' ? 's' : 'c';
            changed = true;
        }
        out.push_back(conv);
    }
    return changed;
}

} // namespace

void utf8ToWide(const char* text, std::wstring& out)
{
    out = text ? utf8ToWide(std::string_view(text)) : std::wstring();
}

std::wstring utf8ToWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        size_t n = decodeUtf8(text, i, c);
        if (n == 0) {
            out.push_back(L'\xFFFD');
            ++i;
            // Skip the continuation bytes of the broken sequence.
            while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
                ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(c));
        i += n;
    }
    return out;
}

void wideToUtf8(const wchar_t* text, std::string& out)
{
    out = text ? wideToUtf8(std::wstring_view(text)) : std::string();
}

std::string wideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        char32_t c = static_cast<char32_t>(w);
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}

void wideToAnsi(const wchar_t* text, std::string& out)
{
    out = text ? wideToAnsi(std::wstring_view(text)) : std::string();
}

std::string wideToAnsi(std::wstring_view text)
{
    return Platform::Os::wideToCodePage(text, '?');
}

std::wstring ansiToWide(std::string_view text)
{
    return Platform::Os::codePageToWide(text);
}

bool isValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t c;
        size_t n = decodeUtf8(text, i, c);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

int formatNarrowV(char* buffer, size_t size, const char* format, va_list args)
{
    if (size == 0)
        return 0;
    std::string translated;
    // Only "%p" differs from the C library's narrow rules: most formats (every log
    // line) go straight through without a rewritten copy.
    const bool needsRewrite = std::strchr(format, 'p') != nullptr;
    const char* f = needsRewrite && translateFormat(format, translated, false) ? translated.c_str() : format;
    int n = std::vsnprintf(buffer, size, f, args);
    if (n < 0) {
        buffer[0] = 0;
        return 0;
    }
    return n < static_cast<int>(size) ? n : static_cast<int>(size) - 1;
}

int formatNarrow(char* buffer, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = formatNarrowV(buffer, size, format, args);
    va_end(args);
    return n;
}

int formatWideV(wchar_t* buffer, size_t size, const wchar_t* format, va_list args)
{
    if (size == 0)
        return 0;
    std::wstring translated;
    translateFormat(format, translated, true);
    va_list copy;
    va_copy(copy, args);
    errno = 0;
    int n = std::vswprintf(buffer, size, translated.c_str(), copy);
    va_end(copy);
    if (n >= 0)
        return n;
    // vswprintf fails instead of cutting: format into a larger buffer and cut.
    // A narrow argument the locale cannot convert fails at every size: growing
    // to the largest buffer then only costs time on every such log line.
    for (size_t big = size * 4; big <= (1u << 22) && errno != EILSEQ; big *= 4) {
        std::vector<wchar_t> temp(big);
        va_copy(copy, args);
        errno = 0;
        n = std::vswprintf(temp.data(), big, translated.c_str(), copy);
        va_end(copy);
        if (n >= 0) {
            size_t keep = std::min(static_cast<size_t>(n), size - 1);
            std::wmemcpy(buffer, temp.data(), keep);
            buffer[keep] = 0;
            return static_cast<int>(keep);
        }
    }
    buffer[0] = 0;
    return 0;
}

int formatWide(wchar_t* buffer, size_t size, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = formatWideV(buffer, size, format, args);
    va_end(args);
    return n;
}

template <class S, class V>
static void replaceAll(S& text, V from, V to)
{
    if (from.empty())
        return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != S::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

void replaceString(std::wstring& text, std::wstring_view from, std::wstring_view to)
{
    replaceAll(text, from, to);
}

void replaceString(std::string& text, std::string_view from, std::string_view to)
{
    replaceAll(text, from, to);
}

void expandBraceVariable(std::wstring& text, const std::function<const wchar_t*(const std::wstring&)>& lookup)
{
    // Placeholders are "{name}" with a name of at least one character and no
    // braces. They are found in a copy made before any replacement, in one pass
    // over it (a regular expression recursed once per character and overflowed
    // the stack on long texts).
    const std::wstring source = text;
    size_t open = source.find(L'{');
    while (open != std::wstring::npos) {
        const size_t next = source.find_first_of(L"{}", open + 1);
        if (next == std::wstring::npos)
            break;
        if (source[next] == L'{' || next == open + 1) {
            open = source.find(L'{', next);
            continue;
        }
        const std::wstring name = source.substr(open + 1, next - open - 1);
        const wchar_t* replacement = lookup(name);
        replaceString(text, std::wstring_view(source).substr(open, next - open + 1),
                      replacement ? std::wstring_view(replacement) : std::wstring_view());
        open = source.find(L'{', next + 1);
    }
}

void trimSpace(std::wstring& text)
{
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        text.clear();
        return;
    }
    size_t last = text.find_last_not_of(L' ');
    text = text.substr(first, last - first + 1);
}

namespace {
struct TimeParts {
    const wchar_t* sign;
    long long hours;
    int minutes, seconds, hundredths;
};

TimeParts splitTime(double value)
{
    TimeParts parts{value < 0 ? L"-" : L"", 0, 0, 0, 0};
    double a = std::fabs(value);
    // Not a number, or more hours than the text can hold, shows as zero / the limit.
    if (!(a == a))
        a = 0;
    a = std::min(a, 3.6e15);
    long long s = static_cast<long long>(a);
    parts.hours = s / 3600;
    parts.minutes = static_cast<int>((s % 3600) / 60);
    parts.seconds = static_cast<int>(s % 60);
    parts.hundredths = static_cast<int>(static_cast<long long>(a * 100) % 100);
    return parts;
}
} // namespace

void formatTime(wchar_t (&buffer)[32], double seconds)
{
    TimeParts t = splitTime(seconds);
    formatWide(buffer, 32, L"%s%02lld:%02d:%02d.%02d", t.sign, t.hours, t.minutes, t.seconds, t.hundredths);
}

void formatTimeSeconds(wchar_t (&buffer)[32], double seconds)
{
    TimeParts t = splitTime(seconds);
    formatWide(buffer, 32, L"%s%02lld:%02d:%02d", t.sign, t.hours, t.minutes, t.seconds);
}

std::wstring formatString(const wchar_t* format, ...)
{
    wchar_t buffer[1024];
    va_list args;
    va_start(args, format);
    int length = formatWideV(buffer, 1024, format, args);
    va_end(args);
    return std::wstring(buffer, static_cast<size_t>(length));
}

namespace {
template <class S, class C>
std::vector<S> splitBy(const S& text, C separator)
{
    std::vector<S> pieces;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        if (end == S::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}
} // namespace

std::vector<std::string> splitComma(const std::string& text)
{
    return splitBy(text, ',');
}

std::vector<std::string> splitString(const std::string& text, char separator)
{
    return splitBy(text, separator);
}

std::vector<std::wstring> splitWideString(const std::wstring& text, wchar_t separator)
{
    return splitBy(text, separator);
}

std::wstring toLowerAscii(std::wstring_view text)
{
    std::wstring out(text);
    for (wchar_t& c : out) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return out;
}

std::string toLocalPath(std::wstring_view path)
{
    std::string out = wideToUtf8(path);
    for (char& c : out) {
        if (c == '\\')
            c = '/';
    }
    return out;
}

std::wstring fromLocalPath(std::string_view path)
{
    return utf8ToWide(path);
}

} // namespace System
