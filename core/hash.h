#pragma once
// FNV-1a, 64-bit (platform/os/hash.h): a fast hash of short byte strings, the
// same on every run and machine (stored values may depend on it).
#include "platform/os/hash.h"

namespace System {

using Platform::Os::Fnv1aBasis;
// fnv1a(bytes, h = Fnv1aBasis) continues the hash h over a string view,
// fnv1aBytes(data, size, h) over memory.
using Platform::Os::fnv1a;
using Platform::Os::fnv1aBytes;

} // namespace System
