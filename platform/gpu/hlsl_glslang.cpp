// Compiles HLSL with glslang in this process. Malformed source can crash
// glslang's HLSL front end, so only the compiler process calls this.
// The installed glslang is built with its HLSL front end.
#define ENABLE_HLSL 1
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv-tools/libspirv.hpp>

#include "platform/gpu/hlsl_compiler.h"

#include <mutex>

namespace Platform::Gpu {

namespace {
std::once_flag initialised;

class Includer final : public glslang::TShader::Includer {
public:
    explicit Includer(const IncludeReader& reader) : reader_(reader) {}
    IncludeResult* includeLocal(const char* name, const char* includer, size_t) override { return read(name, includer); }
    IncludeResult* includeSystem(const char* name, const char* includer, size_t) override { return read(name, includer); }
    void releaseInclude(IncludeResult* result) override
    {
        if (result) {
            delete static_cast<std::string*>(result->userData);
            delete result;
        }
    }

private:
    IncludeResult* read(const char* name, const char* includer)
    {
        if (!reader_)
            return nullptr;
        auto* text = new std::string;
        if (!reader_(name, includer ? includer : "", *text)) {
            delete text;
            return nullptr;
        }
        return new IncludeResult(name, text->data(), text->size(), text);
    }
    const IncludeReader& reader_;
};
} // namespace

CompileResult compileHlslHere(const std::string& source, const std::string& sourceName, const std::string& entryPoint,
                              Stage stage, const IncludeReader& include)
{
    std::call_once(initialised, [] { glslang::InitializeProcess(); });
    CompileResult result;
    EShLanguage language = stage == Stage::Vertex ? EShLangVertex : stage == Stage::Compute ? EShLangCompute : EShLangFragment;
    glslang::TShader shader(language);
    const char* strings[] = {source.c_str()};
    const int lengths[] = {static_cast<int>(source.size())};
    const char* names[] = {sourceName.c_str()};
    shader.setStringsWithLengthsAndNames(strings, lengths, names, 1);
    // The source's entry function becomes the module's "main", the name every
    // pipeline calls (scripts name their shaders' functions as they like).
    shader.setEntryPoint("main");
    shader.setSourceEntryPoint(entryPoint.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_3);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_6);
    shader.setEnvTargetHlslFunctionality1();
    shader.setHlslIoMapping(true);
    shader.setAutoMapBindings(true);
    shader.setShiftBinding(glslang::EResUbo, stage == Stage::Vertex ? VertexConstantBufferBase : ConstantBufferBase);
    shader.setShiftBinding(glslang::EResTexture, TextureBase);
    shader.setShiftBinding(glslang::EResSampler, SamplerBase);
    shader.setShiftBinding(glslang::EResUav, UnorderedAccessBase);
    shader.setShiftBinding(glslang::EResImage, UnorderedAccessBase);
    auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslOffsets);
    Includer includer(include);
    bool parsed = shader.parse(GetDefaultResources(), 100, false, messages, includer);
    result.log = shader.getInfoLog();
    if (!parsed)
        return result;
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages) || !program.mapIO()) {
        result.log += program.getInfoLog();
        return result;
    }
    result.log += program.getInfoLog();
    // Warnings are errors.
    if (result.log.find("WARNING") != std::string::npos)
        return result;
    glslang::SpvOptions options;
    options.disableOptimizer = false;
    options.validate = false;
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(language), result.spirv, &logger, &options);
    std::string messagesText = logger.getAllMessages();
    if (!messagesText.empty())
        result.log += messagesText;
    if (result.spirv.empty())
        return result;
    // The module is validated before any pipeline is made of it: a module the
    // front end got wrong is a failed compile, not a driver's problem.
    spvtools::SpirvTools validator(SPV_ENV_VULKAN_1_3);
    std::string invalid;
    validator.SetMessageConsumer([&](spv_message_level_t, const char*, const spv_position_t& position,
                                     const char* message) {
        invalid += "SPIR-V validation: " + std::to_string(position.index) + ": " + message + "\n";
    });
    if (!validator.Validate(result.spirv)) {
        result.log += invalid.empty() ? std::string("SPIR-V validation failed\n") : invalid;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace Platform::Gpu
