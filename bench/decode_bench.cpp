// Decoding rates of the codec layer beside ffmpeg -threads 1 decoding the same
// files to the same format, measured side by side: 1080p MJPEG and MPEG-4
// Part 2 frames to YUY2, MP3 and MS ADPCM to 16-bit PCM.
#include "bench/audio_bench.h"
#include "bench/peer_tool.h"
#include "core/file.h"
#include "media/audio_decompressor.h"
#include "media/image_buffer.h"
#include "media/video_decompressor.h"
#include "tests/support/riff.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {
using Bench::ffmpegRate;
using Bench::timeCommand;

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void setBytes(System::DataBuffer& b, const std::string& bytes)
{
    b.allocMemory(uint32_t(bytes.size()));
    std::memcpy(b.data, bytes.data(), bytes.size());
}

void video(const std::string& dir, const char* name, const char* encode, int frames)
{
    std::string avi = dir + "/" + name + ".avi";
    if (timeCommand(std::string("ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=s=1920x1080:r=30 -frames:v ") +
                    std::to_string(frames) + " " + encode + " '" + avi + "'") < 0) {
        std::printf("  %s: could not make the file\n", name);
        return;
    }
    auto chunks = TestKit::walkRiff(readAll(avi));
    std::vector<const TestKit::RiffChunk*> packets;
    for (const auto& c : chunks)
        if (c.id == "00dc" || c.id == "00db")
            packets.push_back(&c);
    Media::VideoDecompressor d;
    setBytes(d.sourceFormat, TestKit::findChunk(chunks, "strf")->data);
    if (!d.open(TestKit::readLe32(TestKit::findChunk(chunks, "strh")->data, 4)) || !d.begin(Media::FourCCYuy2, 16)) {
        std::printf("  %s: no decoder\n", name);
        return;
    }
    auto image = Media::ImageBuffer::create(Media::Format::Yuy2, 1920, 1080);
    double s = AudioBench::secondsPerRun(
        [&] {
            d.flush();
            int64_t position = 0;
            for (size_t i = 0; i < packets.size(); ++i) {
                d.send(packets[i]->data.data(), uint32_t(packets[i]->data.size()), false, int64_t(i));
                while (d.receive(position))
                    d.copyPicture(*image);
            }
            d.drain();
            while (d.receive(position))
                d.copyPicture(*image);
        },
        2.0);
    double ours = packets.size() / s;
    double theirs = ffmpegRate(avi, "-f rawvideo -pix_fmt yuyv422", "-frames:v 1", frames, 1);
    std::printf("  %-28s %8.1f frames/s   ffmpeg -threads 1 %8.1f frames/s   ratio %.2f\n", name, ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}

void audio(const std::string& dir, const char* name, const char* encode, int seconds)
{
    std::string wav = dir + "/" + name + ".wav";
    if (timeCommand("ffmpeg -v error -nostdin -y -f lavfi -i 'aevalsrc=0.5*sin(440*2*PI*t)|0.4*sin(660*2*PI*t):s=44100:d=" +
                    std::to_string(seconds) + "' " + encode + " '" + wav + "'") < 0) {
        std::printf("  %s: could not make the file\n", name);
        return;
    }
    auto chunks = TestKit::walkRiff(readAll(wav));
    const std::string& data = TestKit::findChunk(chunks, "data")->data;
    Media::AudioDecompressor d;
    setBytes(d.sourceFormat, TestKit::findChunk(chunks, "fmt ")->data);
    if (!d.open()) {
        std::printf("  %s: no decoder\n", name);
        return;
    }
    std::vector<char> out(d.decodeBuffer.size);
    double s = AudioBench::secondsPerRun(
        [&] {
            d.discardPending();
            size_t at = 0;
            for (;;) {
                size_t n = std::min<size_t>(d.targetFormat.nAvgBytesPerSec / 4, data.size() - at);
                if (n && d.header.sourceLength + n <= d.sourceBuffer.size) {
                    d.insertSourceData(data.data() + at, uint32_t(n));
                    at += n;
                }
                d.decode();
                bool any = d.remaining > 0;
                while (d.take(out.data(), uint32_t(out.size())))
                    ;
                if (at == data.size() && !any)
                    break;
            }
        },
        2.0);
    double ours = seconds / s;
    double theirs = ffmpegRate(wav, "-f s16le", "-t 1", seconds, 1);
    std::printf("  %-28s %8.1fx real time   ffmpeg -threads 1 %8.1fx real time   ratio %.2f\n", name, ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}
} // namespace

namespace AudioBench {

void decoding()
{
    char pattern[] = "/tmp/velmora-bench-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir)
        return;
    std::printf("decoding, beside ffmpeg -threads 1 to the same format:\n");
    video(dir, "MJPEG 1080p -> YUY2", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3", 60);
    video(dir, "MPEG-4 1080p -> YUY2", "-c:v mpeg4 -q:v 4", 60);
    // Ten minutes of sound: ffmpeg decodes a minute in some 40 ms, less than
    // the spread of its own start-up on a busy machine, which its rate is
    // measured apart from.
    audio(dir, "MP3 44.1 kHz stereo -> s16", "-c:a libmp3lame -b:a 192k", 600);
    audio(dir, "MS ADPCM 44.1 kHz stereo -> s16", "-c:a adpcm_ms", 600);
    std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

} // namespace AudioBench
