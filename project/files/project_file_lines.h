#pragma once
// The lines of a project file: section names and key=value lines, UTF-8, CRLF.
#include "core/file.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace Edit::ProjectFileLines {

inline void writeText(System::File& file, std::string_view text)
{
    file.write(text.data(), static_cast<int>(text.size()));
}

inline void writeSection(System::File& file, std::string_view name)
{
    std::string line;
    line.reserve(name.size() + 4);
    line += '[';
    line += name;
    line += "]\r\n";
    writeText(file, line);
}

// A value holds what the reader takes from its line: nothing from a line
// break on, and no carriage return at its end (the reader drops those), so
// that a value read, saved and read again is the same.
inline void writeValue(System::File& file, std::string_view key, std::string_view value)
{
    value = value.substr(0, value.find('\n'));
    while (!value.empty() && value.back() == '\r')
        value.remove_suffix(1);
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line += key;
    line += '=';
    line += value;
    line += "\r\n";
    writeText(file, line);
}

inline void writeInt(System::File& file, std::string_view key, int value)
{
    writeValue(file, key, std::to_string(value));
}

// "%f": six decimals.
inline void writeFloat(System::File& file, std::string_view key, double value)
{
    char text[512];
    std::snprintf(text, sizeof text, "%f", value);
    writeValue(file, key, text);
}

// A frame list "start,mid,...,end": at least two numbers in 0 .. FrameLimit,
// the last not before the first; throws "not enough frame number list." or
// "invalid frame number list." naming the place and section.
std::vector<int> parseFrameList(const std::string& text, const std::string& section, const char* place);

} // namespace Edit::ProjectFileLines
