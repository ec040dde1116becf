#include "render/movie_player.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/render_task_type.h"
#include "media/audio_buffer.h"
#include "media/preview_image.h"
#include "media/xaudio2_service.h"
#include "platform/audio/audio.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"
#include "render/render_audio_worker.h"
#include "render/render_video_worker.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace Render {

namespace {

constexpr int TickMilliseconds = 12;
constexpr int MaxRequestsPerTick = 4;
constexpr int MaxPresentsPerTick = 4;
constexpr double SpinWindow = 0.016;   // a frame due this soon is waited for by spinning
constexpr double LeadIn = 0.333;       // the longest wait before the picture starts
constexpr double FillLeadIn = 600.0;   // with fillBufferFirst: until the read-ahead is rendered
constexpr double EndMargin = 0.05;     // playback stops this long after the last frame's time
constexpr size_t MaxVoiceBuffers = 64;
constexpr uint64_t MaxVoiceBytes = 3840000;
constexpr int Playback = static_cast<int>(RenderTaskType::Playback);

std::atomic<int> playersPlaying{0};

int64_t counterNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
constexpr double CounterFrequency = 1e9;

void cpuPause()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

float toDb(float value)
{
    return std::clamp(20.0f * std::log10(value), -60.0f, 60.0f);
}

} // namespace

// ---- level meters ----

float RmsMeter::addSample(float x)
{
    window[static_cast<size_t>(index)] = x * x;
    index = (index + 1) % windowSize;
    float sum = 0;
    for (float v : window)
        sum += v;
    return sum > 0 ? toDb(std::sqrt(sum / static_cast<float>(windowSize))) : -60.0f;
}

void RmsMeter::setWindow(int size)
{
    windowSize = std::max(size, 1);
    window.resize(static_cast<size_t>(windowSize), 0.0f);
    index = 0;
}

// ---- life ----

MoviePlayer::MoviePlayer(RenderVideoWorker& videoWorker, RenderAudioWorker& audioRenderer, Edit::EditService* editService)
    : video(videoWorker), audioWorker(audioRenderer), edit(editService ? editService : Edit::EditService::Get()),
      events(Event::EventService::Get()), audio(Media::XAudio2Service::Get())
{
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    if (events) {
        events->editChanged.push_back([this](std::shared_ptr<Edit::Object>&) { stop(false); });
        events->sceneChanged.push_back([this](int) { stop(false); });
    }
    if (edit)
        edit->stopPlayback = [this] { stop(false); };
}

MoviePlayer::~MoviePlayer()
{
    try {
        stop(false);
    } catch (const std::exception& e) {
        System::Log::error("Render::MoviePlayer::~MoviePlayer", "%s", e.what());
    }
    if (edit)
        edit->stopPlayback = nullptr;
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
}

bool MoviePlayer::isPlaybackRunning()
{
    return playersPlaying.load(std::memory_order_acquire) > 0;
}

double MoviePlayer::getClock() const
{
    return static_cast<double>(counterNow() - clockOrigin.load(std::memory_order_acquire)) / CounterFrequency;
}

void MoviePlayer::setClock(double seconds)
{
    clockOrigin.store(counterNow() - static_cast<int64_t>(CounterFrequency * seconds), std::memory_order_release);
}

