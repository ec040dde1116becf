// Full-target quad: clip-space positions as given.
float4 main(float4 position : POSITION) : SV_Position
{
    return position;
}
