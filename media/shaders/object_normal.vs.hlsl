// Textured quads with normals.
#include "object_constant.hlsli"
struct Output {
    float4 position : SV_Position;
    [[vk::location(0)]] float3 uv : TEXCOORD;
    [[vk::location(1)]] float4 normal : NORMAL;
};
Output main(float3 position : POSITION, float3 normal : NORMAL, float2 uv : TEXUV, float color : COLOR)
{
    Output o;
    o.position = project(position);
    o.uv = float3(uv, color * alpha);
    o.normal = worldNormal(normal);
    return o;
}
