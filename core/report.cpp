#include "core/report.h"

#include "core/log.h"
#include "core/text.h"

#include <cstdarg>
#include <mutex>

namespace System::Report {

namespace {
constexpr const char* Place = "System::Report";
constexpr size_t MessageSize = 1024;

std::mutex sinkMutex;
Sink installed;

// A copy, so that a report runs without the lock and may itself report.
Sink currentSink()
{
    std::lock_guard lock(sinkMutex);
    return installed;
}
} // namespace

void setSink(Sink sink)
{
    std::lock_guard lock(sinkMutex);
    installed = std::move(sink);
}

void showException(const std::exception& e)
{
    if (auto show = currentSink().exception)
        show(e);
    else
        Log::error(Place, "%s", e.what());
}

int showError(const char* format, ...)
{
    char message[MessageSize];
    va_list args;
    va_start(args, format);
    formatNarrowV(message, MessageSize, format, args);
    va_end(args);
    if (auto show = currentSink().error)
        return show(message);
    Log::error(Place, "%s", message);
    return 0;
}

int showError(const wchar_t* format, ...)
{
    wchar_t message[MessageSize];
    va_list args;
    va_start(args, format);
    formatWideV(message, MessageSize, format, args);
    va_end(args);
    if (auto show = currentSink().wideError)
        return show(message);
    Log::error(Place, L"%s", message);
    return 0;
}

} // namespace System::Report
