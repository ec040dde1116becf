// AVI files that ffmpeg does not write as they are: without an index, with
// absolute index offsets, OpenDML pieces, streams the reader leaves out, and
// damaged structures, which open to what is left or to nothing, in bounded time.
#include "io/input/avi_file_reader.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "tests/io/io_fixture.h"
#include "tests/io/riff_tree.h"
#include "tests/support/riff.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <exception>
#include <functional>
#include <random>
#include <thread>

using namespace IoTest;
using Plugin::AviFileReader;
using Plugin::InputFile;

namespace {

constexpr int Rate = 22050;

// An mpeg4 picture with a key frame every 4 frames and stereo 16-bit sound.
struct Source {
    std::string path;
    std::vector<std::string> frames;
    std::vector<float> samples;
    std::string bytes;

    explicit Source(const char* video = "-c:v mpeg4 -g 4 -bf 0 -q:v 3")
    {
        path = makeMedia("source.avi", videoSource(2.5) + " " + audioSource(2.5, Rate, 2) + " " + video +
                                           " -c:a pcm_s16le");
        ffmpegDecode({path, path}, {"yuyv422", ""});
        frames = ffmpegFrames(path, "yuyv422", 64 * 48 * 2);
        samples = ffmpegSamples(path);
        bytes = readBytes(path);
    }
};

class AviStructure : public ::testing::Test {
protected:
    std::shared_ptr<InputFile> openBytes(const std::string& name, const std::string& bytes)
    {
        const std::string path = tempPath(name);
        writeBytes(path, bytes);
        return reader.openFile(widePath(path), 0);
    }

    // Every frame and block of the file equals the source's decode.
    void expectSource(InputFile& file, const Source& source)
    {
        ASSERT_EQ(file.frameCount, int(source.frames.size()));
        std::vector<int> order;
        for (int i = 0; i < file.frameCount; ++i)
            order.push_back(i);
        order.insert(order.end(), {17, 3, 9, 22, 0, 24});
        for (int i : order)
            EXPECT_LE(pictureDifference(*file.readVideo(i), source.frames[size_t(i)], 2, 2), 1) << "frame " << i;
        if (file.flags & InputFile::FlagAudio) {
            for (int block : {0, 1, 2, 0})
                EXPECT_LE(blockDifference(*file.readAudio(block), source.samples, 2, Rate, block), 1e-7f);
        }
    }

