// The light pass: clip-space positions as given, and the view direction the
// caller put in the normal.
struct Output {
    float4 position : SV_Position;
    [[vk::location(0)]] float3 view : NORMAL;
};
Output main(float3 position : POSITION, float3 normal : NORMAL, float2 uv : TEXCOORD, float color : COLOR)
{
    Output o;
    o.position = float4(position, 1);
    o.view = normal;
    return o;
}
