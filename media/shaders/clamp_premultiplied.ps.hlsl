#include "common.hlsli"
Texture2D<float4> source : register(t0);
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    // min(alpha, max(c, 0)) where a NaN operand gives the other one, as the
    // platform's min and max do (the shading language leaves it undefined).
    float4 positive = (c > 0) ? c : 0;
    return targetOutput((c.a < positive) ? c.a : positive);
}
