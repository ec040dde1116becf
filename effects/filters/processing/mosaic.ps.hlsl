// モザイク's expansion: each pixel takes its block's mean from the reduced
// picture, unfiltered.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0)
{
    float2 offset;
    float length;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    return targetOutput(loadTexel(source, 0, int2((pos.xy + offset) / length)));
}
