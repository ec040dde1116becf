#include "io/output/avi_file_writer.h"

#include "core/failure.h"
#include "core/file.h"

#include <cstring>

namespace Plugin {

namespace {
constexpr uint32_t SuperIndexBytes = 1624;
constexpr uint32_t OdmlBytes = 260;
constexpr uint32_t Alignment = 2048;

const char* const ChunkIds[2] = {"00db", "01wb"};
const char* const IndexIds[2] = {"ix00", "ix01"};

// Little-endian stores into a header block.
void put16(uint8_t* at, uint16_t v) { std::memcpy(at, &v, 2); }
void put32(uint8_t* at, uint32_t v) { std::memcpy(at, &v, 4); }
void put64(uint8_t* at, uint64_t v) { std::memcpy(at, &v, 8); }
void putId(uint8_t* at, const char* id) { std::memcpy(at, id, 4); }
} // namespace

AviFileWriter::AviFileWriter(System::File& file, const Format& format, int64_t pieceLimit)
    : file_(file), format_(format), pieceLimit_(pieceLimit)
{
    blockAlign_ = uint16_t(2 * format.audioBits / 8);
}

void AviFileWriter::write(const void* data, uint32_t size)
{
    file_.write(data, int(size));
    position_ += size;
}

void AviFileWriter::writeU32(uint32_t value) { write(&value, 4); }

void AviFileWriter::writeId(const char* id) { write(id, 4); }

int64_t AviFileWriter::beginChunk(const char* id)
{
    writeId(id);
    writeU32(0);
    return position_;
}

int64_t AviFileWriter::beginList(const char* id, const char* type)
{
    const int64_t at = beginChunk(id);
    writeId(type);
    return at;
}

void AviFileWriter::endChunk(int64_t position)
{
    const uint32_t size = uint32_t(position_ - position);
    rewrite(position - 4, &size, 4);
    if (size & 1) {
        const uint8_t pad = 0;
        write(&pad, 1);
    }
}

void AviFileWriter::writeChunk(const char* id, const void* data, uint32_t size)
{
    writeId(id);
    writeU32(size);
    write(data, size);
    if (size & 1) {
        const uint8_t pad = 0;
        write(&pad, 1);
    }
}

void AviFileWriter::rewrite(int64_t position, const void* data, uint32_t size)
{
    file_.seek(position);
    file_.write(data, int(size));
    file_.seek(position_);
}

void AviFileWriter::writePadding()
{
    // JUNK header (8) and the movi list header (12) come before the list's data.
    const uint32_t size = Alignment - (uint32_t(uint32_t(position_) + 20) % Alignment);
    static const uint8_t zeros[Alignment] = {};
    writeId("JUNK");
    writeU32(size);
    write(zeros, size);
}

void AviFileWriter::begin(int frameCount)
{
    const auto& bih = format_.video;
    const uint32_t width = uint32_t(bih.biWidth);
    const uint32_t height = uint32_t(bih.biHeight < 0 ? -bih.biHeight : bih.biHeight);

    riffPosition_ = beginList("RIFF", "AVI ");
    const int64_t hdrl = beginList("LIST", "hdrl");

    // avih: microseconds per frame in 64 bits (a large scale overflows 32).
    put32(avih_, uint32_t(int64_t(format_.scale) * 1000000 / format_.rate));
    put32(avih_ + 12, 0x810); // has index, trust chunk type
    put32(avih_ + 24, 2);     // streams
    put32(avih_ + 32, width);
    put32(avih_ + 36, height);
    writeId("avih");
    writeU32(sizeof avih_);
    avihPosition_ = position_;
    write(avih_, sizeof avih_);

    // Video stream.
    int64_t strl = beginList("LIST", "strl");
    putId(strh_[0], "vids");
    put32(strh_[0] + 4, bih.biCompression);
    put32(strh_[0] + 20, uint32_t(format_.scale));
    put32(strh_[0] + 24, uint32_t(format_.rate));
    put32(strh_[0] + 56, width);
    put32(strh_[0] + 60, height);
    writeId("strh");
    writeU32(64);
    strhPosition_[0] = position_;
    write(strh_[0], 64);
    writeChunk("strf", &bih, sizeof bih);
    writeId("JUNK");
    writeU32(SuperIndexBytes);
    superIndex_[0].position = position_;
    put16(superIndex_[0].data, 4);
    putId(superIndex_[0].data + 8, ChunkIds[0]);
    write(superIndex_[0].data, SuperIndexBytes);
    endChunk(strl);

    // Audio stream.
    strl = beginList("LIST", "strl");
    putId(strh_[1], "auds");
    put32(strh_[1] + 4, format_.audioTag);
    put32(strh_[1] + 20, blockAlign_);
    put32(strh_[1] + 24, uint32_t(blockAlign_) * uint32_t(format_.audioRate));
    put32(strh_[1] + 44, blockAlign_);
    writeId("strh");
    writeU32(64);
    strhPosition_[1] = position_;
    write(strh_[1], 64);
    uint8_t wave[18] = {};
    put16(wave, format_.audioTag);
    put16(wave + 2, 2);
    put32(wave + 4, uint32_t(format_.audioRate));
    put32(wave + 8, uint32_t(blockAlign_) * uint32_t(format_.audioRate));
    put16(wave + 12, blockAlign_);
    put16(wave + 14, format_.audioBits);
    writeChunk("strf", wave, sizeof wave);
    writeId("JUNK");
    writeU32(SuperIndexBytes);
    superIndex_[1].position = position_;
    put16(superIndex_[1].data, 4);
    putId(superIndex_[1].data + 8, ChunkIds[1]);
    write(superIndex_[1].data, SuperIndexBytes);
    endChunk(strl);

    // The odml list, a JUNK chunk until the file needs it.
    putId(odml_, "odml");
    putId(odml_ + 4, "dmlh");
    put32(odml_ + 8, 248);
    writeId("JUNK");
    writeU32(OdmlBytes);
    odmlPosition_ = position_;
    write(odml_, OdmlBytes);
    endChunk(hdrl);

    writePadding();
    moviPosition_ = beginList("LIST", "movi");
    pieceStart_ = riffPosition_ - 8;
    chunks_.reserve(size_t(frameCount > 0 ? frameCount : 0) * 2 + 2);
}

void AviFileWriter::writeVideo(const void* dib, uint32_t size)
{
    chunks_.push_back({position_, size, 0});
    if (size > largestChunk_[0])
        largestChunk_[0] = size;
    ++videoFrames_;
    writeChunk(ChunkIds[0], dib, size);
}

void AviFileWriter::writeAudio(const void* data, uint32_t size, uint32_t samples)
{
    chunks_.push_back({position_, size, 1});
    if (size > largestChunk_[1])
        largestChunk_[1] = size;
    audioSamples_ += samples;
    writeChunk(ChunkIds[1], data, size);
}

void AviFileWriter::endFrame()
{
    if (position_ - pieceStart_ <= pieceLimit_)
        return;
    openDml_ = true;
    closePiece();
    ++piecesClosed_;
    pieceStart_ = position_;
    pieceVideoStart_ = videoFrames_;
    pieceAudioStart_ = audioSamples_;
    chunks_.clear();
    if (piecesClosed_ > SuperIndexMax - 1)
        throw System::makeException("Plugin::AviFileSaveFile::changeRiffChunk", "exceeded super index entry max.", "");
    riffPosition_ = beginList("RIFF", "AVIX");
    writePadding();
    moviPosition_ = beginList("LIST", "movi");
}

void AviFileWriter::finish()
{
    closePiece();
    ++piecesClosed_;
}

void AviFileWriter::writeStandardIndex(int stream)
{
    uint32_t count = 0;
    for (const Chunk& c : chunks_)
        count += c.stream == stream;
    const uint32_t size = 24 + 8 * count;

    SuperIndex& super = superIndex_[stream];
    uint8_t* entry = super.data + 24 + 16 * super.entries;
    put64(entry, uint64_t(position_));
    put32(entry + 8, size);
    put32(entry + 12, stream == 0 ? uint32_t(videoFrames_ - pieceVideoStart_)
                                  : uint32_t(audioSamples_ - pieceAudioStart_));
    ++super.entries;
    put32(super.data + 4, super.entries);
    rewrite(super.position, super.data, SuperIndexBytes);

    // Offsets are relative to the first byte after the 'movi' type.
    const int64_t base = moviPosition_ + 4;
    std::vector<uint8_t> index(size, 0);
    put16(index.data(), 2);
    index[3] = 1; // index of chunks
    put32(index.data() + 4, count);
    putId(index.data() + 8, ChunkIds[stream]);
    put64(index.data() + 12, uint64_t(base));
    uint8_t* at = index.data() + 24;
    for (const Chunk& c : chunks_) {
        if (c.stream != stream)
            continue;
        put32(at, uint32_t(c.position + 8 - base));
        put32(at + 4, c.size);
        at += 8;
    }
    writeChunk(IndexIds[stream], index.data(), size);
}

void AviFileWriter::closePiece()
{
    const bool first = piecesClosed_ == 0;
    if (openDml_) {
        if (first) {
            for (const SuperIndex& super : superIndex_)
                rewrite(super.position - 8, "indx", 4);
        }
        writeStandardIndex(0);
        writeStandardIndex(1);
    }
    endChunk(moviPosition_);

    if (first) {
        const int64_t moviType = moviPosition_;
        std::vector<uint8_t> idx1(chunks_.size() * 16);
        uint8_t* at = idx1.data();
        for (const Chunk& c : chunks_) {
            putId(at, ChunkIds[c.stream]);
            put32(at + 4, 0x10); // key frame
            put32(at + 8, uint32_t(c.position - moviType));
            put32(at + 12, c.size);
            at += 16;
        }
        writeChunk("idx1", idx1.data(), uint32_t(idx1.size()));
    }
    endChunk(riffPosition_);
    updateHeaders();
}

void AviFileWriter::updateHeaders()
{
    if (piecesClosed_ == 0) {
        put32(avih_ + 16, uint32_t(videoFrames_));
        rewrite(avihPosition_, avih_, sizeof avih_);
    }
    if (openDml_) {
        if (piecesClosed_ == 0)
            rewrite(odmlPosition_ - 8, "LIST", 4);
        put32(odml_ + 12, uint32_t(videoFrames_));
        rewrite(odmlPosition_, odml_, OdmlBytes);
    }
    put32(strh_[0] + 32, uint32_t(videoFrames_));
    put32(strh_[0] + 36, largestChunk_[0]);
    rewrite(strhPosition_[0], strh_[0], 64);
    put32(strh_[1] + 32, uint32_t(audioSamples_));
    put32(strh_[1] + 36, largestChunk_[1]);
    rewrite(strhPosition_[1], strh_[1], 64);
}

} // namespace Plugin
