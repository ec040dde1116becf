// ノイズ: the mask of one noise kind at the pixel, as the alpha of black.
#include "common.hlsli"
Texture2D<float4> table : register(t0);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float3 step;
    int type;
    float2 offset;
    float2 cycle;
    float accelerate;
    float level;
    float limit;
    float limitRatio;
};

static const float Pi = 3.14159265358979;

float tableAt(int x, int y, int z)
{
    return table.Load(int3((x + 79 * z) & 255, (y + 79 * z) & 255, 0)).r;
}

// Value noise at p, smoothly interpolated in x, then y, then z.
float valueNoise(float3 p)
{
    float3 i = floor(p);
    float3 f = p - i;
    float3 w = (1 - cos(Pi * f)) * 0.5;
    int3 q = int3(i);
    float layer[2];
    for (int k = 0; k < 2; ++k) {
        int z = q.z + k;
        float a = lerp(tableAt(q.x, q.y, z), tableAt(q.x + 1, q.y, z), w.x);
        float b = lerp(tableAt(q.x, q.y + 1, z), tableAt(q.x + 1, q.y + 1, z), w.x);
        layer[k] = lerp(a, b, w.y);
    }
    return lerp(layer[0], layer[1], w.z);
}

float4 main(float4 pos : SV_Position) : SV_Target
{
    float2 P = float2(int2(pos.xy)) * cycle + offset;
    float m = 0;
    if (type == 3) {
        float z = 10 * accelerate;
        float k = floor(z);
        float f = z - k;
        float A = table.SampleLevel(sampler0, (P + 79 * k + 0.5) / 256, 0).r;
        float B = table.SampleLevel(sampler0, (P + 79 * (k + 1) + 0.5) / 256, 0).r;
        m = saturateSafe(A + (B - A) * f - limit);
    } else if (type >= 0 && type <= 5) {
        float3 p = float3(P, accelerate);
        float n = 0;
        bool keepSign = type == 0 || type == 5;
        for (int o = 0; o < 6; ++o) {
            float g = valueNoise(p);
            n = n * 0.5 + (keepSign ? g : abs(g));
            p = p * 0.5 + step;
        }
        float v;
        if (type == 0)
            v = n + 0.5;
        else if (type == 1)
            v = 1 - 2 * n;
        else if (type == 2)
            v = 2 * n;
        else if (type == 4)
            v = 0.5 + 0.5 * sin(4 * Pi * (P.x / 256 + 0.5 - n));
        else
            v = 0.5 + 0.5 * sin(2 * Pi * sin(8 * Pi * n));
        m = saturateSafe((v - limit) * limitRatio);
    }
    float alpha = level > 1 ? (2 - level) * m : 1 - level * (1 - m);
    return targetOutput(float4(0, 0, 0, alpha));
}
