#pragma once
// The frames of an MPEG audio stream (layers I to III) stored in a WAV file,
// found by walking their headers, so that a jump can start decoding on a frame
// boundary a little before the wanted sample.
#include <cstdint>
#include <vector>

namespace System { class File; }

namespace Plugin {

struct MpegAudioFrames {
    std::vector<uint64_t> offsets; // of each frame in the file
    uint32_t samplesPerFrame = 0;
    uint32_t sampleRate = 0;

    // Where decoding must start for a sample (the first frame for 0), and the
    // decoded samples before it to drop. Decoding starts early enough that the
    // frame holding the sample and the one before it have their reservoir bytes.
    void seek(int64_t sample, uint64_t& fileOffset, uint64_t& skipSamples) const;
};

// Walks the chain of frame headers from the first byte of the data; the walk
// ends where the next bytes are no frame header of the same stream (a cut
// frame, a tag, junk). False when the data does not begin with a frame.
bool findMpegAudioFrames(System::File& file, uint64_t start, uint64_t size, MpegAudioFrames& out);

// The length in bytes of the frame whose header is the four bytes, with its
// samples and sample rate; 0 for bytes that are no header (free-format frames
// have no length of their own and count as none).
uint32_t mpegAudioFrameLength(const uint8_t header[4], uint32_t& samples, uint32_t& sampleRate);

} // namespace Plugin
