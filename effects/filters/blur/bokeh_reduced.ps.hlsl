// The kernel over the reduced picture, sampled with the bound sampler.
#include "bokeh.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    float u = pos.x * ratio.x + offset.x;
    float v = pos.y * ratio.y + offset.y;
    float4 sum = 0;
    float weights = 0;
    for (int j = 0; j < sampleNum; ++j) {
        v -= step.y;
        for (int i = 0; i < sampleNum; ++i) {
            float m = loadTexel(mask, 1, int2(i, j)).a;
            sum += source.SampleLevel(sampler0, float2(u + i * step.x, v), 0) * m;
            weights += m;
        }
    }
    return targetOutput(weighted(sum, weights));
}
