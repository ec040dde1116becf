// 斜めクリッピング with a width: a positive range keeps a band of 2 range
// pixels along the line, a negative one cuts it out.
#include "common.hlsli"
#include "clip.hlsli"
cbuffer constant0 : register(b0)
{
    float2 offset;
    float2 direction;
    float edgeLength;
    float range;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float d = dot(pos.xy + offset, direction);
    float s = sign(range);
    return targetOutput(float4(0, 0, 0, smoothUnit((range - s * abs(d)) / edgeLength)));
}
