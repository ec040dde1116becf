// Footprint averaging: the mean of the source over a box of f source pixels
// centred on uv. About one pixel (|f| below 1.05 on both axes) takes one
// linear sample; otherwise an n.x x n.y grid of linear samples, n = f / 2 +
// 1.5 (at most 16), each using its step as the gradients. rows > 0 fixes the
// grid's row count.
float4 footprintSample(Texture2D<float4> t, SamplerState s, float2 uv, float2 f, int rows)
{
    if (abs(f.x) < 1.05 && abs(f.y) < 1.05)
        return t.SampleLevel(s, uv, 0);
    uint w, h;
    t.GetDimensions(w, h);
    int2 n = int2(trunc(min(abs(f) * 0.5 + 1.5, 16)));
    if (rows > 0)
        n.y = rows;
    float2 footprint = f / float2(w, h);
    float2 stepSize = footprint / float2(n);
    float4 sum = 0;
    for (int y = 0; y < n.y; ++y)
        for (int x = 0; x < n.x; ++x) {
            float2 at = uv - footprint * 0.5 + (float2(x, y) + 0.5) * stepSize;
            sum += t.SampleGrad(s, at, float2(stepSize.x, 0), float2(0, stepSize.y));
        }
    return sum / float(n.x * n.y);
}
