#pragma once
// Shared helpers of the audio benchmark's parts.
#include <functional>

namespace AudioBench {

// Seconds one call of run takes: the best of three rounds that together last
// at least atLeast seconds.
double secondsPerRun(const std::function<void()>& run, double atLeast);

// Prints decoding rates beside ffmpeg's (decode_bench.cpp).
void decoding();

} // namespace AudioBench
