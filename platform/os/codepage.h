#pragma once
// The legacy "ANSI code page" of older files and of narrow report texts: CP932.
#include <string>
#include <string_view>

namespace Platform::Os {

// Characters the code page lacks become defaultChar.
std::string wideToCodePage(std::wstring_view text, char defaultChar = '?');
// Bytes that do not decode become U+FFFD.
std::wstring codePageToWide(std::string_view bytes);

} // namespace Platform::Os
