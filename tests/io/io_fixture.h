#pragma once
// Media fixtures made by ffmpeg at test time and ffmpeg's own decodes of them,
// and the comparisons of what the readers deliver against those decodes.
#include "render/cache/cache_service.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Media {
class AudioBlockBuffer;
class ImageBuffer;
} // namespace Media
namespace Plugin { class InputFile; }

namespace IoTest {

// A file in the test's temporary folder.
std::string tempPath(const std::string& name);
std::wstring widePath(const std::string& path);

// Runs "ffmpeg -v error -nostdin -y <arguments> '<path>'"; fails the test when ffmpeg does.
std::string makeMedia(const std::string& name, const std::string& arguments);
// Several files from the same inputs in one run of ffmpeg: {name, output arguments}.
struct Output {
    std::string name;
    std::string arguments;
};
std::vector<std::string> makeMedia(const std::string& inputs, const std::vector<Output>& outputs);
// A test picture and tone: testsrc2 at 64x48, 10 frames per second, and a
// sine per channel, of the given length.
std::string videoSource(double seconds);
std::string audioSource(double seconds, int rate, int channels);

// ffmpeg's decode of the file's video as raw frames of a pixel format.
std::vector<std::string> ffmpegFrames(const std::string& path, const std::string& pixelFormat, size_t frameBytes);
// ffmpeg's decode of the file's audio as interleaved floats in the file's channels.
std::vector<float> ffmpegSamples(const std::string& path);
// The same for several files in one run: the raw video (pixel format per file)
// or float audio of each, read back by ffmpegFrames/ffmpegSamples after.
void ffmpegDecode(const std::vector<std::string>& paths, const std::vector<std::string>& pixelFormats);

// The largest difference between a picture's pixels and raw rows of
// bytesPerPixel bytes (the first `compared` bytes of each pixel compared); raw
// rows longer than the width (pairs of YUY2 pixels) are compared whole.
int pictureDifference(const Media::ImageBuffer& image, const std::string& raw, uint32_t bytesPerPixel,
                      uint32_t compared);
// The largest difference between a one-second block and samples block × rate
// onwards of ffmpeg's decode (zeros past its end); a mono decode is compared
// with every channel of the block.
float blockDifference(const Media::AudioBlockBuffer& block, const std::vector<float>& reference, int channels,
                      int rate, int index);

// The plug-in folder of one start of the program, filled with copies of the
// modules built for the tests under the names given; emptied again afterwards.
class PluginFolder {
public:
    PluginFolder();
    ~PluginFolder();
    void copy(const std::string& module, const std::string& name);
    void write(const std::string& name, const std::string& bytes);

private:
    std::string folder_;
};

// Answers the trust question of modules: yes for the names accepted; records
// every name asked about.
struct TrustAnswers {
    TrustAnswers();
    ~TrustAnswers();
    std::set<std::wstring> accept;
    std::vector<std::wstring> asked;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

} // namespace IoTest