    Cache::ScratchBuffers scratch;
    AviFileReader reader;
};

// The pieces of a classic ffmpeg file.
struct Classic {
    std::vector<RiffNode> pieces;
    RiffNode& riff() { return pieces[0]; }
    RiffNode& movi() { return *riff().find("movi"); }
    RiffNode& idx1() { return *riff().find("idx1"); }
    RiffNode& strl(int n)
    {
        int seen = 0;
        for (RiffNode& c : riff().find("hdrl")->children)
            if (c.type == "strl" && seen++ == n)
                return c;
        throw std::runtime_error("no strl");
    }
    explicit Classic(const std::string& bytes) : pieces(parseRiff(bytes)) {}
    std::string bytes() const { return writeRiff(pieces); }
};

// Repacks a classic file as OpenDML: super indexes in the stream headers, the
// movi data in two pieces (RIFF AVI and RIFF AVIX), each with a standard index
// per stream whose offsets count from the piece's movi list; no idx1.
// Each super index has room for superRoom entries.
std::string repackOpenDml(const std::string& classicBytes, int& frames, int& audioChunks, int superRoom = 2)
{
    Classic c(classicBytes);
    std::vector<bool> key; // per video chunk, from idx1
    const std::string& idx = c.idx1().data;
    for (size_t at = 0; at + 16 <= idx.size(); at += 16)
        if (idx.compare(at, 2, "00") == 0)
            key.push_back(TestKit::readLe32(idx, at + 4) & 0x10);

    RiffNode hdrl = list("LIST", "hdrl", {*c.riff().find("hdrl")->find("avih")});
    for (int s = 0; s < 2; ++s) {
        RiffNode strl = list("LIST", "strl", {*c.strl(s).find("strh"), *c.strl(s).find("strf")});
        strl.children.push_back(chunk("indx", std::string(24 + size_t(superRoom) * 16, '\0')));
        hdrl.children.push_back(strl);
    }
    std::vector<RiffNode> data = c.movi().children;
    frames = 0;
    audioChunks = 0;
    for (const RiffNode& d : data)
        (d.id.compare(2, 2, "dc") == 0 ? frames : audioChunks) += 1;
    hdrl.children.push_back(list("LIST", "odml", {chunk("dmlh", le32(uint32_t(frames)) + std::string(244, '\0'))}));

    std::string out = "RIFF" + le32(0) + "AVI " + writeNode(hdrl);
    const std::string ids[2] = {"00dc", "01wb"};
    struct Ix {
        uint64_t offset;
        uint32_t size, count;
    };
    std::vector<Ix> ix[2];
    size_t videoSeen = 0;
    size_t half = data.size() / 2;
    for (int piece = 0; piece < 2; ++piece) {
        const size_t riffStart = piece ? out.size() : 0;
        if (piece)
            out += "RIFF" + le32(0) + "AVIX";
        const size_t moviStart = out.size();
        out += "LIST" + le32(0) + "movi";
        std::vector<std::pair<uint32_t, uint32_t>> entries[2];
        for (size_t i = piece ? half : 0; i < (piece ? data.size() : half); ++i) {
            const int s = data[i].id == ids[0] ? 0 : 1;
            uint32_t size = uint32_t(data[i].data.size());
            if (s == 0 && !key[videoSeen++])
                size |= 0x80000000u;
            entries[s].push_back({uint32_t(out.size() + 8 - moviStart), size});
            out += writeNode(data[i]);
        }
        for (int s = 0; s < 2; ++s) {
            std::string body = le16(2) + std::string(1, '\0') + std::string(1, '\1') + le32(uint32_t(entries[s].size())) +
                               ids[s] + le64(moviStart) + le32(0);
            for (auto [offset, size] : entries[s])
                body += le32(offset) + le32(size);
            ix[s].push_back({out.size(), uint32_t(body.size() + 8), uint32_t(entries[s].size())});
            out += "ix0" + std::to_string(s) + le32(uint32_t(body.size())) + body;
        }
        putLe32(out, moviStart + 4, uint32_t(out.size() - moviStart - 8));
        putLe32(out, riffStart + 4, uint32_t(out.size() - riffStart - 8));
    }
    for (int s = 0; s < 2; ++s) {
        const size_t at = out.find("indx", s ? out.find("indx") + 4 : 0) + 8;
        std::string body = le16(4) + std::string(2, '\0') + le32(2) + ids[s] + std::string(12, '\0');
        for (const Ix& i : ix[s])
            body += le64(i.offset) + le32(i.size) + le32(i.count);
        out.replace(at, body.size(), body);
    }
    return out;
}

} // namespace

TEST_F(AviStructure, IndexFormsReadTheSameFramesAndSound)
{
    const Source source;
    {
        SCOPED_TRACE("idx1 relative to movi");
        auto file = reader.openFile(widePath(source.path), 0);
        ASSERT_TRUE(file);
        expectSource(*file, source);
    }
    {
        SCOPED_TRACE("no idx1: the movi list is scanned");
        Classic c(source.bytes);
        c.riff().remove("idx1");
        auto file = openBytes("scan.avi", c.bytes());
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagVideo | InputFile::FlagAudio);
        expectSource(*file, source);
    }
    {
        SCOPED_TRACE("absolute idx1 offsets");
        Classic c(source.bytes);
        const std::string relative = c.bytes();
        const uint32_t moviType = uint32_t(relative.find("movi"));
        std::string& idx = c.idx1().data;
        for (size_t at = 0; at + 16 <= idx.size(); at += 16)
            putLe32(idx, at + 8, TestKit::readLe32(idx, at + 8) + moviType);
        auto file = openBytes("absolute.avi", c.bytes());
        ASSERT_TRUE(file);
        expectSource(*file, source);
    }
    {
        SCOPED_TRACE("OpenDML: super indexes, standard indexes and an AVIX piece");
        int frames = 0, audioChunks = 0;
        const std::string path = tempPath("opendml.avi");
        writeBytes(path, repackOpenDml(source.bytes, frames, audioChunks));
        std::string counts;
        ASSERT_EQ(TestKit::runCommand("ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 '" +
                                          path + "'",
                                      &counts),
                  0);
        EXPECT_EQ(counts, std::to_string(frames) + "\n" + std::to_string(audioChunks) + "\n");
        auto file = reader.openFile(widePath(path), 0);
        ASSERT_TRUE(file);
        expectSource(*file, source);
    }
}

