#pragma once
// Decodes the frames of a compressed AVI video stream for the AVI reader. The
// reader keeps the stream's stored BITMAPINFOHEADER (with any codec data after
// it) in sourceFormat, opens a decoder by the stream's codes and begins one of
// the outputs ("YUY2" 16-bit, then RGB 32-bit, then RGB 24-bit). It then sends
// packets in stored order and receives pictures in display order: a picture
// may come out several packets after its own, so each carries the position its
// packet was sent with.
#include "core/bitmap_info.h"
#include "core/file.h"

#include <cstdint>
#include <memory>

namespace Platform::Codec { class VideoDecoder; }

namespace Media {

class ImageBuffer;

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
    // Whether every packet is a whole picture of its own.
    bool intraOnly() const;

    // Sends the stream's next packet; false when it is rejected (it gives no picture).
    bool send(const void* data, uint32_t size, bool notKeyFrame, int64_t position);
    // Ends the stream: the pictures still held come out.
    void drain();
    // The next picture in display order with its packet's position; false
    // when the next packet is needed first (or, drained, none is left).
    bool receive(int64_t& position);
    // Forgets what the decoder holds, before a jump.
    void flush();
    // Writes the picture received last into image, a picture of the output's
    // size in its pixel format (YUY2, B8G8R8A8 for 32-bit, B8G8R8X8 for 24-bit),
    // with the YUV matrix the stream declares. False without a picture.
    bool copyPicture(ImageBuffer& image);
    void close();

    System::DataBuffer sourceFormat;
    System::BitmapInfoHeader outputFormat;
    bool begun = false;

private:
    std::unique_ptr<Platform::Codec::VideoDecoder> codec_;
    int output_ = 0;
};

constexpr uint32_t FourCCYuy2 = 0x32595559; // "YUY2"

} // namespace Media
