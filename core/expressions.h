#pragma once
// Regular expressions compiled once before start-up (wide, ECMAScript grammar).
#include <regex>

namespace System::Expressions {

// A name in braces, as in the footer texts: "{name}". Empty braces are not a name.
const std::wregex& braceVariable();
// One character allowed in the input plug-in dialog's text field.
const std::wregex& inputPluginCharacter();
// A numbered file name: prefix, number, extension ("shot0012.png").
const std::wregex& numberedFileName();
// A script block embedded in a text object's text: "<?script?>".
const std::wregex& textScriptBlock();

} // namespace System::Expressions
