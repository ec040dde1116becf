#pragma once
// Regular expressions compiled once before start-up (wide, ECMAScript grammar).
#include <cstddef>
#include <regex>
#include <string_view>

namespace System::Expressions {

// One character allowed in the input plug-in dialog's text field.
const std::wregex& inputPluginCharacter();
// A numbered file name: prefix, number, extension ("shot0012.png").
const std::wregex& numberedFileName();
// A script block embedded in a text object's text: "<?script?>", the script
// holding no NUL and ending at the first "?>". Scanned by hand, not by a
// regular expression, whose matcher recurses once per character and overflows
// the stack on a long block.
struct TextScriptBlock {
    size_t begin = 0;        // of "<?"
    size_t end = 0;          // just past "?>"
    size_t scriptBegin = 0;
    size_t scriptLength = 0;
};
// Finds the first block that starts at or after from; false when there is
// none. Linear in the length of the text.
bool findTextScriptBlock(std::wstring_view text, size_t from, TextScriptBlock& block);

} // namespace System::Expressions
