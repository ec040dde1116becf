// 縁取り's coverage: the picture's alpha over a (2 range) x (2 range + 1)
// neighbourhood weighted by a cone of the range, eased into the border's
// strength by the limit.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
Texture2D<float4> pattern : register(t1);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float4 color;
    float2 offset;
    float2 step;
    float2 ratio;
    int range;
    float inverseRange;
    float limit;
};

float weight(int i, int j) { return 1 - min(sqrt(float(i * i + j * j)) * inverseRange, 1); }

// Full resolution: unfiltered loads around the input pixel under p.
float coverageFull(float2 p)
{
    int2 base = int2(p + offset);
    float sum = 0;
    for (int j = -range; j <= range; ++j)
        for (int i = -range; i < range; ++i)
            sum += loadTexel(source, 0, base + int2(i, j)).a * weight(i, j);
    return sum;
}

// Reduced: filtered samples of the reduced picture in normalised coordinates.
float coverageReduced(float2 p)
{
    float2 start = p * ratio + offset;
    float sum = 0;
    for (int j = -range; j <= range; ++j)
        for (int i = -range; i < range; ++i)
            sum += source.SampleLevel(sampler0, start + float2((i + range) * step.x, (j + range) * step.y), 0).a *
                   weight(i, j);
    return sum;
}

float strength(float coverage)
{
    float t = saturateSafe(coverage / limit);
    return t * t * (3 - 2 * t);
}

// The pattern tiled from the output's top-left corner.
float4 patternAt(float2 p)
{
    int2 size = textureSize(pattern, 1);
    return loadTexel(pattern, 1, int2(p) % size);
}
