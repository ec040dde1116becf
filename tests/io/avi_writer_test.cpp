// The AVI writer's files against ffprobe, ffmpeg and our own reader: stream
// facts, every frame and every sample, the classic layout of a short file and
// the OpenDML layout of a file that outgrows its pieces.
#include "core/file.h"
#include "io/input/avi_file_reader.h"
#include "io/input/input_file.h"
#include "io/output/avi_file_writer.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "tests/io/io_fixture.h"
#include "tests/io/riff_tree.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace IoTest;
using Plugin::AviFileWriter;
using Media::Format;

namespace {

constexpr int Width = 64;
constexpr int Height = 48;

// A picture that differs in every pixel and every frame.
std::shared_ptr<Media::ImageBuffer> patternFrame(Format format, int frame)
{
    auto image = Media::ImageBuffer::create(format, Width, Height);
    for (uint32_t y = 0; y < image->height; ++y) {
        uint8_t* row = image->row(y);
        const uint32_t bytes = Media::ImageBuffer::getDefaultPitchSize(format, Width);
        for (uint32_t x = 0; x < bytes; ++x)
            row[x] = uint8_t(x * 7 + y * 13 + frame * 29);
    }
    return image;
}

// Interleaved stereo samples of one frame: 16-bit values or floats.
std::string patternAudio(int bits, int frame, int samples)
{
    std::string bytes(size_t(samples) * 2 * bits / 8, '\0');
    for (int i = 0; i < samples * 2; ++i) {
        const int v = ((frame * samples * 2 + i) * 37) % 20000 - 10000;
        if (bits == 16) {
            const int16_t s = int16_t(v);
            std::memcpy(&bytes[size_t(i) * 2], &s, 2);
        } else {
            const float f = float(v) / 32768.0f;
            std::memcpy(&bytes[size_t(i) * 4], &f, 4);
        }
    }
    return bytes;
}

float sampleAt(const std::string& bytes, int bits, size_t index)
{
    if (bits == 16) {
        int16_t s;
        std::memcpy(&s, &bytes[index * 2], 2);
        return float(s) / 32768.0f;
    }
    float f;
    std::memcpy(&f, &bytes[index * 4], 4);
    return f;
}

struct Written {
    std::string path;
    int frames = 0;
    int64_t samples = 0;
    std::vector<std::shared_ptr<Media::ImageBuffer>> pictures;
    std::string audio; // every frame's samples in order
    int piecesClosed = 0;
};

// Writes frames through the writer as an export does, frame by frame.
Written writeAvi(const std::string& name, Format format, uint16_t audioTag, int frames,
                 int64_t pieceLimit = AviFileWriter::PieceLimit, int rate = 30, int scale = 1, int audioRate = 48000)
{
    Written w;
    w.path = tempPath(name);
    AviFileWriter::Format f;
    Media::ImageBuffer::getBitmapInfoHeader(f.video, format, Width, Height);
    f.rate = rate;
    f.scale = scale;
    f.audioTag = audioTag;
    f.audioBits = audioTag == 1 ? 16 : 32;
    f.audioRate = audioRate;
    System::File file;
    file.open(widePath(w.path).c_str(), System::File::ModeWrite);
    AviFileWriter writer(file, f, pieceLimit);
    writer.begin(frames);
    std::string dib(f.video.biSizeImage, '\0');
    for (int i = 0; i < frames; ++i) {
        auto picture = patternFrame(format, i);
        picture->copyToBitmap(f.video, dib.data(), dib.size());
        writer.writeVideo(dib.data(), uint32_t(dib.size()));
        const int samples = int(llround(double(audioRate) * (i + 1) * scale / rate) -
                                llround(double(audioRate) * i * scale / rate));
        const std::string sound = patternAudio(f.audioBits, i, samples);
        writer.writeAudio(sound.data(), uint32_t(sound.size()), uint32_t(samples));
        w.audio += sound;
        w.pictures.push_back(picture);
        writer.endFrame();
    }
    writer.finish();
    file.close();
    w.frames = writer.videoFrames();
    w.samples = writer.audioSamples();
    w.piecesClosed = writer.piecesClosed();
    return w;
}

std::string probe(const std::string& path, const std::string& entries, const std::string& extra = "")
{
    std::string out;
    EXPECT_EQ(TestKit::runCommand("ffprobe -v error " + extra + " -show_entries " + entries + " -of csv=p=0 '" + path +
                                      "'",
                                  &out),
              0);
    return out;
}

uint32_t le32At(const std::string& bytes, size_t at)
{
    uint32_t v;
    std::memcpy(&v, &bytes[at], 4);
    return v;
}

// Absolute positions of the data of every movi list, piece by piece.
std::vector<size_t> moviDataPositions(const std::string& bytes)
{
    std::vector<size_t> out;
    for (size_t piece = 0; piece + 12 <= bytes.size(); piece += 8 + le32At(bytes, piece + 4)) {
        const size_t end = piece + 8 + le32At(bytes, piece + 4);
        for (size_t at = piece + 12; at + 8 <= end;) {
            const uint32_t size = le32At(bytes, at + 4);
            if (bytes.compare(at, 4, "LIST") == 0 && bytes.compare(at + 8, 4, "movi") == 0)
                out.push_back(at + 12);
            at += 8 + size + (size & 1);
        }
    }
    return out;
}

struct TypeCase {
    const char* name;
    Format format;
    const char* codec;       // ffprobe's codec name
    const char* pixelFormat; // ffprobe's pixel format
    const char* decodeFormat;
    uint32_t bytesPerPixel; // in the decode
    uint32_t compared;
};

const TypeCase ffmpegTypes[] = {
    {"rgb24", Format::B8G8R8X8Unorm, "rawvideo", "bgr24", "bgr0", 4, 3},
    {"rgba32", Format::B8G8R8A8Unorm, "rawvideo", "bgra", "bgra", 4, 4},
    {"yuy2", Format::Yuy2, "rawvideo", "yuyv422", "yuyv422", 2, 2},
};

} // namespace

