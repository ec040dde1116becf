// シーンチェンジ "ランダムライン": the picture is cut into lines (columns
// with divideX, rows with divideY); each line has a random value from the
// random texture, and disappears once the progress "ratio" passes it.
#include "common.hlsli"
Texture2D<float4> texture0 : register(t0);
Texture2D<float4> random : register(t1);
cbuffer constant0 : register(b0)
{
    float ratio;
    uint divideX;
    uint divideY;
};
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 size = textureSize(texture0, 0);
    uint2 p = uint2(pos.xy);
    uint cell = p.x * divideX / uint(size.x) + p.y * divideY / uint(size.y);
    float r = loadTexel(random, 1, int2(int(cell % 256u), int(cell / 256u))).r;
    if (r < ratio)
        discard;
    return targetOutput(loadTexel(texture0, 0, int2(p)));
}
