#include "io/input/avi_file_reader.h"
#include "io/input/audio_reading.h"
#include "io/input/avi_format.h"

#include "core/failure.h"
#include "core/log.h"
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

// A FourCC for a log line: "RGB" for 0, a byte that is no letter as '?'.
std::string codeText(uint32_t code)
{
    if (!code)
        return "RGB";
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = char(code >> (8 * i));
        text += c >= ' ' && c <= '~' ? c : '?';
    }
    return "'" + text + "'";
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
    if (!f.useCodec || out.biWidth != f.width || out.biHeight != f.height)
        return false;
    f.intraOnly = f.videoDecoder.intraOnly();
    f.pictureRank.resize(f.videoIndex.size());
    for (size_t i = 0; i < f.videoIndex.size(); ++i) {
        f.pictureRank[i] = int32_t(f.pictureEntry.size());
        if (f.videoIndex[i].size)
            f.pictureEntry.push_back(int32_t(i));
    }
    return true;
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
        if ((file->flags & InputFile::FlagVideo) && (file->frameCount <= 0 || !setUpVideo(*file))) {
            if (file->frameCount > 0) {
                System::BitmapInfoHeader source;
                std::memcpy(&source, file->videoDecoder.sourceFormat.data, sizeof source);
                System::Log::info("Plugin::AviFileReader::openFile", "video format not supported. (codec %s, %u bits)",
                                  codeText(file->codec).c_str(), unsigned(source.biBitCount));
            }
            file->flags &= ~InputFile::FlagVideo;
        }
        if (file->flags & InputFile::FlagAudio) {
            // Audio without indexed data would be silence.
            const bool taken = file->audioSampleCount > 0 && !file->audioIndex.empty() &&
                               acceptAudio(*file, file->audioDecoder, file->audioDecoding, "Plugin::AviFileReader::openFile");
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
    lastVideoFrame = target;
    // An entry without data repeats the picture before it.
    int shown = target;
    while (shown >= 0 && videoIndex[size_t(shown)].size == 0)
        --shown;
    if (shown < 0) {
        std::memset(image->data(), 0, image->buffer.size);
        return image;
    }

    if (!useCodec) {
        // Every stored frame is a whole picture: read only the one shown.
        const uint32_t bytes = frameHeader.biSizeImage;
        const VideoIndexEntry& entry = videoIndex[size_t(shown)];
        const uint32_t stored = std::min(entry.size, bytes);
        scratch.memory.allocMemory(bytes);
        videoFile.seek(int64_t(entry.offset));
        videoFile.readBlock(scratch.memory.data, int(stored));
        if (stored < bytes)
            std::memset(static_cast<uint8_t*>(scratch.memory.data) + stored, 0, bytes - stored);
        scratch.header = frameHeader;
        image->copyFromBitmap(frameHeader, scratch.memory.data, bytes);
        return image;
    }

    if (heldEntry != shown)
        decodeTo(shown, scratch.memory);
    if (heldEntry < 0 || !videoDecoder.copyPicture(*image))
        std::memset(image->data(), 0, image->buffer.size);
    return image;
}

void AviFileInput::decodeTo(int shown, System::AlignedBuffer& packet)
{
    auto isKey = [this](int i) {
        const VideoIndexEntry& e = videoIndex[size_t(i)];
        return e.size && (intraOnly || !e.delta);
    };
    int key = shown;
    while (key > 0 && !isKey(key))
        --key;
    const int wanted = pictureRank[size_t(shown)];
    // Reading on from where the decoder stands is kept when it does not pass
    // the key frame a jump would start at.
    const bool onward = heldEntry >= 0 && nextRank <= wanted &&
                        (intraOnly ? nextRank == wanted : pictureRank[size_t(key)] <= nextRank || nextPacket > key);
    if (!onward) {
        videoDecoder.flush();
        heldEntry = -1;
        drained = false;
        nextRank = pictureRank[size_t(key)];
        nextPacket = key;
        if (!intraOnly && key > 0) {
            // An open group of pictures shows pictures stored after its key
            // frame before it, and they need the group before to decode: the
            // decode starts one key frame earlier, and what that group gives
            // is skipped until the key frame's own picture comes out.
            int previous = key - 1;
            while (previous > 0 && !isKey(previous))
                --previous;
            nextPacket = previous;
        }
        anchorEntry = intraOnly ? -1 : key;
    }
    const int count = int(videoIndex.size());
    for (;;) {
        int64_t position = 0;
        if (videoDecoder.receive(position)) {
            const bool known = position >= 0 && position < count && videoIndex[size_t(position)].size;
            int entry = -1;
            if (intraOnly) {
                // Every picture carries its own entry.
                if (known) {
                    entry = int(position);
                    nextRank = pictureRank[size_t(entry)] + 1;
                }
            } else {
                // Pictures come in display order, one per entry with data.
                if (anchorEntry >= 0) {
                    if (!known || position < anchorEntry)
                        continue; // the group decoded before the key frame
                    if (position == anchorEntry)
                        anchorEntry = -1;
                }
                if (nextRank < int(pictureEntry.size()))
                    entry = pictureEntry[size_t(nextRank++)];
            }
            if (entry < 0)
                continue;
            heldEntry = entry;
            if (entry >= shown)
                return;
            continue;
        }
        if (drained) {
            // Drained early after a jump: an intra-only stream starts again anywhere.
            if (!intraOnly || nextPacket >= count)
                return; // the end of the stream: the last picture stays
            videoDecoder.flush();
            drained = false;
        }
        if (nextPacket < count) {
            const int sent = nextPacket++;
            const VideoIndexEntry& entry = videoIndex[size_t(sent)];
            if (!entry.size)
                continue;
            packet.allocMemory(entry.size);
            videoFile.seek(int64_t(entry.offset));
            videoFile.readBlock(packet.data, int(entry.size));
            videoDecoder.send(packet.data, entry.size, entry.delta != 0, sent);
            // After a jump, an intra-only picture is out as soon as the decoder
            // is told nothing follows, without waiting for its threads to fill.
            if (intraOnly && !onward && sent == shown) {
                videoDecoder.drain();
                drained = true;
            }
            continue;
        }
        videoDecoder.drain();
        drained = true;
    }
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
