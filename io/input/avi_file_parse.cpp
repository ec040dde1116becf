// Reading the structure of an AVI file into the indexes of an AviFileInput.
#include "io/input/audio_reading.h"
#include "io/input/avi_file_reader.h"
#include "io/input/avi_format.h"
#include "io/input/riff_file.h"

#include "core/failure.h"
#include "core/log.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace Plugin {

using Media::fourCC;
using Media::RiffChunk;

namespace {
constexpr const char* OpenPlace = "Plugin::AviFileInput::FileParse::open";
constexpr uint32_t NoPrefix = 0x10000; // matches no 16-bit chunk-id prefix
constexpr uint32_t FormatSizeLimit = 0x10000;
constexpr int32_t PictureSideMax = 16384;

#pragma pack(push, 1)
struct StreamHeader {
    uint32_t fccType;
    uint32_t fccHandler;
    uint32_t flags;
    uint16_t priority;
    uint16_t language;
    uint32_t initialFrames;
    uint32_t scale;
    uint32_t rate;
    uint32_t start;
    uint32_t length;
    uint32_t suggestedBufferSize;
    uint32_t quality;
    uint32_t sampleSize;
    int16_t frame[4];
};
struct IndexHeader {
    uint16_t longsPerEntry;
    uint8_t subType;
    uint8_t indexType;
    uint32_t entriesInUse;
    uint32_t chunkId;
};
struct StandardIndexHeader {
    uint16_t longsPerEntry;
    uint8_t subType;
    uint8_t indexType;
    uint32_t entriesInUse;
    uint32_t chunkId;
    uint64_t baseOffset;
    uint32_t reserved;
};
#pragma pack(pop)
static_assert(sizeof(StreamHeader) == 56 && sizeof(StandardIndexHeader) == 24);

uint16_t prefixOf(int stream)
{
    return uint16_t('0' | uint8_t('0' + stream) << 8);
}

uint32_t readU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
} // namespace

class AviFileInput::FileParse {
public:
    explicit FileParse(AviFileInput& input) : input_(input) {}
    void open(const std::wstring& path);

private:
    void getStreamHeader(int stream);
    void getVideoStreamHeader(const StreamHeader& header, int stream);
    void getAudioStreamHeader(const StreamHeader& header, int stream);
    void getSuperIndex();
    void readStandardIndexes();
    void readIdx1(const RiffChunk& idx1);
    void scanMovi();
    void addVideoEntry(uint64_t offset, uint32_t size, bool delta);
    void addAudioEntry(uint64_t offset, uint32_t size);
    void countIndexSamples();
    // Copies a format chunk of at most FormatSizeLimit bytes; false without one.
    bool readFormat(const char* place, System::DataBuffer& out, uint32_t minimum);

    AviFileInput& input_;
    System::File file_;
    std::unique_ptr<Media::RiffFile> riff_;
    RiffChunk body_, hdrl_, strl_, movi_, chunk_;
    std::vector<uint64_t> indexOffsets_;
    uint32_t videoPrefix_ = NoPrefix;
    uint32_t audioPrefix_ = NoPrefix;
    uint64_t videoReserve_ = 0;
    uint64_t audioReserve_ = 0;
    bool openDml_ = false;
};

