#include "io/input/avi_file_reader.h"
#include "io/input/audio_reading.h"
#include "io/input/avi_format.h"

#include "core/failure.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "render/cache/cache_service.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>

namespace Plugin {

using Media::makeFourCC;

uint32_t normaliseFourCC(uint32_t code)
{
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t c = uint8_t(code >> (8 * i));
        if (c >= 'a' && c <= 'z')
            c = uint8_t(c - 'a' + 'A');
        out |= uint32_t(c) << (8 * i);
    }
    if (out == makeFourCC('D', 'I', 'B', ' ') || out == makeFourCC(' ', 'B', 'I', 'D'))
        return 0;
    return out;
}

namespace {
constexpr uint32_t CodeYuy2 = makeFourCC('Y', 'U', 'Y', '2');
constexpr uint32_t CodePa64 = makeFourCC('P', 'A', '6', '4');
constexpr uint32_t CodeHf64 = makeFourCC('H', 'F', '6', '4');

// The pixel format of frames stored or decoded in a DIB layout, 0 for none.
int32_t pixelFormatOf(uint32_t compression, uint16_t bitCount)
{
    if (compression == 0 && bitCount == 32)
        return 87;
    if (compression == 0 && bitCount == 24)
        return 88;
    if (compression == CodeYuy2 && bitCount == 16)
        return 107;
    if (compression == CodePa64 && bitCount == 64)
        return 11;
    if (compression == CodeHf64 && bitCount == 64)
        return 10;
    return 0;
}

// The frames' decoding: as stored, or through a decoder to YUY2, RGB 32 or RGB 24.
bool setUpVideo(AviFileInput& f)
{
    System::BitmapInfoHeader source;
    std::memcpy(&source, f.videoDecoder.sourceFormat.data, sizeof source);
    if (f.codec == 0 || f.codec == CodeYuy2 || f.codec == CodePa64 || f.codec == CodeHf64) {
        f.useCodec = false;
        f.frameHeader = System::BitmapInfoHeader{};
        f.frameHeader.biWidth = source.biWidth;
        f.frameHeader.biHeight = source.biHeight; // negative: rows stored top-down
        f.frameHeader.biBitCount = source.biBitCount;
        f.frameHeader.biCompression = f.codec;
        f.frameHeader.biSizeImage = uint32_t(f.height) * System::dibStride(f.width, source.biBitCount);
        f.pixelFormat = pixelFormatOf(f.codec, source.biBitCount);
        return f.pixelFormat != 0;
    }
    if (!f.videoDecoder.open(f.codec))
        return false;
    if (!f.videoDecoder.begin(Media::FourCCYuy2, 16) && !f.videoDecoder.begin(0, 32) &&
        !f.videoDecoder.begin(0, 24)) {
        f.videoDecoder.close();
        return false;
    }
    const System::BitmapInfoHeader& out = f.videoDecoder.outputFormat;
    f.pixelFormat = pixelFormatOf(out.biCompression, out.biBitCount);
    f.useCodec = f.pixelFormat != 0;
    return f.useCodec && out.biWidth == f.width && out.biHeight == f.height;
}
} // namespace

AviFileReader::AviFileReader()
{
    name = L"AVI/AVI2 File Reader";
    fileFilter = std::wstring(L"AviFile (*.avi)\0*.avi\0", 22);
    capability = CapabilityVideo | CapabilityAudio;
}

std::shared_ptr<InputFile> AviFileReader::openFile(const std::wstring& path, int track)
{
    try {
        auto file = std::make_shared<AviFileInput>();
        parseAviFile(*file, path);
        if ((file->flags & InputFile::FlagVideo) && (file->frameCount <= 0 || !setUpVideo(*file)))
            file->flags &= ~InputFile::FlagVideo;
        if (file->flags & InputFile::FlagAudio) {
            // Audio without indexed data would be silence.
            const bool taken = file->audioSampleCount > 0 && !file->audioIndex.empty() &&
                               acceptAudio(*file, file->audioDecoder, file->audioDecoding);
            if (!taken) {
                file->flags &= ~InputFile::FlagAudio;
            } else if (file->audioDecoding) {
                const auto& source = file->audioDecoder.sourceFormat;
                file->audioSamplesPerBlock = samplesPerBlock(source.data, source.size);
                // Whole blocks decode to whole blocks of samples.
                if (file->audioSamplesPerBlock && file->audioIndexSampleCount)
                    file->audioSampleCount = file->audioIndexSampleCount * file->audioSamplesPerBlock;
            } else {
                file->audioBlockAlign = uint32_t(file->channelCount * file->bitsPerSample / 8);
                file->audioSamplesPerBlock = 1;
            }
        }
        if (!(file->flags & (InputFile::FlagVideo | InputFile::FlagAudio)))
            return nullptr;
        if (file->flags & InputFile::FlagVideo)
            file->videoFile.open(path.c_str(), System::File::ModeRead);
        if (file->flags & InputFile::FlagAudio)
            file->audioFile.open(path.c_str(), System::File::ModeRead);
        return file;
    } catch (const std::exception&) {
        return nullptr; // the report has logged the failure
    }
}

AviFileInput::AviFileInput() = default;
AviFileInput::~AviFileInput() = default;

