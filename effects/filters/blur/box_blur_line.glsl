// One box pass along one axis on a running sum: each invocation walks one
// line (a column for VERTICAL 1, a row for 0), adding the texel that enters
// the window and subtracting the one that leaves it, so a texel costs two
// loads whatever the radius. MODE as in box_blur.hlsli; the values are those
// of the pixel-shader pass up to the rounding of the sums.
#extension GL_EXT_samplerless_texture_functions : require
layout(local_size_x = 16, local_size_y = 1, local_size_z = 1) in;
// Bindings are register numbers (b0, t0, u0), moved onto the device's scheme by the build.
layout(binding = 0, std140) uniform constant0 {
    int width;  // of the pass's output
    int height;
    int range;
    float divide;
};
layout(binding = 0) uniform texture2D source;
layout(binding = 0, rgba16f) uniform writeonly image2D target;

vec4 fetch(ivec2 q, ivec2 size)
{
#if MODE == 2
    q = clamp(q, ivec2(0), size - 1);
#else
    if (any(lessThan(q, ivec2(0))) || any(greaterThanEqual(q, size)))
        return vec4(0);
#endif
    return texelFetch(source, q, 0);
}

#if VERTICAL
#define AT(i) ivec2(line, i)
#else
#define AT(i) ivec2(i, line)
#endif

void main()
{
    const int line = int(gl_GlobalInvocationID.x);
#if VERTICAL
    const int lines = width, length = height;
#else
    const int lines = height, length = width;
#endif
    if (line >= lines)
        return;
    const ivec2 size = textureSize(source, 0);
#if MODE == 0
    const int first = -2 * range, last = 0;
#else
    const int first = -range, last = range;
#endif
    vec4 sum = vec4(0);
    for (int k = first; k < last; ++k)
        sum += fetch(AT(k), size);
    for (int i = 0; i < length; ++i) {
        sum += fetch(AT(i + last), size);
        imageStore(target, AT(i), sum * divide);
        sum -= fetch(AT(i + first), size);
    }
}
