// 方向ブラー: N weighted texels each way along the step, weights 1 - i² / N².
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    float2 offset; // input position of output pixel (0, 0)
    float2 step;
    float stepRatio;
    int sampleNum;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 p = pos.xy + offset;
    float n2 = float(sampleNum) * float(sampleNum);
    float4 sum = 0;
    float weights = 0;
    for (int i = 0; i < sampleNum; ++i) {
        float w = 1 - float(i * i) / n2;
        sum += loadTexel(source, 0, int2(p + step * i)) * w;
        weights += w;
        if (i > 0) {
            sum += loadTexel(source, 0, int2(p - step * (i * stepRatio))) * w;
            weights += w;
        }
    }
    return targetOutput(sum / weights);
}
