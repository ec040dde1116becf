// マスク: the luminance of the mask's stored colour at the pixel's place in
// the turned, scaled mask; 0 outside it.
#include "common.hlsli"
Texture2D<float4> mask : register(t0);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float2 offset;
    float2 inverseMaskSize;
    float angleS;
    float angleC;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 q = pos.xy + offset;
    float2 uv = float2(angleC * q.x + angleS * q.y, -angleS * q.x + angleC * q.y) * inverseMaskSize + 0.5;
    float m = dot(mask.SampleLevel(sampler0, uv, 0).rgb, LuminanceWeights);
    return targetOutput(float4(0, 0, 0, m));
}
