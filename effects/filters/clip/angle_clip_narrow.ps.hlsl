// 扇クリッピング below 180 degrees: removes where both edge distances are
// negative; t2 limits the soft edge at the apex to the fan's side.
#include "common.hlsli"
#include "clip.hlsli"
cbuffer constant0 : register(b0)
{
    float2 offset;
    float2 directionS;
    float2 directionE;
    float2 directionL;
    float range;
    float limit;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 q = pos.xy + offset;
    float s = dot(q, directionS), e = dot(q, directionE), l = dot(q, directionL);
    float t1 = smoothUnit((range - max(s, e)) / (2 * range));
    float t2 = smoothUnit((limit - l) / limit);
    return targetOutput(float4(0, 0, 0, 1 - t1 * t2));
}