TEST(AviWriter, FfmpegReadsEveryTypeFrameAndSample)
{
    std::vector<Written> files;
    std::vector<std::string> paths, formats;
    for (const TypeCase& t : ffmpegTypes) {
        for (uint16_t tag : {uint16_t(1), uint16_t(3)}) {
            files.push_back(writeAvi(std::string(t.name) + "-" + std::to_string(tag) + ".avi", t.format, tag, 7));
            paths.push_back(files.back().path);
            formats.push_back(t.decodeFormat);
        }
    }
    // Video and audio of every file decoded in one run.
    std::vector<std::string> decodePaths = paths, decodeFormats = formats;
    for (const std::string& p : paths) {
        decodePaths.push_back(p);
        decodeFormats.push_back("");
    }
    ffmpegDecode(decodePaths, decodeFormats);

    for (size_t i = 0; i < files.size(); ++i) {
        const TypeCase& t = ffmpegTypes[i / 2];
        const int bits = i % 2 ? 32 : 16;
        SCOPED_TRACE(paths[i]);
        EXPECT_EQ(probe(paths[i], "stream=codec_name,width,height,pix_fmt,r_frame_rate,duration,nb_read_frames",
                        "-select_streams v -count_frames"),
                  std::string(t.codec) + ",64,48," + t.pixelFormat + ",30/1,0.233333,7\n");
        EXPECT_EQ(probe(paths[i], "stream=codec_name,sample_rate,channels,nb_frames", "-select_streams a"),
                  std::string(bits == 16 ? "pcm_s16le" : "pcm_f32le") + ",48000,2,11200\n");
        EXPECT_EQ(probe(paths[i], "format=duration"), "0.233333\n");

        const auto frames = ffmpegFrames(paths[i], t.decodeFormat, Width * Height * t.bytesPerPixel);
        ASSERT_EQ(frames.size(), 7u);
        for (int f = 0; f < 7; ++f)
            EXPECT_EQ(pictureDifference(*files[i].pictures[f], frames[f], t.bytesPerPixel, t.compared), 0)
                << "frame " << f;

        const std::vector<float> samples = ffmpegSamples(paths[i]);
        ASSERT_EQ(samples.size(), size_t(files[i].samples) * 2);
        float worst = 0;
        for (size_t s = 0; s < samples.size(); ++s)
            worst = std::max(worst, std::abs(samples[s] - sampleAt(files[i].audio, bits, s)));
        EXPECT_EQ(worst, 0.0f);
    }
}

