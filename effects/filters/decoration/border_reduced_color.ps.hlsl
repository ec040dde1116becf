#include "border.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target { return targetOutput(color * strength(coverageReduced(pos.xy))); }
