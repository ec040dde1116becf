#include "core/process.h"

#include "core/failure.h"
#include "core/setting_service.h"
#include "platform/os/process.h"

#include <cerrno>

namespace System::Process {

void SetThreadPriority(const char* key)
{
    try {
        Setting::SettingService* settings = Setting::SettingService::Get();
        if (!settings)
            return;
        // A lookup that never adds the key: worker threads read this concurrently.
        int priority = settings->system.file.getSection("Config").findValue(key).toInt(0);
        if (priority == 0)
            return;
        if (int error = Platform::Os::setCurrentThreadPriority(priority)) {
            errno = error;
            throw makeLastErrorException("::SetThreadPriority", "System::Process::SetThreadPriority");
        }
    } catch (const std::exception&) {
        // The report has logged its ERROR line; the thread keeps its priority.
    }
}

} // namespace System::Process
