#pragma once
// Drawing objects into a frame with the object shaders of the shader list:
// the constant buffers those shaders read, and the bindings of the frame's
// companion pictures, the object's picture and the frame copy that the blend
// modes read. Vertex lists draw the quads in between (setShader*, draw*).
#include <cstdint>

namespace Platform::Gpu {
class BlendState;
class SamplerState;
} // namespace Platform::Gpu

namespace Media {

class RenderBuffer;
class ResourceBuffer;

// "Constant" of the object vertex and pixel shaders (160 bytes).
struct ObjectConstant {
    float projection[4][4] = {}; // rows: clip = (dot(row 0, p), ..., dot(row 3, p)) with p = (x, y, z, 1)
    float alpha = 1.0f;          // 64
    int32_t blend = 0;           // 68: blend mode; 0 draws without reading the frame
    float padding0[2] = {};
    float normalWorld[4][4] = {}; // 80: rows 0 to 2 turn normals
    float shine = 0.0f;           // 144
    float padding1[3] = {};
};
static_assert(sizeof(ObjectConstant) == 160);

// One light record (32 bytes): type 1 is a directional light; direction
// points towards the light, unit length.
struct LightSource {
    int32_t type = 0;
    float direction[3] = {};
    float color[4] = {};
};
static_assert(sizeof(LightSource) == 32);

// The light pass's constant buffer (272 bytes).
struct LightConstant {
    LightSource source[8];
    int32_t lightNum = 0; // 256
    float ambient[3] = {}; // 260
};
static_assert(sizeof(LightConstant) == 272);

namespace ObjectDraw {

enum class Companions { None, Depth, DepthNormal };

// Binds the frame as the only target and, for the depth shaders, its
// companions from u1: depth, transparent, transparent depth, and for the
// normal shaders also normal and transparent normal. Made on first use.
void setTarget(RenderBuffer& frame, Companions companions);
// Writes the constants into the shader list's object constant buffer and
// binds it at b0 of the vertex and the pixel stage.
void setConstants(const ObjectConstant& constants);
// Binds the object's picture at t0 with the sampler at s0, and the frame copy
// the blend modes read at t1 (each may be null).
void setSources(ResourceBuffer* picture, Platform::Gpu::SamplerState* sampler, ResourceBuffer* frameCopy);
// Unbinds the target, the companions and the two sources.
void clear();
// Composites the transparent layer onto the frame (premultiplied over) where
// it lies in front of the stored surface.
void resolveTransparency(RenderBuffer& frame);
// Shades the frame from its normal buffer with its lights (the first eight of
// frame.lights) and the ambient colour, writing through the blend state (null:
// the light replaces the frame). view: the direction towards the viewer at
// the corners top-left, top-right, bottom-right, bottom-left.
void drawLight(RenderBuffer& frame, const float ambient[3], const float view[4][3], Platform::Gpu::BlendState* blend);

} // namespace ObjectDraw

} // namespace Media
