#include "common.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    return targetOutput(float4(1, 1, 1, 1));
}
