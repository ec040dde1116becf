#pragma once
// Number conversions of the item text forms. Failures throw the standard
// conversion errors with their usual wording ("invalid stoi argument",
// "stoi argument out of range", and the same for stod).
#include <string>

namespace Effect {

// Decimal integer after optional white space and sign; stops at the first other character.
int parseInt(const std::string& text);
// Like parseInt in another base (16 for hexadecimal).
int parseInt(const std::string& text, int base);
// Decimal floating-point number after optional white space; stops at the first other character.
double parseDouble(const std::string& text);
// Whether text is read by parseInt without an error.
bool isIntText(const std::string& text);

// The out-of-range errors of label lookups.
[[noreturn]] void throwMapKeyError();          // "invalid map<K, T> key"
[[noreturn]] void throwUnorderedMapKeyError(); // "invalid unordered_map<K, T> key"

// "%f" without trailing zeros and without a trailing point: 15.0 gives "15".
std::string formatTrimmedDouble(double value);

} // namespace Effect
