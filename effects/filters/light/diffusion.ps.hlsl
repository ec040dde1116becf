// 拡散光: the blurred picture brightened by the sharp one where it is brighter,
// scaled by the level.
#include "common.hlsli"
Texture2D<float4> blurred : register(t0);
Texture2D<float4> source : register(t1);
cbuffer Constant : register(b0)
{
    int2 offset; // source position of the canvas pixel
    float level;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    float4 b = loadTexel(blurred, 0, p);
    float3 f = loadTexel(source, 1, p + offset).rgb;
    return targetOutput(float4(max(b.rgb, f * b.a), b.a) * level);
}
