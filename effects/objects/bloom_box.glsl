// One box pass of the light bloom along one axis: each invocation walks one
// line (a column for VERTICAL 1, a row for 0) on a running sum, adding the
// texel that enters the window of 2 x range + 1 texels and subtracting the one
// that leaves it, so a texel costs two loads whatever the radius. Texels
// outside the picture count as 0; the sum is scaled by "divive".
#extension GL_EXT_samplerless_texture_functions : require
layout(local_size_x = 16, local_size_y = 1, local_size_z = 1) in;
// Bindings are register numbers (b0, t0, u0), moved onto the device's scheme by the build.
layout(binding = 0, std140) uniform constant0 {
    int range;
    float divive;
};
layout(binding = 0) uniform texture2D source;
layout(binding = 0, rgba16f) uniform writeonly image2D target;

#if VERTICAL
#define AT(i) ivec2(line, i)
#else
#define AT(i) ivec2(i, line)
#endif

vec4 fetch(ivec2 q, ivec2 size)
{
    if (any(lessThan(q, ivec2(0))) || any(greaterThanEqual(q, size)))
        return vec4(0);
    return texelFetch(source, q, 0);
}

void main()
{
    const int line = int(gl_GlobalInvocationID.x);
    const ivec2 size = textureSize(source, 0);
#if VERTICAL
    const int lines = size.x, length = size.y;
#else
    const int lines = size.y, length = size.x;
#endif
    if (line >= lines)
        return;
    vec4 sum = vec4(0);
    for (int k = -range; k < range; ++k)
        sum += fetch(AT(k), size);
    for (int i = 0; i < length; ++i) {
        sum += fetch(AT(i + range), size);
        imageStore(target, AT(i), sum * divive);
        sum -= fetch(AT(i - range), size);
    }
}
