// Numbered file names of 画像ファイル: paths from project files split into
// prefix, number and extension. Short names must split exactly as the
// expression the series is defined by; names of any length split without
// recursion (each byte is one character, so line ends and dots appear).
#include "effects/objects/image_load.h"
#include "tests/fuzz/fuzz_target.h"

#include <regex>
#include <string>

FUZZ_TARGET(image_series)
{
    std::wstring path(size, L'\0');
    for (size_t i = 0; i < size; ++i)
        path[i] = static_cast<wchar_t>(data[i]);
    Effect::ImageLoad::SeriesName name;
    const bool split = Effect::ImageLoad::splitSeriesName(path, name);
    if (split && std::wstring(name.prefix) + std::wstring(name.digits) + std::wstring(name.suffix) != path)
        Fuzz::fail("the parts do not make up the path");
    // The expression engine recurses per character: only short names are compared.
    if (size > 200)
        return;
    static const std::wregex pattern(L"^(.+?)([0-9]+)(\\.[^.]+)$");
    std::wsmatch match;
    const bool matched = std::regex_match(path, match, pattern);
    if (matched != split)
        Fuzz::fail(matched ? "a numbered name was not split" : "a name was split that is not numbered");
    if (matched && (match[1].str() != name.prefix || match[2].str() != name.digits || match[3].str() != name.suffix))
        Fuzz::fail("split differently from the expression");
}
