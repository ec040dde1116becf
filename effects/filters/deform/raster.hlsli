// ラスター: each row (VERTICAL: column) shifted by a running wave and smeared
// over the shifts of its two neighbours; RANDOM varies the amplitude per
// wavelength from the smoothed-noise texture.
#include "common.hlsli"
Texture2D<float4> source : register(t0);
#if RANDOM
Texture2D<float4> random : register(t1);
#endif
cbuffer constant0 : register(b0)
{
    int type;
    float amplitude;
    float cycle;
    float PI2divideRange;
    float divideRange;
};

#if RANDOM
// The amplitude of one term: the noise at the looked-up texel; an index
// below 0 reads outside the texture (0).
float noiseAt(float argument, float harmonic, int offsetIndex, int which, int row)
{
    int d = int(trunc(harmonic * argument * divideRange)) + offsetIndex;
    int idx = abs(d) % 256;
    if (d < 0)
        idx = -idx;
    int2 at = which == 0 ? int2(idx, row) : which == 1 ? int2(row, idx) : int2(idx, idx);
    return loadTexel(random, 1, at).r;
}
#endif

float wave(int j)
{
#if RANDOM
    float sum = 0;
    float arguments[3] = {float(j) + cycle, float(j) + cycle / 2, float(j) + cycle / 4};
    for (int i = 0; i < 3; ++i)
        for (int hk = 0; hk < 3; ++hk) {
            float harmonic = float(1 << hk);
            // Offsets 1, 7, 13 at harmonic 1, one more per harmonic; a1 reads row
            // 1..3, a2 column 7..9, a3 the diagonal.
            int o = 1 + 6 * i + hk;
            int lookupLine = i == 0 ? 1 + hk : 7 + hk;
            float weight = float(16 >> (i + hk)) / 49.0;
            sum += weight * noiseAt(arguments[i], harmonic, o, i, lookupLine) * sin(harmonic * arguments[i] * PI2divideRange);
        }
    return sum;
#else
    return sin((float(j) + cycle) * PI2divideRange);
#endif
}

float4 main(float4 pos : SV_Position) : SV_Target
{
#if VERTICAL
    int2 p = int2(pos.yx);
#else
    int2 p = int2(pos.xy);
#endif
    int x0 = p.x - int(trunc(amplitude));
    float a = wave(p.y - 1), b = wave(p.y + 1);
    int from = int(trunc(min(a, b) * amplitude + 0.5));
    int to = int(trunc(max(a, b) * amplitude + 0.5));
    float4 sum = 0;
    for (int k = from; k <= to; ++k)
#if VERTICAL
        sum += loadTexel(source, 0, int2(p.y, x0 + k));
#else
        sum += loadTexel(source, 0, int2(x0 + k, p.y));
#endif
    return targetOutput(sum / float(to - from + 1));
}
