#include "platform/codec/codec.h"
#include "platform/codec/codec_library.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Platform::Codec {

namespace Library {

uint16_t readLe16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void quietLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

AVCodecID audioCodec(uint16_t tag)
{
    static std::mutex mutex;
    static std::unordered_map<uint16_t, AVCodecID> known;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = known.find(tag);
    if (found != known.end())
        return found->second;
    const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
    AVCodecID id = av_codec_get_id(tables, tag);
    if (id != AV_CODEC_ID_NONE && !avcodec_find_decoder(id))
        id = AV_CODEC_ID_NONE;
    known.emplace(tag, id);
    return id;
}

AVCodecID videoCodec(uint32_t fourcc)
{
    if (fourcc == 0)
        return AV_CODEC_ID_NONE;
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    AVCodecID id = av_codec_get_id(tables, fourcc);
    return id != AV_CODEC_ID_NONE && avcodec_find_decoder(id) ? id : AV_CODEC_ID_NONE;
}

} // namespace Library

namespace {
constexpr uint16_t TagPcm = 1;
constexpr uint16_t TagFloat = 3;
constexpr uint16_t TagExtensible = 0xFFFE;

// How a stream is cut into packets.
enum class Cut {
    Samples, // fixed bytes per frame: as many whole frames as the output takes
    Blocks,  // whole blocks of blockAlign bytes
    Parser,  // frames found by the codec library's parser
    Whole,   // no known cut: all pending bytes at once
};

bool isSampleCodec(AVCodecID id)
{
    return id >= AV_CODEC_ID_PCM_S16LE && id < AV_CODEC_ID_ADPCM_IMA_QT;
}
} // namespace

bool parseAudioFormat(const void* bytes, uint32_t size, AudioFormat& out)
{
    const uint8_t* p = static_cast<const uint8_t*>(bytes);
    if (!p || size < 16)
        return false;
    out = AudioFormat{};
    out.tag = Library::readLe16(p);
    out.channels = Library::readLe16(p + 2);
    out.sampleRate = Library::readLe32(p + 4);
    out.averageBytesPerSecond = Library::readLe32(p + 8);
    out.blockAlign = Library::readLe16(p + 12);
    out.bitsPerSample = Library::readLe16(p + 14);
    if (size >= 18) {
        uint16_t extra = Library::readLe16(p + 16);
        if (extra > size - 18)
            return false;
        out.extra = extra ? p + 18 : nullptr;
        out.extraSize = extra;
    }
    // The extensible form names its real format in the first two bytes of its
    // sub-format, after valid bits (2) and the channel mask (4).
    if (out.tag == TagExtensible) {
        if (out.extraSize < 22)
            return false;
        out.tag = Library::readLe16(out.extra + 6);
    }
    return true;
}

bool hasAudioDecoder(uint16_t tag)
{
    if (tag == TagPcm || tag == TagFloat)
        return false;
    return Library::audioCodec(tag) != AV_CODEC_ID_NONE;
}

struct AudioDecoder::State {
    AVCodecContext* context = nullptr;
    AVCodecParserContext* parser = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwrContext* resampler = nullptr;
    Cut cut = Cut::Whole;
    AVCodecID id = AV_CODEC_ID_NONE;
    uint32_t blockAlign = 0;
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t largestOutput = 0;        // most bytes one packet gave so far
    std::vector<uint8_t> kept;         // decoded bytes that did not fit last time
    size_t keptAt = 0;
    std::vector<uint8_t> packetBytes;  // a packet with the library's zero padding

    ~State()
    {
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        if (parser)
            av_parser_close(parser);
        avcodec_free_context(&context);
    }

    bool openParser()
    {
        if (parser)
            av_parser_close(parser);
        parser = av_parser_init(id);
        return parser != nullptr;
    }

    // Interleaved 16-bit samples of the frame just decoded, appended to out.
    bool appendFrame(std::vector<uint8_t>& out)
    {
        AVChannelLayout target;
        av_channel_layout_default(&target, int(channels));
        if (!resampler) {
            if (swr_alloc_set_opts2(&resampler, &target, AV_SAMPLE_FMT_S16, int(sampleRate), &frame->ch_layout,
                                    AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr) < 0 ||
                swr_init(resampler) < 0) {
                swr_free(&resampler);
                return false;
            }
        }
        int room = swr_get_out_samples(resampler, frame->nb_samples);
        if (room < 0)
            return false;
        size_t at = out.size();
        out.resize(at + size_t(room) * channels * 2);
        uint8_t* dest = out.data() + at;
        int made = swr_convert(resampler, &dest, room, const_cast<const uint8_t**>(frame->extended_data),
                               frame->nb_samples);
        if (made < 0) {
            out.resize(at);
            return false;
        }
        out.resize(at + size_t(made) * channels * 2);
        return true;
    }

