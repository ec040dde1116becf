// シャープ: the difference from the blurred picture added by the level; the
// colour stays within 0 and the pixel's alpha.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
Texture2D<float4> blurred : register(t1);
cbuffer Constant : register(b0) { float level; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    float4 c = loadTexel(source, 0, p);
    float4 b = loadTexel(blurred, 1, p);
    return targetOutput(float4(clamp(c.rgb + (c.rgb - b.rgb) * level, 0, c.a), c.a));
}
