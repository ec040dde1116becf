// 波紋: pixels moved radially by waves running out from the centre; ripple
// indices outside the count or between the visible ones stay unmoved.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float2 center;
    float2 multiply; // 1 / (2 x 幅), 高さ / 2
    float offset;
    int rippleNum;
    int interval;
    int amplifier;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 own = loadTexel(source, 0, int2(pos.xy));
    float2 q = pos.xy - center;
    float r = length(q);
    if (r <= 0)
        return targetOutput(own);
    float k = (offset - r) * multiply.x;
    float kn = floor(k);
    int n = int(kn);
    if (rippleNum > 0 && (n < 0 || n >= rippleNum))
        return targetOutput(own);
    if (interval > 0 && abs(n) % interval != 0)
        return targetOutput(own);
    float s = (cos((k - kn) * 6.28318530718) - 1) * multiply.y / r;
    if (amplifier > 0 && n < amplifier)
        s *= float(n) / float(amplifier);
    else if (amplifier < 0 && n < -amplifier)
        s *= float(n) / float(-amplifier) - 1;
    else if (amplifier < 0)
        s = 0;
    float2 size = float2(textureSize(source, 0));
    return targetOutput(source.SampleLevel(sampler0, (pos.xy + q * s) / size, 0));
}
