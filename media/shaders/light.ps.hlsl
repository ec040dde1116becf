// Shades the frame from its normal buffer: a rough-specular term and a
// diffuse term per directional light (type 1), plus the ambient colour.
#include "common.hlsli"
Texture2D<float4> normalBuffer : register(t0);
// Eight 32-byte light records: (type as int bits, direction towards the
// light), then the colour.
cbuffer Constant : register(b0)
{
    float4 source[16]; // 0
    int lightNum;      // 256
    float3 ambient;    // 260
};

// A zero vector stays zero instead of becoming NaN.
float3 unit(float3 v)
{
    float l = dot(v, v);
    return l > 0 ? v * rsqrt(l) : float3(0, 0, 0);
}

float4 main(float4 pos : SV_Position, [[vk::location(0)]] float3 view : NORMAL) : SV_Target
{
    float4 n = loadTexel(normalBuffer, 0, int2(pos.xy));
    if (!(n.w >= 0))
        discard;
    float3 N = unit(n.xyz);
    float3 V = unit(view);
    float r = 1 - n.w;
    float a = r * r;
    float a2 = a * a;
    float NdotV = saturateSafe(dot(N, V));
    float k = 1 - a2;
    float gv = sqrt(NdotV * NdotV * k + a2);
    float4 acc = float4(ambient, 0);
    int count = min(lightNum, 8);
    for (int i = 0; i < count; ++i) {
        if (asint(source[2 * i].x) != 1)
            continue;
        float3 L = source[2 * i].yzw;
        float3 H = unit(V + L);
        float m = 1 - saturateSafe(dot(H, L));
        float m2 = m * m;
        float F = 0.04 + 0.96 * (m2 * m2 * m); // (1 - HdotL)^5 without pow's log and exp
        float NdotL = saturateSafe(dot(N, L));
        float NdotH = saturateSafe(dot(N, H));
        float q = NdotH * NdotH * (a2 - 1) + 1;
        // A perfect mirror (a2 = 0) seen exactly along its normal: 0 / 0.
        float D = a2 / max(q * q, 1e-12);
        float gl = sqrt(NdotL * NdotL * k + a2);
        float Vis = 0.5 / (NdotV * gl + NdotL * gv + 0.00001);
        acc += (D * Vis * F + (1 - F)) * source[2 * i + 1] * NdotL;
    }
    return acc;
}
