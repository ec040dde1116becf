#pragma once
// A stopwatch over the steady high-resolution clock.
#include <chrono>

namespace System {

class PerformanceCounter {
public:
    void start();
    // Milliseconds since start; a stopwatch never started logs an error and gives 0.
    double time() const;

private:
    std::chrono::steady_clock::time_point begin_;
    bool started_ = false;
};

} // namespace System
