#include "io/input/wave_file_reader.h"
#include "io/input/audio_reading.h"
#include "io/input/riff_file.h"

#include "core/failure.h"
#include "core/log.h"
#include "media/audio_buffer.h"
#include "render/cache/cache_service.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>

namespace Plugin {

using Media::fourCC;
using Media::RiffChunk;

namespace {
constexpr uint16_t TagMpeg = 0x0050;       // layers I and II
constexpr uint16_t TagMpegLayer3 = 0x0055;
} // namespace

class WaveFileReader::WavFileInput::FileParse {
public:
    explicit FileParse(WavFileInput& input) : input_(input) {}
    // False when the file has no audio to read; throws for a file that is no WAV file.
    bool open(const std::wstring& path);

private:
    WavFileInput& input_;
    System::File file_;
};

bool WaveFileReader::WavFileInput::FileParse::open(const std::wstring& path)
{
    constexpr const char* place = "Plugin::WaveFileReader::WavFileInput::FileParse::open";
    file_.open(path.c_str(), System::File::ModeRead);
    Media::RiffFile riff(file_);
    RiffChunk body, fmt, data;
    if (!riff.getRiffChunk(fourCC("WAVE"), body))
        throw System::makeException(place, "WAVE chunk not found.", nullptr);
    if (!riff.findChunk(body, fourCC("fmt "), fmt))
        throw System::makeException(place, "fmt chunk not found.", nullptr);
    if (fmt.size > 0xFFFF) {
        System::Log::info(place, "invalid wav fmt size.");
        return false;
    }
    if (fmt.size < 16)
        return false;
    System::DataBuffer& format = input_.audioDecoder.sourceFormat;
    format.allocMemory(uint32_t(fmt.size));
    riff.read(fmt.start, format.data, uint32_t(fmt.size));
    // The data chunk may come before the format.
    body.rewind();
    if (!riff.findChunk(body, fourCC("data"), data))
        throw System::makeException(place, "data chunk not found.", nullptr);
    input_.dataStart = data.start;
    input_.dataSize = data.size;

    System::WaveFormatEx wave;
    std::memcpy(&wave, format.data, std::min<uint32_t>(format.size, sizeof wave));
    input_.bitsPerSample = wave.wBitsPerSample;
    input_.sampleRate = int32_t(std::min<uint32_t>(wave.nSamplesPerSec, 0x7FFFFFFF));
    input_.channelCount = wave.nChannels;
    const uint32_t frameBytes = uint32_t(wave.nChannels) * wave.wBitsPerSample / 8;
    input_.blockAlign = wave.nBlockAlign ? wave.nBlockAlign : frameBytes;
    input_.bytesPerSecond = wave.nAvgBytesPerSec ? wave.nAvgBytesPerSec : frameBytes * wave.nSamplesPerSec;
    if (!input_.blockAlign || !input_.bytesPerSecond)
        return false;

    if (uint64_t(input_.bytesPerSecond) == uint64_t(input_.blockAlign) * wave.nSamplesPerSec) {
        // A file cut inside a sample frame is read up to the last whole one.
        if (data.cut)
            input_.dataSize -= input_.dataSize % input_.blockAlign;
        input_.audioSampleCount = int64_t(input_.dataSize / input_.blockAlign);
    } else {
        // A compressed stream: its stored length, else whole blocks of samples,
        // else the length the average byte rate gives.
        input_.samplesPerBlock = Plugin::samplesPerBlock(format.data, format.size);
        const uint64_t blocks = input_.dataSize / input_.blockAlign;
        RiffChunk fact;
        uint32_t stored = 0;
        body.rewind();
        if (riff.findChunk(body, fourCC("fact"), fact) && fact.size >= 4)
            riff.read(fact.start, &stored, 4);
        if (input_.samplesPerBlock) {
            const uint64_t whole = blocks * input_.samplesPerBlock;
            // The stored length, unless it claims more than the data holds.
            input_.audioSampleCount = int64_t(stored && stored <= whole + input_.samplesPerBlock ? stored : whole);
        } else {
            input_.audioSampleCount =
                stored ? int64_t(stored)
                       : sampleCountOf(double(input_.dataSize) * wave.nSamplesPerSec / input_.bytesPerSecond);
        }
    }
    input_.flags |= FlagAudio;
    return true;
}

WaveFileReader::WaveFileReader()
{
    name = L"Wave File Reader";
    fileFilter = std::wstring(L"WavFile (*.wav)\0*.wav\0", 22);
    capability = CapabilityAudio;
}

std::shared_ptr<InputFile> WaveFileReader::openFile(const std::wstring& path, int track)
{
    try {
        auto file = std::make_shared<WavFileInput>();
        if (!WavFileInput::FileParse(*file).open(path))
            return nullptr;
        if (file->audioSampleCount <= 0 || !acceptAudio(*file, file->audioDecoder, file->audioDecoding, "Plugin::WaveFileReader::openFile"))
            return nullptr;
        if (!file->audioDecoding) {
            // Stored samples are read by whole sample frames of the delivered format.
            file->blockAlign = uint32_t(file->channelCount * file->bitsPerSample / 8);
            file->samplesPerBlock = 1;
        }
        file->audioFile.open(path.c_str(), System::File::ModeRead);
        System::WaveFormatEx wave;
        std::memcpy(&wave, file->audioDecoder.sourceFormat.data, sizeof wave.wFormatTag);
        if (file->audioDecoding && (wave.wFormatTag == TagMpeg || wave.wFormatTag == TagMpegLayer3) &&
            findMpegAudioFrames(file->audioFile, file->dataStart, file->dataSize, file->mpegFrames) &&
            file->mpegFrames.sampleRate != uint32_t(file->sampleRate))
            file->mpegFrames = MpegAudioFrames{}; // frames of another stream than the header's
        return file;
    } catch (const std::exception&) {
        return nullptr; // the report has logged the failure
    }
}

WaveFileReader::WavFileInput::WavFileInput() = default;
WaveFileReader::WavFileInput::~WavFileInput() = default;

uint32_t WaveFileReader::WavFileInput::readSource(uint8_t* out, uint32_t size)
{
    if (continuePosition >= dataSize)
        return 0;
    const uint32_t n = uint32_t(std::min<uint64_t>(size, dataSize - continuePosition));
    audioFile.seek(int64_t(dataStart + continuePosition));
    audioFile.readBlock(out, int(n));
    continuePosition += n;
    return n;
}

std::shared_ptr<Media::AudioBlockBuffer> WaveFileReader::WavFileInput::readAudio(int block)
{
    if (!audioFile.isOpen())
        return nullptr;
    Cache::AudioScratchBuffer& scratch = Cache::ScratchBuffers::inputAudioBuffer();
    std::lock_guard lock(scratch.mutex);
    beginAudioBlock(scratch, *this);
    uint8_t* out = static_cast<uint8_t*>(scratch.memory.data);
    const uint32_t bytes = scratch.memory.size;

    uint64_t skipBytes = 0;
    if (!(audioDecoding && block == lastBlock + 1)) {
        AudioSeek seek =
            seekAudio(int64_t(block) * sampleRate, blockAlign, samplesPerBlock, bytesPerSecond, uint32_t(sampleRate));
        if (!mpegFrames.offsets.empty()) {
            uint64_t offset = 0;
            mpegFrames.seek(int64_t(block) * sampleRate, offset, seek.skipSamples);
            seek.bytePosition = offset - dataStart;
        }
        continuePosition = block < 0 ? dataSize : seek.bytePosition;
        if (audioDecoding) {
            audioDecoder.discardPending();
            skipBytes = seek.skipSamples * uint64_t(channelCount) * uint64_t(bitsPerSample / 8);
        }
    }
    lastBlock = -256; // until this block is read
    if (audioDecoding)
        decodeAudio(audioDecoder, out, bytes, skipBytes, [this](uint8_t* o, uint32_t n) { return readSource(o, n); });
    else
        readSource(out, bytes);
    lastBlock = block;
    return makeAudioBlock(scratch);
}

} // namespace Plugin