TEST_F(AviStructure, StreamsTheReaderLeavesOut)
{
    {
        SCOPED_TRACE("8-bit and 32-bit integer PCM");
        const auto paths = makeMedia(videoSource(1) + " " + audioSource(1, Rate, 1),
                                     {{"u8.avi", "-c:v mjpeg -c:a pcm_u8"}, {"s32.avi", "-c:v mjpeg -c:a pcm_s32le"}});
        for (const auto& path : paths) {
            auto file = reader.openFile(widePath(path), 0);
            ASSERT_TRUE(file);
            EXPECT_EQ(file->flags, InputFile::FlagVideo);
            EXPECT_FALSE(file->readAudio(0));
        }
    }
    const Source source("-c:v mjpeg");
    {
        SCOPED_TRACE("an audio stream of sample size 0");
        Classic c(source.bytes);
        putLe32(c.strl(1).find("strh")->data, 44, 0);
        auto file = openBytes("vbr.avi", c.bytes());
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagVideo);
    }
    {
        SCOPED_TRACE("a compressed audio format without a decoder");
        Classic c(source.bytes);
        c.strl(1).find("strf")->data.replace(0, 2, le16(0x7A7A));
        auto file = openBytes("nodecoder.avi", c.bytes());
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flags, InputFile::FlagVideo);
    }
    {
        SCOPED_TRACE("a second video stream replaces the first");
        const auto paths = makeMedia(videoSource(1) + " -f lavfi -i testsrc=s=32x24:r=5:d=1",
                                     {{"two.avi", "-map 0:v -map 1:v -c:v mjpeg"}});
        auto file = reader.openFile(widePath(paths[0]), 0);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->width, 32);
        EXPECT_EQ(file->height, 24);
        EXPECT_EQ(file->frameCount, 5);
    }
}

// An index entry without data shows the frame before it, stored or decoded.
TEST_F(AviStructure, AnEmptyEntryShowsTheNearestEarlierFrame)
{
    const auto paths = makeMedia(videoSource(1), {{"raw.avi", "-c:v rawvideo -pix_fmt bgr24"}, {"mjpeg.avi", "-c:v mjpeg"}});
    ffmpegDecode(paths, {"bgr0", "yuyv422"});
    const uint32_t bytesPerPixel[] = {4, 2}, compared[] = {3, 2};
    const char* formats[] = {"bgr0", "yuyv422"};
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(paths[k]);
        const auto frames = ffmpegFrames(paths[k], formats[k], 64 * 48 * bytesPerPixel[k]);
        Classic c(readBytes(paths[k]));
        std::string& idx = c.idx1().data;
        for (size_t at = 0, frame = 0; at + 16 <= idx.size(); at += 16)
            if (idx.compare(at, 2, "00") == 0 && frame++ >= 5 && frame <= 7)
                putLe32(idx, at + 12, 0); // frames 5 and 6 have no data
        auto file = openBytes("empty-entries.avi", c.bytes());
        ASSERT_TRUE(file);
        for (int i : {6, 5, 7, 4, 5, 6, 0, 6})
            EXPECT_LE(pictureDifference(*file->readVideo(i), frames[size_t(i < 5 || i > 6 ? i : 4)], bytesPerPixel[k],
                                        compared[k]),
                      1)
                << "frame " << i;
    }
}

