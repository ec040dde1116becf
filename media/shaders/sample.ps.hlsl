#include "common.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
float4 main(float4 pos : SV_Position, float4 uv : TEXCOORD) : SV_Target
{
    return targetOutput(source.SampleLevel(sampler0, uv.xy, 0));
}
