#include "core/timer.h"

#include "core/failure.h"
#include "platform/ui/main_thread.h"

#include <cerrno>
#include <memory>
#include <unordered_map>

namespace System {

namespace {
// Timer id -> callback, shared by all timers; main thread only. Held by shared
// pointers so that a callback that clears its own timer stays alive until it returns.
std::unordered_map<uintptr_t, std::shared_ptr<std::function<void()>>>& callbacks()
{
    // Never destroyed: static timers of other units may outlive any exit-time order.
    static auto* table = new std::unordered_map<uintptr_t, std::shared_ptr<std::function<void()>>>();
    return *table;
}
} // namespace

Timer::~Timer()
{
    // The owner clears its timer before it goes; a timer left set is stopped here
    // rather than firing into a destroyed owner.
    if (id) {
        Platform::Ui::killTimer(id);
        callbacks().erase(id);
    }
}

void Timer::set(unsigned elapse, std::function<void()> callback)
{
    uintptr_t result = Platform::Ui::setTimer(id, elapse, &Timer::timerProc);
    if (result == 0) {
        errno = ENXIO;
        throw makeLastErrorException("SetTimer", "System::Timer::set");
    }
    id = result;
    callbacks()[id] = std::make_shared<std::function<void()>>(std::move(callback));
}

void Timer::clear()
{
    if (id == 0)
        return;
    if (!Platform::Ui::killTimer(id)) {
        errno = EINVAL;
        throw makeLastErrorException("KillTimer", "System::Timer::clear");
    }
    callbacks().erase(id);
    id = 0;
}

void Timer::timerProc(uintptr_t id)
{
    auto& table = callbacks();
    auto it = table.find(id);
    if (it == table.end())
        return;
    std::shared_ptr<std::function<void()>> callback = it->second;
    // An empty callback raises std::bad_function_call, as any empty listener does.
    (*callback)();
}

} // namespace System
