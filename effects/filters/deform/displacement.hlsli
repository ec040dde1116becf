// ディスプレイスメントマップ: the map is read at the four corners of each
// pixel's footprint in map space; the picture is then averaged over the box
// the displaced corners span.
#include "common.hlsli"
#include "footprint.hlsli"
Texture2D<float4> texture0 : register(t0);
Texture2D<float4> mask : register(t1);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float2 offset;
    float2 len;
    float2 inverseMaskSize;
    float angleS;
    float angleC;
    int type;
};

// The map's samples at the pixel's corners (top left, top right, bottom left,
// bottom right); q is the pixel centre relative to the map's centre. The map
// turns clockwise on screen by the angle; transparent outside it.
void cornerSamples(float2 q, out float4 m[4])
{
    float2 c = q + 0.5;
    float2 t = (float2(angleC * c.x + angleS * c.y, -angleS * c.x + angleC * c.y) - 0.5) * inverseMaskSize + 0.5;
    m[0] = mask.SampleLevel(sampler0, t, 0);
    m[1] = mask.SampleLevel(sampler0, t + float2(inverseMaskSize.x, 0), 0);
    m[2] = mask.SampleLevel(sampler0, t + float2(0, inverseMaskSize.y), 0);
    m[3] = mask.SampleLevel(sampler0, t + inverseMaskSize, 0);
}

// -0.5..0.5 per axis: opaque mid-grey and transparent areas give 0.
float2 displacement(float4 m) { return m.rg - m.a * 0.5; }

// The picture averaged over the box lo..hi around the pixel centre.
float4 displaced(float2 pos, float2 lo, float2 hi)
{
    float2 size = float2(textureSize(texture0, 0));
    return targetOutput(footprintSample(texture0, sampler0, (pos + (lo + hi) * 0.5) / size, hi - lo, 0));
}
