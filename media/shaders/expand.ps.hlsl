#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { float base; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    return targetOutput(float4(exp(saturateSafe(c.rgb) * base + 1), c.a));
}
