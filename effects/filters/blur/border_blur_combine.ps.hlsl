// The picture (t0) kept where its blurred alpha (t1) times its alpha is above one half.
#include "border_blur.hlsli"
Texture2D<float4> blurred : register(t1);
float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 p = int2(pos.xy);
    float4 c = loadTexel(source, 0, p);
    float f = saturateSafe(2 * loadTexel(blurred, 1, p).a * c.a - 1);
    return targetOutput(c * f);
}
