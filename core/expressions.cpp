#include "core/expressions.h"

namespace System::Expressions {

// Each expression is compiled on first use, once; the compilation is thread-safe.

const std::wregex& braceVariable()
{
    static const std::wregex expression(LR"(\{([^{}]+)\})");
    return expression;
}

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

const std::wregex& textScriptBlock()
{
    static const std::wregex expression(LR"(<\?([^\x00]*?)\?>)");
    return expression;
}

} // namespace System::Expressions
