// The WAV reader against ffmpeg: every one-second block of files ffmpeg wrote
// equals ffmpeg's decode, read in order or at random, and damaged files open
// to nothing in bounded time.
#include "io/input/wave_file_reader.h"
#include "media/audio_buffer.h"
#include "tests/io/io_fixture.h"
#include "tests/io/riff_tree.h"
#include "tests/support/riff.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <functional>

using namespace IoTest;
using Plugin::InputFile;
using Plugin::WaveFileReader;

namespace {

constexpr int Rate = 22050;
constexpr int64_t Samples = 77175; // 3.5 seconds

struct AudioCase {
    const char* name;
    const char* encode;
    int channels;
    int bits; // delivered
    int tag;  // delivered
};

const AudioCase cases[] = {
    {"s16 mono", "-c:a pcm_s16le", 1, 16, 1},     {"s16 stereo", "-c:a pcm_s16le", 2, 16, 1},
    {"s24 stereo", "-c:a pcm_s24le", 2, 24, 1},   {"f32 mono", "-c:a pcm_f32le", 1, 32, 3},
    {"f32 stereo", "-c:a pcm_f32le", 2, 32, 3},   {"ima mono", "-c:a adpcm_ima_wav", 1, 16, 1},
    {"ima stereo", "-c:a adpcm_ima_wav", 2, 16, 1}, {"ms stereo", "-c:a adpcm_ms", 2, 16, 1},
    {"a-law stereo", "-c:a pcm_alaw", 2, 16, 1},
};

class WavReader : public ::testing::Test {
protected:
    std::shared_ptr<InputFile> open(const std::string& path) { return reader.openFile(widePath(path), 0); }
    std::shared_ptr<InputFile> openBytes(const std::string& name, const std::string& bytes)
    {
        const std::string path = tempPath(name);
        writeBytes(path, bytes);
        return open(path);
    }
    // Blocks in order, again, and jumping back and forth.
    void expectBlocks(InputFile& file, const std::vector<float>& reference, int channels)
    {
        for (int block : {0, 1, 2, 3, 4, 3, 4, 1, 0, 2, 3})
            EXPECT_LE(blockDifference(*file.readAudio(block), reference, channels, Rate, block), 1e-7f)
                << "block " << block;
    }

    Cache::ScratchBuffers scratch;
    WaveFileReader reader;
};

} // namespace

TEST_F(WavReader, EveryBlockEqualsFfmpegsDecodeInOrderAndAtRandom)
{
    std::vector<std::string> paths;
    for (int channels : {1, 2}) {
        std::vector<Output> outputs;
        for (const AudioCase& c : cases)
            if (c.channels == channels)
                outputs.push_back({std::string(c.name) + ".wav", c.encode});
        for (auto& p : makeMedia(audioSource(3.5, Rate, channels), outputs))
            paths.push_back(p);
    }
    ffmpegDecode(paths, {});
    for (const AudioCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto file = open(tempPath(std::string(c.name) + ".wav"));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagAudio);
        EXPECT_EQ(file->audioFormatTag, c.tag);
        EXPECT_EQ(file->bitsPerSample, c.bits);
        EXPECT_EQ(file->channelCount, c.channels);
        EXPECT_EQ(file->sampleRate, Rate);
        // ffmpeg stores the decoded length of ADPCM (whole blocks) in the fact chunk.
        const std::vector<float> reference = ffmpegSamples(tempPath(std::string(c.name) + ".wav"));
        EXPECT_EQ(file->audioSampleCount, int64_t(reference.size()) / c.channels);
        expectBlocks(*file, reference, c.channels);
    }
}

TEST_F(WavReader, ChunkOrderAndLengthsAsStored)
{
    const auto paths = makeMedia(audioSource(3.5, Rate, 2), {{"pcm.wav", "-c:a pcm_s16le"}, {"ima.wav", "-c:a adpcm_ima_wav"}});
    ffmpegDecode(paths, {});
    const std::vector<float> pcm = ffmpegSamples(paths[0]), ima = ffmpegSamples(paths[1]);
    {
        SCOPED_TRACE("fmt after data");
        auto pieces = parseRiff(readBytes(paths[0]));
        RiffNode fmt = *pieces[0].find("fmt ");
        pieces[0].remove("fmt ");
        pieces[0].children.push_back(fmt);
        auto file = openBytes("late-fmt.wav", writeRiff(pieces));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->audioSampleCount, Samples);
        expectBlocks(*file, pcm, 2);
    }
    {
        SCOPED_TRACE("ADPCM without a fact chunk: whole blocks of samples");
        auto pieces = parseRiff(readBytes(paths[1]));
        const uint32_t blockAlign = TestKit::readLe16(pieces[0].find("fmt ")->data, 12);
        const uint32_t perBlock = TestKit::readLe16(pieces[0].find("fmt ")->data, 18);
        const size_t blocks = pieces[0].find("data")->data.size() / blockAlign;
        pieces[0].remove("fact");
        auto file = openBytes("no-fact.wav", writeRiff(pieces));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->audioSampleCount, int64_t(blocks * perBlock));
        EXPECT_EQ(size_t(file->audioSampleCount) * 2, ima.size());
        expectBlocks(*file, ima, 2);
    }
    {
        SCOPED_TRACE("readVideo");
        auto file = open(paths[0]);
        EXPECT_NE(TestKit::errorText([&] { file->readVideo(0); }).find("not implement."), std::string::npos);
    }
}

