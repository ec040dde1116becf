#pragma once
// Shared by the AVI reader's files.
#include <cstdint>
#include <string>

namespace Plugin {

class AviFileInput;

// A FourCC as the AVI reader compares them: a-z upper-cased, and "DIB " (either
// byte order) as 0, the code of uncompressed RGB.
uint32_t normaliseFourCC(uint32_t code);

// Reads the streams and indexes of the file into input; throws on a structure
// or read error.
void parseAviFile(AviFileInput& input, const std::wstring& path);

} // namespace Plugin
