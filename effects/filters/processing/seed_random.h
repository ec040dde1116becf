#pragma once
// The seeded random values of ノイズ and 振動: a start value hashed from the
// seed (and, for 振動, the half period), then the values of the lookup
// textures' sequence from it, each mapped into 0..1.
#include <cstdint>

namespace Effect::SeedRandom {

// The generator's start from a seed h and a second number k (both
// sign-extended to 64 bits); ノイズ passes k = 0.
uint64_t start(int64_t h, int64_t k = 0);
// Advances the sequence from state and returns the new state.
uint64_t next(uint64_t& state);
// A generator value as a number in 0..1: its remainder by 2^32 + 1, times 2^-32.
float unit(uint64_t value);

} // namespace Effect::SeedRandom
