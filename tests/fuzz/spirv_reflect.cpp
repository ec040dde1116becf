// SPIR-V modules handed to the device (compiled script shaders): the reflection
// that reads their entry point, inputs, bindings and outputs.
#include "platform/gpu/gpu.h"
#include "tests/fuzz/fuzz_target.h"

#include <cstring>
#include <vector>

FUZZ_TARGET(spirv_reflect)
{
    // Words exactly as many as the input holds, in memory of their own, so a read
    // past the last word is seen.
    std::vector<uint32_t> words(size / 4);
    if (!words.empty())
        std::memcpy(words.data(), data, words.size() * 4);
    Platform::Gpu::ShaderInfo info;
    Platform::Gpu::reflectShader(words.data(), words.size(), info);
}
