#include "common.hlsli"
#include "footprint.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
cbuffer Constant : register(b0) { float2 inverseRatio; };
// Source pixels per target pixel r: the footprint average over r.
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 size = float2(textureSize(source, 0));
    return targetOutput(footprintSample(source, sampler0, pos.xy * inverseRatio / size, inverseRatio, 0));
}
