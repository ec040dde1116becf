// クロマキー's composite: the picture times the key alpha (smoothed with
// BOUNDARY), pixels near the key colour pushed away from its chroma.
#include "common.hlsli"
#include "key.hlsli"
Texture2D<float4> texture0 : register(t0);
Texture2D<float4> diffmap : register(t1);
cbuffer constant0 : register(b0)
{
    float keyH;
    float keyS;
    float lenH;
    float lenS;
    float keyU;
    float keyV;
    int range;
    float divie;
    float correct;
    float transparent;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 at = int2(pos.xy);
    float4 m = loadTexel(diffmap, 1, at);
    if (m.a < EmptyAlpha)
        return 0;
    float4 p = loadTexel(texture0, 0, at);
#if BOUNDARY
    float a = boundaryFactor(diffmap, 1, at, m.a, range, divie);
#else
    float a = m.a;
#endif
    a *= min(max(m.r, transparent), 1);
    float k = m.r * correct;
    if (k < 0.001 || k >= 1)
        return a * p;
    float y = dot(p.rgb / p.a, LuminanceWeights);
    float2 key = float2(keyU, keyV);
    float2 uv = clamp((m.gb - key) / k + key, -0.5, 0.5);
    // The corrected colour is held to the RGB cube.
    return a * float4(p.a * saturateSafe(fromYuv(float3(y, uv))), p.a);
}
