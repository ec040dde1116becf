#include "border.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    return targetOutput(patternAt(pos.xy) * strength(coverageReduced(pos.xy)));
}
