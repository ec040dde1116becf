// 境界ぼかし's shaders share the renderer's 16-byte block.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
cbuffer constant0 : register(b0)
{
    int2 range;    // horizontal and vertical radius
    float2 divive; // 1 / (2 range + 1)
};
