#pragma once
// The layout of an uncompressed AVI file with one video and one audio stream,
// written chunk by chunk. The headers are written first with zero counts and
// rewritten in place whenever a RIFF piece closes. A file that grows past one
// piece becomes OpenDML: further 'AVIX' pieces, a super index per stream
// (the header's JUNK placeholders become 'indx') and a standard index per
// stream and piece ('ix00', 'ix01'); the first piece keeps its 'idx1'. Every
// movi list's data starts at a multiple of 2048 bytes.
#include "core/bitmap_info.h"

#include <cstdint>
#include <vector>

namespace System { class File; }

namespace Plugin {

class AviFileWriter {
public:
    // A piece closes once it has grown past this many bytes, so every 32-bit
    // size and offset inside a piece stays valid.
    static constexpr int64_t PieceLimit = 0x7DFFFFFF;
    // Entries of a super index: pieces a file can have.
    static constexpr int SuperIndexMax = 100;

    struct Format {
        System::BitmapInfoHeader video; // the frames' DIB header
        int rate = 30;
        int scale = 1;
        uint16_t audioTag = 1; // 1 PCM, 3 float
        uint16_t audioBits = 16;
        int audioRate = 44100;
    };

    // Writes into an open file; pieceLimit can be lowered to test OpenDML.
    AviFileWriter(System::File& file, const Format& format, int64_t pieceLimit = PieceLimit);
    AviFileWriter(const AviFileWriter&) = delete;
    AviFileWriter& operator=(const AviFileWriter&) = delete;

    // The headers with zero counts, the alignment padding and the first movi
    // list; the chunk list reserves room for frameCount frames.
    void begin(int frameCount);
    // One '00db' chunk of a frame's DIB.
    void writeVideo(const void* dib, uint32_t size);
    // One '01wb' chunk of a frame's sound: samples sample frames.
    void writeAudio(const void* data, uint32_t size, uint32_t samples);
    // After a frame's chunks: a piece past the limit is closed and the next
    // begun. Throws "exceeded super index entry max." once more than 99
    // pieces have been closed.
    void endFrame();
    // Closes the last piece and rewrites the headers; the file is complete.
    void finish();

    int32_t videoFrames() const { return videoFrames_; }
    int64_t audioSamples() const { return audioSamples_; }
    bool isOpenDml() const { return openDml_; }
    int piecesClosed() const { return piecesClosed_; }

private:
    struct Chunk {
        int64_t position; // of the chunk header
        uint32_t size;
        uint16_t stream; // 0 video, 1 audio
    };
    struct SuperIndex {
        int64_t position = 0; // data of the placeholder
        uint8_t data[1624] = {};
        uint32_t entries = 0;
    };

    void write(const void* data, uint32_t size);
    void writeU32(uint32_t value);
    void writeId(const char* id);
    // Writes the id and a zero size; returns the position after the size field.
    int64_t beginChunk(const char* id);
    int64_t beginList(const char* id, const char* type);
    // Writes the size of the chunk or list whose size field ends at position.
    void endChunk(int64_t position);
    void writeChunk(const char* id, const void* data, uint32_t size);
    // Rewrites bytes at a position and returns to the end.
    void rewrite(int64_t position, const void* data, uint32_t size);
    void writePadding();
    void closePiece();
    void writeStandardIndex(int stream);
    void updateHeaders();

    System::File& file_;
    Format format_;
    int64_t pieceLimit_;
    int64_t position_ = 0;
    uint16_t blockAlign_ = 4;

    int64_t riffPosition_ = 0;
    int64_t moviPosition_ = 0;
    int64_t avihPosition_ = 0;
    uint8_t avih_[56] = {};
    int64_t strhPosition_[2] = {};
    uint8_t strh_[2][64] = {};
    int64_t odmlPosition_ = 0;
    uint8_t odml_[260] = {};
    SuperIndex superIndex_[2];

    int64_t pieceStart_ = 0;
    int piecesClosed_ = 0;
    int32_t pieceVideoStart_ = 0;
    int64_t pieceAudioStart_ = 0;
    bool openDml_ = false;

    int32_t videoFrames_ = 0;
    int64_t audioSamples_ = 0;
    uint32_t largestChunk_[2] = {};
    std::vector<Chunk> chunks_;
};

} // namespace Plugin
