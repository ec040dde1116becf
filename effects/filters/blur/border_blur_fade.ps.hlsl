// The picture faded towards its edges over the radii.
#include "border_blur.hlsli"
float smooth(float t) { return t * t * (3 - 2 * t); }
float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 size = float2(textureSize(source, 0));
    float2 d = min(pos.xy, size - pos.xy);
    float tx = range.x > 0 ? saturateSafe(d.x / range.x) : 1;
    float ty = range.y > 0 ? saturateSafe(d.y / range.y) : 1;
    float2 e = 1 - float2(smooth(tx), smooth(ty));
    float f = max(0, 1 - sqrt(e.x * e.x + e.y * e.y));
    return targetOutput(loadTexel(source, 0, int2(pos.xy)) * f);
}
