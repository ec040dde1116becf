#pragma once
// Decodes the frames of a compressed AVI video stream for the AVI reader. The
// reader keeps the stream's stored BITMAPINFOHEADER (with any codec data after
// it) in sourceFormat, opens a decoder by the stream's codes, begins one of
// the outputs ("YUY2" 16-bit, then RGB 32-bit, then RGB 24-bit) and decodes
// one packet per frame into outputBuffer.
#include "core/bitmap_info.h"
#include "core/file.h"

#include <cstdint>
#include <memory>

namespace Platform::Codec { class VideoDecoder; }

namespace Media {

class VideoDecompressor {
public:
    VideoDecompressor();
    ~VideoDecompressor();
    VideoDecompressor(const VideoDecompressor&) = delete;
    VideoDecompressor& operator=(const VideoDecompressor&) = delete;

    // Finds a decoder by the stream's handler code, else by the source
    // format's compression. False when none fits or the format does not hold up.
    bool open(uint32_t handler);
    bool isOpen() const;
    // Sets the output format (the source's size, the bit count, or the
    // source's when 0) and starts decoding to it. False when the decoder does
    // not offer that output.
    bool begin(uint32_t compression, uint16_t bitCount);
    // Decodes one packet into outputBuffer; false without a frame.
    bool decode(const void* data, uint32_t size, bool notKeyFrame);
    void close();

    System::DataBuffer sourceFormat;
    System::BitmapInfoHeader outputFormat;
    System::DataBuffer outputBuffer;
    bool begun = false;

private:
    std::unique_ptr<Platform::Codec::VideoDecoder> codec_;
    int output_ = 0;
};

constexpr uint32_t FourCCYuy2 = 0x32595559; // "YUY2"

} // namespace Media
