// カラーキー's mask: 0 inside the box of luminance and colour difference
// around the key, 1 outside; empty pixels 0.
#include "common.hlsli"
#include "key.hlsli"
Texture2D<float4> texture0 : register(t0);
cbuffer constant0 : register(b0)
{
    float3 key;
    int range;
    float3 len;
    float divie;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 p = loadTexel(texture0, 0, int2(pos.xy));
    if (p.a < EmptyAlpha)
        return 0;
    float3 d = abs(toYuv(p.rgb / p.a) - key);
    float w = any(d >= len) ? 1 : 0;
    return targetOutput(float4(0, 0, 0, w));
}
