#include "media/shader_list.h"

#include "media/shader_resource.h"

#include "media/shaders/blend_mode.ps.hlsl.h"
#include "media/shaders/blend_mode_offset.ps.hlsl.h"
#include "media/shaders/bright_pass.ps.hlsl.h"
#include "media/shaders/clamp_premultiplied.ps.hlsl.h"
#include "media/shaders/compress.ps.hlsl.h"
#include "media/shaders/copy.ps.hlsl.h"
#include "media/shaders/copy_offset.ps.hlsl.h"
#include "media/shaders/copy_offset_alpha.ps.hlsl.h"
#include "media/shaders/copy_offset_clamp.ps.hlsl.h"
#include "media/shaders/copy_opaque.ps.hlsl.h"
#include "media/shaders/copy_two_targets.ps.hlsl.h"
#include "media/shaders/expand.ps.hlsl.h"
#include "media/shaders/fill_color.ps.hlsl.h"
#include "media/shaders/fill_color_by_alpha.ps.hlsl.h"
#include "media/shaders/fill_white.ps.hlsl.h"
#include "media/shaders/luminance_mask.ps.hlsl.h"
#include "media/shaders/multiply_alpha.ps.hlsl.h"
#include "media/shaders/premultiply.ps.hlsl.h"
#include "media/shaders/quad.vs.hlsl.h"
#include "media/shaders/quad_uv.vs.hlsl.h"
#include "media/shaders/resample.ps.hlsl.h"
#include "media/shaders/rgb_to_yuv.ps.hlsl.h"
#include "media/shaders/sample.ps.hlsl.h"
#include "media/shaders/saturate.ps.hlsl.h"
#include "media/shaders/shrink_horizontal.ps.hlsl.h"
#include "media/shaders/shrink_vertical.ps.hlsl.h"
#include "media/shaders/unpremultiply.ps.hlsl.h"
#include "media/shaders/yuv_to_rgb.ps.hlsl.h"

#include "media/shaders/color.ps.glsl.h"
#include "media/shaders/color.vs.hlsl.h"
#include "media/shaders/color_depth.ps.glsl.h"
#include "media/shaders/color_depth_normal.ps.glsl.h"
#include "media/shaders/color_depth_normal_ordered.ps.glsl.h"
#include "media/shaders/color_depth_ordered.ps.glsl.h"
#include "media/shaders/color_normal.vs.hlsl.h"
#include "media/shaders/copy_pixel.cs.glsl.h"
#include "media/shaders/copy_pixel_from.cs.glsl.h"
#include "media/shaders/light.ps.hlsl.h"
#include "media/shaders/light.vs.hlsl.h"
#include "media/shaders/object.ps.glsl.h"
#include "media/shaders/object.vs.hlsl.h"
#include "media/shaders/object_depth.ps.glsl.h"
#include "media/shaders/object_depth_normal.ps.glsl.h"
#include "media/shaders/object_depth_normal_ordered.ps.glsl.h"
#include "media/shaders/object_depth_ordered.ps.glsl.h"
#include "media/shaders/object_normal.vs.hlsl.h"
#include "media/shaders/put_pixel.cs.glsl.h"
#include "media/shaders/transparent.ps.glsl.h"

#include "platform/gpu/gpu.h"