void AviFileInput::FileParse::open(const std::wstring& path)
{
    file_.open(path.c_str(), System::File::ModeRead);
    riff_ = std::make_unique<Media::RiffFile>(file_);
    if (!riff_->getRiffChunk(fourCC("AVI "), body_))
        throw System::makeException(OpenPlace, "AVI chunk not found.", nullptr);
    if (!riff_->findChunk(body_, fourCC("hdrl"), hdrl_))
        throw System::makeException(OpenPlace, "hdrl chunk not found.", nullptr);
    RiffChunk odml;
    openDml_ = riff_->findChunk(hdrl_, fourCC("odml"), odml);

    hdrl_.rewind();
    for (int stream = 0; riff_->findChunk(hdrl_, fourCC("strl"), strl_); ++stream)
        getStreamHeader(stream);

    if (indexOffsets_.empty()) {
        body_.rewind();
        if (!riff_->findChunk(body_, fourCC("movi"), movi_))
            throw System::makeException(OpenPlace, "movi chunk not found.", nullptr);
        RiffChunk idx1;
        body_.rewind();
        if (riff_->findChunk(body_, fourCC("idx1"), idx1))
            readIdx1(idx1);
        else
            scanMovi();
    } else {
        readStandardIndexes();
    }

    if ((input_.flags & FlagVideo) && input_.videoIndex.size() < size_t(input_.frameCount)) {
        System::Log::info(OpenPlace, "invalid video frame num info.");
        input_.frameCount = int32_t(input_.videoIndex.size());
    }
    if ((input_.flags & FlagAudio) && int64_t(input_.audioLength) > input_.audioIndexSampleCount)
        System::Log::info(OpenPlace, "invalid audio sample num info.");
}

bool AviFileInput::FileParse::readFormat(const char* place, System::DataBuffer& out, uint32_t minimum)
{
    strl_.rewind();
    RiffChunk strf;
    if (!riff_->findChunk(strl_, fourCC("strf"), strf))
        return false;
    if (strf.size >= FormatSizeLimit) {
        System::Log::info(place, "invalid stream format size.");
        return false;
    }
    if (strf.size < minimum)
        return false;
    out.allocMemory(uint32_t(strf.size));
    riff_->read(strf.start, out.data, uint32_t(strf.size));
    return true;
}

void AviFileInput::FileParse::getStreamHeader(int stream)
{
    RiffChunk strh;
    strl_.rewind();
    if (!riff_->findChunk(strl_, fourCC("strh"), strh) || strh.size < sizeof(StreamHeader))
        return;
    StreamHeader header;
    riff_->read(strh.start, &header, sizeof header);
    const uint32_t type = normaliseFourCC(header.fccType);
    if (type == fourCC("VIDS"))
        getVideoStreamHeader(header, stream);
    else if (type == fourCC("AUDS"))
        getAudioStreamHeader(header, stream);
}

void AviFileInput::FileParse::getVideoStreamHeader(const StreamHeader& header, int stream)
{
    // A later video stream replaces an earlier one, format and all.
    videoPrefix_ = prefixOf(stream);
    input_.flags &= ~FlagVideo;
    System::DataBuffer& format = input_.videoDecoder.sourceFormat;
    if (!readFormat("Plugin::AviFileInput::FileParse::getVideoStreamHeader", format,
                    sizeof(System::BitmapInfoHeader)))
        return;
    System::BitmapInfoHeader bitmap;
    std::memcpy(&bitmap, format.data, sizeof bitmap);
    const int64_t height = bitmap.biHeight < 0 ? -int64_t(bitmap.biHeight) : bitmap.biHeight;
    if (bitmap.biWidth < 1 || bitmap.biWidth > PictureSideMax || height < 1 || height > PictureSideMax ||
        !header.rate || !header.scale)
        return;
    input_.width = bitmap.biWidth;
    input_.height = int32_t(height);
    input_.rate = header.rate;
    input_.scale = header.scale;
    input_.frameCount = int32_t(std::min<uint32_t>(header.length, 0x7FFFFFFF));
    input_.codec = normaliseFourCC(header.fccHandler);
    if (input_.codec == 0)
        input_.codec = normaliseFourCC(bitmap.biCompression);
    input_.flags |= FlagVideo;
    if (openDml_)
        getSuperIndex();
}

