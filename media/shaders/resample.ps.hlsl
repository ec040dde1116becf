#include "common.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
cbuffer Constant : register(b0) { float2 inverseRatio; };
// Source pixels per target pixel r: one linear sample below 1.05 on both
// axes, else the mean of an n.x x n.y grid over the pixel's footprint.
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 size = float2(textureSize(source, 0));
    float2 r = inverseRatio;
    float2 uv = pos.xy * r / size;
    if (abs(r.x) < 1.05 && abs(r.y) < 1.05)
        return targetOutput(source.SampleLevel(sampler0, uv, 0));
    int2 n = int2(trunc(min(abs(r) * 0.5 + 1.5, 16)));
    float2 footprint = r / size;
    float2 stepSize = footprint / float2(n);
    float4 sum = 0;
    for (int y = 0; y < n.y; ++y)
        for (int x = 0; x < n.x; ++x) {
            float2 at = uv - footprint * 0.5 + (float2(x, y) + 0.5) * stepSize;
            sum += source.SampleGrad(sampler0, at, float2(stepSize.x, 0), float2(0, stepSize.y));
        }
    return targetOutput(sum / float(n.x * n.y));
}
