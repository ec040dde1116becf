#pragma once
// The preview player: plays the current scene from the cursor to its last
// frame. It asks the render workers for frames and sound ahead of time,
// keeps the frames as 8-bit pictures and the sound as interleaved float
// blocks, shows each frame when its clock reaches the frame's time, feeds the
// sound to the audio service and computes the level meters per frame of
// sound. Its pacing runs on the main thread from a 12 ms timer the main loop
// waits on; the render threads fill its queues.
#include "core/config.h"
#include "core/file.h"
#include "core/sync.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace Edit {
class EditService;
class Scene;
}
namespace Event { class EventService; }
namespace Media {
class AudioBlockBuffer;
class PreviewImage;
class RenderBuffer;
class XAudio2Service;
}

namespace Render {

class RenderAudioWorker;
class RenderVideoWorker;

// A sliding window of squared levels.
class RmsMeter {
public:
    // Adds one frame's RMS; the window's RMS in dB, -60 to 60 (-60 for silence).
    float addSample(float x);
    // A window of the size; kept entries stay, new ones are 0.
    void setWindow(int size);

    int index = 0;
    int windowSize = 1;
    std::vector<float> window = std::vector<float>(1, 0.0f);
};

// The level-meter values of one frame of sound, in dB.
struct MeterRecord {
    struct Channel {
        float level = -60.0f;
        float rms = -60.0f;
        float hold = -60.0f;
        float unused = -60.0f;
    };
    int frame = 0;
    Channel left, right;
};

class MoviePlayer {
public:
    struct ChannelMeter {
        float holdLevel = -60.0f;
        float level = -60.0f;
        float decayPerFrame = 2.0f;
        int holdFrame = 0;
        int holdFrames = 1;
    };
    struct VideoEntry {
        int frame;
        std::unique_ptr<Media::PreviewImage> image;
    };
    struct AudioEntry {
        int frame;
        std::unique_ptr<System::AlignedBuffer> samples; // interleaved float stereo
    };

    // Loads "Player", creates the timer and joins the edit and scene-change
    // listeners; edit transactions stop playback through it from now on.
    MoviePlayer(RenderVideoWorker& video, RenderAudioWorker& audio, Edit::EditService* edit = nullptr);
    // Stops playback and writes "Player" back.
    ~MoviePlayer();
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // Plays the current scene from its cursor; nothing while it plays. With
    // fillBufferFirst playback waits until the read-ahead is rendered.
    void play(bool fillBufferFirst);
    // Stops playback; the cursor stays where playback began, or moves to the
    // frame last shown. Nothing when not playing.
    void stop(bool returnToCursor);
    bool isPlaying() const { return playing.load(std::memory_order_acquire); }
    // Whether any player plays now (any thread).
    static bool isPlaybackRunning();

    // Seconds of the player's clock.
    double getClock() const;
    // One pacing step: what the timer runs every 12 ms on the main thread.
    void tick();

    // The settings ("Player").
    System::Config::Section settings{"Player"};
    int volume = 100;
    int bufferTime = 500; // milliseconds rendered ahead
    int visibleLevelMeter = 1;
    int levelMeterOnlyPlayback = 0;
    int levelMeterThresholdRed = -3;
    int levelMeterThresholdYellow = -20;

    std::mutex videoMutex, audioMutex, meterMutex;
    int nextVideoFrame = 0, nextAudioFrame = 0;
    int startFrame = 0, endFrame = 0;
    double startTime = 0, endTime = 0; // startTime is also when the sound starts
    int videoAhead = 2, audioAhead = 2;
    MeterRecord lastMeter;
    ChannelMeter meterLeft, meterRight;
    RmsMeter rmsLeft, rmsRight;
    Sync::Timer timer;
    std::deque<VideoEntry> videoQueue; // oldest first; listeners read the front
    std::deque<AudioEntry> audioQueue;
    std::deque<MeterRecord> meterQueue;

    // What happened since play (for the preview's status and the benchmark).
    struct Statistics {
        int shown = 0;
        int dropped = 0;   // presented late, skipped
        int discarded = 0; // arrived behind the clock
        int underruns = 0;
    };
    Statistics statistics;

private:
    void videoStep();
    void audioStep();
    void clockCheck();
    void setClock(double seconds);
    void frameRendered(int frame, Media::RenderBuffer& buffer);
    void audioRendered(int frame, Media::AudioBlockBuffer& block);
    void setupMeters();
    void resetMeters();
    void updateMeters(int frame, const Media::AudioBlockBuffer& block);
    bool voiceDry() const;

    RenderVideoWorker& video;
    RenderAudioWorker& audioWorker;
    Edit::EditService* edit;
    Event::EventService* events;
    Media::XAudio2Service* audio;
    std::shared_ptr<Edit::Scene> scene; // the scene playing
    int videoRate = 30, videoScale = 1;
    double rangeStartTime = 0; // the picture's start: the clock waits for it
    std::atomic<bool> playing{false};
    std::atomic<int64_t> clockOrigin{0}; // steady-clock nanoseconds at second 0

    System::Config::Int volumeValue{settings, "Volume", &volume, 100};
    System::Config::Int bufferTimeValue{settings, "BufferTime", &bufferTime, 500};
    System::Config::Int visibleLevelMeterValue{settings, "VisibleLevelMeter", &visibleLevelMeter, 1};
    System::Config::Int levelMeterOnlyPlaybackValue{settings, "LevelMeterOnlyPlayback", &levelMeterOnlyPlayback, 0};
    System::Config::Int levelMeterThresholdRedValue{settings, "LevelMeterThresholdRed", &levelMeterThresholdRed, -3};
    System::Config::Int levelMeterThresholdYellowValue{settings, "LevelMeterThresholdYellow",
                                                        &levelMeterThresholdYellow, -20};
};

// The display menu's playback toggles: while playing they stop (keeping the
// start position, the position shown, or the start position), else they play
// (at once, at once, or once the read-ahead is rendered).
void togglePlayStop(MoviePlayer& player);
void togglePlayPause(MoviePlayer& player);
void togglePlayFullBuffer(MoviePlayer& player);

} // namespace Render
