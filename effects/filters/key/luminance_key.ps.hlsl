// ルミナンスキー: the picture times a factor of its luminance by mode; a range
// of 0 makes every mode a hard cut (the divisions' infinities clamp to 0 or 1,
// and 0 / 0 at the reference luminance to 0).
#include "common.hlsli"
#include "key.hlsli"
Texture2D<float4> texture0 : register(t0);
cbuffer Constant : register(b0)
{
    int type;
    float offset;
    float range;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 p = loadTexel(texture0, 0, int2(pos.xy));
    if (p.a < EmptyAlpha)
        return targetOutput(p);
    float y = dot(p.rgb / p.a, LuminanceWeights);
    float f;
    switch (type) {
    case 0: f = (y - offset) / range + 1; break;
    case 1: f = (offset - y) / range + 1; break;
    case 2: f = 1 - abs(y - offset) / range; break;
    case 3: f = (1 - abs(y - offset) / range >= 0) ? 1 : 0; break;
    case 4: f = abs(y - offset) / range; break;
    case 5: f = (abs(y - offset) / range >= 1) ? 1 : 0; break;
    default: f = 0; break;
    }
    return targetOutput(p * saturateSafe(f));
}
