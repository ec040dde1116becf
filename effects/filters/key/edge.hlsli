// エッジ抽出: Prewitt gradients over the 3 x 3 neighbourhood (neighbours
// clamped into the picture) of the quantity of EDGE_MODE: 0 Y, U and V of the
// stored colour, 1 its luminance, 2 alpha.
#include "common.hlsli"
#include "key.hlsli"
Texture2D<float4> texture0 : register(t0);
cbuffer constant0 : register(b0)
{
    float4 color;
    float limit;
    float ratio;
};
float3 quantity(float4 t)
{
#if EDGE_MODE == 0
    return toYuv(t.rgb);
#elif EDGE_MODE == 1
    return dot(t.rgb, LuminanceWeights).xxx;
#else
    return t.aaa;
#endif
}
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 at = int2(pos.xy);
    int2 last = textureSize(texture0, 0) - 1;
    float3 q[3][3];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            q[j][i] = quantity(loadTexel(texture0, 0, clamp(at + int2(i - 1, j - 1), int2(0, 0), last)));
    float3 gx = (q[0][2] + q[1][2] + q[2][2]) - (q[0][0] + q[1][0] + q[2][0]);
    float3 gy = (q[2][0] + q[2][1] + q[2][2]) - (q[0][0] + q[0][1] + q[0][2]);
#if EDGE_MODE == 0
    float g = length(float2(gx.x, gy.x)) + length(float2(gx.y, gy.y)) + length(float2(gx.z, gy.z));
#else
    float g = length(float2(gx.x, gy.x));
#endif
    float e = saturate((g - limit) * ratio);
    return targetOutput(color * (loadTexel(texture0, 0, at).a * e));
}
