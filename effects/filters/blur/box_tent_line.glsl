// Both box passes of one axis in one walk (a tent of radii rangeA, then
// rangeB): each invocation walks one line (a column for VERTICAL 1, a row for
// 0) keeping three running sums, the first box at the two ends of the second
// box's window and the second box itself. A texel costs four loads whatever
// the radii, and the first box is never stored. MODE as in box_blur.hlsli,
// for each box; the values are those of the two one-box passes up to the
// rounding of the sums.
#extension GL_EXT_samplerless_texture_functions : require
layout(local_size_x = 16, local_size_y = 1, local_size_z = 1) in;
// Bindings are register numbers (b0, t0, u0), moved onto the device's scheme by the build.
layout(binding = 0, std140) uniform constant0 {
    int width;  // of the output
    int height;
    int rangeA;
    int rangeB;
    float divide; // 1 / ((2 rangeA + 1) (2 rangeB + 1))
};
layout(binding = 0) uniform texture2D source;
layout(binding = 0, rgba16f) uniform writeonly image2D target;

#if VERTICAL
#define AT(i) ivec2(line, i)
#else
#define AT(i) ivec2(i, line)
#endif

int line;
int inputLength;

vec4 fetch(int i)
{
#if MODE == 2
    i = clamp(i, 0, inputLength - 1);
#else
    if (i < 0 || i >= inputLength)
        return vec4(0);
#endif
    return texelFetch(source, AT(i), 0);
}

// A box's window around position i is i + first .. i + last.
#if MODE == 0
#define FIRST(r) (-2 * (r))
#define LAST(r) 0
#else
#define FIRST(r) (-(r))
#define LAST(r) (r)
#endif

// The first box's sum at position m, moved on one position at a time.
struct Cursor {
    int m;
    vec4 sum;
};

Cursor start(int m)
{
    Cursor c;
    c.m = m;
    c.sum = vec4(0);
    for (int k = m + FIRST(rangeA); k <= m + LAST(rangeA); ++k)
        c.sum += fetch(k);
    return c;
}

void advance(inout Cursor c, int m)
{
    if (c.m < m) {
        c.sum += fetch(c.m + 1 + LAST(rangeA)) - fetch(c.m + FIRST(rangeA));
        c.m = m;
    }
}

void main()
{
    line = int(gl_GlobalInvocationID.x);
#if VERTICAL
    const int lines = width, length = height;
#else
    const int lines = height, length = width;
#endif
    if (line >= lines)
        return;
    const ivec2 size = textureSize(source, 0);
#if VERTICAL
    inputLength = size.y;
#else
    inputLength = size.x;
#endif
    // The first box's output: its length, and what the second box reads
    // at position i of it (nothing outside it, or its clamped position).
#if MODE == 0
    const int firstLength = inputLength + 2 * rangeA;
#else
    const int firstLength = inputLength;
#endif
#if MODE == 2
#define PLACE(i) clamp(i, 0, firstLength - 1)
#define INSIDE(i) true
#else
#define PLACE(i) (i)
#define INSIDE(i) ((i) >= 0 && (i) < firstLength)
#endif
    const int f2 = FIRST(rangeB), l2 = LAST(rangeB);
    // The second box's sum before position 0: the first box at f2 - 1 .. l2 - 1.
    Cursor lead = start(PLACE(f2 - 1));
    Cursor trail = lead;
    vec4 sum = vec4(0);
    for (int i = f2 - 1; i < l2; ++i) {
        advance(lead, PLACE(i));
        if (INSIDE(i))
            sum += lead.sum;
    }
    for (int j = 0; j < length; ++j) {
        const int enter = j + l2, leave = j + f2 - 1;
        advance(lead, PLACE(enter));
        advance(trail, PLACE(leave));
        if (INSIDE(enter))
            sum += lead.sum;
        if (INSIDE(leave))
            sum -= trail.sum;
        imageStore(target, AT(j), sum * divide);
    }
}
