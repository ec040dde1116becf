// The libFuzzer entry of a fuzzing program that holds exactly one target.
#include "tests/fuzz/fuzz_target.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No display: the toolkit runs offscreen, as in the tests.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (Fuzz::targets().size() != 1) {
        std::fprintf(stderr, "a fuzzing program holds exactly one target (%zu here)\n", Fuzz::targets().size());
        std::abort();
    }
    // One empty input first: what a target starts once (services, fonts, the
    // compiler) is neither timed nor checked for leaks as part of an input.
    Fuzz::targets().begin()->second(nullptr, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Fuzz::Entry entry = Fuzz::targets().begin()->second;
    entry(data, size);
    return 0;
}
