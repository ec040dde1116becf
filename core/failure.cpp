#include "core/failure.h"

#include "core/log.h"
#include "core/text.h"
#include "platform/os/guard.h"
#include "platform/os/module.h"
#include "platform/os/process.h"

#include <cerrno>
#include <cstdlib>
#include <cxxabi.h>
#include <cstdarg>
#include <cstring>

namespace System {

static_assert(ErrorReadFault == ENODATA && ErrorWriteFault == ENOSPC && ErrorOutOfMemory == ENOMEM);

namespace {
constexpr size_t TextSize = 1024;

Exception build(const char* format, ...) __attribute__((format(printf, 1, 2)));
Exception build(const char* format, ...)
{
    char buffer[TextSize];
    va_list args;
    va_start(args, format);
    formatNarrowV(buffer, TextSize, format, args);
    va_end(args);
    return Exception(buffer);
}
} // namespace

Exception makeException(const char* place, const char* message, const char* note)
{
    if (note) {
        Log::error("Exception", "%s in %s() [%s]", message, place, note);
        return build("%s\n\n[Note]\n%s\n\n[Place]\n%s()", message, note, place);
    }
    Log::error("Exception", "%s in %s()", message, place);
    return build("%s\n\n[Place]\n%s()", message, place);
}

Exception makeFormatException(const char* place, const char* message, const wchar_t* noteFormat, ...)
{
    wchar_t note[TextSize];
    va_list args;
    va_start(args, noteFormat);
    formatWideV(note, TextSize, noteFormat, args);
    va_end(args);
    std::string ansi = wideToAnsi(std::wstring_view(note));
    return makeException(place, message, ansi.c_str());
}

int32_t hresultFromError(int errorCode)
{
    if (errorCode <= 0)
        return errorCode;
    return static_cast<int32_t>(0x80070000u | (static_cast<uint32_t>(errorCode) & 0xFFFFu));
}

namespace {

// The text of an error code of this system (errno), "unknown error" without one.
std::string errorMessage(int error)
{
    std::string text = Platform::Os::errorText(error);
    if (text.rfind("Unknown error", 0) == 0)
        return "unknown error";
    return text;
}

// Windows result codes the program reports by their own number. Their low
// words are Windows error numbers, not this system's, so they never go
// through its error table (0x80070057 would read "Too many users").
struct KnownResult {
    uint32_t code;
    const char* text;
};
constexpr KnownResult KnownResults[] = {
    {0x80004001u, "Not implemented"},
    {0x80004005u, "Unspecified error"},
    {0x80070002u, "The system cannot find the file specified."},
    {0x80070005u, "Access is denied."},
    {0x8007000Eu, "Not enough memory resources are available to complete this operation."},
    {0x80070057u, "The parameter is incorrect."},
};

Exception hresultReport(const char* callName, const char* place, int32_t hresult, const std::string& message)
{
    Log::error("Exception", "%s() failed in %s() [%s] (HRESULT: 0x%08X)", callName, place,
               message.c_str(), static_cast<uint32_t>(hresult));
    return build("%s() failed.\n\n[Note]\nHRESULT: 0x%08X\n%s\n\n[Place]\n%s()", callName,
                 static_cast<uint32_t>(hresult), message.c_str(), place);
}

} // namespace

std::string systemMessage(int32_t hresult)
{
    const uint32_t h = static_cast<uint32_t>(hresult);
    for (const KnownResult& known : KnownResults) {
        if (known.code == h)
            return known.text;
    }
    if (hresult == 0)
        return errorMessage(0);
    // Any other code of the 0x8007 family carries an error code of this system.
    if ((h & 0xFFFF0000u) == 0x80070000u)
        return errorMessage(static_cast<int>(h & 0xFFFFu));
    return "unknown error";
}

Exception makeHresultException(const char* callName, const char* place, int32_t hresult)
{
    return hresultReport(callName, place, hresult, systemMessage(hresult));
}

Exception makeLastErrorException(const char* callName, const char* place)
{
    const int error = errno;
    // The code is this system's own: its text comes from its own table.
    return hresultReport(callName, place, hresultFromError(error), errorMessage(error));
}

Exception makeErrorCodeException(const char* place, int errorCode)
{
    std::string message = errorMessage(errorCode);
    Log::error("Exception", "%s in %s()", message.c_str(), place);
    return build("%s\n\n[Place]\n%s()", message.c_str(), place);
}

Exception makeStructuredException(const char* callName, const char* place, const StructuredExceptionInfo& info)
{
    Log::error("Exception", "%s() structured exception in %s() [Code: 0x%08X Address: 0x%p Module: %s]",
               callName, place, info.code, info.address, info.module);
    return build("%s() structured exception\n\n[Note]\nCode: 0x%08X\nAddress 0x%p\nModule: %s\n\n[Place]\n%s()",
                 callName, info.code, info.address, info.module, place);
}

Exception makePluginStructuredException(const char* callName, const char* place,
                                        const StructuredExceptionInfo& info, const wchar_t* pluginPath)
{
    std::string plugin;
    wideToAnsi(pluginPath, plugin);
    Log::error("Exception",
               "%s() structured exception in %s() [Code: 0x%08X Address: 0x%p Module: %s Plugin: %s]",
               callName, place, info.code, info.address, info.module, plugin.c_str());
    return build("%s() structured exception\n\n[Note]\nCode: 0x%08X\nAddress 0x%p\nModule: %s\n\n[Place]\n%s()"
                 "\n\n[Plugin]\n%s",
                 callName, info.code, info.address, info.module, place, plugin.c_str());
}

void guardedCall(const char* callName, const char* place, void (*fn)(void*), void* context,
                 const wchar_t* pluginPath)
{
    Platform::Os::Fault fault;
    if (Platform::Os::runGuarded(fn, context, fault))
        return;
    StructuredExceptionInfo info;
    info.address = fault.address;
    info.code = fault.code;
    std::string module = Platform::Os::moduleNameOf(fault.address);
    if (!module.empty()) {
        std::strncpy(info.module, module.c_str(), sizeof info.module - 1);
        info.module[sizeof info.module - 1] = 0;
    }
    if (pluginPath)
        throw makePluginStructuredException(callName, place, info, pluginPath);
    throw makeStructuredException(callName, place, info);
}

std::string typeName(const std::type_info& type)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

} // namespace System
