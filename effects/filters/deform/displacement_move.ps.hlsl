// ディスプレイスメントマップ, 移動変形 and 拡大変形: the corners' displacements
// bound a box; scaling grows them with the distance from the map's centre.
#include "displacement.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 q = pos.xy + offset;
    float4 m[4];
    cornerSamples(q, m);
    float2 lo = displacement(m[0]), hi = lo;
    for (int k = 1; k < 4; ++k) {
        float2 v = displacement(m[k]);
        lo = min(lo, v);
        hi = max(hi, v);
    }
    lo *= len;
    hi *= len;
    if (type == 1) {
        lo *= q;
        hi *= q;
    }
    // A negative amount swaps the bounds; the footprint's sign does not matter.
    return displaced(pos.xy, lo, hi);
}