// Damaged files open to what can be trusted, or to nothing, and every read of
// what opened either works or fails with a report; nothing hangs.
TEST_F(AviStructure, DamagedFilesOpenToWhatIsLeftInBoundedTime)
{
    const Source source("-c:v mjpeg");
    const std::string good = source.bytes;
    const size_t hdrl = good.find("hdrl") - 8, movi = good.find("movi") - 8, idx1 = good.find("idx1");
    const size_t firstData = movi + 12;
    const uint32_t none = 0, video = InputFile::FlagVideo, audio = InputFile::FlagAudio;
    struct Case {
        const char* name;
        std::function<std::string()> make;
        uint32_t flags; // 0: the open fails
    };
    auto patched = [&](size_t at, uint32_t value) {
        return [&, at, value] {
            std::string b = good;
            putLe32(b, at, value);
            return b;
        };
    };
    auto withoutIdx1 = [&](std::string b) {
        Classic c(b);
        c.riff().remove("idx1");
        return c.bytes();
    };
    const Case cases[] = {
        {"truncated in the middle of a chunk: movi is walked", [&] { return good.substr(0, movi + (idx1 - movi) / 2 + 3); },
         video | audio},
        {"RIFF size 0xFFFFFFF8", patched(4, 0xFFFFFFF8), video | audio},
        {"hdrl size 0xFFFFFFF8", patched(hdrl + 4, 0xFFFFFFF8), none},
        {"idx1 size 0xFFFFFFF8: the movi list is scanned", patched(idx1 + 4, 0xFFFFFFF8), video | audio},
        {"first data chunk 0xFFFFFFF8 with idx1", patched(firstData + 4, 0xFFFFFFF8), video | audio},
        {"first data chunk 0xFFFFFFF8 without idx1",
         [&] {
             std::string b = withoutIdx1(good);
             putLe32(b, firstData + 4, 0xFFFFFFF8);
             return b;
         },
         none},
        {"odd strh size", patched(good.find("strh") + 4, 57), audio},
        {"no hdrl", [&] { return std::string(good).replace(hdrl + 8, 4, "hdrx"); }, none},
        {"no movi", [&] { return std::string(good).replace(movi + 8, 4, "movx"); }, none},
        {"video format of 0x10000 bytes",
         [&] {
             Classic c(good);
             c.strl(0).find("strf")->data.resize(0x10000);
             return c.bytes();
         },
         audio},
        {"short strh", patched(good.find("strh") + 4, 20), audio},
        {"index entries past the file end",
         [&] {
             Classic c(good);
             std::string& idx = c.idx1().data;
             for (size_t at = 16; at + 16 <= idx.size(); at += 64)
                 putLe32(idx, at + 8, 0x7FFFFFF0);
             return c.bytes();
         },
         video | audio},
        {"not RIFF", [&] { return std::string(good).replace(0, 4, "RIFX"); }, none},
        {"empty", [] { return std::string(); }, none},
    };
    for (const Case& c : cases) {
        TestKit::finishWithin(10000, [&] {
            SCOPED_TRACE(c.name);
            auto file = openBytes("damaged.avi", c.make());
            EXPECT_EQ(file ? file->flags : 0u, c.flags);
            if (!file)
                return;
            for (int i = -1; (file->flags & video) && i <= file->frameCount; ++i)
                EXPECT_TRUE(file->readVideo(i));
            for (int block = 0; (file->flags & audio) && block < 4; ++block)
                EXPECT_TRUE(file->readAudio(block));
        }, c.name);
    }
}

// Two threads reading one file with delta frames each get their own frames:
// the decode start is chosen under the scratch buffer's lock.
TEST_F(AviStructure, TwoReadersOfOneFileDecodeFromTheRightStart)
{
    const Source source;
    auto file = reader.openFile(widePath(source.path), 0);
    ASSERT_TRUE(file);
    std::atomic<int> wrong{0};
    auto run = [&](unsigned seed) {
        std::mt19937 random(seed);
        for (int n = 0; n < 150; ++n) {
            const int frame = int(random() % unsigned(file->frameCount));
            if (pictureDifference(*file->readVideo(frame), source.frames[size_t(frame)], 2, 2) > 1)
                ++wrong;
        }
    };
    std::thread a(run, 1), b(run, 2);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
}

