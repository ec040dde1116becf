#include "media/video_decompressor.h"

#include "core/failure.h"
#include "platform/codec/codec.h"

#include <cstring>

namespace Media {

namespace {
using Platform::Codec::VideoOutput;

bool outputOf(uint32_t compression, uint16_t bitCount, VideoOutput& out)
{
    if (compression == FourCCYuy2 && bitCount == 16)
        out = VideoOutput::Yuy2;
    else if (compression == System::BitmapCompressionRgb && bitCount == 32)
        out = VideoOutput::Bgra32;
    else if (compression == System::BitmapCompressionRgb && bitCount == 24)
        out = VideoOutput::Bgr24;
    else
        return false;
    return true;
}
} // namespace

VideoDecompressor::VideoDecompressor() = default;

VideoDecompressor::~VideoDecompressor()
{
    close();
}

bool VideoDecompressor::open(uint32_t handler)
{
    close();
    System::guardedCall("ICOpen", "Media::VideoDecompressor::open", [&] {
        codec_ = Platform::Codec::VideoDecoder::open(handler, sourceFormat.data, sourceFormat.size);
    });
    return codec_ != nullptr;
}

bool VideoDecompressor::isOpen() const
{
    return codec_ != nullptr;
}

bool VideoDecompressor::begin(uint32_t compression, uint16_t bitCount)
{
    if (!codec_)
        return false;
    System::BitmapInfoHeader source;
    std::memcpy(&source, sourceFormat.data, sizeof source); // open checked its size
    if (bitCount == 0)
        bitCount = source.biBitCount;
    VideoOutput output;
    if (!outputOf(compression, bitCount, output) || !codec_->accepts(output))
        return false;
    outputFormat = System::BitmapInfoHeader{};
    outputFormat.biWidth = codec_->width();
    outputFormat.biHeight = codec_->height();
    outputFormat.biPlanes = 1;
    outputFormat.biBitCount = bitCount;
    outputFormat.biCompression = compression;
    outputFormat.biSizeImage = codec_->frameBytes(output);
    output_ = int(output);
    begun = true;
    return true;
}

bool VideoDecompressor::decode(const void* data, uint32_t size, bool notKeyFrame)
{
    if (!begun)
        return false;
    outputBuffer.allocMemory(outputFormat.biSizeImage);
    bool ok = false;
    System::guardedCall("ICSendMessage", "Media::VideoDecompressor::decode", [&] {
        ok = codec_->decode(data, size, !notKeyFrame, VideoOutput(output_), outputBuffer.bytes());
    });
    return ok;
}

void VideoDecompressor::close()
{
    begun = false;
    codec_.reset();
}

} // namespace Media
