// 斜めクリッピング: keeps the side of the line the direction points to, with a
// soft edge edgeLength pixels wide on the line.
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
    return targetOutput(float4(0, 0, 0, smoothUnit((d + edgeLength * 0.5) / edgeLength)));
}
