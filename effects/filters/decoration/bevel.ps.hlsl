// 凸エッジ: the straight colour lightened where the silhouette lies ahead
// along the angle and darkened where it lies behind.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    float2 step;
    float depth;
    int sampleNum;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 p = pos.xy;
    float4 c = loadTexel(source, 0, int2(p));
    if (c.a < 0.001)
        return targetOutput(c);
    float sum = 0;
    for (int i = 1; i <= sampleNum; ++i)
        sum += loadTexel(source, 0, int2(p + step * i)).a - loadTexel(source, 0, int2(p - step * i)).a;
    float3 colour = saturateSafe(c.rgb / c.a + sum * depth);
    return targetOutput(float4(colour * c.a, c.a));
}
