#include "media/video_decompressor.h"

#include "core/failure.h"
#include "media/image_buffer.h"
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
        out = VideoOutput::Bgrx32;
    else
        return false;
    return true;
}

Format formatOf(VideoOutput output)
{
    switch (output) {
    case VideoOutput::Yuy2: return Format::Yuy2;
    case VideoOutput::Bgra32: return Format::B8G8R8A8Unorm;
    case VideoOutput::Bgrx32: return Format::B8G8R8X8Unorm;
    }
    return Format::Unknown;
}

YuvMatrix yuvMatrixOf(Platform::Codec::ColourMatrix m)
{
    switch (m) {
    case Platform::Codec::ColourMatrix::Bt601: return YuvMatrix::Bt601;
    case Platform::Codec::ColourMatrix::Bt709: return YuvMatrix::Bt709;
    case Platform::Codec::ColourMatrix::Bt2020: return YuvMatrix::Bt2020;
    default: return YuvMatrix::Unknown;
    }
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
    outputFormat.biSizeImage = ImageBuffer::getBitmapStride(bitCount, uint32_t(codec_->width())) * uint32_t(codec_->height());
    output_ = int(output);
    begun = true;
    return true;
}

bool VideoDecompressor::intraOnly() const
{
    return codec_ && codec_->intraOnly();
}

bool VideoDecompressor::send(const void* data, uint32_t size, bool notKeyFrame, int64_t position)
{
    if (!begun)
        return false;
    bool ok = false;
    System::guardedCall("ICSendMessage", "Media::VideoDecompressor::send",
                        [&] { ok = codec_->send(data, size, !notKeyFrame, position); });
    return ok;
}

void VideoDecompressor::drain()
{
    if (begun)
        System::guardedCall("ICSendMessage", "Media::VideoDecompressor::drain", [&] { codec_->drain(); });
}

bool VideoDecompressor::receive(int64_t& position)
{
    if (!begun)
        return false;
    bool ok = false;
    System::guardedCall("ICSendMessage", "Media::VideoDecompressor::receive", [&] { ok = codec_->receive(position); });
    return ok;
}

void VideoDecompressor::flush()
{
    if (begun)
        System::guardedCall("ICSendMessage", "Media::VideoDecompressor::flush", [&] { codec_->flush(); });
}

bool VideoDecompressor::copyPicture(ImageBuffer& image)
{
    const VideoOutput output = VideoOutput(output_);
    if (!begun || image.format != formatOf(output) || image.width != uint32_t(codec_->width()) ||
        image.height != uint32_t(codec_->height()))
        return false;
    bool ok = false;
    System::guardedCall("ICSendMessage", "Media::VideoDecompressor::copyPicture", [&] {
        ok = codec_->convert(output, image.data(), image.pitch);
        image.yuvMatrix = yuvMatrixOf(codec_->matrix());
    });
    return ok;
}

void VideoDecompressor::close()
{
    begun = false;
    codec_.reset();
}

} // namespace Media