std::shared_ptr<Media::ImageBuffer> AviFileInput::readVideo(int frame)
{
    if (!videoFile.isOpen())
        return nullptr;
    const int target = std::clamp(frame, 0, frameCount - 1);
    Cache::FrameScratchBuffer& scratch = Cache::ScratchBuffers::inputFrameBuffer();
    std::lock_guard lock(scratch.mutex);
    auto image = Media::ImageBuffer::create(static_cast<Media::Format>(pixelFormat), uint32_t(width), uint32_t(height));

    if (!useCodec) {
        // Every stored frame is a whole picture: read only the one shown, and
        // for an empty entry the nearest earlier frame that has data.
        int shown = target;
        while (shown >= 0 && videoIndex[size_t(shown)].size == 0)
            --shown;
        const uint32_t bytes = frameHeader.biSizeImage;
        if (shown < 0) {
            std::memset(image->data(), 0, image->buffer.size);
            lastVideoFrame = target;
            return image;
        }
        const VideoIndexEntry& entry = videoIndex[size_t(shown)];
        const uint32_t stored = std::min(entry.size, bytes);
        scratch.memory.allocMemory(bytes);
        videoFile.seek(int64_t(entry.offset));
        videoFile.readBlock(scratch.memory.data, int(stored));
        if (stored < bytes)
            std::memset(static_cast<uint8_t*>(scratch.memory.data) + stored, 0, bytes - stored);
        scratch.header = frameHeader;
        image->copyFromBitmap(frameHeader, scratch.memory.data, bytes);
        lastVideoFrame = target;
        return image;
    }

    // From the nearest key frame with data at or before the target, or from the
    // frame after the last one decoded. Decided under the lock: another reader
    // of this file may be decoding.
    int start = 0;
    bool shown = false; // the decoder's picture is the one to show
    if (target == lastVideoFrame) {
        start = target + 1;
        shown = true;
    } else if (frame > 0) {
        for (int i = target; i >= 0; --i) {
            if (i == lastVideoFrame + 1) {
                start = i;
                shown = lastVideoFrame >= 0;
                break;
            }
            if (!videoIndex[size_t(i)].delta && videoIndex[size_t(i)].size) {
                start = i;
                break;
            }
        }
    }
    lastVideoFrame = -256; // until the decode below succeeds
    for (int i = start; i <= target; ++i) {
        const VideoIndexEntry& entry = videoIndex[size_t(i)];
        if (!entry.size)
            continue;
        scratch.memory.allocMemory(entry.size);
        videoFile.seek(int64_t(entry.offset));
        videoFile.readBlock(scratch.memory.data, int(entry.size));
        if (videoDecoder.decode(scratch.memory.data, entry.size, entry.delta != 0))
            shown = true;
    }
    lastVideoFrame = target;
    if (shown)
        image->copyFromBitmap(videoDecoder.outputFormat, videoDecoder.outputBuffer.data,
                              videoDecoder.outputFormat.biSizeImage);
    else
        std::memset(image->data(), 0, image->buffer.size);
    return image;
}

uint32_t AviFileInput::readAudioSource(uint8_t* out, uint32_t size)
{
    uint32_t done = 0;
    while (done < size && audioIndexCursor < audioIndex.size()) {
        const AudioIndexEntry& entry = audioIndex[audioIndexCursor];
        const uint32_t n = std::min(entry.size - audioEntryOffset, size - done);
        if (n) {
            audioFile.seek(int64_t(entry.offset + audioEntryOffset));
            audioFile.readBlock(out + done, int(n));
            done += n;
            audioEntryOffset += n;
        }
        if (audioEntryOffset >= entry.size) {
            ++audioIndexCursor;
            audioEntryOffset = 0;
        }
    }
    return done;
}

std::shared_ptr<Media::AudioBlockBuffer> AviFileInput::readAudio(int block)
{
    if (!audioFile.isOpen())
        return nullptr;
    Cache::AudioScratchBuffer& scratch = Cache::ScratchBuffers::inputAudioBuffer();
    std::lock_guard lock(scratch.mutex);
    beginAudioBlock(scratch, *this);
    uint8_t* out = static_cast<uint8_t*>(scratch.memory.data);
    const uint32_t bytes = scratch.memory.size;

    uint64_t skipBytes = 0;
    if (!(audioDecoding && block == lastAudioBlock + 1)) {
        const double bytesPerSecond = double(audioRate) * audioBlockAlign / audioScale;
        const AudioSeek seek =
            seekAudio(int64_t(block) * sampleRate, audioBlockAlign, audioSamplesPerBlock, bytesPerSecond,
                      uint32_t(sampleRate));
        // The last entry that starts at or before the position.
        auto after = std::upper_bound(audioIndex.begin(), audioIndex.end(), seek.bytePosition,
                                      [](uint64_t p, const AudioIndexEntry& e) { return p < e.position; });
        if (after == audioIndex.begin()) {
            audioIndexCursor = audioIndex.size();
            audioEntryOffset = 0;
        } else {
            audioIndexCursor = size_t(after - audioIndex.begin()) - 1;
            const uint64_t inside = seek.bytePosition - audioIndex[audioIndexCursor].position;
            audioEntryOffset = uint32_t(std::min<uint64_t>(inside, audioIndex[audioIndexCursor].size));
        }
        if (audioDecoding) {
            audioDecoder.discardPending();
            skipBytes = seek.skipSamples * uint64_t(channelCount) * uint64_t(bitsPerSample / 8);
        }
    }
    lastAudioBlock = -256; // until this block is read
    if (block >= 0) {
        if (audioDecoding)
            decodeAudio(audioDecoder, out, bytes, skipBytes,
                                [this](uint8_t* o, uint32_t n) { return readAudioSource(o, n); });
        else
            readAudioSource(out, bytes);
    }
    lastAudioBlock = block;
    return makeAudioBlock(scratch);
}

} // namespace Plugin
