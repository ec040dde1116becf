// Files as users bring them, made by ffmpeg at test time in the common
// codecs at odd and even sizes: every frame and every one-second block the
// readers deliver, in order and at random positions, equals ffmpeg's own
// decode of the same file (every picture once, in display order).
#include "io/input/avi_file_reader.h"
#include "io/input/wave_file_reader.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "tests/io/io_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <random>

using namespace IoTest;
using Plugin::InputFile;

namespace {

struct VideoKind {
    const char* name;
    const char* encode;
    bool oddSize; // the codec takes 321 x 241
    int pixelFormat;
    const char* reference; // ffmpeg's name of the delivered layout
    uint32_t bytesPerPixel;
    uint32_t compared; // bytes of each pixel that carry picture
    int tolerance;     // 0 where both sides run the same lossless path
};

// Key frames every 6 frames where the codec has others, so random positions jump.
const VideoKind videoKinds[] = {
    {"raw BGR24", "-c:v rawvideo -pix_fmt bgr24", true, 88, "bgr0", 4, 3, 0},
    {"raw BGRA", "-c:v rawvideo -pix_fmt bgra", true, 87, "bgra", 4, 4, 0},
    {"raw YUYV", "-c:v rawvideo -pix_fmt yuyv422", true, 107, "yuyv422", 2, 2, 0},
    {"MJPEG 4:2:0", "-c:v mjpeg -pix_fmt yuvj420p -q:v 3", true, 107, "yuyv422", 2, 2, 2},
    {"MJPEG 4:2:2", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3", true, 107, "yuyv422", 2, 2, 2},
    {"HuffYUV RGB", "-c:v huffyuv -pix_fmt rgb24", true, 87, "bgra", 4, 4, 0},
    {"HuffYUV 4:2:2", "-c:v huffyuv -pix_fmt yuv422p", false, 107, "yuyv422", 2, 2, 0},
    {"FFV1", "-c:v ffv1 -pix_fmt yuv422p", true, 107, "yuyv422", 2, 2, 0},
    {"Ut Video 4:2:2", "-c:v utvideo -pix_fmt yuv422p", false, 107, "yuyv422", 2, 2, 0},
    {"MPEG-4 ASP", "-c:v mpeg4 -bf 0 -g 6 -q:v 3", true, 107, "yuyv422", 2, 2, 2},
    {"MPEG-4 ASP B-frames", "-c:v mpeg4 -bf 2 -g 6 -q:v 3", true, 107, "yuyv422", 2, 2, 2},
    {"H.264", "-c:v libx264 -preset veryfast -bf 0 -g 6 -pix_fmt yuv420p", false, 107, "yuyv422", 2, 2, 2},
    {"H.264 B-frames", "-c:v libx264 -preset veryfast -bf 2 -g 6 -pix_fmt yuv420p", false, 107, "yuyv422", 2, 2, 2},
};

struct Size {
    int width, height;
};
constexpr Size Odd{321, 241}, Even{322, 242};
constexpr int Frames = 20;
constexpr int RandomReads = 30;

struct AudioKind {
    const char* name;
    const char* encode;
    float tolerance; // in full scale
};

const AudioKind audioKinds[] = {
    {"PCM 16", "-c:a pcm_s16le", 1e-7f},
    {"PCM 24", "-c:a pcm_s24le", 1e-7f},
    {"PCM float", "-c:a pcm_f32le", 1e-7f},
    {"A-law", "-c:a pcm_alaw", 2 / 32768.0f},
    {"mu-law", "-c:a pcm_mulaw", 2 / 32768.0f},
    {"MS ADPCM", "-c:a adpcm_ms", 2 / 32768.0f},
    {"IMA ADPCM", "-c:a adpcm_ima_wav", 2 / 32768.0f},
    {"MP3", "-c:a libmp3lame -b:a 96k", 2 / 32768.0f},
};

std::string name(const char* kind, const std::string& suffix)
{
    std::string n = kind;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n + suffix;
}

} // namespace

TEST(RealFiles, EveryFrameEqualsFfmpegsDecodeInOrderAndAtRandom)
{
    Cache::ScratchBuffers scratch;
    Plugin::AviFileReader reader;
    for (const Size size : {Odd, Even}) {
        const std::string suffix = "_" + std::to_string(size.width) + ".avi";
        std::vector<Output> outputs;
        std::vector<const VideoKind*> kinds;
        std::vector<std::string> formats;
        for (const VideoKind& k : videoKinds) {
            if (size.width % 2 && !k.oddSize)
                continue;
            outputs.push_back({name(k.name, suffix), std::string("-frames:v ") + std::to_string(Frames) + " " + k.encode});
            kinds.push_back(&k);
            formats.push_back(k.reference);
        }
        // The pattern comes in even sizes: an odd one is cut from the next even one.
        const auto paths = makeMedia("-f lavfi -i testsrc2=s=322x242:r=60000/1001,format=rgb24,crop=" +
                                         std::to_string(size.width) + ":" + std::to_string(size.height) + ":0:0",
                                     outputs);
        ffmpegDecode(paths, formats);
        for (size_t n = 0; n < kinds.size(); ++n) {
            const VideoKind& k = *kinds[n];
            SCOPED_TRACE(std::string(k.name) + " at " + std::to_string(size.width) + " x " + std::to_string(size.height));
            // YUY2 rows hold whole pixel pairs.
            const size_t row = k.bytesPerPixel == 2 ? size_t(size.width + 1) / 2 * 4 : size_t(size.width) * k.bytesPerPixel;
            const auto frames = ffmpegFrames(paths[n], k.reference, row * size_t(size.height));
            ASSERT_EQ(frames.size(), size_t(Frames));
            auto file = reader.openFile(widePath(paths[n]), 0);
            ASSERT_TRUE(file);
            EXPECT_EQ(file->pixelFormat, k.pixelFormat);
            EXPECT_EQ(file->width, size.width);
            EXPECT_EQ(file->height, size.height);
            EXPECT_EQ(file->rate * 1001ull, file->scale * 60000ull);
            ASSERT_EQ(file->frameCount, Frames);
            auto check = [&](int frame, const char* how) {
                auto image = file->readVideo(frame);
                ASSERT_TRUE(image);
                EXPECT_LE(pictureDifference(*image, frames[size_t(frame)], k.bytesPerPixel, k.compared), k.tolerance)
                    << "frame " << frame << " " << how;
            };
            for (int i = 0; i < Frames; ++i)
                check(i, "in order");
            std::mt19937 random{unsigned(n * 7 + size.width)};
            for (int i = 0; i < RandomReads; ++i)
                check(int(random() % Frames), "at random");
            // Back to the start and on in order after the jumps.
            for (int i = 0; i < 4; ++i)
                check(i, "in order again");
        }
    }
}

TEST(RealFiles, EveryBlockEqualsFfmpegsDecodeInOrderAndAtRandom)
{
    Cache::ScratchBuffers scratch;
    Plugin::WaveFileReader reader;
    constexpr int Rate = 44100, Blocks = 5;
    std::vector<Output> outputs;
    for (const AudioKind& k : audioKinds)
        outputs.push_back({name(k.name, ".wav"), k.encode});
    const auto paths = makeMedia(audioSource(Blocks - 0.5, Rate, 2), outputs);
    ffmpegDecode(paths, {});
    for (size_t n = 0; n < std::size(audioKinds); ++n) {
        const AudioKind& k = audioKinds[n];
        SCOPED_TRACE(k.name);
        const std::vector<float> reference = ffmpegSamples(paths[n]);
        auto file = reader.openFile(widePath(paths[n]), 0);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->channelCount, 2);
        EXPECT_EQ(file->sampleRate, Rate);
        auto check = [&](int block, const char* how) {
            auto samples = file->readAudio(block);
            ASSERT_TRUE(samples);
            EXPECT_LE(blockDifference(*samples, reference, 2, Rate, block), k.tolerance) << "block " << block << " " << how;
        };
        for (int b = 0; b < Blocks; ++b)
            check(b, "in order");
        std::mt19937 random{unsigned(n)};
        for (int i = 0; i < RandomReads; ++i)
            check(int(random() % Blocks), "at random");
    }
}
