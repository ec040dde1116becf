#version 450
// Resolves the one-layer transparency buffer: drawn as a full-target quad
// after the objects, it gives the layer where it lies in front of the stored
// surface (the caller blends it onto the frame) and nothing elsewhere.
// Bindings are register numbers (b0, u0, u1 ...), moved onto the device's scheme by the build.
layout(binding = 1, r32f) uniform image2D depthBuffer;
layout(binding = 2, rgba16f) uniform image2D transparentBuffer;
layout(binding = 3, r32f) uniform image2D transparentDepthBuffer;
layout(location = 0) out vec4 target;

bool inside(ivec2 p, ivec2 size) { return all(greaterThanEqual(p, ivec2(0))) && all(lessThan(p, size)); }

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    if (!inside(p, imageSize(depthBuffer)) || !inside(p, imageSize(transparentBuffer)) ||
        !inside(p, imageSize(transparentDepthBuffer)))
        discard;
    if (imageLoad(transparentDepthBuffer, p).r >= imageLoad(depthBuffer, p).r)
        discard;
    target = imageLoad(transparentBuffer, p);
}
