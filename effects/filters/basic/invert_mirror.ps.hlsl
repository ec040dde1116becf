// 反転's mirror: the texel at offset + position x step.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0) { int2 offset; int2 step; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    return targetOutput(loadTexel(source, 0, offset + int2(pos.xy) * step));
}
