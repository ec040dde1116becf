// Paths as stored in files and settings: a leading path variable expanded, the
// file-name parts, dialog filters, and "{name}" placeholders of footer texts.
#include "core/file_name.h"
#include "core/text.h"
#include "tests/fuzz/fuzz_target.h"

#include <string>

FUZZ_TARGET(path_variables)
{
    const std::wstring path = System::utf8ToWide(Fuzz::text(data, size));
    std::wstring expanded = System::FileName::expand(path.c_str());
    System::FileName::getDirectory(expanded);
    System::FileName::getBaseName(expanded);
    System::FileName::getExtension(expanded.c_str());
    System::toLocalPath(expanded);

    // The same text as a dialog filter: NUL-separated title and pattern pairs.
    std::wstring filter = path;
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    System::FileName::getFilterExtensionList(filter);
    System::FileName::getFilterIndex(filter, L"a/b.png");
    System::FileName::getFilterExtension(filter, 1);

    std::wstring text = path;
    System::expandBraceVariable(text, [](const std::wstring& name) -> const wchar_t* {
        return name.size() % 2 ? L"{x}" : nullptr;
    });
}