void AviFileInput::FileParse::getAudioStreamHeader(const StreamHeader& header, int stream)
{
    audioPrefix_ = prefixOf(stream);
    input_.flags &= ~FlagAudio;
    System::DataBuffer& format = input_.audioDecoder.sourceFormat;
    if (!readFormat("Plugin::AviFileInput::FileParse::getAudioStreamHeader", format, 16))
        return;
    System::WaveFormatEx wave;
    std::memcpy(&wave, format.data, std::min<uint32_t>(format.size, sizeof wave));
    // Variable-rate audio (sample size 0) is not read.
    if (header.sampleSize == 0 || header.rate == 0 || header.scale == 0) {
        System::Log::info("Plugin::AviFileInput::FileParse::getAudioStreamHeader",
                          "audio format not supported. (variable rate: sample size %u, rate %u / %u, format tag 0x%04X)",
                          header.sampleSize, header.rate, header.scale, unsigned(wave.wFormatTag));
        return;
    }
    input_.bitsPerSample = wave.wBitsPerSample;
    input_.sampleRate = int32_t(std::min<uint32_t>(wave.nSamplesPerSec, 0x7FFFFFFF));
    input_.channelCount = wave.nChannels;
    if (header.rate == uint64_t(header.scale) * wave.nSamplesPerSec)
        input_.audioSampleCount = header.length;
    else
        input_.audioSampleCount =
            sampleCountOf(double(header.length) / header.rate * header.scale * double(wave.nSamplesPerSec));
    input_.audioRate = header.rate;
    input_.audioScale = header.scale;
    input_.audioLength = header.length;
    input_.audioSampleSize = header.sampleSize;
    input_.audioBlockAlign = wave.nBlockAlign ? wave.nBlockAlign : uint32_t(wave.nChannels * wave.wBitsPerSample / 8);
    if (!input_.audioBlockAlign)
        return;
    input_.flags |= FlagAudio;
    if (openDml_)
        getSuperIndex();
}

void AviFileInput::FileParse::getSuperIndex()
{
    RiffChunk indx;
    strl_.rewind();
    if (!riff_->findChunk(strl_, fourCC("indx"), indx) || indx.size < 24)
        return;
    IndexHeader header;
    riff_->read(indx.start, &header, sizeof header);
    const uint64_t count = std::min<uint64_t>(header.entriesInUse, (indx.size - 24) / 16);
    std::vector<uint8_t> entries(size_t(count) * 16);
    if (count)
        riff_->read(indx.start + 24, entries.data(), uint32_t(entries.size()));
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t offset;
        std::memcpy(&offset, &entries[i * 16], 8);
        const uint32_t size = readU32(&entries[i * 16 + 8]);
        indexOffsets_.push_back(offset);
        // Room for the entries the standard index holds, never more than the file can.
        (uint16_t(header.chunkId) == videoPrefix_ ? videoReserve_ : audioReserve_) += size / 8 > 3 ? size / 8 - 3 : 0;
    }
}

void AviFileInput::FileParse::addVideoEntry(uint64_t offset, uint32_t size, bool delta)
{
    // Data outside the file, or larger than a read can be, is no frame.
    if (size > 0x7FFFFFFF || offset > riff_->fileSize || size > riff_->fileSize - offset)
        size = 0;
    input_.videoIndex.push_back({offset, size, uint8_t(delta ? 1 : 0)});
}

void AviFileInput::FileParse::addAudioEntry(uint64_t offset, uint32_t size)
{
    if (offset > riff_->fileSize)
        return;
    size = uint32_t(std::min<uint64_t>({size, riff_->fileSize - offset, 0x7FFFFFFF}));
    if (!size)
        return;
    const uint64_t position =
        input_.audioIndex.empty() ? 0 : input_.audioIndex.back().position + input_.audioIndex.back().size;
    input_.audioIndex.push_back({position, offset, size});
}

void AviFileInput::FileParse::countIndexSamples()
{
    if (input_.audioIndex.empty() || !input_.audioBlockAlign)
        return;
    const auto& last = input_.audioIndex.back();
    input_.audioIndexSampleCount = int64_t((last.position + last.size) / input_.audioBlockAlign);
}