TEST(AviWriter, EveryVideoTypeRoundTripsThroughOurReader)
{
    Cache::ScratchBuffers scratch;
    Plugin::AviFileReader reader;
    for (Format format : {Format::B8G8R8X8Unorm, Format::B8G8R8A8Unorm, Format::Yuy2, Format::R16G16B16A16Unorm,
                          Format::R16G16B16A16Float}) {
        SCOPED_TRACE(Platform::Gpu::dxgiNumber(format));
        const Written w = writeAvi("ours-" + std::to_string(Platform::Gpu::dxgiNumber(format)) + ".avi", format, 1, 3);
        auto file = reader.openFile(widePath(w.path), 0);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->frameCount, 3);
        EXPECT_EQ(file->audioSampleCount, w.samples);
        for (int f = 0; f < 3; ++f) {
            auto image = file->readVideo(f);
            ASSERT_TRUE(image);
            ASSERT_EQ(image->format, format);
            const uint32_t bytes = Media::ImageBuffer::getDefaultPitchSize(format, Width);
            for (uint32_t y = 0; y < Height; ++y) {
                // The fourth byte of 24-bit frames is not stored.
                for (uint32_t x = 0; x < bytes; ++x) {
                    if (format == Format::B8G8R8X8Unorm && x % 4 == 3)
                        continue;
                    ASSERT_EQ(image->row(y)[x], w.pictures[f]->row(y)[x]) << "frame " << f << " row " << y;
                }
            }
        }
    }
}

TEST(AviWriter, ShortFileStaysClassic)
{
    const Written w = writeAvi("classic.avi", Format::B8G8R8X8Unorm, 1, 5);
    EXPECT_EQ(w.piecesClosed, 1);
    const std::string bytes = readBytes(w.path);
    auto pieces = parseRiff(bytes);
    ASSERT_EQ(pieces.size(), 1u);
    RiffNode& hdrl = *pieces[0].find("hdrl");
    EXPECT_EQ(le32At(hdrl.find("avih")->data, 16), 5u);
    // The placeholders stay JUNK: two super indexes and the odml list.
    EXPECT_EQ(hdrl.findDeep("indx"), nullptr);
    EXPECT_EQ(hdrl.find("odml"), nullptr);
    EXPECT_NE(hdrl.find("JUNK"), nullptr);
    ASSERT_NE(pieces[0].find("idx1"), nullptr);
    EXPECT_EQ(pieces[0].find("idx1")->data.size(), 10u * 16);
    EXPECT_EQ(pieces[0].findDeep("ix00"), nullptr);
    EXPECT_EQ(pieces[0].findDeep("ix01"), nullptr);
    for (size_t at : moviDataPositions(bytes))
        EXPECT_EQ(at % 2048, 0u);
}

