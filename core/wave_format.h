#pragma once
// The 18-byte WAVEFORMATEX header of WAV files and AVI audio streams.
#include <cstdint>

namespace System {

#pragma pack(push, 2)
struct WaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatEx) == 18, "WAVEFORMATEX is 18 bytes");

constexpr uint16_t WaveFormatTagPcm = 1;
constexpr uint16_t WaveFormatTagIeeeFloat = 3;

} // namespace System
