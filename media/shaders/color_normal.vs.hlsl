// Coloured quads with normals.
#include "object_constant.hlsli"
struct Output {
    float4 position : SV_Position;
    [[vk::location(0)]] float4 color : COLOR;
    [[vk::location(1)]] float4 normal : NORMAL;
};
Output main(float3 position : POSITION, float3 normal : NORMAL, float4 color : COLOR)
{
    Output o;
    o.position = project(position);
    o.color = float4(color.rgb * color.a, color.a) * alpha;
    o.normal = worldNormal(normal);
    return o;
}