TEST_F(WavReader, DamagedFilesOpenToWhatIsLeftInBoundedTime)
{
    const auto paths = makeMedia(audioSource(1.5, Rate, 2), {{"good.wav", "-c:a pcm_s16le"}, {"u8.wav", "-c:a pcm_u8"}});
    const std::string good = readBytes(paths[0]);
    const size_t fmt = good.find("fmt "), data = good.find("data");
    auto patched = [&](size_t at, uint32_t value) {
        return [&, at, value] {
            std::string b = good;
            putLe32(b, at, value);
            return b;
        };
    };
    struct Case {
        const char* name;
        std::function<std::string()> make;
        bool opens;
    };
    const Case cases[] = {
        {"8-bit PCM", [&] { return readBytes(paths[1]); }, false},
        {"a compressed format without a decoder", [&] { return std::string(good).replace(fmt + 8, 2, le16(0x7A7A)); }, false},
        // A data chunk the file's end cuts is read to its end.
        {"truncated in the data", [&] { return good.substr(0, data + 1000); }, true},
        {"data size 0xFFFFFFF8", patched(data + 4, 0xFFFFFFF8), true},
        {"data size odd, past the file", patched(data + 4, uint32_t(good.size())), true},
        {"fmt size 0xFFFFFFF8", patched(fmt + 4, 0xFFFFFFF8), false},
        {"no fmt", [&] { return std::string(good).replace(fmt, 4, "fmx "); }, false},
        {"no data", [&] { return std::string(good).replace(data, 4, "datx"); }, false},
        {"fmt of 0x10000 bytes",
         [&] {
             auto pieces = parseRiff(good);
             pieces[0].find("fmt ")->data.resize(0x10000);
             return writeRiff(pieces);
         },
         false},
        {"zero byte rate and alignment, computed", [&] { return std::string(good).replace(fmt + 16, 6, std::string(6, '\0')); }, true},
        {"no channels", [&] { return std::string(good).replace(fmt + 10, 2, std::string(2, '\0')); }, false},
        {"RIFF size 0xFFFFFFF8", patched(4, 0xFFFFFFF8), true},
        {"not WAVE", [&] { return std::string(good).replace(8, 4, "AVI "); }, false},
    };
    for (const Case& c : cases) {
        TestKit::finishWithin(10000, [&] {
            SCOPED_TRACE(c.name);
            auto file = openBytes("damaged.wav", c.make());
            EXPECT_EQ(bool(file), c.opens);
            for (int block = 0; file && block < 3; ++block)
                EXPECT_TRUE(file->readAudio(block));
        }, c.name);
    }
}

// A WAV cut anywhere, or written to a pipe with its sizes never filled in, is
// read up to its last whole sample frame, as the other tools read it.
TEST_F(WavReader, CutAndStreamedFilesReadToTheirLastWholeSampleFrame)
{
    const auto paths = makeMedia(audioSource(2.5, Rate, 2), {{"whole.wav", "-c:a pcm_s24le"}});
    const std::string whole = readBytes(paths[0]);
    const std::vector<float> reference = ffmpegSamples(paths[0]);
    const size_t data = whole.find("data") + 8;
    constexpr int channels = 2, frameBytes = 6;
    // The reference cut to the sample frames a file holds, silence after.
    auto upTo = [&](size_t frames) {
        std::vector<float> cut(reference.begin(), reference.begin() + std::ptrdiff_t(frames * channels));
        return cut;
    };
    std::vector<size_t> cuts = {whole.size() - 1, data + 1, data + frameBytes + 5};
    for (size_t i = 1; cuts.size() < 20; ++i)
        cuts.push_back(data + (whole.size() - data) * i / 18 + i % frameBytes);
    for (size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(whole.size()));
        auto file = openBytes("cut.wav", whole.substr(0, cut));
        const size_t frames = (cut - data) / frameBytes;
        if (!frames) {
            EXPECT_FALSE(file) << "no whole sample frame is no sound";
            continue;
        }
        ASSERT_TRUE(file);
        EXPECT_EQ(file->audioSampleCount, int64_t(frames));
        const std::vector<float> expected = upTo(frames);
        for (int block : {0, 2, 1})
            EXPECT_LE(blockDifference(*file->readAudio(block), expected, channels, Rate, block), 1e-7f) << block;
    }

    // ffmpeg writing to a pipe cannot go back to fill in the sizes.
    const std::string piped = tempPath("piped.wav");
    ASSERT_EQ(TestKit::runCommand("ffmpeg -v error -nostdin -i '" + paths[0] + "' -c:a pcm_s24le -f wav - > '" + piped + "'"), 0);
    const std::string bytes = readBytes(piped);
    EXPECT_EQ(TestKit::readLe32(bytes, 4), 0xFFFFFFFFu);
    EXPECT_EQ(TestKit::readLe32(bytes, bytes.find("data") + 4), 0xFFFFFFFFu);
    auto file = open(piped);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->audioSampleCount, int64_t(reference.size() / channels));
    for (int block : {0, 1, 2, 1})
        EXPECT_LE(blockDifference(*file->readAudio(block), reference, channels, Rate, block), 1e-7f) << block;
}
