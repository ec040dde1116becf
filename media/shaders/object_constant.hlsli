// The object constant buffer "Constant" (160 bytes), shared by the object
// vertex and pixel shaders. projection and normalWorld are rows: a position
// becomes (dot(projection[0], p), dot(projection[1], p), ...).
cbuffer Constant : register(b0)
{
    float4 projection[4]; // 0
    float alpha;          // 64
    int blend;            // 68
    float4 normalWorld[4]; // 80
    float shine;          // 144
};

float4 project(float3 position)
{
    float4 p = float4(position, 1);
    return float4(dot(projection[0], p), dot(projection[1], p), dot(projection[2], p), dot(projection[3], p));
}

// The normal turned into the world, paired with the surface's shine. A zero
// normal (a degenerate quad) stays zero instead of becoming NaN.
float4 worldNormal(float3 n)
{
    float l = dot(n, n);
    float3 unit = l > 0 ? n * rsqrt(l) : float3(0, 0, 0);
    float4 v = float4(unit, 0);
    return float4(dot(normalWorld[0], v), dot(normalWorld[1], v), dot(normalWorld[2], v), shine);
}
