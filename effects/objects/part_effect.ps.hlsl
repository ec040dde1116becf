// 部分フィルタ: the filtered picture at the pixel plus "offset", and as the
// second output's alpha the luminance of the mask at the pixel's place in the
// turned, scaled mask (zero outside it: the clip sampler).
#include "common.hlsli"
Texture2D<float4> picture : register(t0);
Texture2D<float4> mask : register(t1);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    int2 offset;
    float2 offsetMask;
    float2 inverseMaskSize;
    float angleS;
    float angleC;
};
struct Output {
    float4 target0 : SV_Target0;
    float4 target1 : SV_Target1;
};
Output main(float4 pos : SV_Position)
{
    Output o;
    o.target0 = loadTexel(picture, 0, int2(pos.xy) + offset);
    float2 q = pos.xy + offsetMask;
    float2 uv = float2(q.x * angleC + q.y * angleS, -q.x * angleS + q.y * angleC) * inverseMaskSize + 0.5;
    o.target1 = float4(0, 0, 0, dot(mask.SampleLevel(sampler0, uv, 0).rgb, LuminanceWeights));
    return o;
}
