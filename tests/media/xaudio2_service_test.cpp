#include "media/xaudio2_service.h"
#include "platform/audio/audio.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cmath>
#include <cstdlib>
#include <thread>

using namespace Media;

namespace {

// A buffer of `frames` float stereo frames of the value v.
std::unique_ptr<System::AlignedBuffer> frames(uint32_t count, float v = 0.5f)
{
    auto b = std::make_unique<System::AlignedBuffer>();
    b->allocMemory(count * 8);
    float* p = static_cast<float*>(b->data);
    for (uint32_t i = 0; i < 2 * count; ++i)
        p[i] = v;
    return b;
}

// The service on the null device with a clock the test moves.
class NullDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::Audio::useNullDevice(true);
        Platform::Audio::useManualClock(true);
    }
    void TearDown() override
    {
        Platform::Audio::setFailureHook(nullptr);
        Platform::Audio::useNullDevice(false);
        Platform::Audio::useManualClock(false);
    }

    XAudio2Service service;
    TestKit::LogCapture log;
};

int count(const TestKit::LogCapture& log, const std::string& fragment)
{
    int n = 0;
    for (const auto& line : log.lines())
        n += line.find(fragment) != std::string::npos;
    return n;
}

void advanceMs(uint64_t ms)
{
    Platform::Audio::advanceNullClock(ms * 1000);
}

} // namespace

