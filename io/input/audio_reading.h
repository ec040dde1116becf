#pragma once
// What the AVI and WAV readers share about audio: which stored formats are
// delivered and how, where a one-second block starts in the source, decoding
// compressed sources into one-second blocks, and the block made from the input
// audio scratch buffer.
#include "render/cache/cache_service.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Media {
class AudioBlockBuffer;
class AudioDecompressor;
} // namespace Media

namespace Plugin {

class InputFile;

// Highest sample rate taken: a block holds one second, so the rate sizes it.
constexpr int32_t SampleRateMax = 768000;

// The audio of a stream whose stored WAVEFORMATEX is in decoder.sourceFormat:
// PCM and float are delivered as they are, other tags through the decoder (16-bit
// PCM out). Sets the file's tag, bits, channels and rate and returns true when
// the result is 16 or 24-bit PCM or 32-bit float, mono or stereo; false (the
// file gets no audio) otherwise, also when no decoder exists for the tag, and
// logs at place what the stored format is and why it was refused.
bool acceptAudio(InputFile& file, Media::AudioDecompressor& decoder, bool& decoding, const char* place);

// A sample count computed in floating point, held to what a count can be (a
// stored header can claim any length).
int64_t sampleCountOf(double samples);

// Sample frames one block of the source's compressed stream decodes to, 0 when
// the format does not say exactly.
uint32_t samplesPerBlock(const void* format, uint32_t formatSize);

// Where decoding must start for a sample: a whole source block, and the decoded
// samples before the wanted one to drop.
struct AudioSeek {
    uint64_t bytePosition = 0;
    uint64_t skipSamples = 0;
};
// samplesPerBlock 0: the position in proportion to bytesPerSecond, cut to a
// whole block, and nothing dropped.
AudioSeek seekAudio(int64_t sample, uint32_t blockAlign, uint32_t samplesPerBlock, double bytesPerSecond,
                    uint32_t sampleRate);

// Sets the buffer's format to the file's and sizes it to one second of zeros.
void beginAudioBlock(Cache::AudioScratchBuffer& scratch, const InputFile& file);

// Reads compressed bytes: fills at most size bytes, 0 at the end of the source.
using SourceReader = std::function<uint32_t(uint8_t* out, uint32_t size)>;
// Writes decoded bytes to out until size bytes are written or the source ends,
// first dropping skipBytes decoded bytes. The decoder keeps what it decoded
// beyond, for the next block. Returns the bytes written.
uint32_t decodeAudio(Media::AudioDecompressor& decoder, uint8_t* out, uint32_t size, uint64_t& skipBytes,
                     const SourceReader& source);

// The block of the scratch buffer's samples.
std::shared_ptr<Media::AudioBlockBuffer> makeAudioBlock(Cache::AudioScratchBuffer& scratch);

} // namespace Plugin
