#version 450
#extension GL_GOOGLE_include_directive : require
// Writes one colour at one pixel of "dst", blended by the pixel rule.
#include "pixel_rule.glsl"
layout(local_size_x = 1, local_size_y = 1, local_size_z = 1) in;
// Bindings are register numbers (b0, u0, u1 ...), moved onto the device's scheme by the build.
layout(binding = 0, std140) uniform Constant {
    vec4 color; // 0
    ivec2 pos;  // 16
    int blend;  // 24
};
layout(binding = 0, rgba16f) uniform image2D dst;
void main()
{
    if (inside(pos, imageSize(dst)))
        imageStore(dst, pos, blendPixel(imageLoad(dst, pos), color, blend));
}
