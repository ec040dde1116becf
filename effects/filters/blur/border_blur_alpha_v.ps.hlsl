// The alpha blurred vertically over the vertical radius; colour 0.
#include "border_blur.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    float sum = 0;
    for (int j = -range.y; j <= range.y; ++j)
        sum += loadTexel(source, 0, int2(p.x, p.y + j)).a;
    return targetOutput(float4(0, 0, 0, sum * divive.y));
}
