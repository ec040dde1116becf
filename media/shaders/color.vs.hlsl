// Coloured quads: the vertex colour premultiplied and faded by "alpha".
#include "object_constant.hlsli"
struct Output {
    float4 position : SV_Position;
    [[vk::location(0)]] float4 color : COLOR;
};
Output main(float3 position : POSITION, float4 color : COLOR)
{
    Output o;
    o.position = project(position);
    o.color = float4(color.rgb * color.a, color.a) * alpha;
    return o;
}
