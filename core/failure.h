#pragma once
// Failure reports: each factory logs one short ERROR line (place "Exception") and
// returns the exception whose text is the long form shown by the error dialogs.
// Callers throw the result.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <typeinfo>

namespace System {

using Exception = std::runtime_error;

// Error codes are errno values on this system: the last error is errno, and
// failures without a failed call use these (short read, short write, no memory).
constexpr int ErrorReadFault = 61;   // ENODATA
constexpr int ErrorWriteFault = 28;  // ENOSPC
constexpr int ErrorOutOfMemory = 12; // ENOMEM

Exception makeException(const char* place, const char* message, const char* note);
Exception makeFormatException(const char* place, const char* message, const wchar_t* noteFormat, ...);
Exception makeHresultException(const char* callName, const char* place, int32_t hresult);
// Reads errno once at entry.
Exception makeLastErrorException(const char* callName, const char* place);
Exception makeErrorCodeException(const char* place, int errorCode);

// A positive error code becomes 0x80070000 | (code & 0xFFFF); others stay as they are.
int32_t hresultFromError(int errorCode);
// The text for an HRESULT: the Windows codes the program reports (invalid
// argument, out of memory, not implemented, failure, access denied, file not
// found) have their own; another 0x8007xxxx code carries an errno value; any
// other is "unknown error".
std::string systemMessage(int32_t hresult);

struct StructuredExceptionInfo {
    const void* address = nullptr;
    uint32_t code = 0;
    char module[256] = "unknown";
};

Exception makeStructuredException(const char* callName, const char* place, const StructuredExceptionInfo& info);
Exception makePluginStructuredException(const char* callName, const char* place,
                                        const StructuredExceptionInfo& info, const wchar_t* pluginPath);

// Runs fn inside the crash guard. A fault inside it becomes the structured
// report (naming the plug-in when pluginPath is given), thrown to the caller.
void guardedCall(const char* callName, const char* place, void (*fn)(void*), void* context,
                 const wchar_t* pluginPath = nullptr);
template <class F>
void guardedCall(const char* callName, const char* place, F&& f, const wchar_t* pluginPath = nullptr)
{
    guardedCall(callName, place, [](void* c) { (*static_cast<F*>(c))(); }, &f, pluginPath);
}

// The readable name of a class ("Plugin::LuaScript"), for failure reports.
std::string typeName(const std::type_info& type);

} // namespace System
