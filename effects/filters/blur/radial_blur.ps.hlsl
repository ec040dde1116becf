// 放射ブラー: the mean of N texels on the segment from the pixel towards the
// centre, covering the strength's share of the distance.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    int sampleNum;
    float sampleStep; // strength x 0.01 / N
    float2 center;    // in input pixels
    float2 offset;    // input position of output pixel (0, 0)
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 p = pos.xy + offset;
    float2 d = (center - p) * sampleStep;
    float4 sum = 0;
    for (int i = 0; i < sampleNum; ++i)
        sum += loadTexel(source, 0, int2(p + d * i));
    return targetOutput(sum / sampleNum);
}