    // Sends one packet and collects its output. Returns 0 or the decoder's error.
    int decodePacket(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out)
    {
        packetBytes.resize(size + AV_INPUT_BUFFER_PADDING_SIZE);
        if (size) // an empty packet may come without memory
            std::memcpy(packetBytes.data(), data, size);
        std::memset(packetBytes.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
        packet->data = packetBytes.data();
        packet->size = int(size);
        int sent = avcodec_send_packet(context, packet);
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return sent;
        for (;;) {
            int got = avcodec_receive_frame(context, frame);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                break;
            if (got < 0)
                return got;
            bool ok = appendFrame(out);
            av_frame_unref(frame);
            if (!ok)
                return AVERROR(EINVAL);
        }
        return 0;
    }
};

AudioDecoder::AudioDecoder(std::unique_ptr<State> state) : s_(std::move(state)) {}
AudioDecoder::~AudioDecoder() = default;

std::unique_ptr<AudioDecoder> AudioDecoder::open(const AudioFormat& format)
{
    if (format.tag == TagPcm || format.tag == TagFloat)
        return nullptr;
    if (format.channels < 1 || format.channels > 8 || format.sampleRate < 1 || format.sampleRate > 768000)
        return nullptr;
    Library::quietLog();
    AVCodecID id = Library::audioCodec(format.tag);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (!codec)
        return nullptr;

    auto s = std::make_unique<State>();
    s->id = id;
    s->channels = format.channels;
    s->sampleRate = format.sampleRate;
    s->blockAlign = format.blockAlign;
    s->context = avcodec_alloc_context3(codec);
    s->packet = av_packet_alloc();
    s->frame = av_frame_alloc();
    if (!s->context || !s->packet || !s->frame)
        return nullptr;
    AVCodecContext* c = s->context;
    c->codec_tag = format.tag;
    c->sample_rate = int(format.sampleRate);
    av_channel_layout_default(&c->ch_layout, format.channels);
    c->block_align = format.blockAlign;
    c->bit_rate = int64_t(format.averageBytesPerSecond) * 8;
    c->bits_per_coded_sample = format.bitsPerSample;
    c->thread_count = 1;
    if (format.extraSize) {
        c->extradata = static_cast<uint8_t*>(av_mallocz(format.extraSize + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata)
            return nullptr;
        std::memcpy(c->extradata, format.extra, format.extraSize);
        c->extradata_size = int(format.extraSize);
    }
    if (avcodec_open2(c, codec, nullptr) < 0)
        return nullptr;

    if (isSampleCodec(id) && format.blockAlign > 0)
        s->cut = Cut::Samples;
    else if (s->openParser())
        s->cut = Cut::Parser;
    else if (format.blockAlign > 0)
        s->cut = Cut::Blocks;
    else
        s->cut = Cut::Whole;
    return std::unique_ptr<AudioDecoder>(new AudioDecoder(std::move(s)));
}

AudioDecoder::Result AudioDecoder::convert(const uint8_t* source, uint32_t sourceSize, uint8_t* out, uint32_t outSize)
{
    State& s = *s_;
    Result result;
    std::vector<uint8_t> made;
    // Output a packet gave beyond the room left, first.
    auto emit = [&](const uint8_t* bytes, size_t n) {
        size_t fits = std::min<size_t>(n, outSize - result.outputUsed);
        if (fits)
            std::memcpy(out + result.outputUsed, bytes, fits);
        result.outputUsed += uint32_t(fits);
        if (fits < n)
            s.kept.insert(s.kept.end(), bytes + fits, bytes + n);
    };
    if (s.keptAt < s.kept.size()) {
        std::vector<uint8_t> pending(s.kept.begin() + std::ptrdiff_t(s.keptAt), s.kept.end());
        s.kept.clear();
        s.keptAt = 0;
        emit(pending.data(), pending.size());
        if (!s.kept.empty())
            return result;
    }
    const uint32_t frameBytes = s.channels * 2;
    while (result.outputUsed < outSize) {
        const uint32_t room = outSize - result.outputUsed;
        // A packet is taken only when its output is likely to fit (what the
        // largest packet gave), or when nothing was written yet.
        if (s.cut != Cut::Samples && result.outputUsed > 0 && room < s.largestOutput)
            break;
        const uint8_t* at = source + result.sourceUsed;
        const uint32_t left = sourceSize - result.sourceUsed;
        // No bytes would tell the parser that the stream ended.
        if (left == 0)
            break;
        uint32_t packetSize = 0;
        const uint8_t* packetData = at;
        uint32_t used = 0;
        switch (s.cut) {
        case Cut::Samples: {
            uint32_t frames = std::min(left / s.blockAlign, room / frameBytes);
            packetSize = used = frames * s.blockAlign;
            break;
        }
        case Cut::Blocks:
            if (left >= s.blockAlign)
                packetSize = used = s.blockAlign;
            break;
        case Cut::Whole: packetSize = used = left; break;
        case Cut::Parser: {
            uint8_t* parsed = nullptr;
            int parsedSize = 0;
            int consumed = av_parser_parse2(s.parser, s.context, &parsed, &parsedSize, at, int(left), AV_NOPTS_VALUE,
                                            AV_NOPTS_VALUE, 0);
            used = consumed < 0 ? left : uint32_t(consumed);
            packetData = parsed;
            packetSize = uint32_t(parsedSize);
            break;
        }
        }
        if (packetSize == 0 && used == 0)
            break;
        result.sourceUsed += used;
        if (packetSize == 0)
            continue;
        made.clear();
        if (int error = s.decodePacket(packetData, packetSize, made)) {
            result.error = error;
            return result;
        }
        s.largestOutput = std::max(s.largestOutput, uint32_t(made.size()));
        emit(made.data(), made.size());
        if (!s.kept.empty())
            break;
    }
    return result;
}

void AudioDecoder::reset()
{
    State& s = *s_;
    avcodec_flush_buffers(s.context);
    if (s.cut == Cut::Parser)
        s.openParser();
    if (s.resampler) {
        swr_free(&s.resampler);
    }
    s.kept.clear();
    s.keptAt = 0;
}

} // namespace Platform::Codec
