#pragma once
// A user-interface timer: calls a function on the main thread at a fixed
// interval from the main loop (caret blinking, repeat buttons, tool tips,
// automatic backup, export progress). Set, cleared and fired on the main thread.
#include <cstdint>
#include <functional>

namespace System {

class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Arms the timer (re-arms the same timer when set) and stores the callback,
    // replacing the one stored before.
    void set(unsigned elapse, std::function<void()> callback);
    // Stops the timer and destroys its callback; nothing happens when it is not set.
    // A callback may clear its own timer.
    void clear();
    bool isSet() const { return id != 0; }

    // Runs the callback stored for id; an unknown id is ignored.
    static void timerProc(uintptr_t id);

    uintptr_t id = 0;
};

} // namespace System
