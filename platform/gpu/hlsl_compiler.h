#pragma once
// Compiles HLSL source to SPIR-V for the device, with the registers of every
// resource class moved onto the device's one binding scheme.
#include "platform/gpu/gpu.h"

#include <functional>
#include <string>
#include <vector>

namespace Platform::Gpu {

// Reads an included file: the name as written and the including source's
// name; returns false when there is no such file.
using IncludeReader = std::function<bool(const std::string& name, const std::string& includer, std::string& text)>;

struct CompileResult {
    bool ok = false;
    std::vector<uint32_t> spirv;
    std::string log; // errors and warnings; warnings fail the compile
};

CompileResult compileHlsl(const std::string& source, const std::string& sourceName, const std::string& entryPoint,
                          Stage stage, const IncludeReader& include);

} // namespace Platform::Gpu
