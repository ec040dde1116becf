// 扇クリッピング from 180 degrees: keeps only where both edge distances are
// positive.
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
    float t1 = smoothUnit((min(s, e) + range) / (2 * range));
    float t2 = smoothUnit((l + limit) / limit);
    return targetOutput(float4(0, 0, 0, t1 * t2));
}
