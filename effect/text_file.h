#pragma once
// Small text files of the effect framework (scripts, presets, palettes): read
// whole, then walked line by line.
#include <string>
#include <string_view>

namespace Effect {

// The bytes of a file (path already expanded); throws the file layer's report
// when it cannot be opened or read.
std::string readFileBytes(const std::wstring& path);

// Calls f with every line of text read in text mode: lines end at LF, and the
// CR and LF characters at the end of each line are removed.
template <class F>
void forEachTextLine(std::string_view text, F&& f)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view line = text.substr(start, next - start);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        f(line);
        start = next;
    }
}

// The end of the line that starts at start: the first CR or LF, or the end.
size_t findLineEnd(std::string_view text, size_t start);
// Where the line after the one ending at end starts (past CR, LF or CR LF).
size_t skipLineEnd(std::string_view text, size_t end);

} // namespace Effect
