// 特定色域変換: colours inside the key ranges (w = 0) take the target
// colour's chroma and their luminance rescaled; alpha never changes.
#include "common.hlsli"
#include "../key/key.hlsli"
Texture2D<float4> texture0 : register(t0);
Texture2D<float4> diffmap : register(t1);
cbuffer constant0 : register(b0)
{
    float afterY;
    float afterU;
    float afterV;
    float beforeY;
    float beforeU;
    float beforeV;
    int range;
    float divie;
    float correct;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 at = int2(pos.xy);
    float4 p = loadTexel(texture0, 0, at);
    if (p.a < EmptyAlpha)
        return 0;
    float4 m = loadTexel(diffmap, 1, at);
    float y = dot(p.rgb / p.a, LuminanceWeights);
#if BOUNDARY
    float w = m.a < EmptyAlpha ? 0 : boundaryFactor(diffmap, 1, at, m.a, range, divie);
#else
    float w = m.a;
#endif
    float k = m.r * correct;
    float2 before = float2(beforeU, beforeV);
    float2 uv = (k > 0 && k < 1) ? clamp((m.gb - before) / k + before, -0.5, 0.5) : m.gb;
    float y0 = y * afterY / max(y, beforeY);
    float2 after = float2(afterU, afterV);
    float3 result = float3(y0 + w * (y - y0), after + w * (uv - after));
    // A colour turned outside the RGB cube is held to its faces.
    return targetOutput(float4(p.a * saturateSafe(fromYuv(result)), p.a));
}
