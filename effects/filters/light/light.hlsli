// ライト's window sums: `range` pixels each side (or 2 range up to the pixel
// where the canvas grows), times divive.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    float4 color;
    int range;
    float divive;
};

// Σ of all channels along x from x - first to x - first + count - 1.
float4 sumRow(int2 p, int first, int count)
{
    float4 sum = 0;
    for (int i = 0; i < count; ++i)
        sum += loadTexel(source, 0, int2(p.x - first + i, p.y));
    return sum;
}
// Σ of alpha (or of 1 - alpha) along y.
float sumColumnAlpha(int2 p, int first, int count, bool inverse)
{
    float sum = 0;
    for (int j = 0; j < count; ++j) {
        float a = loadTexel(source, 0, int2(p.x, p.y - first + j)).a;
        sum += inverse ? 1 - a : a;
    }
    return sum;
}
