// インターレース解除: the other field's rows rebuilt from their neighbours
// (types 0 and 1 keep the even or odd rows), or every row blended with its
// neighbours (type 2); neighbour rows are clamped to the picture.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer Constant : register(b0) { int type; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    int last = textureSize(source, 0).y - 1;
    float4 c = loadTexel(source, 0, p);
    float4 up = loadTexel(source, 0, int2(p.x, clamp(p.y - 1, 0, last)));
    float4 down = loadTexel(source, 0, int2(p.x, clamp(p.y + 1, 0, last)));
    if (type == 2)
        return targetOutput((2 * c + up + down) * 0.25);
    if ((p.y & 1) != type)
        return targetOutput((up + down) * 0.5);
    return targetOutput(c);
}
