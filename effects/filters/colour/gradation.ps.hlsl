// グラデーション's gradient: linear, circular, diamond or band shaped around
// the centre point, times the picture's alpha.
#include "common.hlsli"
#include "../clip/clip.hlsli"
Texture2D<float4> texture0 : register(t0);
cbuffer constant0 : register(b0)
{
    float4 col0;
    float4 col1;
    float2 offset;
    float2 direction;
    float range;
    int type;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 q = pos.xy + offset;
    float d = dot(q, direction);
    float t;
    switch (type) {
    case 0: t = 1 - smoothUnit((d + range / 2) / range); break;
    case 1: t = smoothUnit(saturateSafe(length(q) / range)); break;
    case 2: {
        float2 n = float2(-direction.y, direction.x);
        t = 1 - smoothUnit(saturateSafe((range - (abs(d) + abs(dot(q, n)))) / range));
        break;
    }
    case 3: t = 1 - smoothUnit(saturateSafe((range - abs(d)) / range)); break;
    default: t = 0; break;
    }
    float a = loadTexel(texture0, 0, int2(pos.xy)).a;
    return targetOutput((col0 + t * (col1 - col0)) * a);
}
