// レンズブラー's kernel passes: the picture (t0) weighted by the aperture
// mask (t1, alpha), divided by the sum of the weights. The picture is on the
// exponential brightness scale stored less e, where transparent black is 0:
// reads outside the picture give it, and where the mask holds no weight at
// all the pixel is that, which the logarithmic pass turns back into
// (0, 0, 0, 0).
#include "common.hlsli"
Texture2D<float4> source : register(t0);
Texture2D<float4> mask : register(t1);
SamplerState sampler0 : register(s0);
cbuffer constant0 : register(b0)
{
    float2 offset;
    float2 step;
    float2 ratio;
    int sampleNum;
};
float4 weighted(float4 sum, float weights) { return weights > 0 ? sum / weights : float4(0, 0, 0, 0); }
