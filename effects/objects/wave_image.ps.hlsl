// 音声波形表示, waveform: the frame's samples on a grid of cells, each column
// joining its sample to the next one and fading towards the neighbours.
#include "wave_image.hlsli"

// The row of sample k: 0 on the middle row, positive samples below it.
int level(int k, int count)
{
    return int(trunc(float(res.y) * (0.5 + vol * valueAt(k, count))));
}

float4 main(float4 pos : SV_Position) : SV_Target
{
    int2 cell;
    if (!inCell(pos.xy * float2(res) / float2(size), cell))
        return float4(0, 0, 0, 0);
    const int i = cell.x, j = cell.y;
    const int n = valueCount();
    const int a = level(i - 1, n), b = level(i, n), c = level(i + 1, n), d = level(i + 2, n);
    if ((b <= j && j <= c + 1) || (c <= j && j <= b + 1))
        return color;
    float base = 0;
    if (a <= j && j <= b + 1)
        base = float(j - a) / float(b + 1 - a);
    else if (b <= j && j <= a + 1)
        base = float(j - a - 1) / float(b - a - 1);
    float t = base;
    if (c <= j && j <= d + 1)
        t = float(j - d - 1) / float(c - d - 1) + base;
    else if (d <= j && j <= c + 1)
        t = float(j - d) / float(c + 1 - d) + base;
    return color * saturateSafe(t);
}
