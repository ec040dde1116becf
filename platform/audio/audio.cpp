#include "platform/audio/audio.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>

namespace Platform::Audio {

namespace {
constexpr uint32_t FrameBytes = 8; // float stereo
constexpr int DefaultRate = 48000;

std::mutex hookMutex;
std::function<bool(const char*)> failureHook;
std::atomic<bool> nullOnly{false};
std::atomic<bool> manualClock{false};
std::atomic<uint64_t> manualMicros{0};

bool hookFails(const char* step)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    return failureHook && failureHook(step);
}

uint64_t nowMicros()
{
    if (manualClock)
        return manualMicros;
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}
} // namespace

void setFailureHook(std::function<bool(const char* step)> fails)
{
    std::lock_guard<std::mutex> lock(hookMutex);
    failureHook = std::move(fails);
}

void useNullDevice(bool on)
{
    nullOnly = on;
}

void useManualClock(bool on)
{
    manualClock = on;
}

void advanceNullClock(uint64_t microseconds)
{
    manualMicros += microseconds;
}

struct Voice::State {
    struct Queued {
        const uint8_t* data;
        uint32_t bytes;
        uint32_t at;
    };
    std::deque<Queued> queue;
    float volume = 1.0f;
    uint32_t rate = 0;
    bool started = false;
    SDL_AudioStream* stream = nullptr; // converts to the device's rate when it differs
    // The null device's clock: time played since the rate was set, and the
    // frames that time has consumed.
    uint64_t clockMark = 0;
    uint64_t playedMicros = 0;
    uint64_t framesConsumed = 0;

    ~State()
    {
        if (stream)
            SDL_FreeAudioStream(stream);
    }

    // Takes up to `frames` frames from the queue into out (scaled by the
    // volume), or drops them when out is null. Returns the frames taken.
    uint32_t pull(float* out, uint32_t frames)
    {
        uint32_t done = 0;
        while (done < frames && !queue.empty()) {
            Queued& q = queue.front();
            uint32_t n = std::min(frames - done, (q.bytes - q.at) / FrameBytes);
            if (out) {
                const float* in = reinterpret_cast<const float*>(q.data + q.at);
                for (uint32_t i = 0; i < 2 * n; ++i)
                    out[2 * done + i] = in[i] * volume;
            }
            q.at += n * FrameBytes;
            done += n;
            if (q.bytes - q.at < FrameBytes)
                queue.pop_front();
        }
        return done;
    }

    // Feeds whole queued buffers to the rate converter until it holds `bytes`.
    void feed(int bytes)
    {
        while (SDL_AudioStreamAvailable(stream) < bytes && !queue.empty()) {
            Queued& q = queue.front();
            SDL_AudioStreamPut(stream, q.data + q.at, int(q.bytes - q.at));
            queue.pop_front();
        }
    }

    // Null device: consumes what the clock says has played since last time.
    void followClock()
    {
        uint64_t now = nowMicros();
        if (started) {
            playedMicros += now - clockMark;
            uint64_t due = playedMicros * rate / 1000000;
            if (due > framesConsumed) {
                pull(nullptr, uint32_t(std::min<uint64_t>(due - framesConsumed, UINT32_MAX)));
                framesConsumed = due;
            }
        }
        clockMark = now;
    }
};

struct Output::Device {
    SDL_AudioDeviceID id = 0; // 0: the null device
    uint32_t rate = DefaultRate;
    Voice::State* voice = nullptr;
    std::mutex nullLock;

    void lock()
    {
        if (id)
            SDL_LockAudioDevice(id);
        else
            nullLock.lock();
    }
    void unlock()
    {
        if (id)
            SDL_UnlockAudioDevice(id);
        else
            nullLock.unlock();
    }

    // The device's thread: plays straight from the voice's buffers (SDL holds
    // the device lock around it).
    static void play(void* user, Uint8* bytes, int length)
    {
        auto* device = static_cast<Device*>(user);
        std::memset(bytes, 0, size_t(length));
        Voice::State* v = device->voice;
        if (!v || !v->started)
            return;
        float* out = reinterpret_cast<float*>(bytes);
        if (!v->stream) {
            v->pull(out, uint32_t(length) / FrameBytes);
            return;
        }
        v->feed(length);
        int got = SDL_AudioStreamGet(v->stream, out, length);
        for (int i = 0; i < std::max(got, 0) / 4; ++i)
            out[i] *= v->volume;
    }
};

