#pragma once
// The renderer's built-in shaders: the full-target quad pixel shaders, the
// quad vertex shaders and vertex buffers they are drawn with, and the shared
// 16-byte constant buffer of the small quad shaders.
#include "media/pixel_shader.h"
#include "media/vertex_shader.h"

#include <cstdint>

namespace Shader {

class ShaderList {
public:
    ShaderList();
    ~ShaderList();
    ShaderList(const ShaderList&) = delete;
    ShaderList& operator=(const ShaderList&) = delete;
    // The instance of the lists' owner (the first one alive).
    static ShaderList* published();

    static constexpr uint32_t QuadShaderCount = 26;
    // Quad pixel shaders in index order.
    Media::PixelShader yuvToRgbShader;          // 0: transform x ((texel.rgb, 1) + offset)
    Media::PixelShader rgbToYuvShader;          // 1: transform x saturate(texel) + offset
    Media::PixelShader copyShader;              // 2
    Media::PixelShader fillColorShader;         // 3: "color"
    Media::PixelShader fillWhiteShader;         // 4
    Media::PixelShader copyOffsetShader;        // 5: "offset" (2 ints)
    Media::PixelShader copyOffsetClampShader;   // 6: "offset", clamped into the source
    Media::PixelShader copyTwoTargetsShader;    // 7: target 0 <- t0, target 1 <- t1
    Media::PixelShader fillColorByAlphaShader;  // 8: "color" x texel.a
    Media::PixelShader multiplyAlphaShader;     // 9: texel x "alpha"
    Media::PixelShader copyOffsetAlphaShader;   // 10: "alpha" at 0, "offset" at 4
    Media::PixelShader sampleShader;            // 11: sampler s0 at the texture coordinate
    Media::PixelShader premultiplyShader;       // 12
    Media::PixelShader unpremultiplyShader;     // 13
    Media::PixelShader copyOpaqueShader;        // 14
    Media::PixelShader clampPremultipliedShader; // 15
    Media::PixelShader saturateShader;          // 16
    Media::PixelShader shrinkHorizontalShader;  // 17: "step" at 0, "offset" at 4
    Media::PixelShader shrinkVerticalShader;    // 18
    Media::PixelShader resampleShader;          // 19: "inverseRatio" (2 floats), sampler s0
    Media::PixelShader brightPassShader;        // 20: "threshold", "ratio", "limit"
    Media::PixelShader expandShader;            // 21: "base"
    Media::PixelShader compressShader;          // 22: "baseInverse"
    Media::PixelShader luminanceMaskShader;     // 23: "limitMin", "limitMax", "scale" (2 floats), sampler s0
    Media::PixelShader blendModeShader;         // 24: "blend" (int) at 0, "alpha" at 4; t1 "frameBuffer"
    Media::PixelShader blendModeOffsetShader;   // 25: as 24 with "offset" (2 ints) at 8

    // The quad shader by index (0 to 25).
    Media::PixelShader& quadShader(uint32_t index);

    // The render plan's clipping passes. The clipping composite writes the
    // picture at t0 as the first colour and the mask at t1 as the second,
    // blended with dual-source factors (one minus and the second colour's
    // alpha, blend state 4). The colour mask is "color" x the alpha at t0.
    Media::PixelShader& clipCompositeShader = copyTwoTargetsShader;
    Media::PixelShader& colorMaskShader = fillColorByAlphaShader;

    Media::VertexShader quadVertexShader;
    Media::VertexShader quadUvVertexShader;
    Media::VertexBufferCommon quadVertexBuffer;
    Media::VertexBufferCommon quadUvVertexBuffer;

    // Object shaders (drawn through the vertex lists), pixel shaders in member
    // order: textured; with depth; with depth and normals; the light pass; the
    // transparency resolve; coloured; with depth; with depth and normals. The
    // depth shaders keep their storage-image updates in primitive order where
    // the device can (fragment-shader interlock).
    Media::PixelShader objectShader;
    Media::PixelShader objectDepthShader;
    Media::PixelShader objectDepthNormalShader;
    Media::PixelShader lightShader;       // t0 "normalBuffer", b0 the light buffer
    Media::PixelShader transparentShader; // u1 to u3; a full-target quad
    Media::PixelShader colorShader;
    Media::PixelShader colorDepthShader;
    Media::PixelShader colorDepthNormalShader;
    Media::VertexShader objectVertexShader;
    Media::VertexShader objectDepthVertexShader;
    Media::VertexShader objectDepthNormalVertexShader;
    Media::VertexShader colorVertexShader;
    Media::VertexShader colorDepthVertexShader;
    Media::VertexShader colorDepthNormalVertexShader;
    Media::VertexShader lightVertexShader;
    // The vertex lists' single quads: 4 vertices of 28 and of 40 bytes.
    Media::VertexBuffer singleQuadBuffer{4, Platform::Gpu::Topology::TriangleStrip, 28};
    Media::VertexBuffer singleQuadNormalBuffer{4, Platform::Gpu::Topology::TriangleStrip, 40};
    // "Constant" of the object shaders (160 bytes), bound at b0 of both stages.
    Media::ConstantBufferCommon objectConstantBuffer;

    // Single-pixel compute shaders of the script functions (32-byte constants,
    // u0 "dst", u1 "src"; dispatched (1, 1, 1) per pixel).
    Media::ComputeShader putPixelShader;
    Media::ComputeShader copyPixelShader;
    Media::ComputeShader copyPixelFromShader;

    // Callers write the parameters of the quad shader they draw next into
    // `constants`, upload them (updateConstants) and pass `constantBuffer`.
    Media::ConstantBufferCommon constantBuffer;
    alignas(16) uint8_t constants[16] = {};
    void updateConstants() { constantBuffer.update(constants); }
};

} // namespace Shader