void AviFileInput::FileParse::readStandardIndexes()
{
    // Every frame and sound chunk has a header of 8 bytes in the file, so the
    // file's size bounds the entries of all indexes together; an index named
    // twice by the super indexes is read once.
    uint64_t entriesLeft = riff_->fileSize / 8;
    input_.videoIndex.reserve(size_t(std::min(videoReserve_, entriesLeft)));
    input_.audioIndex.reserve(size_t(std::min(audioReserve_, entriesLeft)));
    std::unordered_set<uint64_t> read;
    for (uint64_t offset : indexOffsets_) {
        if (offset > riff_->fileSize || riff_->fileSize - offset < 8 + sizeof(StandardIndexHeader))
            continue;
        if (!entriesLeft || !read.insert(offset).second)
            continue;
        uint32_t chunk[2];
        riff_->read(offset, chunk, 8);
        const uint64_t size = std::min<uint64_t>(chunk[1], riff_->fileSize - offset - 8);
        if (size < sizeof(StandardIndexHeader))
            continue;
        StandardIndexHeader header;
        riff_->read(offset + 8, &header, sizeof header);
        const uint16_t prefix = uint16_t(header.chunkId);
        const bool video = prefix == videoPrefix_ && (input_.flags & FlagVideo);
        const bool audio = prefix == audioPrefix_ && (input_.flags & FlagAudio);
        if (!video && !audio)
            continue;
        const uint32_t stride = std::max<uint32_t>(8, uint32_t(header.longsPerEntry) * 4);
        const uint64_t count = std::min<uint64_t>({header.entriesInUse, (size - sizeof header) / stride, entriesLeft});
        entriesLeft -= count;
        std::vector<uint8_t> entries(size_t(count * stride));
        if (count)
            riff_->read(offset + 8 + sizeof header, entries.data(), uint32_t(entries.size()));
        for (uint64_t i = 0; i < count; ++i) {
            const uint32_t entryOffset = readU32(&entries[i * stride]);
            const uint32_t entrySize = readU32(&entries[i * stride + 4]);
            const uint64_t data = header.baseOffset + entryOffset;
            if (video)
                addVideoEntry(data < header.baseOffset ? ~0ull : data, entrySize & 0x7FFFFFFF, entrySize >> 31);
            else
                addAudioEntry(data < header.baseOffset ? ~0ull : data, entrySize);
        }
    }
    countIndexSamples();
}

void AviFileInput::FileParse::readIdx1(const RiffChunk& idx1)
{
    const uint64_t count = idx1.size / 16;
    if (!count)
        return;
    std::vector<uint8_t> entries(size_t(count * 16));
    riff_->read(idx1.start, entries.data(), uint32_t(entries.size()));
    // Offsets count from the 'movi' type, or from the file start when the first one lies past it.
    const uint64_t base = readU32(&entries[8]) < movi_.start ? movi_.start + 4 : 8;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* e = &entries[i * 16];
        const uint16_t prefix = uint16_t(readU32(e));
        const uint64_t data = base + readU32(e + 8);
        if (prefix == videoPrefix_ && (input_.flags & FlagVideo))
            addVideoEntry(data, readU32(e + 12), !(readU32(e + 4) & 0x10));
        else if (prefix == audioPrefix_ && (input_.flags & FlagAudio))
            addAudioEntry(data, readU32(e + 12));
    }
    countIndexSamples();
}

void AviFileInput::FileParse::scanMovi()
{
    movi_.rewind();
    uint32_t id = 0;
    while (riff_->nextChunk(movi_, id, chunk_)) {
        // A chunk the end of the file cut is not whole: the walk ends before it.
        if (chunk_.cut)
            break;
        const uint16_t prefix = uint16_t(id);
        const uint16_t kind = uint16_t(id >> 16);
        if (prefix == videoPrefix_ && (input_.flags & FlagVideo) && (kind == ('d' | 'b' << 8) || kind == ('d' | 'c' << 8)))
            addVideoEntry(chunk_.start, uint32_t(chunk_.size), kind == ('d' | 'c' << 8));
        else if (prefix == audioPrefix_ && (input_.flags & FlagAudio) && kind == ('w' | 'b' << 8))
            addAudioEntry(chunk_.start, uint32_t(chunk_.size));
    }
    countIndexSamples();
}

void parseAviFile(AviFileInput& input, const std::wstring& path)
{
    AviFileInput::FileParse(input).open(path);
}

} // namespace Plugin
