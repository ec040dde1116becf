#pragma once
// FNV-1a, 64-bit: a fast hash of short byte strings, the same on every run and
// machine (stored values may depend on it). The one implementation of it:
// core/hash.h forwards to this header for the floors above the platform layer.
// Inline: the callers hash short names and keys in tight loops, where a call
// costs as much as the hash.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Platform::Os {

inline constexpr uint64_t Fnv1aBasis = 14695981039346656037ull;

// Continues the hash h over the bytes; start a new hash with Fnv1aBasis.
constexpr uint64_t fnv1a(std::string_view bytes, uint64_t h = Fnv1aBasis)
{
    for (char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

// The same over size bytes of memory (keys of plain structures). Named apart:
// an overload of fnv1a would take fnv1a("text", h) for memory of h bytes.
inline uint64_t fnv1aBytes(const void* data, size_t size, uint64_t h = Fnv1aBasis)
{
    return fnv1a(std::string_view(static_cast<const char*>(data), size), h);
}

} // namespace Platform::Os
