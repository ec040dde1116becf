// The colour model of the key and colour filters: Y, U, V from R, G, B and
// back, the empty-pixel rule, and the boundary smoothing of key maps.
static const float EmptyAlpha = 0.001;
static const float Pi = 3.14159265358979;

float3 toYuv(float3 c)
{
    return float3(dot(c, LuminanceWeights), dot(c, float3(-0.169, -0.331, 0.5)), dot(c, float3(0.5, -0.419, -0.081)));
}

float3 fromYuv(float3 c)
{
    return float3(c.x + 1.402 * c.z, c.x - 0.344 * c.y - 0.714 * c.z, c.x + 1.772 * c.y);
}

// The key alpha w of the pixel eased by its neighbourhood: a kept pixel with
// removed neighbours loses alpha in proportion to b. Outside the picture the
// edge pixel's key stands: the picture's own border is no removed colour.
float boundaryFactor(Texture2D<float4> map, uint slot, int2 p, float w, int b, float divie)
{
    int2 last = textureSize(map, slot) - 1;
    float sum = 0;
    for (int j = -b; j <= b; ++j)
        for (int i = -b; i <= b; ++i)
            sum += loadTexel(map, slot, clamp(p + int2(i, j), 0, last)).a;
    return max(0, 1 + float(b) * (w * sum * divie - 1));
}