TEST(AviWriter, LargeFileBecomesOpenDml)
{
    // Three frames of 64x48x3 bytes and their sound per piece.
    const int64_t limit = 3 * (Width * Height * 3 + 1600 * 4 + 16);
    const int frames = 20;
    const Written w = writeAvi("opendml.avi", Format::B8G8R8X8Unorm, 1, frames, limit);
    ASSERT_GE(w.piecesClosed, 5);
    const std::string bytes = readBytes(w.path);
    auto pieces = parseRiff(bytes);
    ASSERT_EQ(int(pieces.size()), w.piecesClosed);
    EXPECT_EQ(pieces[0].type, "AVI ");
    for (size_t i = 1; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i].type, "AVIX") << i;

    RiffNode& hdrl = *pieces[0].find("hdrl");
    // avih counts the first piece, dmlh and the stream headers count all.
    int firstPieceFrames = 0;
    for (const RiffNode& c : pieces[0].find("movi")->children)
        firstPieceFrames += c.id == "00db";
    EXPECT_EQ(le32At(hdrl.find("avih")->data, 16), uint32_t(firstPieceFrames));
    EXPECT_LT(firstPieceFrames, frames);
    ASSERT_NE(hdrl.find("odml"), nullptr);
    EXPECT_EQ(le32At(hdrl.find("odml")->find("dmlh")->data, 0), uint32_t(frames));
    int streams = 0;
    for (RiffNode& strl : hdrl.children) {
        if (strl.type != "strl")
            continue;
        const uint32_t length = le32At(strl.find("strh")->data, 32);
        EXPECT_EQ(length, streams == 0 ? uint32_t(frames) : uint32_t(w.samples));
        RiffNode* indx = strl.find("indx");
        ASSERT_NE(indx, nullptr);
        EXPECT_EQ(le32At(indx->data, 4), uint32_t(pieces.size())); // one entry per piece
        ++streams;
    }
    EXPECT_EQ(streams, 2);
    for (RiffNode& piece : pieces) {
        RiffNode* movi = piece.find("movi");
        ASSERT_NE(movi, nullptr);
        EXPECT_NE(movi->find("ix00"), nullptr);
        EXPECT_NE(movi->find("ix01"), nullptr);
    }
    EXPECT_NE(pieces[0].find("idx1"), nullptr);
    EXPECT_EQ(pieces[1].find("idx1"), nullptr);
    for (size_t at : moviDataPositions(bytes))
        EXPECT_EQ(at % 2048, 0u) << at;

    EXPECT_EQ(probe(w.path, "stream=nb_read_frames", "-select_streams v -count_frames"),
              std::to_string(frames) + "\n");
    EXPECT_EQ(probe(w.path, "format=duration"), "0.666667\n");

    Cache::ScratchBuffers scratch;
    Plugin::AviFileReader reader;
    auto file = reader.openFile(widePath(w.path), 0);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->frameCount, frames);
    EXPECT_EQ(file->audioSampleCount, w.samples);
    auto last = file->readVideo(frames - 1);
    ASSERT_TRUE(last);
    EXPECT_EQ(std::memcmp(last->row(7), w.pictures[frames - 1]->row(7), 3), 0);
}

TEST(AviWriter, HundredPiecesAreTheMost)
{
    const std::string path = tempPath("pieces.avi");
    AviFileWriter::Format f;
    Media::ImageBuffer::getBitmapInfoHeader(f.video, Format::B8G8R8X8Unorm, 4, 4);
    System::File file;
    file.open(widePath(path).c_str(), System::File::ModeWrite);
    AviFileWriter writer(file, f, 1);
    writer.begin(200);
    const std::string dib(f.video.biSizeImage, '\x11');
    const std::string error = TestKit::errorText([&] {
        for (int i = 0; i < 200; ++i) {
            writer.writeVideo(dib.data(), uint32_t(dib.size()));
            writer.endFrame();
        }
    });
    EXPECT_NE(error.find("exceeded super index entry max."), std::string::npos) << error;
    EXPECT_EQ(writer.piecesClosed(), 100);
    EXPECT_EQ(writer.videoFrames(), 100);
}

TEST(AviWriter, MicrosecondsPerFrameIn64Bits)
{
    struct Case {
        int rate, scale;
        uint32_t micro;
    };
    // 10000 × 1 000 000 does not fit 32 bits.
    for (const Case c : {Case{30, 1, 33333}, Case{30000, 1001, 33366}, Case{300000, 10000, 33333}}) {
        const Written w = writeAvi("rate.avi", Format::B8G8R8X8Unorm, 1, 1, AviFileWriter::PieceLimit, c.rate, c.scale, 48000);
        auto pieces = parseRiff(readBytes(w.path));
        EXPECT_EQ(le32At(pieces[0].find("hdrl")->find("avih")->data, 0), c.micro) << c.rate << "/" << c.scale;
    }
}
