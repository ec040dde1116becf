#include "platform/codec/codec.h"
#include "platform/codec/codec_library.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace Platform::Codec {

namespace {
constexpr uint32_t HeaderSize = 40;
constexpr int MaxSide = 16384;
// Decoder threads per stream: frame threads add as many pictures of delay,
// and several files may be open at once.
constexpr unsigned ThreadMax = 4;

AVPixelFormat pixelFormat(VideoOutput output)
{
    switch (output) {
    case VideoOutput::Yuy2: return AV_PIX_FMT_YUYV422;
    case VideoOutput::Bgra32: return AV_PIX_FMT_BGRA;
    case VideoOutput::Bgrx32: return AV_PIX_FMT_BGR0;
    }
    return AV_PIX_FMT_NONE;
}

bool isFullRangeFormat(AVPixelFormat f)
{
    return f == AV_PIX_FMT_YUVJ420P || f == AV_PIX_FMT_YUVJ422P || f == AV_PIX_FMT_YUVJ444P ||
           f == AV_PIX_FMT_YUVJ440P || f == AV_PIX_FMT_YUVJ411P;
}

ColourMatrix matrixOf(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: return ColourMatrix::Bt601;
    case AVCOL_SPC_BT709: return ColourMatrix::Bt709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return ColourMatrix::Bt2020;
    default: return ColourMatrix::Unknown;
    }
}
} // namespace

struct VideoDecoder::State {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;    // the picture received last
    AVFrame* incoming = nullptr; // a picture being received
    bool holding = false;
    AVFrame* padded = nullptr; // conversion target when the caller's rows have no slack
    SwsContext* scaler = nullptr;
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool intraOnly = false;
    bool draining = false;
    std::vector<uint8_t> packetBytes;

    ~State()
    {
        sws_freeContext(scaler);
        av_frame_free(&padded);
        av_frame_free(&incoming);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }

    // The frame received last in the output layout, scaled to the header's
    // size when the stream's pictures differ from it.
    bool convert(VideoOutput output, uint8_t* out, uint32_t pitch)
    {
        AVPixelFormat source = AVPixelFormat(frame->format);
        AVPixelFormat target = pixelFormat(output);
        // The same flags as the command-line tools, so pictures match theirs.
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
        const size_t rowBytes = size_t(output == VideoOutput::Yuy2 ? (width + 1) / 2 * 4 : width * 4);
        // The library's vector writers fill whole blocks of pixels and run past
        // a row whose bytes are not a multiple of the block: rows of a multiple
        // of 64 bytes written back to back are safe, anything else goes through
        // a padded picture of the library's own alignment and is copied out.
        const bool direct = pitch == rowBytes && rowBytes % 64 == 0 && reinterpret_cast<uintptr_t>(out) % 32 == 0;
        if (direct) {
            uint8_t* dest[4] = {out, nullptr, nullptr, nullptr};
            int strides[4] = {int(pitch), 0, 0, 0};
            return sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, dest, strides) == height;
        }
        if (!padded || padded->format != target || padded->width != width || padded->height != height) {
            av_frame_free(&padded);
            padded = av_frame_alloc();
            if (!padded)
                return false;
            padded->format = target;
            padded->width = width;
            padded->height = height;
            if (av_frame_get_buffer(padded, 64) < 0) {
                av_frame_free(&padded);
                return false;
            }
            // The library's unscaled 4:2:2 packer leaves an odd last pixel
            // unwritten: it stays black, as in the command-line tools' decode.
            std::memset(padded->data[0], 0, size_t(padded->linesize[0]) * size_t(height));
        }
        if (sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, padded->data, padded->linesize) != height)
            return false;
        for (int y = 0; y < height; ++y)
            std::memcpy(out + size_t(y) * pitch, padded->data[0] + size_t(y) * size_t(padded->linesize[0]), rowBytes);
        return true;
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
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
    s->intraOnly = descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY);
    s->context = avcodec_alloc_context3(codec);
    s->packet = av_packet_alloc();
    s->frame = av_frame_alloc();
    s->incoming = av_frame_alloc();
    if (!s->context || !s->packet || !s->frame || !s->incoming)
        return nullptr;
    AVCodecContext* c = s->context;
    c->width = width;
    c->height = height;
    c->coded_width = width;
    c->coded_height = height;
    c->codec_tag = compression ? compression : tag;
    c->bits_per_coded_sample = bitCount;
    // Pictures come out by the positions their packets were sent with, so
    // frame threads (which hold pictures back) are as good as slice threads.
    c->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    c->thread_count = int(std::clamp(std::thread::hardware_concurrency(), 1u, ThreadMax));
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

bool VideoDecoder::intraOnly() const
{
    return s_->intraOnly;
}

bool VideoDecoder::send(const void* data, uint32_t size, bool keyFrame, int64_t position)
{
    State& s = *s_;
    // An empty packet would end the stream for the decoder.
    if (size == 0 || !data || s.draining)
        return false;
    s.packetBytes.resize(size_t(size) + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(s.packetBytes.data(), data, size);
    std::memset(s.packetBytes.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    s.packet->data = s.packetBytes.data();
    s.packet->size = int(size);
    s.packet->flags = keyFrame ? AV_PKT_FLAG_KEY : 0;
    s.packet->pts = position;
    s.packet->dts = AV_NOPTS_VALUE;
    return avcodec_send_packet(s.context, s.packet) >= 0;
}

void VideoDecoder::drain()
{
    State& s = *s_;
    if (!s.draining)
        avcodec_send_packet(s.context, nullptr);
    s.draining = true;
}

bool VideoDecoder::receive(int64_t& position)
{
    State& s = *s_;
    // A picture the decoder could not finish is dropped; while draining the
    // next one may still come.
    for (int attempt = 0; attempt < 64; ++attempt) {
        const int result = avcodec_receive_frame(s.context, s.incoming);
        if (result >= 0) {
            av_frame_unref(s.frame);
            av_frame_move_ref(s.frame, s.incoming);
            s.holding = true;
            position = s.frame->pts != AV_NOPTS_VALUE ? s.frame->pts : s.frame->best_effort_timestamp;
            return true;
        }
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF || !s.draining)
            return false;
    }
    return false;
}

void VideoDecoder::flush()
{
    State& s = *s_;
    av_frame_unref(s.frame);
    s.holding = false;
    avcodec_flush_buffers(s.context);
    s.draining = false;
}

bool VideoDecoder::convert(VideoOutput output, uint8_t* out, uint32_t pitch)
{
    return s_->holding && out && s_->convert(output, out, pitch);
}

ColourMatrix VideoDecoder::matrix() const
{
    return s_->holding ? matrixOf(s_->frame->colorspace) : ColourMatrix::Unknown;
}

} // namespace Platform::Codec
