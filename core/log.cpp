#include "core/log.h"

#include "core/text.h"
#include "platform/os/process.h"

#include <cstdarg>

namespace System::Log {

const Type TypeVerbose{"VERBOSE", 1, 0xCCCCCC};
const Type TypeInfo{"INFO", 2, 0xFFFFFF};
const Type TypeWarn{"WARN", 3, 0xFFFF7F};
const Type TypeError{"ERROR", 4, 0xFF7F7F};
const Type TypeScript{"SCRIPT", 2, 0x7FFF7F};

namespace {
Output& output()
{
    static Output current = discardOutput;
    return current;
}

void emitNarrow(const Type& type, const char* place, const char* format, va_list args)
{
    char buffer[1024];
    formatNarrowV(buffer, sizeof buffer, format, args);
    output()(type, place, buffer);
}

void emitWide(const Type& type, const char* place, const wchar_t* format, va_list args)
{
    wchar_t buffer[1024];
    formatWideV(buffer, 1024, format, args);
    std::string message = wideToAnsi(std::wstring_view(buffer));
    output()(type, place, message.c_str());
}
} // namespace

void setOutput(Output sink)
{
    output() = std::move(sink);
}

void discardOutput(const Type&, const char*, const char*) {}

void formatLine(char buffer[1024], const char* typeName, const char* place, const char* message)
{
    auto t = Platform::Os::localTime();
    formatNarrow(buffer, 1024, "[%02d/%02d %02d:%02d:%02d] [%s] [%s] %s\n", t.month, t.day, t.hour,
                 t.minute, t.second, typeName, place, message);
}

#define VELMORA_LOG_FUNCTIONS(function, type)                                                      \
    void function(const char* place, const char* format, ...)                                      \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        emitNarrow(type, place, format, args);                                                     \
        va_end(args);                                                                              \
    }                                                                                              \
    void function(const char* place, const wchar_t* format, ...)                                   \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        emitWide(type, place, format, args);                                                       \
        va_end(args);                                                                              \
    }

VELMORA_LOG_FUNCTIONS(verbose, TypeVerbose)
VELMORA_LOG_FUNCTIONS(info, TypeInfo)
VELMORA_LOG_FUNCTIONS(warn, TypeWarn)
VELMORA_LOG_FUNCTIONS(error, TypeError)
#undef VELMORA_LOG_FUNCTIONS

void script(const std::wstring& scriptName, const char* format, ...)
{
    std::string place = wideToAnsi(scriptName);
    va_list args;
    va_start(args, format);
    emitNarrow(TypeScript, place.c_str(), format, args);
    va_end(args);
}

void script(const std::wstring& scriptName, const wchar_t* format, ...)
{
    std::string place = wideToAnsi(scriptName);
    va_list args;
    va_start(args, format);
    emitWide(TypeScript, place.c_str(), format, args);
    va_end(args);
}

} // namespace System::Log
