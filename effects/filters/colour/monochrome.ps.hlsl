// 単色化: Y, U and V of the stored colour moved towards the colour's (times
// the pixel's alpha) by the weights.
#include "common.hlsli"
#include "../key/key.hlsli"
Texture2D<float4> texture0 : register(t0);
cbuffer constant0 : register(b0)
{
    float4 level;
    float3 yuv;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 p = loadTexel(texture0, 0, int2(pos.xy));
    float3 own = toYuv(p.rgb);
    float3 result = own + (yuv * p.a - own) * level.xyz;
    return targetOutput(float4(fromYuv(result), p.a));
}
