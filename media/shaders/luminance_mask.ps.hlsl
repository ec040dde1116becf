#include "common.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
cbuffer Constant : register(b0) { float limitMin; float limitMax; float2 scale; };
// Dark parts of the mask become opaque first as the limits move.
float4 main(float4 pos : SV_Position, float4 uv : TEXCOORD) : SV_Target
{
    float2 at = (uv.xy - 0.5) * scale + 0.5;
    float l = dot(source.SampleLevel(sampler0, at, 0).rgb, LuminanceWeights);
    float t = saturateSafe(((1 - l) - limitMin) / (limitMax - limitMin));
    return targetOutput(float4(0, 0, 0, t * t * (3 - 2 * t)));
}
