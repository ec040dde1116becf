// 音声波形表示, spectrum with ミラー表示.
#define WAVE_MIRROR
#include "wave_spectrum.ps.hlsl"
