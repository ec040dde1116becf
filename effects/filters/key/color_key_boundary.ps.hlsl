// カラーキー's mask eased by its neighbourhood, drawn multiplying the picture.
#include "common.hlsli"
#include "key.hlsli"
Texture2D<float4> mask : register(t0);
cbuffer constant0 : register(b0)
{
    float3 key;
    int range;
    float3 len;
    float divie;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 at = int2(pos.xy);
    float w = loadTexel(mask, 0, at).a;
    if (w < EmptyAlpha)
        return 0;
    return targetOutput(float4(0, 0, 0, boundaryFactor(mask, 0, at, w, range, divie)));
}
