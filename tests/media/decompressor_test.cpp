#include "media/audio_decompressor.h"
#include "media/image_buffer.h"
#include "media/video_decompressor.h"
#include "platform/codec/codec.h"
#include "tests/media/audio_fixture.h"
#include "tests/support/riff.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace Media;

namespace {

void setFormat(System::DataBuffer& buffer, const std::string& bytes)
{
    buffer.allocMemory(uint32_t(bytes.size()));
    std::memcpy(buffer.data, bytes.data(), bytes.size());
}

// Feeds the stream in pieces of `piece` bytes as a reader does (a piece waits
// while it does not fit beside the pending bytes) and takes out every decoded
// byte, until the stream is used up.
std::string decodeStream(AudioDecompressor& d, const std::string& data, size_t piece)
{
    std::string out;
    size_t at = 0;
    for (;;) {
        size_t n = std::min(piece, data.size() - at);
        if (n && d.header.sourceLength + n <= d.sourceBuffer.size) {
            d.insertSourceData(data.data() + at, uint32_t(n));
            at += n;
        }
        d.decode();
        std::string part(d.remaining, '\0');
        d.take(part.data(), uint32_t(part.size()));
        out += part;
        if (at == data.size() && part.empty())
            return out;
    }
}

int maxDifference16(const std::string& a, const std::string& b)
{
    int worst = 0;
    for (size_t i = 0; i + 1 < std::min(a.size(), b.size()); i += 2) {
        int16_t x, y;
        std::memcpy(&x, a.data() + i, 2);
        std::memcpy(&y, b.data() + i, 2);
        worst = std::max(worst, std::abs(int(x) - int(y)));
    }
    return worst;
}

struct AudioCase {
    const char* name;
    const char* codec;
    int channels;
    int rate;
    bool exact;
};

const AudioCase audioCases[] = {
    {"MS ADPCM", "adpcm_ms", 2, 44100, true},      {"IMA ADPCM", "adpcm_ima_wav", 1, 22050, true},
    {"A-law", "pcm_alaw", 2, 8000, true},          {"mu-law", "pcm_mulaw", 1, 8000, true},
    {"MP3", "libmp3lame", 2, 44100, false},
};

// Makes every case's WAV file and ffmpeg's 16-bit decode of it in two runs.
struct AudioFiles {
    std::string dir = TestKit::tempDir() + "/";
    AudioFiles()
    {
        std::string make = "ffmpeg -v error -nostdin -y -f lavfi -i 'aevalsrc=0.8*sin(440*2*PI*t)*sin(3*t)|0.5*sin(1250*2*PI*t):s=44100:d=1.5'";
        std::string decode = "ffmpeg -v error -nostdin -y";
        std::string outputs;
        for (size_t i = 0; i < std::size(audioCases); ++i) {
            const AudioCase& c = audioCases[i];
            std::string n = std::to_string(i);
            make += " -ac " + std::to_string(c.channels) + " -ar " + std::to_string(c.rate) + " -c:a " + c.codec + " '" +
                    dir + n + ".wav'";
            decode += " -i '" + dir + n + ".wav'";
            outputs += " -map " + n + " -f s16le '" + dir + n + ".raw'";
        }
        EXPECT_EQ(TestKit::runCommand(make), 0);
        EXPECT_EQ(TestKit::runCommand(decode + outputs), 0);
    }
    AudioFixture::WavFile wav(size_t i) const { return AudioFixture::readWav(TestKit::readFile(dir + std::to_string(i) + ".wav")); }
    std::string reference(size_t i) const { return TestKit::readFile(dir + std::to_string(i) + ".raw"); }
};

} // namespace

