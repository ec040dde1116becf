// 極座標変換: the picture's rows become circles around the disc's centre and
// its columns run around it, twisted by the spiral.
#include "common.hlsli"
#include "footprint.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float rsize;
    float offset;
    float pix;
    float pia;
    float pio;
    float kx;
    float ky;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 size = float2(textureSize(source, 0));
    float2 q = pos.xy - rsize;
    float r = length(q);
    float u = (pia * (rsize - r) + pix - atan2Safe(q.y, q.x)) * kx;
    u = frac(u / size.x) * size.x;
    float v = r * ky - offset;
    float fx = kx / max(r, 1) * 1.41421356 + pio;
    return targetOutput(footprintSample(source, sampler0, float2(u, v) / size, float2(fx, 1), 2));
}
