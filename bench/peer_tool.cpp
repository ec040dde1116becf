#include "bench/peer_tool.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace Bench {

double timeCommand(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double ffmpegRate(const std::string& input, const std::string& output, const std::string& firstPart, double units,
                  double firstUnits, const std::string& inputOptions)
{
    auto best = [&](const std::string& limit) {
        double t = 1e30;
        for (int i = 0; i < 3; ++i)
            t = std::min(t, timeCommand("ffmpeg -v error -nostdin " + inputOptions + " -i '" + input + "' " + limit +
                                        " " + output + " -y /dev/null"));
        return t;
    };
    const double whole = best(""), first = best(firstPart);
    return whole > first ? (units - firstUnits) / (whole - first) : -1;
}

} // namespace Bench
