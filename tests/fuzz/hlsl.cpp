// HLSL source of user and script shaders, compiled as each stage (includes
// answered from memory), and what compiles reflected as the device would.
#include "platform/gpu/hlsl_compiler.h"
#include "tests/fuzz/fuzz_target.h"

#include <string>

FUZZ_TARGET(hlsl)
{
    using namespace Platform::Gpu;
    Fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    const Stage stage = choice % 3 == 0 ? Stage::Pixel : choice % 3 == 1 ? Stage::Vertex : Stage::Compute;
    const std::string source(in.restText());
    auto include = [](const std::string& name, const std::string&, std::string& text) {
        if (name.empty() || name[0] == 'x')
            return false;
        text = "#define INCLUDED 1\nfloat4 includedColor(float4 c) { return c * 0.5; }\n";
        return true;
    };
    // In the compiler process, as user and script shaders compile: a source the
    // compiler cannot cope with must come back as a failed compile.
    CompileResult result = compileHlsl(source, "fuzz.hlsl", "main", stage, include, 20000);
    if (result.ok) {
        ShaderInfo info;
        reflectShader(result.spirv.data(), result.spirv.size(), info);
    }
}
