// シーンチェンジ "スライス": bands of the source move in alternating
// directions. Pixel (x, y) takes the source at (x + offsetX x s1, y +
// offsetY x s2), s1 = -1 for even horizontal bands (y x divide / height) and
// +1 for odd ones, s2 the same over the vertical bands of the moved x;
// pixels whose source lies outside it keep the frame.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    int offsetX;
    int offsetY;
    uint divide;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 size = textureSize(source, 0);
    int2 p = int2(pos.xy);
    int s1 = ((uint(p.y) * divide / uint(size.y)) & 1u) != 0 ? 1 : -1;
    int sx = p.x + offsetX * s1;
    if (sx < 0 || sx >= size.x)
        discard;
    int s2 = ((uint(sx) * divide / uint(size.x)) & 1u) != 0 ? 1 : -1;
    int sy = p.y + offsetY * s2;
    if (sy < 0 || sy >= size.y)
        discard;
    return targetOutput(loadTexel(source, 0, int2(sx, sy)));
}
