// Textured quads: the position projected, the texture coordinate with the
// vertex alpha faded by "alpha".
#include "object_constant.hlsli"
struct Output {
    float4 position : SV_Position;
    [[vk::location(0)]] float3 uv : TEXCOORD;
};
Output main(float3 position : POSITION, float2 uv : TEXUV, float color : COLOR)
{
    Output o;
    o.position = project(position);
    o.uv = float3(uv, color * alpha);
    return o;
}
