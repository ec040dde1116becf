#include "platform/codec/codec.h"
#include "platform/codec/codec_library.h"

#include <cstring>
#include <vector>

namespace Platform::Codec {

namespace {
constexpr uint32_t HeaderSize = 40;
constexpr int MaxSide = 16384;

int rowBytes(VideoOutput output, int width)
{
    int bits = output == VideoOutput::Yuy2 ? 16 : output == VideoOutput::Bgra32 ? 32 : 24;
    return ((width * bits / 8) + 3) & ~3;
}

AVPixelFormat pixelFormat(VideoOutput output)
{
    switch (output) {
    case VideoOutput::Yuy2: return AV_PIX_FMT_YUYV422;
    case VideoOutput::Bgra32: return AV_PIX_FMT_BGRA;
    case VideoOutput::Bgr24: return AV_PIX_FMT_BGR24;
    }
    return AV_PIX_FMT_NONE;
}

bool isFullRangeFormat(AVPixelFormat f)
{
    return f == AV_PIX_FMT_YUVJ420P || f == AV_PIX_FMT_YUVJ422P || f == AV_PIX_FMT_YUVJ444P ||
           f == AV_PIX_FMT_YUVJ440P || f == AV_PIX_FMT_YUVJ411P;
}
} // namespace

struct VideoDecoder::State {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::vector<uint8_t> packetBytes;

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }

    // The frame just decoded into out, scaled to the header's size when the
    // stream's pictures differ from it.
    bool convert(VideoOutput output, uint8_t* out)
    {
        AVPixelFormat source = AVPixelFormat(frame->format);
        AVPixelFormat target = pixelFormat(output);
        // The same flags as the command-line tools, so frames match theirs.
        scaler = sws_getCachedContext(scaler, frame->width, frame->height, source, width, height, target, SWS_BICUBIC,
                                      nullptr, nullptr, nullptr);
        if (!scaler)
            return false;
        int* inverse = nullptr;
        int* table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast,
                                     &saturation) >= 0) {
            bool full = frame->color_range == AVCOL_RANGE_JPEG || isFullRangeFormat(source);
            const int* coefficients = sws_getCoefficients(frame->colorspace);
            sws_setColorspaceDetails(scaler, coefficients, full ? 1 : 0, coefficients,
                                     output == VideoOutput::Yuy2 ? 0 : 1, brightness, contrast, saturation);
        }
        const int stride = rowBytes(output, width);
        uint8_t* dest[4] = {out, nullptr, nullptr, nullptr};
        int strides[4] = {stride, 0, 0, 0};
        if (output != VideoOutput::Yuy2) {
            // Bitmap rows go bottom-up: start at the last row, step backwards.
            dest[0] = out + size_t(height - 1) * size_t(stride);
            strides[0] = -stride;
        }
        return sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, dest, strides) == height;
    }
};

VideoDecoder::VideoDecoder(std::unique_ptr<State> state) : s_(std::move(state)) {}
VideoDecoder::~VideoDecoder() = default;

std::unique_ptr<VideoDecoder> VideoDecoder::open(uint32_t handler, const void* header, uint32_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(header);
    if (!p || size < HeaderSize)
        return nullptr;
    uint32_t biSize = Library::readLe32(p);
    int32_t width = int32_t(Library::readLe32(p + 4));
    int32_t height = int32_t(Library::readLe32(p + 8));
    uint16_t bitCount = Library::readLe16(p + 14);
    uint32_t compression = Library::readLe32(p + 16);
    // The header must lie inside the bytes given; compressed pictures have a
    // positive height.
    if (biSize < HeaderSize || biSize > size || width < 1 || width > MaxSide || height < 1 || height > MaxSide)
        return nullptr;

    Library::quietLog();
    AVCodecID id = Library::videoCodec(handler);
    uint32_t tag = handler;
    if (id == AV_CODEC_ID_NONE) {
        id = Library::videoCodec(compression);
        tag = compression;
    }
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (!codec)
        return nullptr;

    auto s = std::make_unique<State>();
    s->width = width;
    s->height = height;
    s->bitCount = bitCount;
    s->context = avcodec_alloc_context3(codec);
    s->packet = av_packet_alloc();
    s->frame = av_frame_alloc();
    if (!s->context || !s->packet || !s->frame)
        return nullptr;
    AVCodecContext* c = s->context;
    c->width = width;
    c->height = height;
    c->coded_width = width;
    c->coded_height = height;
    c->codec_tag = compression ? compression : tag;
    c->bits_per_coded_sample = bitCount;
    // One packet in gives its frame out: frame threads would hold frames back.
    c->thread_type = FF_THREAD_SLICE;
    c->thread_count = 0;
    if (size > HeaderSize) {
        uint32_t extra = size - HeaderSize;
        c->extradata = static_cast<uint8_t*>(av_mallocz(extra + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata)
            return nullptr;
        std::memcpy(c->extradata, p + HeaderSize, extra);
        c->extradata_size = int(extra);
    }
    if (avcodec_open2(c, codec, nullptr) < 0)
        return nullptr;
    return std::unique_ptr<VideoDecoder>(new VideoDecoder(std::move(s)));
}

int VideoDecoder::width() const
{
    return s_->width;
}

int VideoDecoder::height() const
{
    return s_->height;
}

bool VideoDecoder::accepts(VideoOutput output) const
{
    if (output != VideoOutput::Yuy2)
        return true;
    // Pictures with alpha or in RGB are offered only as RGB, so alpha survives.
    AVPixelFormat format = s_->context->pix_fmt;
    if (format == AV_PIX_FMT_NONE)
        return s_->bitCount != 32;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
    return d && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_ALPHA | AV_PIX_FMT_FLAG_PAL)) &&
           d->nb_components >= 3;
}

uint32_t VideoDecoder::frameBytes(VideoOutput output) const
{
    return uint32_t(rowBytes(output, s_->width)) * uint32_t(s_->height);
}

bool VideoDecoder::decode(const void* data, uint32_t size, bool keyFrame, VideoOutput output, uint8_t* out)
{
    State& s = *s_;
    // An empty packet would end the stream for the decoder.
    if (size == 0 || !data)
        return false;
    s.packetBytes.resize(size_t(size) + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(s.packetBytes.data(), data, size);
    std::memset(s.packetBytes.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    s.packet->data = s.packetBytes.data();
    s.packet->size = int(size);
    s.packet->flags = keyFrame ? AV_PKT_FLAG_KEY : 0;
    if (avcodec_send_packet(s.context, s.packet) < 0)
        return false;
    if (avcodec_receive_frame(s.context, s.frame) < 0)
        return false;
    bool ok = s.convert(output, out);
    av_frame_unref(s.frame);
    return ok;
}

} // namespace Platform::Codec
