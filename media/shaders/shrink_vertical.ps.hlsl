#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { int step; int offset; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    int last = textureSize(source, 0).y - 1;
    int first = p.y * step + offset;
    float4 sum = 0;
    for (int i = 0; i < step; ++i)
        sum += loadTexel(source, 0, int2(p.x, clamp(first + i, 0, last)));
    return targetOutput(step > 0 ? sum / step : sum);
}
