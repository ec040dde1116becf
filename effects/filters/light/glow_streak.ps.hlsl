// グロー's streak: sampleNum texels each way along step (stepRatio times as
// far backward), weighted by a smooth fall-off from the pixel itself.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    float2 offset;
    float2 step;
    float stepRatio;
    int sampleNum;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 p = pos.xy + offset;
    float n = float(sampleNum);
    float4 sum = 0;
    float weights = 0;
    for (int i = 0; i < sampleNum; ++i) {
        float t = saturate((n - i) / n);
        float w = t * t * (3 - 2 * t);
        sum += loadTexel(source, 0, int2(p + step * i)) * w;
        weights += w;
        if (i > 0) {
            sum += loadTexel(source, 0, int2(p - step * (i * stepRatio))) * w;
            weights += w;
        }
    }
    return targetOutput(sum / weights);
}
