// What the three pictures of 音声波形表示 share: the constant block, the
// one-row texture of samples or bands (texels outside it read 0) and the test
// that leaves the gaps between cells transparent.
#include "common.hlsli"

Texture2D<float> values : register(t0);
cbuffer Constant : register(b0)
{
    float4 color; // premultiplied, alpha 1
    int2 size;    // picture
    int2 res;     // columns and rows of cells
    float2 pad;   // half-extent of a cell's filled part, in cells
    float vol;
};

int valueCount()
{
    uint w, h;
    values.GetDimensions(w, h);
    return int(w);
}

float valueAt(int k, int count)
{
    if (k < 0 || k >= count)
        return 0;
    return values.Load(int3(k, 0, 0));
}

// The cell of a position in cell units; false in the gap around its filled part.
bool inCell(float2 at, out int2 cell)
{
    cell = int2(trunc(at));
    const float2 offset = abs(frac(at) - 0.5);
    return offset.x <= pad.x && offset.y <= pad.y;
}
