#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { float baseInverse; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    return targetOutput(float4((log(c.rgb) - 1) * baseInverse, c.a));
}
