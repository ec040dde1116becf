#include "effect/text_file.h"

#include "core/failure.h"
#include "core/file.h"

#include <limits>

namespace Effect {

std::string readFileBytes(const std::wstring& path)
{
    System::File file;
    file.open(path.c_str(), System::File::ModeRead);
    const uint64_t size = file.getSize();
    if (size > static_cast<uint64_t>(std::numeric_limits<int>::max()))
        throw System::makeFormatException("Effect::readFileBytes", "file is too large.", L"%s", path.c_str());
    std::string bytes(static_cast<size_t>(size), '\0');
    file.readBlock(bytes.data(), static_cast<int>(size));
    return bytes;
}

size_t findLineEnd(std::string_view text, size_t start)
{
    const size_t end = text.find_first_of("\r\n", start);
    return end == std::string_view::npos ? text.size() : end;
}

size_t skipLineEnd(std::string_view text, size_t end)
{
    if (end >= text.size())
        return text.size();
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
        return end + 2;
    return end + 1;
}

} // namespace Effect
