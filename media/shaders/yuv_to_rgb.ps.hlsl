#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { float4 transform[4]; float4 offset; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 v = float4(loadTexel(source, 0, int2(pos.xy)).rgb, 1) + offset;
    return targetOutput(float4(dot(transform[0], v), dot(transform[1], v), dot(transform[2], v), dot(transform[3], v)));
}
