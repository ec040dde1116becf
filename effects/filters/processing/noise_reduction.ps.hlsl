// ノイズ除去: each channel pulled towards its neighbours by their differences
// up to the limit, less beyond it and nothing past twice the limit; a
// difference never counts for more than the smaller alpha. The result is
// held to 0..alpha: a valid premultiplied colour.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0)
{
    int range;
    float level;
    float limit;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    float4 c = loadTexel(source, 0, p);
    if (c.a < 0.001)
        return targetOutput(c);
    float3 sum = 0;
    for (int y = -range; y <= range; ++y)
        for (int x = -range; x <= range; ++x) {
            float4 q = loadTexel(source, 0, p + int2(x, y));
            float3 d = q.rgb - c.rgb;
            float3 ad = abs(d);
            float3 w = max(0, ad - max(0, 2 * (ad - limit)));
            w = min(w, min(c.a, q.a));
            sum += w * sign(d);
        }
    float3 v = c.rgb + sum * level;
    return targetOutput(float4((v > 0) ? min(v, c.a) : 0, c.a));
}
