// 色調補正: hue turn, luminance and chroma scales in YUV (only when set),
// then brightness and contrast; optionally clamped to 0..1.
#include "common.hlsli"
#include "../key/key.hlsli"
Texture2D<float4> texture0 : register(t0);
cbuffer constant0 : register(b0)
{
    float brightness;
    float contrast;
    float hue;
    float luminance;
    float chroma;
    int processSaturate;
    int processYUV;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 p = loadTexel(texture0, 0, int2(pos.xy));
    if (p.a < EmptyAlpha)
        return targetOutput(p);
    float3 c = p.rgb / p.a;
    if (processYUV != 0) {
        float3 yuv = toYuv(c);
        float s = sin(hue), k = cos(hue);
        float2 uv = float2(yuv.y * k - yuv.z * s, yuv.y * s + yuv.z * k) * chroma;
        c = fromYuv(float3(yuv.x * luminance, uv));
    }
    c = c * contrast + brightness;
    float a = p.a;
    if (processSaturate != 0) {
        c = saturate(c);
        a = saturate(a);
    }
    return targetOutput(float4(c * a, a));
}
