// Back from the exponential brightness scale (stored less e, see expand):
// rgb becomes (ln(rgb + e) - 1) x baseInverse, held to 0..alpha. Nothing
// below the scale's floor (or not a number) reaches the logarithm, and as the
// colour was blurred on another scale than alpha, where alpha thins out the
// colour would stand above it: the picture stays a premultiplied one.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { float baseInverse; };
static const float E = 2.718281828;
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    float3 v = (c.rgb > 0) ? c.rgb : 0;
    float3 rgb = (log(v + E) - 1) * baseInverse;
    float a = saturateSafe(c.a);
    return targetOutput(float4(min(rgb, a), a));
}
