#pragma once
// A fuzz target: one function that feeds an input of outside bytes to a parser.
//
//   FUZZ_TARGET(ini) { ... use data and size ... }
//
// In the fuzzing build (clang, libFuzzer) each target file becomes a program of its
// own; in the normal build every target is linked into one test program that
// feeds it the inputs kept under tests/fuzz/regressions/<name>/. A target returns
// normally for any input: the errors a parser reports (its exceptions) are caught
// inside the target, and anything else (a crash, a sanitizer report, an escaping
// exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace Fuzz {

using Entry = void (*)(const uint8_t* data, size_t size);

// Every target of this program, by name.
std::map<std::string, Entry>& targets();

struct Registration {
    Registration(const char* name, Entry entry) { targets()[name] = entry; }
};

// A property of the parser's result that does not hold: the same finding as a crash.
[[noreturn]] inline void fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

// The input as text (bytes as they are).
inline std::string_view text(const uint8_t* data, size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// Reads the leading bytes of an input as small choices, then hands out the rest.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // The next byte, 0 when the input is used up.
    uint8_t byte()
    {
        if (!size_)
            return 0;
        --size_;
        return *data_++;
    }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v;
    }
    const uint8_t* rest() const { return data_; }
    size_t restSize() const { return size_; }
    std::string_view restText() const { return text(data_, size_); }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace Fuzz

#define FUZZ_TARGET(name)                                                                                  \
    static void fuzzTarget_##name(const uint8_t* data, size_t size);                                      \
    static const ::Fuzz::Registration fuzzRegistration_##name(#name, fuzzTarget_##name);                  \
    static void fuzzTarget_##name(const uint8_t* data, size_t size)