TEST_F(NullDeviceTest, NothingHappensBeforeAPlayerExists)
{
    service.play();
    service.stop();
    service.setVolume(50);
    service.submitBuffer(frames(10));
    EXPECT_EQ(service.buffers.size(), 0u);
    EXPECT_EQ(service.xaudio2, nullptr);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(NullDeviceTest, PlayAndStopLogOnceEach)
{
    service.createPlayer(1000);
    ASSERT_NE(service.sourceVoice, nullptr);
    EXPECT_EQ(count(log, "INFO|Media::XAudio2Service::createPlayer|no audio device"), 1);
    service.stop(); // without play: nothing
    service.play();
    service.play();
    EXPECT_TRUE(service.playing);
    service.stop();
    service.stop();
    EXPECT_FALSE(service.playing);
    EXPECT_EQ(count(log, "INFO|Media::XAudio2Service::play|start audio player"), 1);
    EXPECT_EQ(count(log, "INFO|Media::XAudio2Service::stop|stop audio player"), 1);
}

TEST_F(NullDeviceTest, VolumeIsClampedToTheUnitRange)
{
    service.createPlayer(1000);
    const std::pair<int, float> cases[] = {{150, 1.0f}, {-5, 0.0f}, {40, 0.4f}, {100, 1.0f}, {0, 0.0f}};
    for (auto [volume, expected] : cases) {
        service.setVolume(volume);
        EXPECT_FLOAT_EQ(service.sourceVoice->volume(), expected) << volume;
    }
}

// Buffers stay held until the voice has played them; the clock plays 1000
// frames a second while playing and none while stopped.
TEST_F(NullDeviceTest, QueueAccountingFollowsWhatHasPlayed)
{
    service.createPlayer(1000);
    service.submitBuffer(frames(100));
    service.submitBuffer(frames(50));
    EXPECT_EQ(service.buffers.size(), 2u);
    EXPECT_EQ(service.queuedBytes, 1200u);
    advanceMs(500); // stopped: nothing plays
    service.releasePlayedBuffers();
    EXPECT_EQ(service.buffers.size(), 2u);

    service.play();
    advanceMs(99);
    service.releasePlayedBuffers();
    EXPECT_EQ(service.buffers.size(), 2u);
    advanceMs(1);
    service.releasePlayedBuffers();
    EXPECT_EQ(service.buffers.size(), 1u);
    EXPECT_EQ(service.queuedBytes, 400u);
    service.stop();
    advanceMs(100);
    service.play();
    advanceMs(49);
    service.submitBuffer(frames(10)); // releases first: the second is still playing
    EXPECT_EQ(service.buffers.size(), 2u);
    EXPECT_EQ(service.queuedBytes, 480u);
    advanceMs(11);
    service.releasePlayedBuffers();
    EXPECT_EQ(service.buffers.size(), 0u);
    EXPECT_EQ(service.queuedBytes, 0u);
}

TEST_F(NullDeviceTest, ARateChangeKeepsTheVoicesAndTheQueue)
{
    service.createPlayer(44100);
    Platform::Audio::Voice* voice = service.sourceVoice.get();
    Platform::Audio::Output* output = service.masteringVoice.get();
    service.submitBuffer(frames(100));
    service.createPlayer(48000);
    EXPECT_EQ(service.sourceVoice.get(), voice);
    EXPECT_EQ(service.masteringVoice.get(), output);
    EXPECT_EQ(service.sampleRate, 48000u);
    EXPECT_EQ(voice->sourceRate(), 48000u);
    EXPECT_EQ(service.buffers.size(), 1u);
    // The new rate plays: 100 frames at 48 kHz take 2.1 ms, not 2.3.
    service.play();
    advanceMs(3);
    service.releasePlayedBuffers();
    EXPECT_EQ(service.buffers.size(), 0u);
}

TEST_F(NullDeviceTest, ClearBufferDropsEverything)
{
    service.createPlayer(1000);
    service.submitBuffer(frames(100));
    service.submitBuffer(frames(100));
    service.clearBuffer();
    EXPECT_EQ(service.buffers.size(), 0u);
    EXPECT_EQ(service.queuedBytes, 0u);
    EXPECT_EQ(service.sourceVoice->buffersQueued(), 0u);
    service.releasePlayer();
    EXPECT_EQ(service.sourceVoice, nullptr);
    EXPECT_NE(service.xaudio2, nullptr); // the engine stays
}

// Each failing step leaves no player, logs the failure and does not throw;
// the next attempt works again.
TEST_F(NullDeviceTest, AFailingCreatePlayerDoesNotThrow)
{
    const struct {
        const char* step;
        const char* call;
    } cases[] = {{"engine", "XAudio2Create() failed in Media::XAudio2Service::initialize()"},
                 {"output", "xaudio2->CreateMasteringVoice() failed in Media::XAudio2Service::createPlayer()"},
                 {"voice", "xaudio2->CreateSourceVoice() failed in Media::XAudio2Service::createPlayer()"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        XAudio2Service s;
        TestKit::LogCapture lines;
        std::string step = c.step;
        Platform::Audio::setFailureHook([step](const char* at) { return step == at; });
        EXPECT_NO_THROW(s.createPlayer(48000));
        EXPECT_EQ(s.sourceVoice, nullptr);
        EXPECT_EQ(s.masteringVoice, nullptr);
        EXPECT_TRUE(lines.contains("WARN|Media::XAudio2Service::createPlayer|audio player initialize failed."));
        EXPECT_TRUE(lines.contains(c.call));
        s.play();
        s.submitBuffer(frames(10));
        EXPECT_EQ(s.buffers.size(), 0u);
        Platform::Audio::setFailureHook(nullptr);
        s.createPlayer(48000);
        EXPECT_NE(s.sourceVoice, nullptr);
    }
}

// The real device path on the sound library's file-writing driver: the
// callback plays the buffers with the volume applied, and converts the rate.
TEST(SoundDevice, TheCallbackPlaysBuffersWithVolumeAndRate)
{
    std::string path = TestKit::tempDir() + "/out.raw";
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    ::setenv("SDL_DISKAUDIODELAY", "1", 1);
    {
        XAudio2Service service;
        service.createPlayer(48000);
        ASSERT_NE(service.masteringVoice, nullptr);
        ASSERT_FALSE(service.masteringVoice->isNull());
        ASSERT_EQ(service.masteringVoice->deviceRate(), 48000u);
        service.setVolume(50);
        service.submitBuffer(frames(4800, 0.8f));
        service.play();
        TestKit::finishWithin(20000, [&] {
            while (service.sourceVoice->buffersQueued() > 0)
                std::this_thread::yield();
        }, "the device plays the buffer");
        // Half the rate: the same frames become twice as many at the device.
        service.createPlayer(24000);
        service.submitBuffer(frames(4800, -0.6f));
        // The converter holds what it was given until the device takes it: a
        // silent buffer after it pushes it through.
        service.submitBuffer(frames(4800, 0.0f));
        TestKit::finishWithin(20000, [&] {
            while (service.sourceVoice->buffersQueued() > 0)
                std::this_thread::yield();
        }, "the device plays the converted buffer");
        service.releasePlayer();
    }
    std::string bytes = TestKit::readFile(path);
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    size_t loud = 0, quiet = 0;
    for (float v : out) {
        loud += std::abs(v - 0.4f) < 1e-6f;
        quiet += std::abs(v + 0.3f) < 1e-3f;
    }
    EXPECT_EQ(loud, 2u * 4800);
    EXPECT_GT(quiet, 2u * 9000); // about 9600 frames once converted
    EXPECT_LT(quiet, 2u * 9700);
}
