#include "common.hlsli"
Texture2D<float4> source0 : register(t0);
Texture2D<float4> source1 : register(t1);
struct Output {
    float4 target0 : SV_Target0;
    float4 target1 : SV_Target1;
};
Output main(float4 pos : SV_Position)
{
    Output o;
    o.target0 = loadTexel(source0, 0, int2(pos.xy));
    o.target1 = loadTexel(source1, 1, int2(pos.xy));
    return o;
}