class DeviceLock {
public:
    explicit DeviceLock(Output::Device& d) : d_(d) { d_.lock(); }
    ~DeviceLock() { d_.unlock(); }

private:
    Output::Device& d_;
};

std::unique_ptr<Engine> Engine::start(std::string& error)
{
    if (hookFails("engine")) {
        error = "engine creation failed (test hook)";
        return nullptr;
    }
    std::unique_ptr<Engine> engine(new Engine());
    if (!nullOnly) {
        // The program keeps its own signal handling.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        engine->started_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return engine;
}

Engine::~Engine()
{
    if (started_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

Output::Output(std::unique_ptr<Device> device) : device_(std::move(device)) {}

std::unique_ptr<Output> Output::open(Engine& engine, std::string& error)
{
    if (hookFails("output")) {
        error = "output creation failed (test hook)";
        return nullptr;
    }
    auto device = std::make_unique<Device>();
    if (!nullOnly && engine.started_) {
        SDL_AudioSpec want{}, have{};
        want.freq = DefaultRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &Device::play;
        want.userdata = device.get();
        device->id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (device->id) {
            device->rate = uint32_t(have.freq);
            SDL_PauseAudioDevice(device->id, 0);
        }
    }
    return std::unique_ptr<Output>(new Output(std::move(device)));
}

Output::~Output()
{
    if (device_->id)
        SDL_CloseAudioDevice(device_->id);
}

bool Output::isNull() const
{
    return device_->id == 0;
}

uint32_t Output::deviceRate() const
{
    return device_->rate;
}

Voice::Voice(Output& output, std::unique_ptr<State> state) : output_(output), s_(std::move(state)) {}

std::unique_ptr<Voice> Voice::create(Output& output, uint32_t rate, std::string& error)
{
    if (hookFails("voice") || rate == 0) {
        error = rate ? "voice creation failed (test hook)" : "no sample rate";
        return nullptr;
    }
    auto state = std::make_unique<State>();
    State* s = state.get();
    std::unique_ptr<Voice> voice(new Voice(output, std::move(state)));
    voice->setSourceRate(rate);
    DeviceLock lock(*output.device_);
    output.device_->voice = s;
    return voice;
}

Voice::~Voice()
{
    DeviceLock lock(*output_.device_);
    output_.device_->voice = nullptr;
}

void Voice::start()
{
    DeviceLock lock(*output_.device_);
    if (output_.isNull())
        s_->followClock();
    s_->started = true;
}

void Voice::stop()
{
    DeviceLock lock(*output_.device_);
    if (output_.isNull())
        s_->followClock();
    s_->started = false;
}

void Voice::setVolume(float volume)
{
    DeviceLock lock(*output_.device_);
    s_->volume = volume;
}

float Voice::volume() const
{
    DeviceLock lock(*output_.device_);
    return s_->volume;
}

void Voice::setSourceRate(uint32_t rate)
{
    DeviceLock lock(*output_.device_);
    if (output_.isNull()) {
        s_->followClock();
        s_->playedMicros = 0;
        s_->framesConsumed = 0;
    } else {
        if (s_->stream)
            SDL_FreeAudioStream(s_->stream);
        s_->stream = nullptr;
        if (rate != output_.device_->rate)
            s_->stream = SDL_NewAudioStream(AUDIO_F32SYS, 2, int(rate), AUDIO_F32SYS, 2, int(output_.device_->rate));
    }
    s_->rate = rate;
}

uint32_t Voice::sourceRate() const
{
    DeviceLock lock(*output_.device_);
    return s_->rate;
}

void Voice::submit(const void* data, uint32_t bytes)
{
    DeviceLock lock(*output_.device_);
    if (output_.isNull())
        s_->followClock();
    // Every buffer is counted, even one too short to hold a frame: the owner
    // frees its buffers by that count, oldest first.
    s_->queue.push_back({static_cast<const uint8_t*>(data), bytes, 0});
}

void Voice::flush()
{
    DeviceLock lock(*output_.device_);
    s_->queue.clear();
    if (s_->stream)
        SDL_AudioStreamClear(s_->stream);
}

uint32_t Voice::buffersQueued()
{
    DeviceLock lock(*output_.device_);
    if (output_.isNull())
        s_->followClock();
    return uint32_t(s_->queue.size());
}

} // namespace Platform::Audio
