// 反転's transparency: alpha becomes 1 - alpha at the same colour; empty
// pixels become opaque white.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    if (c.a < 0.001)
        return targetOutput(float4(1, 1, 1, 1));
    float a = 1 - c.a;
    return targetOutput(float4(c.rgb / c.a * a, a));
}
