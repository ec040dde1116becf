#include "light.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    return targetOutput(sumRow(int2(pos.xy), 2 * range, 2 * range + 1) * divive);
}
