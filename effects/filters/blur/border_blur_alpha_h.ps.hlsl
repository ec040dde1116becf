// The alpha blurred horizontally over the horizontal radius; colour 0.
#include "border_blur.hlsli"
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    float sum = 0;
    for (int i = -range.x; i <= range.x; ++i)
        sum += loadTexel(source, 0, int2(p.x + i, p.y)).a;
    return targetOutput(float4(0, 0, 0, sum * divive.x));
}