TEST(AudioDecompressor, WavStreamsMatchFfmpegDecodes)
{
    AudioFiles files;
    for (size_t i = 0; i < std::size(audioCases); ++i) {
        const AudioCase& c = audioCases[i];
        SCOPED_TRACE(c.name);
        AudioFixture::WavFile wav = files.wav(i);
        AudioDecompressor d;
        setFormat(d.sourceFormat, wav.format);
        ASSERT_TRUE(d.open());
        EXPECT_EQ(d.targetFormat.wFormatTag, 1);
        EXPECT_EQ(d.targetFormat.nChannels, c.channels);
        EXPECT_EQ(d.targetFormat.nSamplesPerSec, uint32_t(c.rate));
        EXPECT_EQ(d.targetFormat.nBlockAlign, c.channels * 2);
        EXPECT_EQ(d.sourceBuffer.size, 2 * d.targetFormat.nAvgBytesPerSec);
        // Pieces that cut through blocks and frames.
        std::string decoded = decodeStream(d, wav.data, 1000);
        std::string reference = files.reference(i);
        ASSERT_EQ(decoded.size(), reference.size());
        if (c.exact) {
            EXPECT_TRUE(decoded == reference);
        } else {
            EXPECT_LE(maxDifference16(decoded, reference), 1);
        }
    }
}

// Bytes the decoder cannot use yet stay at the start of the source buffer and
// are decoded with the next piece; a full decode buffer stops the conversion.
TEST(AudioDecompressor, UnconsumedBytesCarryOverAndTheBufferFillsFirst)
{
    AudioFiles files;
    {
        SCOPED_TRACE("half a block");
        AudioFixture::WavFile wav = files.wav(0); // MS ADPCM
        const uint32_t block = TestKit::readLe16(wav.format, 12);
        AudioDecompressor d;
        setFormat(d.sourceFormat, wav.format);
        ASSERT_TRUE(d.open());
        d.insertSourceData(wav.data.data(), block + block / 2);
        d.decode();
        EXPECT_EQ(d.header.sourceLengthUsed, block);
        ASSERT_EQ(d.header.sourceLength, block / 2);
        EXPECT_EQ(std::memcmp(d.sourceBuffer.data, wav.data.data() + block, block / 2), 0);
        std::string first(d.remaining, '\0');
        d.take(first.data(), d.remaining);
        d.insertSourceData(wav.data.data() + block + block / 2, block - block / 2);
        d.decode();
        EXPECT_EQ(d.header.sourceLength, 0u);
        std::string second(d.remaining, '\0');
        d.take(second.data(), 7);
        d.take(second.data() + 7, d.remaining);
        EXPECT_EQ(first + second, files.reference(0).substr(0, first.size() + second.size()));
    }
    {
        SCOPED_TRACE("mu-law fills the decode buffer before its source runs dry");
        AudioFixture::WavFile wav = files.wav(3);
        AudioDecompressor d;
        setFormat(d.sourceFormat, wav.format);
        ASSERT_TRUE(d.open());
        std::string source;
        while (source.size() < d.sourceBuffer.size)
            source += wav.data;
        source.resize(d.sourceBuffer.size);
        d.insertSourceData(source.data(), uint32_t(source.size()));
        d.decode();
        EXPECT_EQ(d.remaining, d.decodeBuffer.size);
        EXPECT_EQ(d.header.sourceLength, d.sourceBuffer.size / 2);
        EXPECT_EQ(std::memcmp(d.sourceBuffer.data, source.data() + source.size() / 2, source.size() / 2), 0);
    }
}

TEST(AudioDecompressor, AJumpDropsPendingBytesAndDecodesFromTheNewPlace)
{
    AudioFiles files;
    AudioFixture::WavFile wav = files.wav(1); // IMA ADPCM, mono
    const uint32_t block = TestKit::readLe16(wav.format, 12);
    AudioDecompressor d;
    setFormat(d.sourceFormat, wav.format);
    ASSERT_TRUE(d.open());
    d.insertSourceData(wav.data.data(), block * 2 + 10);
    d.decode();
    ASSERT_GT(d.remaining, 0u);
    ASSERT_EQ(d.header.sourceLength, 10u);
    const uint32_t bytesPerBlock = d.remaining / 2;

    d.discardPending();
    EXPECT_EQ(d.remaining, 0u);
    EXPECT_EQ(d.header.sourceLength, 0u);
    d.insertSourceData(wav.data.data() + 5 * block, block);
    d.decode();
    std::string jumped(d.remaining, '\0');
    d.take(jumped.data(), d.remaining);
    EXPECT_EQ(jumped, files.reference(1).substr(5 * bytesPerBlock, bytesPerBlock));
}

