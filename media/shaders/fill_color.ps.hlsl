#include "common.hlsli"
cbuffer Constant : register(b0) { float4 color; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    return targetOutput(color);
}
