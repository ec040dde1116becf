// The AVI reader against ffmpeg: every frame and every one-second block of
// files ffmpeg wrote equals ffmpeg's decode of them, read in order or at random.
#include "io/input/avi_file_reader.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "tests/io/io_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace IoTest;
using Plugin::AviFileReader;
using Plugin::InputFile;

namespace {

struct VideoCase {
    const char* name;
    const char* encode;
    int pixelFormat;
    const char* referenceFormat; // ffmpeg's name of the reported pixel format
    uint32_t bytesPerPixel;
    uint32_t compared; // bytes of each pixel that carry picture
    int tolerance;
};

const VideoCase videoCases[] = {
    {"bgr24", "-c:v rawvideo -pix_fmt bgr24", 88, "bgr0", 4, 3, 0},
    {"bgra", "-c:v rawvideo -pix_fmt bgra", 87, "bgra", 4, 4, 0},
    {"yuyv422", "-c:v rawvideo -pix_fmt yuyv422", 107, "yuyv422", 2, 2, 0},
    {"mjpeg", "-c:v mjpeg", 107, "yuyv422", 2, 2, 1},
    {"utvideo", "-c:v utvideo", 107, "yuyv422", 2, 2, 1},
    {"huffyuv", "-c:v huffyuv", 107, "yuyv422", 2, 2, 1},
    // Key frames every 4 frames: random access decodes from the one before.
    {"mpeg4", "-c:v mpeg4 -g 4 -bf 0 -q:v 3", 107, "yuyv422", 2, 2, 1},
};

struct AudioCase {
    const char* name;
    const char* encode;
    int channels;
    int bits;  // delivered
    int tag;   // delivered
};

const AudioCase audioCases[] = {
    {"s16 mono", "-c:a pcm_s16le", 1, 16, 1},     {"s16 stereo", "-c:a pcm_s16le", 2, 16, 1},
    {"s24 mono", "-c:a pcm_s24le", 1, 24, 1},     {"s24 stereo", "-c:a pcm_s24le", 2, 24, 1},
    {"f32 mono", "-c:a pcm_f32le", 1, 32, 3},     {"f32 stereo", "-c:a pcm_f32le", 2, 32, 3},
    {"ima mono", "-c:a adpcm_ima_wav", 1, 16, 1}, {"ima stereo", "-c:a adpcm_ima_wav", 2, 16, 1},
    {"ms stereo", "-c:a adpcm_ms", 2, 16, 1},
};

constexpr int Rate = 22050;

class AviReader : public ::testing::Test {
protected:
    std::shared_ptr<InputFile> open(const std::string& path)
    {
        return reader.openFile(widePath(path), 0);
    }

    Cache::ScratchBuffers scratch;
    AviFileReader reader;
};

} // namespace

TEST_F(AviReader, EveryFrameEqualsFfmpegsDecodeInOrderAndAtRandom)
{
    std::vector<Output> outputs;
    std::vector<std::string> formats;
    for (const VideoCase& c : videoCases) {
        outputs.push_back({std::string(c.name) + ".avi", c.encode});
        formats.push_back(c.referenceFormat);
    }
    const auto paths = makeMedia(videoSource(1.3), outputs);
    ffmpegDecode(paths, formats);
    for (size_t k = 0; k < std::size(videoCases); ++k) {
        const VideoCase& c = videoCases[k];
        const std::string& path = paths[k];
        SCOPED_TRACE(c.name);
        auto file = open(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagVideo);
        EXPECT_EQ(file->pixelFormat, c.pixelFormat);
        EXPECT_EQ(file->width, 64);
        EXPECT_EQ(file->height, 48);
        EXPECT_EQ(file->rate / double(file->scale), 10.0);
        const auto frames = ffmpegFrames(path, c.referenceFormat, 64 * 48 * c.bytesPerPixel);
        ASSERT_EQ(frames.size(), 13u);
        ASSERT_EQ(file->frameCount, 13);
        for (int i = 0; i < 13; ++i) {
            auto image = file->readVideo(i);
            ASSERT_TRUE(image);
            EXPECT_LE(pictureDifference(*image, frames[size_t(i)], c.bytesPerPixel, c.compared), c.tolerance)
                << "frame " << i;
        }
        std::vector<int> order(13);
        for (int i = 0; i < 13; ++i)
            order[size_t(i)] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
        order.insert(order.begin(), {12, 12, 5, 6, 2});
        for (int i : order)
            EXPECT_LE(pictureDifference(*file->readVideo(i), frames[size_t(i)], c.bytesPerPixel, c.compared),
                      c.tolerance)
                << "frame " << i << " at random";
        // Frames outside the file show its first and last frame.
        EXPECT_LE(pictureDifference(*file->readVideo(-3), frames[0], c.bytesPerPixel, c.compared), c.tolerance);
        EXPECT_LE(pictureDifference(*file->readVideo(99), frames[12], c.bytesPerPixel, c.compared), c.tolerance);
        EXPECT_FALSE(file->readAudio(0));
    }
}

TEST_F(AviReader, EveryBlockEqualsFfmpegsDecodeInOrderAndAtRandom)
{
    // One run per channel count: every output takes the video and the sound.
    std::vector<std::string> paths;
    for (int channels : {1, 2}) {
        std::vector<Output> outputs;
        for (const AudioCase& c : audioCases)
            if (c.channels == channels)
                outputs.push_back({std::string(c.name) + ".avi", std::string("-c:v mjpeg ") + c.encode});
        for (auto& p : makeMedia(videoSource(3.5) + " " + audioSource(3.5, Rate, channels), outputs))
            paths.push_back(p);
    }
    ffmpegDecode(paths, {});
    for (const AudioCase& c : audioCases) {
        SCOPED_TRACE(c.name);
        const std::string path = tempPath(std::string(c.name) + ".avi");
        auto file = open(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagVideo | InputFile::FlagAudio);
        EXPECT_EQ(file->audioFormatTag, c.tag);
        EXPECT_EQ(file->bitsPerSample, c.bits);
        EXPECT_EQ(file->channelCount, c.channels);
        EXPECT_EQ(file->sampleRate, Rate);
        const std::vector<float> reference = ffmpegSamples(path);
        EXPECT_EQ(file->audioSampleCount, int64_t(reference.size() / size_t(c.channels)));
        for (int block : {0, 1, 2, 3, 4, 2, 0, 3, 1, 3, 4})
            EXPECT_LE(blockDifference(*file->readAudio(block), reference, c.channels, Rate, block), 1e-7f)
                << "block " << block;
    }
}
