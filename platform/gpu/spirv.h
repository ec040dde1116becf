#pragma once
// Private to platform/gpu: SPIR-V numbers and the rewrites the device makes
// to shader modules (reflect.cpp). Each takes a module reflectShader accepted.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Platform::Gpu::Spirv {

constexpr uint32_t Magic = 0x07230203u;
constexpr size_t HeaderWords = 5;

enum Op : uint32_t {
    OpName = 5,
    OpExtension = 10,
    OpEntryPoint = 15,
    OpExecutionMode = 16,
    OpTypeInt = 21,
    OpTypeFloat = 22,
    OpTypeVector = 23,
    OpTypeImage = 25,
    OpTypeSampler = 26,
    OpTypeSampledImage = 27,
    OpTypeArray = 28,
    OpTypeRuntimeArray = 29,
    OpTypeStruct = 30,
    OpTypePointer = 32,
    OpSpecConstantTrue = 48,
    OpSpecConstantFalse = 49,
    OpSpecConstant = 50,
    OpVariable = 59,
    OpDecorate = 71,
    OpDecorateId = 332,
    OpDecorateString = 5632,
    OpMemberDecorateString = 5633,
};

enum Decoration : uint32_t {
    DecorationSpecId = 1,
    DecorationBlock = 2,
    DecorationBufferBlock = 3,
    DecorationBuiltIn = 11,
    DecorationLocation = 30,
    DecorationIndex = 32,
    DecorationBinding = 33,
    DecorationCounterBuffer = 5634, // HLSL counter buffers
    DecorationUserSemantic = 5635,
    DecorationUserTypeGOOGLE = 5636,
};

enum BuiltIn : uint32_t { BuiltInPosition = 0, BuiltInFragCoord = 15 };

enum StorageClass : uint32_t {
    StorageUniformConstant = 0,
    StorageInput = 1,
    StorageUniform = 2,
    StorageOutput = 3,
    StorageStorageBuffer = 12,
};

enum ExecutionModel : uint32_t { ModelVertex = 0, ModelFragment = 4, ModelGLCompute = 5 };

enum ExecutionMode : uint32_t {
    ModeLocalSize = 17,
    ModePixelInterlockOrdered = 5366,
    ModeSampleInterlockOrdered = 5368,
    ModeShadingRateInterlockOrdered = 5370,
};

// The word count and opcode of the instruction starting with this word.
inline uint32_t wordCount(uint32_t first) { return first >> 16; }
inline uint32_t opcode(uint32_t first) { return first & 0xFFFF; }

// The output at location 1 becomes the second source (index 1) of location 0,
// for blending with a second source colour.
std::vector<uint32_t> withSecondSource(const std::vector<uint32_t>& words);

// Without the semantic decorations and their extensions (HLSL user semantics,
// counter buffers): the device reads them by reflection, and keeping them
// would need a device extension.
std::vector<uint32_t> withoutSemantics(const std::vector<uint32_t>& words);

} // namespace Platform::Gpu::Spirv
