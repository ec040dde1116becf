// Full-target quad with texture coordinates.
struct Output {
    float4 position : SV_Position;
    float4 uv : TEXCOORD;
};
Output main(float4 position : POSITION, float4 uv : TEXCOORD)
{
    Output o;
    o.position = position;
    o.uv = uv;
    return o;
}