TEST(AudioDecompressor, RefusalsAndFailures)
{
    AudioFiles files;
    std::string adpcm = files.wav(0).format;
    auto withTag = [&](uint16_t tag) {
        std::string f = adpcm;
        f[0] = char(tag & 0xFF);
        f[1] = char(tag >> 8);
        return f;
    };
    struct Case {
        const char* name;
        std::string format;
    } refused[] = {
        {"no format", ""},
        {"PCM needs no decoder", withTag(1)},
        {"float needs no decoder", withTag(3)},
        {"unknown tag", withTag(0x7A21)},
        {"cbSize past the chunk", adpcm.substr(0, adpcm.size() - 1)},
        {"shorter than a PCM header", adpcm.substr(0, 14)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        AudioDecompressor d;
        if (!c.format.empty())
            setFormat(d.sourceFormat, c.format);
        EXPECT_FALSE(d.open());
        d.decode(); // not prepared: nothing happens
        EXPECT_EQ(d.remaining, 0u);
    }

    AudioDecompressor d;
    setFormat(d.sourceFormat, adpcm);
    ASSERT_TRUE(d.open());
    std::string big(d.sourceBuffer.size - 4, '\0');
    d.insertSourceData(big.data(), uint32_t(big.size()));
    EXPECT_EQ(TestKit::errorText([&] { d.insertSourceData(big.data(), 5); }),
              "not enough source buffer.\n\n[Place]\nMedia::AudioDecompressor::insertSourceData()");
    EXPECT_EQ(d.header.sourceLength, big.size());
    d.discardPending();

    // A block whose predictor index does not exist is rejected by the decoder.
    const uint32_t block = TestKit::readLe16(adpcm, 12);
    std::string bad(block, '\xFF');
    d.insertSourceData(bad.data(), block);
    std::string text = TestKit::errorText([&] { d.decode(); });
    EXPECT_EQ(text.rfind("acmStreamConvert failed.\n\n[Note]\nMMRESULT = -", 0), 0u) << text;
    EXPECT_NE(text.find("[Place]\nMedia::AudioDecompressor::decode()"), std::string::npos);
    EXPECT_EQ(d.header.sourceLength, 0u);
}

namespace {

struct VideoCase {
    const char* name;
    const char* encode; // ffmpeg output options
    const char* reference; // pixel format of ffmpeg's decode
    bool yuy2;          // the decoder offers YUY2
};

const VideoCase videoCases[] = {
    {"MJPEG", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3", "yuyv422", true},
    {"MPEG-4 Part 2", "-c:v mpeg4 -q:v 4", "yuyv422", true},
    {"HuffYUV", "-c:v huffyuv -pix_fmt yuv422p", "yuyv422", true},
    {"Ut Video RGBA", "-c:v utvideo -pix_fmt gbrap", "bgra", false},
};

struct AviStream {
    uint32_t handler = 0;
    std::string format;
    std::vector<std::string> frames;
};

AviStream readAvi(const std::string& bytes)
{
    AviStream s;
    auto chunks = TestKit::walkRiff(bytes);
    const TestKit::RiffChunk* strh = TestKit::findChunk(chunks, "strh");
    const TestKit::RiffChunk* strf = TestKit::findChunk(chunks, "strf");
    if (!strh || !strf)
        throw std::runtime_error("AVI without a stream header");
    s.handler = TestKit::readLe32(strh->data, 4);
    s.format = strf->data;
    for (const auto& c : chunks)
        if (c.id == "00dc" || c.id == "00db")
            s.frames.push_back(c.data);
    return s;
}

} // namespace

TEST(VideoDecompressor, AviStreamsMatchFfmpegDecodes)
{
    const int width = 96, height = 64, frames = 4;
    std::string dir = TestKit::tempDir() + "/";
    for (size_t i = 0; i < std::size(videoCases); ++i) {
        const VideoCase& c = videoCases[i];
        SCOPED_TRACE(c.name);
        std::string avi = dir + std::to_string(i) + ".avi", raw = dir + std::to_string(i) + ".raw";
        // The RGBA case carries a half-transparent alpha that must survive.
        std::string source = "testsrc2=s=" + std::to_string(width) + "x" + std::to_string(height) + ":d=1" +
                             (c.yuy2 ? "" : ",format=rgba,colorchannelmixer=aa=0.5");
        ASSERT_EQ(TestKit::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i '" + source + "' -frames:v " +
                                      std::to_string(frames) + " " + c.encode + " '" + avi + "' && ffmpeg -v error -nostdin -y -i '" +
                                      avi + "' -f rawvideo -pix_fmt " + c.reference + " '" + raw + "'"),
                  0);
        AviStream stream = readAvi(TestKit::readFile(avi));
        std::string reference = TestKit::readFile(raw);
        ASSERT_EQ(stream.frames.size(), size_t(frames));

        VideoDecompressor d;
        setFormat(d.sourceFormat, stream.format);
        ASSERT_TRUE(d.open(stream.handler));
        // The reader's order of outputs.
        bool yuy2 = d.begin(FourCCYuy2, 16);
        EXPECT_EQ(yuy2, c.yuy2);
        if (!yuy2) {
            ASSERT_TRUE(d.begin(0, 32));
        }
        const int bytesPerPixel = yuy2 ? 2 : 4;
        const size_t frameSize = size_t(width) * height * bytesPerPixel;
        EXPECT_EQ(d.outputFormat.biWidth, width);
        EXPECT_EQ(d.outputFormat.biHeight, height);
        EXPECT_EQ(d.outputFormat.biSizeImage, frameSize);
        ASSERT_EQ(reference.size(), frameSize * frames);

        // Packets in, pictures out in order, each with its packet's position.
        auto image = Media::ImageBuffer::create(yuy2 ? Media::Format::Yuy2 : Media::Format::B8G8R8A8Unorm, width, height);
        int worst = 0, received = 0;
        auto take = [&] {
            int64_t position = -1;
            while (d.receive(position)) {
                EXPECT_EQ(position, received);
                ASSERT_TRUE(d.copyPicture(*image));
                const size_t row = size_t(width) * bytesPerPixel;
                for (int y = 0; y < height; ++y) {
                    const uint8_t* theirs = reinterpret_cast<const uint8_t*>(reference.data()) + frameSize * received + row * y;
                    for (size_t x = 0; x < row; ++x)
                        worst = std::max(worst, std::abs(int(image->row(y)[x]) - int(theirs[x])));
                }
                ++received;
            }
        };
        for (int f = 0; f < frames; ++f) {
            ASSERT_TRUE(d.send(stream.frames[f].data(), uint32_t(stream.frames[f].size()), f > 0, f)) << f;
            take();
        }
        d.drain();
        take();
        EXPECT_EQ(received, frames);
        EXPECT_LE(worst, 1);
        d.close();
        EXPECT_FALSE(d.send(stream.frames[0].data(), uint32_t(stream.frames[0].size()), false, 0));
    }
}

TEST(VideoDecompressor, HeadersThatDoNotHoldUpOpenNothing)
{
    std::string avi = TestKit::tempDir() + "/m.avi";
    ASSERT_EQ(TestKit::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=32x32:d=1 -frames:v 1 -c:v mjpeg '" +
                                  avi + "'"),
              0);
    AviStream stream = readAvi(TestKit::readFile(avi));
    auto patched = [&](size_t offset, uint32_t value) {
        std::string f = stream.format;
        for (int b = 0; b < 4; ++b)
            f[offset + b] = char(value >> (8 * b));
        return f;
    };
    struct Case {
        const char* name;
        uint32_t handler;
        std::string format;
    } cases[] = {
        {"unknown codes", 0x30303030, patched(16, 0x30303030)},
        {"biSize past the chunk", stream.handler, patched(0, uint32_t(stream.format.size()) + 1)},
        {"biSize below the header", stream.handler, patched(0, 12)},
        {"cut header", stream.handler, stream.format.substr(0, 39)},
        {"negative height", stream.handler, patched(8, uint32_t(-32))},
        {"no width", stream.handler, patched(4, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoDecompressor d;
        setFormat(d.sourceFormat, c.format);
        EXPECT_FALSE(d.open(c.handler));
        EXPECT_FALSE(d.begin(0, 32));
    }
    // The compression code finds the decoder when the handler names none.
    VideoDecompressor d;
    setFormat(d.sourceFormat, stream.format);
    EXPECT_TRUE(d.open(0x30303030));
    EXPECT_FALSE(d.begin(0x31313131, 16)); // an output no decoder gives
    EXPECT_TRUE(d.begin(0, 24));
    EXPECT_EQ(d.outputFormat.biSizeImage, 32u * 32 * 3);
    EXPECT_FALSE(d.send("", 0, false, 0));
}

// The conversion library's packed writers fill whole blocks of pixels: a row
// whose bytes are not a multiple of the block must not reach past the
// caller's rows, whatever the width.
TEST(VideoDecompressor, PicturesOfEveryWidthStayInsideTheirRows)
{
    const int height = 6, frames = 2;
    const std::string dir = TestKit::tempDir() + "/";
    // HuffYUV and Ut Video store 4:2:2 at even widths only.
    for (const char* encode : {"-c:v huffyuv -pix_fmt yuv422p", "-c:v utvideo -pix_fmt yuv422p", "-c:v ffv1 -pix_fmt yuv422p"}) {
        for (int width : {320, 321, 322, 326, 330, 1366}) {
            if (width % 2 && encode[6] != 'f')
                continue;
            SCOPED_TRACE(std::string(encode) + " at width " + std::to_string(width));
            const std::string avi = dir + "w" + std::to_string(width) + ".avi", raw = avi + ".raw";
            // The pattern comes in even sizes: an odd width is cut from the next even one.
            ASSERT_EQ(TestKit::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=" +
                                          std::to_string(width + width % 2) + "x" + std::to_string(height) +
                                          ",format=rgb24,crop=" + std::to_string(width) + ":" + std::to_string(height) +
                                          ":0:0 -frames:v " + std::to_string(frames) + " " + encode + " '" + avi +
                                          "' && ffmpeg -v error -nostdin -y -i '" + avi +
                                          "' -f rawvideo -pix_fmt yuyv422 '" + raw + "'"),
                      0);
            const AviStream stream = readAvi(TestKit::readFile(avi));
            const std::string reference = TestKit::readFile(raw);
            const size_t theirRow = size_t(width + 1) / 2 * 4; // whole pixel pairs
            ASSERT_EQ(reference.size(), theirRow * height * frames);
            auto decoder = Platform::Codec::VideoDecoder::open(stream.handler, stream.format.data(),
                                                               uint32_t(stream.format.size()));
            ASSERT_TRUE(decoder);
            for (auto [output, rowBytes] : {std::pair{Platform::Codec::VideoOutput::Yuy2, size_t(width + 1) / 2 * 4},
                                            std::pair{Platform::Codec::VideoOutput::Bgra32, size_t(width) * 4}}) {
                constexpr size_t Guard = 256;
                std::vector<uint8_t> rows(rowBytes * height + Guard, 0x5A);
                decoder->flush();
                int received = 0;
                int64_t position = 0;
                for (int f = 0; f <= frames; ++f) {
                    if (f < frames)
                        ASSERT_TRUE(decoder->send(stream.frames[size_t(f)].data(), uint32_t(stream.frames[size_t(f)].size()),
                                                  true, f));
                    else
                        decoder->drain();
                    while (decoder->receive(position)) {
                        ASSERT_TRUE(decoder->convert(output, rows.data(), uint32_t(rowBytes)));
                        ASSERT_EQ(std::count(rows.end() - Guard, rows.end(), 0x5A), std::ptrdiff_t(Guard))
                            << "written past the rows";
                        if (output == Platform::Codec::VideoOutput::Yuy2)
                            for (int y = 0; y < height; ++y)
                                ASSERT_EQ(std::memcmp(rows.data() + rowBytes * size_t(y),
                                                      reference.data() + theirRow * size_t(height * received + y), theirRow),
                                          0)
                                    << "frame " << received << " row " << y;
                        ++received;
                    }
                }
                EXPECT_EQ(received, frames);
            }
        }
    }
}
