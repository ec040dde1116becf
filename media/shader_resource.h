#pragma once
// Mix-ins that give an object the built-in shader list and the state lists.
// They copy the pointers published by the lists' owner when the object is
// built (null before the lists exist).
namespace Shader {
class ShaderList;
class SamplerStateList;
class BlendStateList;
class RasterizerStateList;
} // namespace Shader

namespace Resource {

struct ShaderResource {
    ShaderResource();
    Shader::ShaderList* shaderList;
};

struct ShaderStateResource {
    ShaderStateResource();
    Shader::SamplerStateList* samplerStateList;
    Shader::BlendStateList* blendStateList;
    Shader::RasterizerStateList* rasterizerStateList;
};

} // namespace Resource
