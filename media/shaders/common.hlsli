// Shared by every built-in picture shader. Loads behave as the effects expect
// on every device: outside the picture a load returns zero, saturate of NaN is
// zero, and packed 4:2:2 sources are unpacked to one texel per pixel.

// Filled in by the device: the target holds alpha only; bit n: texture slot n
// holds a packed 4:2:2 picture (Y0 U Y1 V in four bytes).
[[vk::constant_id(0)]] const bool alphaTarget = false;
[[vk::constant_id(1)]] const uint packedSources = 0;

float4 loadTexel(Texture2D<float4> t, uint slot, int2 p)
{
    uint w, h;
    t.GetDimensions(w, h);
    bool packed = ((packedSources >> slot) & 1u) != 0;
    int width = packed ? int(w) * 2 : int(w);
    if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= int(h))
        return float4(0, 0, 0, 0);
    if (packed) {
        float4 q = t.Load(int3(p.x >> 1, p.y, 0));
        // Delivered as (U, Y, V): chroma is shared by the pixel pair.
        return float4(q.g, (p.x & 1) != 0 ? q.b : q.r, q.a, 1);
    }
    return t.Load(int3(p, 0));
}

int2 textureSize(Texture2D<float4> t, uint slot)
{
    uint w, h;
    t.GetDimensions(w, h);
    bool packed = ((packedSources >> slot) & 1u) != 0;
    return int2(packed ? int(w) * 2 : int(w), int(h));
}

// NaN compares false, so it becomes 0.
float4 saturateSafe(float4 v) { return (v > 0) ? min(v, 1) : 0; }
float3 saturateSafe(float3 v) { return (v > 0) ? min(v, 1) : 0; }
float saturateSafe(float v) { return (v > 0) ? min(v, 1) : 0; }

// What the pixel writes: an alpha-only target keeps its alpha in red.
float4 targetOutput(float4 c) { return alphaTarget ? c.aaaa : c; }

static const float3 LuminanceWeights = float3(0.299, 0.587, 0.114);

// atan2 with 0 at the origin, as the processor's gives (the device's is undefined there).
float atan2Safe(float y, float x) { return (x == 0 && y == 0) ? 0 : atan2(y, x); }
