#pragma once
// FNV-1a, 64-bit: a fast hash of short byte strings, the same on every run and
// machine (stored values may depend on it). Inline: the callers hash short
// names in tight loops, where a call costs as much as the hash.
#include <cstdint>
#include <string_view>

namespace System {

inline constexpr uint64_t Fnv1aBasis = 14695981039346656037ull;

// Continues the hash h over the bytes; start a new hash with Fnv1aBasis.
constexpr uint64_t fnv1a(std::string_view bytes, uint64_t h = Fnv1aBasis)
{
    for (char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

} // namespace System
