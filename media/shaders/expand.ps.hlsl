// The exponential brightness scale of the blurs with light: rgb becomes
// e^(1 + base x saturate(rgb)), stored less e. Transparent black (e on that
// scale) is then 0, which is what a read outside a picture, a grown margin or
// a transparent border gives, so blurs need nothing special at the edges.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { float base; };
static const float E = 2.718281828;
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    return targetOutput(float4(exp(saturateSafe(c.rgb) * base + 1) - E, c.a));
}
