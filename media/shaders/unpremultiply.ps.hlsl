// Straight alpha from premultiplied: colour over alpha. A pixel without any
// alpha has no colour to recover and keeps 0 (not 0 / 0).
#include "common.hlsli"
Texture2D<float4> source : register(t0);
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    return targetOutput(float4(c.a > 0 ? c.rgb / c.a : float3(0, 0, 0), c.a));
}
