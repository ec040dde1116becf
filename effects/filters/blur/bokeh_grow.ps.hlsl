// The full-resolution kernel; FIXED clamps the positions to the picture.
#include "bokeh.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 base = pos.xy + offset;
#ifdef FIXED
    int2 last = textureSize(source, 0) - 1;
#endif
    float4 sum = 0;
    float weights = 0;
    for (int j = 0; j < sampleNum; ++j) {
        int y = int(base.y - (j + 1));
        for (int i = 0; i < sampleNum; ++i) {
            int2 q = int2(int(base.x + i), y);
#ifdef FIXED
            q = clamp(q, 0, last);
#endif
            float m = loadTexel(mask, 1, int2(i, j)).a;
            sum += loadTexel(source, 0, q) * m;
            weights += m;
        }
    }
    return targetOutput(weighted(sum, weights));
}