namespace Shader {

namespace {
ShaderList* instance = nullptr;

template <size_t N>
void load(Media::PixelShader& shader, const uint32_t (&code)[N])
{
    shader.loadFromMemory(code, sizeof(code));
}
template <size_t N>
void load(Media::VertexShader& shader, const uint32_t (&code)[N])
{
    shader.loadFromMemory(code, sizeof(code));
}
template <size_t N>
void load(Media::ComputeShader& shader, const uint32_t (&code)[N])
{
    shader.loadFromMemory(code, sizeof(code));
}
// The variant whose storage-image updates are ordered by primitive where the
// device supports it.
template <size_t N, size_t M>
void loadDepth(Media::PixelShader& shader, bool ordered, const uint32_t (&unordered)[N], const uint32_t (&inOrder)[M])
{
    if (ordered)
        shader.loadFromMemory(inOrder, sizeof(inOrder));
    else
        shader.loadFromMemory(unordered, sizeof(unordered));
}
} // namespace

ShaderList::ShaderList()
{
    // Quad geometry covering clip space; texture coordinates run from (0, 0)
    // at the top left to (1, 1) at the bottom right.
    const float positions[4][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
    const float withUv[4][7] = {
        {-1, -1, 0, 0, 1, 1, 0}, {1, -1, 0, 1, 1, 1, 0}, {-1, 1, 0, 0, 0, 1, 0}, {1, 1, 0, 1, 0, 1, 0}};
    Media::VertexBufferCommon::create(quadVertexBuffer, positions, 4, 12);
    quadVertexBuffer.topology = Platform::Gpu::Topology::TriangleStrip;
    Media::VertexBufferCommon::create(quadUvVertexBuffer, withUv, 4, 28);
    quadUvVertexBuffer.topology = Platform::Gpu::Topology::TriangleStrip;
    Media::ConstantBufferCommon::create(constantBuffer, nullptr, 16);
    Media::ConstantBufferCommon::create(objectConstantBuffer, nullptr, 160);

    // Object shaders in pairs, vertex shader first; then the light pass and
    // the transparency resolve.
    const bool ordered = Media::Direct3DService::Get()->device->facts().fragmentInterlock;
    load(objectVertexShader, object_vs_hlsl);
    load(objectShader, object_ps_glsl);
    load(objectDepthVertexShader, object_vs_hlsl);
    loadDepth(objectDepthShader, ordered, object_depth_ps_glsl, object_depth_ordered_ps_glsl);
    load(objectDepthNormalVertexShader, object_normal_vs_hlsl);
    loadDepth(objectDepthNormalShader, ordered, object_depth_normal_ps_glsl, object_depth_normal_ordered_ps_glsl);
    load(colorVertexShader, color_vs_hlsl);
    load(colorShader, color_ps_glsl);
    load(colorDepthVertexShader, color_vs_hlsl);
    loadDepth(colorDepthShader, ordered, color_depth_ps_glsl, color_depth_ordered_ps_glsl);
    load(colorDepthNormalVertexShader, color_normal_vs_hlsl);
    loadDepth(colorDepthNormalShader, ordered, color_depth_normal_ps_glsl, color_depth_normal_ordered_ps_glsl);
    load(lightShader, light_ps_hlsl);
    load(lightVertexShader, light_vs_hlsl);
    load(transparentShader, transparent_ps_glsl);

    load(yuvToRgbShader, yuv_to_rgb_ps_hlsl);
    load(rgbToYuvShader, rgb_to_yuv_ps_hlsl);
    load(copyShader, copy_ps_hlsl);
    load(fillColorShader, fill_color_ps_hlsl);
    load(fillWhiteShader, fill_white_ps_hlsl);
    load(copyOffsetShader, copy_offset_ps_hlsl);
    load(copyOffsetClampShader, copy_offset_clamp_ps_hlsl);
    load(copyTwoTargetsShader, copy_two_targets_ps_hlsl);
    load(fillColorByAlphaShader, fill_color_by_alpha_ps_hlsl);
    load(multiplyAlphaShader, multiply_alpha_ps_hlsl);
    load(copyOffsetAlphaShader, copy_offset_alpha_ps_hlsl);
    load(sampleShader, sample_ps_hlsl);
    load(premultiplyShader, premultiply_ps_hlsl);
    load(unpremultiplyShader, unpremultiply_ps_hlsl);
    load(copyOpaqueShader, copy_opaque_ps_hlsl);
    load(clampPremultipliedShader, clamp_premultiplied_ps_hlsl);
    load(saturateShader, saturate_ps_hlsl);
    load(shrinkHorizontalShader, shrink_horizontal_ps_hlsl);
    load(shrinkVerticalShader, shrink_vertical_ps_hlsl);
    load(resampleShader, resample_ps_hlsl);
    load(brightPassShader, bright_pass_ps_hlsl);
    load(expandShader, expand_ps_hlsl);
    load(compressShader, compress_ps_hlsl);
    load(luminanceMaskShader, luminance_mask_ps_hlsl);
    load(blendModeShader, blend_mode_ps_hlsl);
    load(blendModeOffsetShader, blend_mode_offset_ps_hlsl);

    load(quadVertexShader, quad_vs_hlsl);
    load(quadUvVertexShader, quad_uv_vs_hlsl);

    load(putPixelShader, put_pixel_cs_glsl);
    load(copyPixelShader, copy_pixel_cs_glsl);
    load(copyPixelFromShader, copy_pixel_from_cs_glsl);

    if (!instance)
        instance = this;
}

ShaderList::~ShaderList()
{
    if (instance == this)
        instance = nullptr;
}

ShaderList* ShaderList::published() { return instance; }

Media::PixelShader& ShaderList::quadShader(uint32_t index)
{
    Media::PixelShader* all[QuadShaderCount] = {
        &yuvToRgbShader,        &rgbToYuvShader,         &copyShader,          &fillColorShader,
        &fillWhiteShader,       &copyOffsetShader,       &copyOffsetClampShader, &copyTwoTargetsShader,
        &fillColorByAlphaShader, &multiplyAlphaShader,   &copyOffsetAlphaShader, &sampleShader,
        &premultiplyShader,     &unpremultiplyShader,    &copyOpaqueShader,    &clampPremultipliedShader,
        &saturateShader,        &shrinkHorizontalShader, &shrinkVerticalShader, &resampleShader,
        &brightPassShader,      &expandShader,           &compressShader,      &luminanceMaskShader,
        &blendModeShader,       &blendModeOffsetShader,
    };
    return *all[index < QuadShaderCount ? index : 2];
}

} // namespace Shader

namespace Resource {

ShaderResource::ShaderResource() : shaderList(Shader::ShaderList::published()) {}

} // namespace Resource
