#include "common.hlsli"
#include "blend_mode.hlsli"
Texture2D<float4> source : register(t0);
Texture2D<float4> frameBuffer : register(t1);
cbuffer Constant : register(b0) { int blend; float alpha; int2 offset; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 s = loadTexel(source, 0, int2(pos.xy) + offset);
    if (s.a < 0.001)
        discard;
    return targetOutput(blendModeColor(blend, s, loadTexel(frameBuffer, 1, int2(pos.xy)), alpha));
}
