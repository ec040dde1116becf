#pragma once
// Decodes a compressed audio stream (ADPCM, A-law, µ-law, MP3, ...) to 16-bit
// PCM for the AVI and WAV readers. The reader keeps the stream's stored
// WAVEFORMATEX in sourceFormat, opens, then feeds compressed bytes in file
// order and takes the decoded bytes out.
#include "core/file.h"
#include "core/wave_format.h"

#include <cstdint>
#include <memory>

namespace Platform::Codec { class AudioDecoder; }

namespace Media {

class AudioDecompressor {
public:
    AudioDecompressor();
    ~AudioDecompressor();
    AudioDecompressor(const AudioDecompressor&) = delete;
    AudioDecompressor& operator=(const AudioDecompressor&) = delete;

    // False when the format is missing, does not hold up, or has no decoder.
    // Sets targetFormat to 16-bit PCM of the source's channels and rate, and
    // sizes both buffers to two seconds of it.
    bool open();
    // Appends compressed bytes after the pending ones; throws "not enough
    // source buffer." when they do not fit.
    void insertSourceData(const void* bytes, uint32_t n);
    // Decodes the pending bytes until the decode buffer is full; the bytes not
    // consumed move to the start of the source buffer for the next call.
    // A rejected packet throws "acmStreamConvert failed.".
    void decode();
    // Copies min(remaining, wanted) decoded bytes to out and lowers remaining.
    uint32_t take(void* out, uint32_t wanted);
    // For a jump: drops the pending compressed and decoded bytes and the
    // decoder's state.
    void discardPending();

    // The stream's WAVEFORMATEX as stored (filled by the reader).
    System::DataBuffer sourceFormat;
    System::WaveFormatEx targetFormat;

    // Lengths of the last conversion, as the readers account for them.
    struct StreamHeader {
        uint32_t sourceLength = 0;     // pending compressed bytes
        uint32_t sourceLengthUsed = 0;
        uint32_t destinationLength = 0;
        uint32_t destinationLengthUsed = 0;
    } header;
    bool prepared = false;
    System::DataBuffer sourceBuffer;
    System::DataBuffer decodeBuffer;
    // Decoded bytes not yet taken; they end at destinationLengthUsed.
    uint32_t remaining = 0;

private:
    std::unique_ptr<Platform::Codec::AudioDecoder> stream_;
};

} // namespace Media