void MoviePlayer::play(bool fillBufferFirst)
{
    if (!edit || !edit->currentScene)
        return;
    std::shared_ptr<Edit::Scene> current = edit->currentScene;
    if (current->playing || isPlaying())
        return;
    scene = current;
    videoRate = std::max(scene->videoRate, 1);
    videoScale = std::max(scene->videoScale, 1);
    startFrame = scene->cursorFrame;
    endFrame = scene->lastFrame;
    nextVideoFrame = nextAudioFrame = startFrame;
    startTime = rangeStartTime = static_cast<double>(startFrame) * videoScale / videoRate;
    endTime = static_cast<double>(endFrame) * videoScale / videoRate;
    const double seconds = std::max(bufferTime, 0) / 1000.0;
    videoAhead = std::max(static_cast<int>(std::lround(videoRate * seconds / videoScale)), 2);
    audioAhead = std::max(static_cast<int>(std::lround(std::max(seconds, 1.0) * videoRate / videoScale)), 2);
    statistics = {};
    setupMeters();
    if (audio) {
        audio->createPlayer(static_cast<uint32_t>(std::max(scene->audioRate, 1)));
        audio->setVolume(volume);
    }
    setClock(startTime - (fillBufferFirst ? FillLeadIn : LeadIn));
    video.playbackFrame = 0;
    timer.setInterval(TickMilliseconds);
    Platform::Ui::watchHandle(timer.handle(), true, [this] { tick(); });
    scene->playFrame = startFrame;
    scene->playing = true;
    playing.store(true, std::memory_order_release);
    playersPlaying.fetch_add(1);
    if (events)
        events->playStateChanged(true);
    Edit::EditHost::get().setBusyCursor(true);
}

void MoviePlayer::stop(bool returnToCursor)
{
    if (!isPlaying())
        return;
    playing.store(false, std::memory_order_release);
    playersPlaying.fetch_sub(1);
    scene->playing = false;
    Platform::Ui::unwatchHandle(timer.handle());
    timer.clear();
    if (audio)
        audio->stop();
    video.requestThread.cancel(Playback);
    video.requestThread.wait();
    audioWorker.requestThread.cancel(Playback);
    audioWorker.requestThread.wait();
    {
        std::lock_guard lock(videoMutex);
        videoQueue.clear();
    }
    {
        std::lock_guard lock(audioMutex);
        audioQueue.clear();
    }
    resetMeters();
    if (audio)
        audio->clearBuffer();
    if (events)
        events->playStateChanged(false);
    const int cursor = std::clamp(returnToCursor ? scene->cursorFrame : scene->playFrame, 0,
                                  std::max(scene->lastFrame, 0));
    scene->cursorFrame = cursor;
    if (events)
        events->cursorFrameChanged(cursor);
    Edit::EditHost::get().setBusyCursor(false);
    scene.reset();
}

// ---- pacing (main thread) ----

void MoviePlayer::tick()
{
    videoStep();
    audioStep();
    if (isPlaying() && getClock() > endTime + EndMargin) {
        scene->playFrame = endFrame;
        stop(false);
    }
}

void MoviePlayer::clockCheck()
{
    // The picture starts as soon as the read-ahead is rendered (or after the
    // lead-in). It waits for the start of the range, never for a sound start
    // moved later by an underrun: that would skip the picture forward.
    if (getClock() < rangeStartTime && video.requestThread.queuedCount() == 0 &&
        audioWorker.requestThread.queuedCount() == 0)
        setClock(rangeStartTime);
}

void MoviePlayer::videoStep()
{
    if (!isPlaying())
        return;
    {
        std::lock_guard lock(videoMutex);
        if (nextVideoFrame > endFrame) {
            clockCheck();
        } else {
            if (static_cast<int>(videoQueue.size()) >= videoAhead)
                clockCheck();
            const int missing = videoAhead - static_cast<int>(videoQueue.size()) -
                                static_cast<int>(video.requestThread.queuedCount());
            for (int i = 0; i < std::min(missing, MaxRequestsPerTick) && nextVideoFrame <= endFrame; ++i)
                video.requestRenderingFrame(RenderTaskType::Playback, nextVideoFrame++,
                                            [this](int frame, Media::RenderBuffer& buffer, Anchor::AnchorList&) {
                                                frameRendered(frame, buffer);
                                            });
        }
    }
    for (int n = 0; n < MaxPresentsPerTick && isPlaying(); ++n) {
        std::lock_guard lock(videoMutex);
        if (videoQueue.empty())
            break;
        const int frame = videoQueue.front().frame;
        const double t = static_cast<double>(frame) * videoScale / videoRate;
        const double now = getClock();
        bool show = true;
        if (t > now) {
            if (t > now + SpinWindow)
                break; // not due yet
            while (getClock() < t)
                cpuPause();
        } else if (now > static_cast<double>(frame + 1) * videoScale / videoRate && videoQueue.size() > 1) {
            show = false; // late: the next frame is already here
            ++statistics.dropped;
        }
        scene->playFrame = frame;
        if (show) {
            ++statistics.shown;
            if (events)
                events->videoFrameRendered(RenderTaskType::Playback, frame);
        }
        videoQueue.pop_front();
    }
}

