#pragma once
// Text encodings and printf-style formatting shared by every layer.
//
// Wide text is std::wstring holding whole code points. UTF-8 is std::string.
// The "ANSI" code page of narrow report and log texts and of old files is CP932.
#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace System {

// UTF-8 to wide; malformed sequences become U+FFFD. Null or empty input gives empty out.
void utf8ToWide(const char* text, std::wstring& out);
std::wstring utf8ToWide(std::string_view text);
// Wide to UTF-8; surrogate code points become U+FFFD.
void wideToUtf8(const wchar_t* text, std::string& out);
std::string wideToUtf8(std::wstring_view text);
// Wide to the ANSI code page; characters it lacks become "?".
void wideToAnsi(const wchar_t* text, std::string& out);
std::string wideToAnsi(std::wstring_view text);
std::wstring ansiToWide(std::string_view text);
// Strict UTF-8 test: any malformed, overlong or surrogate sequence fails.
bool isValidUtf8(std::string_view text);

// printf into a buffer of size bytes, always terminated and cut to size - 1.
// "%p" prints 16 upper-case hexadecimal digits. Returns the length written.
int formatNarrowV(char* buffer, size_t size, const char* format, va_list args);
int formatNarrow(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Wide printf in which "%s" and "%c" take wide arguments ("%hs" and "%S" narrow),
// "%p" as above. Always terminated and cut to size - 1 characters.
int formatWideV(wchar_t* buffer, size_t size, const wchar_t* format, va_list args);
int formatWide(wchar_t* buffer, size_t size, const wchar_t* format, ...);

// Replaces every occurrence of from by to, scanning left to right and going on
// after each inserted text.
void replaceString(std::wstring& text, std::wstring_view from, std::wstring_view to);
void replaceString(std::string& text, std::string_view from, std::string_view to);

// Replaces every placeholder "{name}" by lookup(name); every occurrence of one
// placeholder is replaced at its first match. Empty braces are left as they are;
// a lookup that returns null replaces the placeholder by nothing.
void expandBraceVariable(std::wstring& text, const std::function<const wchar_t*(const std::wstring&)>& lookup);

// Removes leading and trailing spaces (U+0020 only).
void trimSpace(std::wstring& text);

// "-hh:mm:ss.cc" (the sign only for negative values; hours not wrapped; seconds
// and hundredths truncated) into a buffer of 32 characters.
void formatTime(wchar_t (&buffer)[32], double seconds);
// "-hh:mm:ss", the same without hundredths.
void formatTimeSeconds(wchar_t (&buffer)[32], double seconds);

// Wide printf into at most 1023 characters.
std::wstring formatString(const wchar_t* format, ...);

// The pieces between separators; empty pieces count (an empty text gives one).
std::vector<std::string> splitComma(const std::string& text);
std::vector<std::string> splitString(const std::string& text, char separator);
std::vector<std::wstring> splitWideString(const std::wstring& text, wchar_t separator);

// initial, then separator and item for every item of [first, last).
template <class Iterator>
std::wstring joinString(Iterator first, Iterator last, std::wstring initial, wchar_t separator)
{
    for (; first != last; ++first) {
        initial.push_back(separator);
        initial += *first;
    }
    return initial;
}

// Lower-cases ASCII A-Z only.
std::wstring toLowerAscii(std::wstring_view text);

// A stored path in the local form: UTF-8, with "\" accepted as a separator.
std::string toLocalPath(std::wstring_view path);
std::wstring fromLocalPath(std::string_view path);

} // namespace System
