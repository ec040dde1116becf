#include "core/expressions.h"

namespace System::Expressions {

// Each expression is compiled on first use, once; the compilation is thread-safe.

const std::wregex& inputPluginCharacter()
{
    static const std::wregex expression(LR"([0-9a-zA-Z,_-])");
    return expression;
}

const std::wregex& numberedFileName()
{
    static const std::wregex expression(LR"(^(.+?)([0-9]+)(\.[^.]+)$)");
    return expression;
}

bool findTextScriptBlock(std::wstring_view text, size_t from, TextScriptBlock& block)
{
    while (from < text.size()) {
        const size_t open = text.find(L"<?", from);
        if (open == std::wstring_view::npos)
            return false;
        const size_t close = text.find(L"?>", open + 2);
        if (close == std::wstring_view::npos)
            return false; // no later block can close either
        const size_t nul = text.substr(open + 2, close - open - 2).find_last_of(L'\0');
        if (nul != std::wstring_view::npos) {
            // No block opened before the NUL can hold it: look after it.
            from = open + 2 + nul + 1;
            continue;
        }
        block = {open, close + 2, open + 2, close - open - 2};
        return true;
    }
    return false;
}

} // namespace System::Expressions
