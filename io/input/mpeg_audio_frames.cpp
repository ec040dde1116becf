#include "io/input/mpeg_audio_frames.h"

#include "core/file.h"

#include <algorithm>

namespace Plugin {

namespace {
// Kilobits per second by bit-rate index 1..14.
constexpr uint16_t Rates[5][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // version 1, layer I
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // version 1, layer II
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // version 1, layer III
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // versions 2 and 2.5, layer I
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // versions 2 and 2.5, layers II and III
};
constexpr uint32_t BaseRates[3] = {44100, 48000, 32000};
// A frame's main data may begin this many bytes before its header.
constexpr uint64_t ReservoirBytes = 511 + 36;
constexpr size_t ReadPiece = 1 << 16;
} // namespace

uint32_t mpegAudioFrameLength(const uint8_t h[4], uint32_t& samples, uint32_t& sampleRate)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = 4 - ((h[1] >> 1) & 3); // 1..3, 4 reserved
    const int rateIndex = h[2] >> 4;
    const int frequencyIndex = (h[2] >> 2) & 3;
    const uint32_t padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 4 || rateIndex == 0 || rateIndex == 15 || frequencyIndex == 3)
        return 0;
    const bool first = version == 3;
    const uint32_t kbps = Rates[first ? layer - 1 : (layer == 1 ? 3 : 4)][rateIndex - 1];
    sampleRate = BaseRates[frequencyIndex] >> (first ? 0 : version == 2 ? 1 : 2);
    if (layer == 1) {
        samples = 384;
        return (12 * kbps * 1000 / sampleRate + padding) * 4;
    }
    samples = layer == 3 && !first ? 576 : 1152;
    return (layer == 3 && !first ? 72 : 144) * kbps * 1000 / sampleRate + padding;
}

bool findMpegAudioFrames(System::File& file, uint64_t start, uint64_t size, MpegAudioFrames& out)
{
    out = MpegAudioFrames{};
    std::vector<uint8_t> piece;
    uint64_t pieceAt = 0; // data offset of piece[0]
    uint64_t at = 0;
    uint8_t first[4] = {};
    while (at + 4 <= size) {
        if (at < pieceAt || at + 4 > pieceAt + piece.size()) {
            pieceAt = at;
            piece.resize(size_t(std::min<uint64_t>(ReadPiece, size - at)));
            file.seek(int64_t(start + at));
            file.readBlock(piece.data(), int(piece.size()));
        }
        const uint8_t* h = &piece[size_t(at - pieceAt)];
        uint32_t samples = 0, rate = 0;
        const uint32_t length = mpegAudioFrameLength(h, samples, rate);
        // Every frame of one stream has the first header's version, layer and rate.
        if (!out.offsets.empty() && (h[1] != first[1] || (h[2] & 0x0C) != (first[2] & 0x0C)))
            break;
        if (!length || at + length > size)
            break; // junk, or a frame the end of the data cut
        if (out.offsets.empty()) {
            std::copy(h, h + 4, first);
            out.samplesPerFrame = samples;
            out.sampleRate = rate;
        }
        out.offsets.push_back(start + at);
        at += length;
    }
    return !out.offsets.empty();
}

void MpegAudioFrames::seek(int64_t sample, uint64_t& fileOffset, uint64_t& skipSamples) const
{
    fileOffset = offsets.empty() ? 0 : offsets[0];
    skipSamples = 0;
    if (offsets.empty() || !samplesPerFrame || sample <= 0)
        return;
    // Past the last frame the decode runs out before the sample: silence.
    const uint64_t frame = std::min<uint64_t>(uint64_t(sample) / samplesPerFrame, offsets.size());
    // Two frames back at least; and the frame before the wanted one needs its
    // reservoir too (its overlap feeds the wanted frame).
    uint64_t begin = frame >= 2 ? frame - 2 : 0;
    const uint64_t before = offsets[frame > 0 ? frame - 1 : 0];
    while (begin > 0 && before - offsets[begin] < ReservoirBytes)
        --begin;
    fileOffset = offsets[begin];
    skipSamples = uint64_t(sample) - begin * samplesPerFrame;
}

} // namespace Plugin
