#pragma once
// Name order as people read it in the user's locale: digit runs compare as
// numbers, case, punctuation and symbols do not count, and neither do the
// kana type (hiragana or katakana) and the character width.
#include <string>

namespace Platform::Draw {

// Negative, zero or positive as a sorts before, with or after b.
int compareNames(const std::wstring& a, const std::wstring& b);

} // namespace Platform::Draw
