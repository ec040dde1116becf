#pragma once
// Vector types of the audio loops (the sources of the audio kernels only).
// The loops are written with the compiler's vector types so that every build
// turns them into vector instructions; each kernel has a second build for
// processors with AVX2, chosen when the program loads.
#include <cstdint>
#include <cstring>

#if defined(__SANITIZE_THREAD__)
// The thread checker's programs die before main in the resolvers that choose
// a build: there the kernels are built once, for the default processor.
#define VELMORA_AUDIO_KERNEL
#else
#define VELMORA_AUDIO_KERNEL __attribute__((target_clones("avx2", "default")))
#endif

namespace Media::AudioVector {

typedef float Float4 __attribute__((vector_size(16)));
typedef float Float8 __attribute__((vector_size(32)));
typedef int32_t Int4 __attribute__((vector_size(16)));
typedef int32_t Int8 __attribute__((vector_size(32)));
typedef int16_t Short8 __attribute__((vector_size(16)));
typedef int16_t Short16 __attribute__((vector_size(32)));
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
typedef uint8_t Bytes32 __attribute__((vector_size(32)));

// Helpers take and give vectors by reference: a 32-byte vector passed by
// value between a kernel's AVX2 build and a helper built for the default
// processor would change the calling convention.
template <class V>
inline void load(V& v, const void* p)
{
    std::memcpy(&v, p, sizeof v);
}

template <class V>
inline void store(void* p, const V& v)
{
    std::memcpy(p, &v, sizeof v);
}

} // namespace Media::AudioVector
