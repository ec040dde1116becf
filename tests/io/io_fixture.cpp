#include "tests/io/io_fixture.h"

#include "core/file_name.h"
#include "core/text.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace IoTest {

std::string tempPath(const std::string& name)
{
    return TestKit::tempDir() + "/" + name;
}

std::wstring widePath(const std::string& path)
{
    return System::fromLocalPath(path);
}

std::string makeMedia(const std::string& name, const std::string& arguments)
{
    const std::string path = tempPath(name);
    const std::string command = "ffmpeg -v error -nostdin -y " + arguments + " '" + path + "'";
    EXPECT_EQ(TestKit::runCommand(command), 0) << command;
    return path;
}

std::vector<std::string> makeMedia(const std::string& inputs, const std::vector<Output>& outputs)
{
    std::string command = "ffmpeg -v error -nostdin -y " + inputs;
    std::vector<std::string> paths;
    for (const Output& o : outputs) {
        paths.push_back(tempPath(o.name));
        command += " " + o.arguments + " '" + paths.back() + "'";
    }
    EXPECT_EQ(TestKit::runCommand(command), 0) << command;
    return paths;
}

void ffmpegDecode(const std::vector<std::string>& paths, const std::vector<std::string>& pixelFormats)
{
    std::string inputs, outputs;
    for (size_t i = 0; i < paths.size(); ++i) {
        inputs += " -i '" + paths[i] + "'";
        const std::string n = std::to_string(i);
        if (pixelFormats.empty() || pixelFormats[i].empty())
            outputs += " -map " + n + ":a -f f32le '" + paths[i] + ".f32'";
        else
            // Every decoded picture once, none repeated or dropped for timing.
            outputs += " -map " + n + ":v -fps_mode passthrough -f rawvideo -pix_fmt " + pixelFormats[i] + " '" + paths[i] + "." +
                       pixelFormats[i] + ".raw'";
    }
    const std::string command = "ffmpeg -v error -nostdin -y" + inputs + outputs;
    EXPECT_EQ(TestKit::runCommand(command), 0) << command;
}

std::string videoSource(double seconds)
{
    return "-f lavfi -i testsrc2=s=64x48:r=10:d=" + std::to_string(seconds);
}

std::string audioSource(double seconds, int rate, int channels)
{
    std::string expression = "0.7*sin(440*2*PI*t)*sin(3*t)";
    if (channels == 2)
        expression += "|0.4*sin(1250*2*PI*t)";
    return "-f lavfi -i 'aevalsrc=" + expression + ":s=" + std::to_string(rate) + ":d=" + std::to_string(seconds) + "'";
}

std::vector<std::string> ffmpegFrames(const std::string& path, const std::string& pixelFormat, size_t frameBytes)
{
    const std::string raw = path + "." + pixelFormat + ".raw";
    if (!std::filesystem::exists(raw))
        ffmpegDecode({path}, {pixelFormat});
    const std::string bytes = TestKit::readFile(raw);
    std::vector<std::string> frames;
    for (size_t at = 0; at + frameBytes <= bytes.size(); at += frameBytes)
        frames.push_back(bytes.substr(at, frameBytes));
    return frames;
}

std::vector<float> ffmpegSamples(const std::string& path)
{
    const std::string raw = path + ".f32";
    if (!std::filesystem::exists(raw))
        ffmpegDecode({path}, {});
    const std::string bytes = TestKit::readFile(raw);
    std::vector<float> samples(bytes.size() / 4);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 4);
    return samples;
}

int pictureDifference(const Media::ImageBuffer& image, const std::string& raw, uint32_t bytesPerPixel,
                      uint32_t compared)
{
    // Raw rows of whole pixel pairs (YUY2 of an odd width) are compared whole.
    const size_t rowBytes = image.height ? raw.size() / image.height : 0;
    if (rowBytes < size_t(image.width) * bytesPerPixel || rowBytes * image.height != raw.size() ||
        rowBytes > image.pitch)
        return 1000;
    int worst = 0;
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* ours = image.row(y);
        const uint8_t* theirs = reinterpret_cast<const uint8_t*>(raw.data()) + y * rowBytes;
        for (size_t x = 0; x < rowBytes / bytesPerPixel; ++x)
            for (uint32_t c = 0; c < compared; ++c)
                worst = std::max(worst, std::abs(int(ours[x * bytesPerPixel + c]) - int(theirs[x * bytesPerPixel + c])));
    }
    return worst;
}

float blockDifference(const Media::AudioBlockBuffer& block, const std::vector<float>& reference, int channels,
                      int rate, int index)
{
    if (block.samples != uint32_t(rate))
        return 1000;
    float worst = 0;
    const size_t first = size_t(index) * size_t(rate);
    for (uint32_t c = 0; c < block.channels; ++c) {
        const float* ours = block.getChannel(c);
        for (uint32_t i = 0; i < block.samples; ++i) {
            const size_t at = (first + i) * size_t(channels) + (channels == 1 ? 0 : c);
            const float theirs = at < reference.size() ? reference[at] : 0.0f;
            worst = std::max(worst, std::fabs(ours[i] - theirs));
        }
    }
    return worst;
}

PluginFolder::PluginFolder() : folder_(System::toLocalPath(System::FileName::expand(L"%Plugin%"))) {}

PluginFolder::~PluginFolder()
{
    for (const std::string& name : TestKit::listFolder(folder_))
        std::filesystem::remove(folder_ + "/" + name);
    std::filesystem::remove(System::toLocalPath(System::FileName::expand(L"%AppData%/module.ini")));
}

void PluginFolder::copy(const std::string& module, const std::string& name)
{
    std::filesystem::copy_file(std::string(VELMORA_TEST_MODULES) + "/" + module, folder_ + "/" + name,
                               std::filesystem::copy_options::overwrite_existing);
}

void PluginFolder::write(const std::string& name, const std::string& bytes)
{
    writeBytes(folder_ + "/" + name, bytes);
}

TrustAnswers::TrustAnswers()
{
    Platform::Ui::setMessageBoxAnswerer([this](const Platform::Ui::MessageBox& box) {
        if (box.caption != L"スクリプト・プラグインの追加")
            return box.defaultAnswer; // another question of the start
        // The question names the module on a line of its own after a blank line.
        const size_t start = box.text.find(L"\n\n") + 2;
        const std::wstring key = box.text.substr(start, box.text.find(L'\n', start) - start);
        asked.push_back(key);
        return accept.count(key) ? Platform::Ui::BoxAnswer::Yes : Platform::Ui::BoxAnswer::No;
    });
}

TrustAnswers::~TrustAnswers()
{
    Platform::Ui::setMessageBoxAnswerer(nullptr);
}

std::string readBytes(const std::string& path)
{
    return TestKit::readFile(path);
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    TestKit::writeFile(path, bytes);
}

} // namespace IoTest