bool MoviePlayer::voiceDry() const
{
    return !audio->sourceVoice || audio->sourceVoice->buffersQueued() == 0;
}

void MoviePlayer::audioStep()
{
    if (!isPlaying() || !audio)
        return;
    // A voice that ran dry while sound was still to come restarts a second
    // later at the matching frame; the picture goes on.
    if (audio->playing && voiceDry()) {
        bool soundLeft;
        {
            std::lock_guard lock(audioMutex);
            soundLeft = nextAudioFrame <= endFrame || !audioQueue.empty() ||
                        audioWorker.requestThread.queuedCount() > 0;
        }
        if (soundLeft) {
            audio->stop();
            audio->clearBuffer();
            audioWorker.requestThread.cancel(Playback);
            audioWorker.requestThread.wait();
            {
                std::lock_guard lock(audioMutex);
                audioQueue.clear();
            }
            startTime = getClock() + 1.0;
            nextAudioFrame = static_cast<int>(std::lround(startTime * videoRate / videoScale));
            resetMeters();
            ++statistics.underruns;
        }
    }
    {
        std::lock_guard lock(audioMutex);
        if (nextAudioFrame <= endFrame) {
            const int missing = audioAhead - static_cast<int>(audioQueue.size()) -
                                static_cast<int>(audioWorker.requestThread.queuedCount());
            for (int i = 0; i < std::min(missing, MaxRequestsPerTick) && nextAudioFrame <= endFrame; ++i)
                audioWorker.requestRenderingAudio(RenderTaskType::Playback, nextAudioFrame++,
                                                  [this](int frame, Media::AudioBlockBuffer& block) {
                                                      audioRendered(frame, block);
                                                  });
        }
    }
    if (!audio->playing && startTime <= getClock())
        audio->play();
    std::lock_guard lock(audioMutex);
    while (audio->sourceVoice && !audioQueue.empty()) {
        audio->releasePlayedBuffers();
        if (audio->buffers.size() >= MaxVoiceBuffers || audio->queuedBytes >= MaxVoiceBytes)
            break;
        audio->submitBuffer(std::move(audioQueue.front().samples));
        audioQueue.pop_front();
    }
}

// ---- render callbacks (render request threads) ----

void MoviePlayer::frameRendered(int frame, Media::RenderBuffer& buffer)
{
    if (!isPlaying())
        return;
    const int clockFrame = static_cast<int>(std::lround(getClock() * videoRate / videoScale));
    video.playbackFrame = clockFrame;
    {
        std::lock_guard lock(videoMutex);
        if (frame + 1 < clockFrame && !videoQueue.empty()) {
            ++statistics.discarded;
            return;
        }
    }
    // The read-back runs outside the lock, so the tick never waits for it.
    auto image = std::make_unique<Media::PreviewImage>();
    image->setRenderBuffer(buffer);
    std::lock_guard lock(videoMutex);
    videoQueue.push_back({frame, std::move(image)});
}

void MoviePlayer::audioRendered(int frame, Media::AudioBlockBuffer& block)
{
    if (!isPlaying())
        return;
    updateMeters(frame, block);
    const uint32_t n = block.samples;
    auto samples = std::make_unique<System::AlignedBuffer>();
    samples->allocMemory(n * 8);
    float* out = static_cast<float*>(samples->data);
    const float* left = block.getChannel(0);
    const float* right = block.getChannel(1);
    for (uint32_t i = 0; i < n; ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
    }
    std::lock_guard lock(audioMutex);
    audioQueue.push_back({frame, std::move(samples)});
}

