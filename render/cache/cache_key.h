#pragma once
// The keys of the media caches: a name (a file path, a track-qualified file
// name, or "*" + a scene id) and a number (a frame, a one-second block, or 0).
// Equal when both are equal code unit for code unit; hashed as the 64-bit
// FNV-1a hash of the number (eight bytes, sign-extended, least significant
// first) XOR that of the name's UTF-16 code units (two bytes each).
#include "core/hash.h"

#include <cstdint>
#include <string>

namespace Cache {

struct CacheKey {
    std::wstring name;
    int32_t number = 0;

    bool operator==(const CacheKey& other) const { return number == other.number && name == other.name; }
};

using ImageCacheKey = CacheKey;    // (file or scene name, frame)
using AudioCacheKey = CacheKey;    // (file or scene name, one-second block)
using WaveformCacheKey = CacheKey; // (track-qualified file name, 0)

struct CacheKeyHash {
    static uint64_t unitHash(uint64_t h, uint32_t unit)
    {
        h = (h ^ (unit & 0xff)) * 1099511628211ull;
        return (h ^ (unit >> 8)) * 1099511628211ull;
    }
    size_t operator()(const CacheKey& key) const
    {
        uint64_t n = System::Fnv1aBasis;
        const uint64_t number = static_cast<uint64_t>(static_cast<int64_t>(key.number));
        for (int i = 0; i < 8; ++i)
            n = (n ^ ((number >> (8 * i)) & 0xff)) * 1099511628211ull;
        uint64_t h = System::Fnv1aBasis;
        for (wchar_t c : key.name) {
            const uint32_t cp = static_cast<uint32_t>(c);
            if (cp < 0x10000) {
                h = unitHash(h, cp);
            } else { // a surrogate pair in UTF-16
                h = unitHash(h, 0xd800 + ((cp - 0x10000) >> 10));
                h = unitHash(h, 0xdc00 + ((cp - 0x10000) & 0x3ff));
            }
        }
        return static_cast<size_t>(n ^ h);
    }
};

// The export caches key by frame number: the FNV-1a hash of its four bytes.
struct FrameKeyHash {
    size_t operator()(int frame) const
    {
        uint64_t h = System::Fnv1aBasis;
        const uint32_t v = static_cast<uint32_t>(frame);
        for (int i = 0; i < 4; ++i)
            h = (h ^ ((v >> (8 * i)) & 0xff)) * 1099511628211ull;
        return static_cast<size_t>(h);
    }
};

} // namespace Cache
