#pragma once
// The program's log functions. Every message goes to one global output, which
// drops it until the logger service installs itself.
#include <cstdint>
#include <functional>
#include <string>

namespace System::Log {

struct Type {
    const char* name;
    int level;
    uint32_t colour; // 0xRRGGBB
};

extern const Type TypeVerbose;
extern const Type TypeInfo;
extern const Type TypeWarn;
extern const Type TypeError;
extern const Type TypeScript;

using Output = std::function<void(const Type& type, const char* place, const char* message)>;

void setOutput(Output output);
void discardOutput(const Type& type, const char* place, const char* message);
// "[MM/DD hh:mm:ss] [type] [place] message\n" in local time, cut to 1023 bytes.
void formatLine(char buffer[1024], const char* typeName, const char* place, const char* message);

// Narrow forms format with printf rules; wide forms take "%s" as wide text and
// reach the output converted to the ANSI code page. Messages are cut at 1023.
void verbose(const char* place, const char* format, ...) __attribute__((format(printf, 2, 3)));
void verbose(const char* place, const wchar_t* format, ...);
void info(const char* place, const char* format, ...) __attribute__((format(printf, 2, 3)));
void info(const char* place, const wchar_t* format, ...);
void warn(const char* place, const char* format, ...) __attribute__((format(printf, 2, 3)));
void warn(const char* place, const wchar_t* format, ...);
void error(const char* place, const char* format, ...) __attribute__((format(printf, 2, 3)));
void error(const char* place, const wchar_t* format, ...);
void script(const std::wstring& scriptName, const char* format, ...) __attribute__((format(printf, 2, 3)));
void script(const std::wstring& scriptName, const wchar_t* format, ...);

} // namespace System::Log