// ---- level meters ----

void MoviePlayer::setupMeters()
{
    std::lock_guard lock(meterMutex);
    // At least one frame a second, so the decay never divides by zero.
    const double fps = std::max(static_cast<double>(std::lround(static_cast<double>(videoRate) / videoScale)), 1.0);
    for (ChannelMeter* m : {&meterLeft, &meterRight}) {
        m->holdLevel = m->level = -60.0f;
        m->holdFrame = 0;
        m->holdFrames = std::max(static_cast<int>(std::lround(3.0 * videoRate / videoScale)), 1);
        m->decayPerFrame = static_cast<float>(60.0 / fps);
    }
    const int window = std::max(static_cast<int>(std::lround(0.4 * videoRate / videoScale)), 1);
    rmsLeft.setWindow(window);
    rmsRight.setWindow(window);
}

void MoviePlayer::resetMeters()
{
    std::lock_guard lock(meterMutex);
    meterQueue.clear();
    lastMeter.left = lastMeter.right = MeterRecord::Channel{};
    for (ChannelMeter* m : {&meterLeft, &meterRight}) {
        m->holdLevel = m->level = -60.0f;
        m->holdFrame = 0;
    }
    // The windows forget the sound before the stop (or the underrun): a new
    // playback must not show the energy of the last one.
    for (RmsMeter* rms : {&rmsLeft, &rmsRight}) {
        rms->index = 0;
        std::fill(rms->window.begin(), rms->window.end(), 0.0f);
    }
}

void MoviePlayer::updateMeters(int frame, const Media::AudioBlockBuffer& block)
{
    if (visibleLevelMeter == 0)
        return;
    struct Measure {
        float peak = 0;
        float rms = 0;
    };
    auto measure = [&](const float* samples) {
        Measure m;
        double sum = 0;
        for (uint32_t i = 0; i < block.samples; ++i) {
            m.peak = std::max(m.peak, samples[i]);
            sum += static_cast<double>(samples[i]) * samples[i];
        }
        m.rms = sum > 0 ? static_cast<float>(std::sqrt(sum / std::max<uint32_t>(block.samples, 1))) : 0.0f;
        return m;
    };
    const Measure left = measure(block.getChannel(0));
    const Measure right = measure(block.getChannel(1));
    std::lock_guard lock(meterMutex);
    MeterRecord record;
    record.frame = frame;
    auto channel = [&](ChannelMeter& meter, RmsMeter& rms, const Measure& m, MeterRecord::Channel& out) {
        const float peakDb = m.peak > 0 ? toDb(m.peak) : -60.0f;
        meter.level = std::max(meter.level - meter.decayPerFrame, peakDb);
        if (meter.holdFrame < frame - meter.holdFrames || meter.level > meter.holdLevel) {
            meter.holdFrame = frame;
            meter.holdLevel = meter.level;
        }
        out.level = meter.level;
        out.hold = meter.holdLevel;
        out.rms = rms.addSample(m.rms);
    };
    channel(meterLeft, rmsLeft, left, record.left);
    channel(meterRight, rmsRight, right, record.right);
    meterQueue.push_back(record);
}

// ---- the display menu's toggles ----

void togglePlayStop(MoviePlayer& player)
{
    if (player.isPlaying())
        player.stop(true);
    else
        player.play(false);
}

void togglePlayPause(MoviePlayer& player)
{
    if (player.isPlaying())
        player.stop(false);
    else
        player.play(false);
}

void togglePlayFullBuffer(MoviePlayer& player)
{
    if (player.isPlaying())
        player.stop(true);
    else
        player.play(true);
}

} // namespace Render
