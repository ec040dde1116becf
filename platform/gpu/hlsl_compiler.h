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

// Compiles in a compiler process of its own ("velmora2-hlsl" beside the
// executable), so that source the compiler cannot cope with (user and script
// shaders) never takes the program down: a compiler that crashes, hangs past
// timeoutMs or cannot be started is a failed compile whose log says so.
// Includes are read through include in this process. Any thread.
CompileResult compileHlsl(const std::string& source, const std::string& sourceName, const std::string& entryPoint,
                          Stage stage, const IncludeReader& include, int timeoutMs = 30000);

// The same in this process, for the compiler process itself.
CompileResult compileHlslHere(const std::string& source, const std::string& sourceName, const std::string& entryPoint,
                              Stage stage, const IncludeReader& include);

// The compiler process: serves one request from the parent on the socket fd.
int runHlslCompilerProcess(int fd);

// The compiler program's file name, beside the executable.
constexpr const char* HlslCompilerProgram = "velmora2-hlsl";

} // namespace Platform::Gpu
