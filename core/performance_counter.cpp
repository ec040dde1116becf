#include "core/performance_counter.h"

#include "core/log.h"

namespace System {

void PerformanceCounter::start()
{
    begin_ = std::chrono::steady_clock::now();
    started_ = true;
}

double PerformanceCounter::time() const
{
    if (!started_) {
        Log::error("System::PerformanceCounter::time", "[PerformanceCounter] not started or stoped");
        return 0.0;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin_).count();
}

} // namespace System
