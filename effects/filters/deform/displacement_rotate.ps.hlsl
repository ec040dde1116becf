// ディスプレイスメントマップ, 回転変形: each corner of the pixel square turns
// about the map's centre by its own angle; the picture is averaged over the
// box of the turned corners.
#include "displacement.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 q = pos.xy + offset;
    float4 m[4];
    cornerSamples(q, m);
    float2 lo = float2(1e30, 1e30), hi = float2(-1e30, -1e30);
    for (int k = 0; k < 4; ++k) {
        float phi = displacement(m[k]).x * len.x;
        float2 p = q + float2(k & 1, k >> 1);
        float s = sin(phi), c = cos(phi);
        float2 turned = float2(p.x * c - p.y * s, p.x * s + p.y * c);
        lo = min(lo, turned);
        hi = max(hi, turned);
    }
    return displaced(pos.xy, lo - q - 0.5, hi - q - 0.5);
}
