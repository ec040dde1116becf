// シーンチェンジ "スライド" and "押し出し": pixel p takes the source at p +
// offset; pixels whose source lies outside it keep the frame.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0) { int2 offset; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 q = int2(pos.xy) + offset;
    int2 size = textureSize(source, 0);
    if (q.x < 0 || q.y < 0 || q.x >= size.x || q.y >= size.y)
        discard;
    return targetOutput(loadTexel(source, 0, q));
}
