#version 450
#extension GL_GOOGLE_include_directive : require
// Copies one pixel of "dst" to another place of it, blended by the pixel rule.
#include "pixel_rule.glsl"
layout(local_size_x = 1, local_size_y = 1, local_size_z = 1) in;
// Bindings are register numbers (b0, u0, u1 ...), moved onto the device's scheme by the build.
layout(binding = 0, std140) uniform Constant {
    ivec2 dstPos; // 0
    ivec2 srcPos; // 8
    int blend;    // 16
};
layout(binding = 0, rgba16f) uniform image2D dst;
void main()
{
    ivec2 size = imageSize(dst);
    if (!inside(dstPos, size))
        return;
    vec4 c = inside(srcPos, size) ? imageLoad(dst, srcPos) : vec4(0.0);
    imageStore(dst, dstPos, blendPixel(imageLoad(dst, dstPos), c, blend));
}
