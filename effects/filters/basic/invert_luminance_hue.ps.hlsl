// 反転's luminance and hue: Y' = step x Y + offset, chroma times invert, in
// full-range BT.601 on the un-premultiplied colour; empty pixels kept. The
// turned colour can leave 0..1 (a saturated hue turned half round): it is
// clamped there, so the picture stays a valid premultiplied one.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0) { float offset; float step; float invert; };
float4 main(float4 pos : SV_Position) : SV_Target
{
    float4 c = loadTexel(source, 0, int2(pos.xy));
    if (c.a < 0.001)
        return targetOutput(c);
    float3 rgb = c.rgb / c.a;
    float y = dot(rgb, float3(0.299, 0.587, 0.114)) * step + offset;
    float cb = dot(rgb, float3(-0.169, -0.331, 0.5)) * invert;
    float cr = dot(rgb, float3(0.5, -0.419, -0.081)) * invert;
    float3 back = float3(y + 1.402 * cr, y - 0.344 * cb - 0.714 * cr, y + 1.772 * cb);
    return targetOutput(float4(saturateSafe(back) * c.a, c.a));
}
