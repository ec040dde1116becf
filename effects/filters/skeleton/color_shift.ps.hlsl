// 色ずれ: the red, green and blue channels sampled at their own shifts, mixed
// with the unshifted texel by the strength.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float2 inverseSize;
    float2 offset;
    float2 offsetR;
    float2 offsetG;
    float2 offsetB;
    float alpha;
    int mode;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 p = pos.xy + offset;
    float2 uv = p * inverseSize;
    float4 r = source.SampleLevel(sampler0, uv + offsetR, 0);
    float4 g = source.SampleLevel(sampler0, uv + offsetG, 0);
    float4 b = source.SampleLevel(sampler0, uv + offsetB, 0);
    float a = (r.a + g.a + b.a) / 3;
    float3 c = float3(r.r, g.g, b.b);
    if (mode == 0)
        c *= a;
    // Truncation toward zero: the margin column left of the picture and the
    // row above it read the picture's first column and row.
    float4 c0 = loadTexel(source, 0, int2(p));
    return targetOutput(c0 + (float4(c, a) - c0) * alpha);
}
