// 音声波形表示, spectrum: one bar of cells per band, rising from the bottom
// (with ミラー表示, WAVE_MIRROR: from the middle line both ways).
#include "wave_image.hlsli"

float4 main(float4 pos : SV_Position) : SV_Target
{
#ifdef WAVE_MIRROR
    const float row = float(res.y) * abs(float(size.y) - 2 * pos.y) / float(size.y);
#else
    const float row = float(res.y) * (float(size.y) - pos.y) / float(size.y);
#endif
    int2 cell;
    if (!inCell(float2(pos.x * float(res.x) / float(size.x), row), cell))
        return float4(0, 0, 0, 0);
    const int level = int(trunc(float(res.y) * vol * valueAt(cell.x, valueCount())));
#ifdef WAVE_MIRROR
    const bool lit = cell.y <= level;
#else
    const bool lit = cell.y < level;
#endif
    return lit ? color : float4(0, 0, 0, 0);
}
