#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { float threshold; float ratio; float limit; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    float l = dot(c.rgb, LuminanceWeights);
    float w = max(l - threshold, 0) * ratio;
    return targetOutput(float4(min(c.rgb * w, limit), min(w, 1)));
}
