#pragma once
// Timing the peer tool a benchmark measures beside the program's own code.
#include <string>

namespace Bench {

// Seconds the shell command took; -1 when it failed.
double timeCommand(const std::string& command);

// ffmpeg's rate in units per second, its start-up taken out: the whole input
// against its first part only (firstPart: output options that stop early),
// best of three runs each. inputOptions go before the input ("-threads 1").
double ffmpegRate(const std::string& input, const std::string& output, const std::string& firstPart, double units,
                  double firstUnits, const std::string& inputOptions = "-threads 1");

} // namespace Bench
