#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { int2 offset; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 size = textureSize(source, 0);
    int2 p = clamp(int2(pos.xy) + offset, int2(0, 0), size - 1);
    return targetOutput(loadTexel(source, 0, p));
}
