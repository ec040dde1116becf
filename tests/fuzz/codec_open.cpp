// Compressed stream headers as AVI and WAV files store them: a WAVEFORMATEX
// (its cbSize and codec data) or a BITMAPINFOHEADER (its sizes and codec data),
// each opened as the readers do, then one packet of the input decoded.
#include "media/audio_decompressor.h"
#include "media/image_buffer.h"
#include "media/video_decompressor.h"
#include "tests/fuzz/fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {
void setBytes(System::DataBuffer& b, const uint8_t* data, size_t size)
{
    b.allocMemory(uint32_t(size));
    if (size)
        std::memcpy(b.data, data, size);
}
} // namespace

FUZZ_TARGET(codec_open)
{
    Fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    const size_t headerSize = std::min<size_t>(in.byte() + (choice & 0x80 ? 256u : 0u), in.restSize());
    const uint8_t* header = in.rest();
    const uint8_t* packet = header + headerSize;
    const size_t packetSize = in.restSize() - headerSize;
    try {
        if (choice & 1) {
            Media::VideoDecompressor video;
            setBytes(video.sourceFormat, header, headerSize);
            if (!video.open(choice & 2 ? 0 : 0x47504A4D /* "MJPG" */))
                return;
            const bool begun = video.begin(Media::FourCCYuy2, 16) || video.begin(0, 32) || video.begin(0, 24);
            // Large pictures are legal; making them only costs the fuzzer memory.
            if (begun && int64_t(video.outputFormat.biWidth) * video.outputFormat.biHeight <= (1 << 22)) {
                const auto& out = video.outputFormat;
                const Media::Format format = out.biCompression ? Media::Format::Yuy2
                                             : out.biBitCount == 32 ? Media::Format::B8G8R8A8Unorm
                                                                    : Media::Format::B8G8R8X8Unorm;
                auto image = Media::ImageBuffer::create(format, uint32_t(out.biWidth), uint32_t(out.biHeight));
                // The packet twice: the second may bring the first's picture out.
                int64_t position = 0;
                for (int i = 0; i < 2; ++i) {
                    video.send(packet, uint32_t(packetSize), choice & 4, i);
                    while (video.receive(position))
                        video.copyPicture(*image);
                }
                video.drain();
                while (video.receive(position))
                    video.copyPicture(*image);
            }
        } else {
            Media::AudioDecompressor audio;
            setBytes(audio.sourceFormat, header, headerSize);
            if (!audio.open())
                return;
            audio.insertSourceData(packet, uint32_t(std::min<size_t>(packetSize, audio.sourceBuffer.size)));
            audio.decode();
            char out[4096];
            while (audio.take(out, sizeof out))
                ;
        }
    } catch (const std::exception&) {
        // Rejected packets and full buffers are reported failures, not findings.
    }
}