// An AVI cut inside its movi list (a copy or a recording that stopped) has
// lost its index: the list is walked up to the last whole chunk, and every
// frame and the sound up to there read as in the whole file.
TEST_F(AviStructure, ACutFileReadsToItsLastWholeChunk)
{
    const Source source;
    const std::string& whole = source.bytes;
    const size_t moviData = whole.find("movi") + 4, idx1 = whole.find("idx1");
    // Where each stored chunk of the movi list ends.
    struct Stored {
        size_t end;
        bool video;
        size_t bytes;
    };
    std::vector<Stored> stored;
    for (size_t at = moviData; at + 8 <= idx1;) {
        const uint32_t size = TestKit::readLe32(whole, at + 4);
        stored.push_back({at + 8 + size, whole.compare(at + 2, 2, "dc") == 0, size});
        at += 8 + size + (size & 1);
    }
    for (int n = 0; n < 20; ++n) {
        const size_t cut = moviData + 40 + (idx1 - moviData - 40) * size_t(n) / 20 + size_t(n % 3);
        SCOPED_TRACE("cut at " + std::to_string(cut));
        int frames = 0;
        size_t audioBytes = 0;
        for (const Stored& s : stored) {
            if (s.end > cut)
                break;
            frames += s.video;
            audioBytes += s.video ? 0 : s.bytes;
        }
        auto file = openBytes("cut.avi", whole.substr(0, cut));
        if (!frames) {
            // Nothing whole of the picture: at most the sound is left.
            EXPECT_FALSE(file && (file->flags & InputFile::FlagVideo));
            continue;
        }
        ASSERT_TRUE(file);
        ASSERT_EQ(file->frameCount, frames);
        for (int i : {frames - 1, 0, frames / 2, frames - 1})
            EXPECT_LE(pictureDifference(*file->readVideo(i), source.frames[size_t(i)], 2, 2), 1) << "frame " << i;
        if (!audioBytes)
            continue;
        ASSERT_TRUE(file->flags & InputFile::FlagAudio);
        const std::vector<float> kept(source.samples.begin(), source.samples.begin() + std::ptrdiff_t(audioBytes / 2));
        for (int block : {0, 2, 1})
            EXPECT_LE(blockDifference(*file->readAudio(block), kept, 2, Rate, block), 1e-7f) << "block " << block;
    }
}

// Super indexes that name one standard index again and again (a crafted or
// broken file) read it once, so the index stays as small as the file.
TEST_F(AviStructure, AStandardIndexNamedManyTimesIsReadOnce)
{
    const Source source;
    int frames = 0, audioChunks = 0;
    std::string bytes = repackOpenDml(source.bytes, frames, audioChunks, 500);
    // The video super index names its first standard index 500 times.
    const size_t indx = bytes.find("indx") + 8;
    ASSERT_EQ(bytes.compare(indx + 8, 4, "00dc"), 0);
    putLe32(bytes, indx + 4, 500);
    for (size_t e = 1; e < 500; ++e)
        bytes.replace(indx + 24 + e * 16, 16, bytes.substr(indx + 24, 16));
    const std::string path = tempPath("repeated.avi");
    writeBytes(path, bytes);
    auto file = reader.openFile(widePath(path), 0);
    ASSERT_TRUE(file);
    // The first piece's frames once (not 500 times over); the second piece's
    // index is named no more.
    auto& avi = dynamic_cast<Plugin::AviFileInput&>(*file);
    EXPECT_GT(avi.videoIndex.size(), 0u);
    EXPECT_LT(avi.videoIndex.size(), size_t(frames));
    EXPECT_EQ(file->frameCount, int(avi.videoIndex.size()));
    for (int i = 0; i < file->frameCount; ++i)
        EXPECT_LE(pictureDifference(*file->readVideo(i), source.frames[size_t(i)], 2, 2), 1) << "frame " << i;
}
