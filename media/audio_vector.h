#pragma once
// Vector types of the audio loops (audio_buffer.cpp, audio_spectrum.cpp only).
// The loops are written with the compiler's vector types so that every build
// turns them into vector instructions; each kernel has a second build for
// processors with AVX2, chosen when the program loads.
#include <cstdint>
#include <cstring>

// The helpers are inline and file-local to the audio loops: no call of them
// crosses the calling convention the compiler warns about for 32-byte vectors.
#pragma GCC diagnostic ignored "-Wpsabi"

#define VELMORA_AUDIO_KERNEL __attribute__((target_clones("avx2", "default")))

namespace Media::AudioVector {

typedef float Float4 __attribute__((vector_size(16)));
typedef float Float8 __attribute__((vector_size(32)));
typedef int32_t Int4 __attribute__((vector_size(16)));
typedef int32_t Int8 __attribute__((vector_size(32)));
typedef int16_t Short8 __attribute__((vector_size(16)));
typedef int16_t Short16 __attribute__((vector_size(32)));
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
typedef uint8_t Bytes32 __attribute__((vector_size(32)));

template <class V>
inline V load(const void* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V>
inline void store(void* p, const V& v)
{
    std::memcpy(p, &v, sizeof v);
}

} // namespace Media::AudioVector
