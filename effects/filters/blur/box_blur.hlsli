// One box pass along one axis: the mean of 2 range + 1 texels.
// VERTICAL (1 or 0) picks the axis; MODE: 0 the window y - 2r .. y of a
// canvas that grew by 2r (the input sits r inside it), 1 the window
// y - r .. y + r with transparent black outside, 2 the same window with
// positions clamped to the picture.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    int width;  // of the pass's output
    int height;
    int range;
    float divide; // 1 / (2 range + 1)
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
#if MODE == 0
    int first = -2 * range;
    int last = 0;
#else
    int first = -range;
    int last = range;
#endif
    float4 sum = 0;
    for (int k = first; k <= last; ++k) {
#if VERTICAL
        int2 q = int2(p.x, p.y + k);
#if MODE == 2
        q.y = clamp(q.y, 0, height - 1);
#endif
#else
        int2 q = int2(p.x + k, p.y);
#if MODE == 2
        q.x = clamp(q.x, 0, width - 1);
#endif
#endif
        sum += loadTexel(source, 0, q);
    }
    return targetOutput(sum * divide);
}
