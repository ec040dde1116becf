// クロマキー's key map: red the correction distance, green and blue the
// pixel's U and V, alpha the key alpha (0 inside both tolerances).
#include "common.hlsli"
#include "key.hlsli"
Texture2D<float4> texture0 : register(t0);
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
    float4 p = loadTexel(texture0, 0, int2(pos.xy));
    if (p.a < EmptyAlpha)
        return 0;
    float3 yuv = toYuv(p.rgb / p.a);
    float d = abs(atan2Safe(yuv.z, yuv.y) / Pi - keyH);
    if (d >= 1)
        d = 2 - d;
    float c = sqrt(yuv.y * yuv.y + yuv.z * yuv.z);
    float x = max(d - lenH, 0);
    float y = max(abs(c - keyS) - lenS, 0);
    return float4(max(abs(keyS - c) / keyS, 8 * x), yuv.y, yuv.z, min(8 * (x + y), 1));
}
