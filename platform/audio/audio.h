#pragma once
// Sound output: an engine (the sound system, started once), an output device
// (the default device, or a null device that plays silently by the clock when
// no device opens) and one voice that plays submitted float stereo buffers
// straight from the caller's memory.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace Platform::Audio {

// Tests: `fails` is asked before each step ("engine", "output", "voice") and
// makes it fail when it answers true. An empty function removes the hook.
void setFailureHook(std::function<bool(const char* step)> fails);
// Tests: outputs opened afterwards are null devices, whatever the machine has.
void useNullDevice(bool on);
// Tests: the null device's clock moves only by advanceNullClock.
void useManualClock(bool on);
void advanceNullClock(uint64_t microseconds);

class Voice;

class Engine {
public:
    // Null with error set when the sound system cannot start.
    static std::unique_ptr<Engine> start(std::string& error);
    ~Engine();

private:
    Engine() = default;
    bool started_ = false; // the sound system runs; without it outputs are null devices
    friend class Output;
};

class Output {
public:
    // The default device for float stereo, else the null device. Null with
    // error set only when the failure hook says so.
    static std::unique_ptr<Output> open(Engine& engine, std::string& error);
    ~Output();
    bool isNull() const;
    uint32_t deviceRate() const;

    struct Device;

private:
    explicit Output(std::unique_ptr<Device> device);
    std::unique_ptr<Device> device_;
    friend class Voice;
};

class Voice {
public:
    // A voice of interleaved float stereo at `rate` frames per second on the
    // output; it stays stopped until start.
    static std::unique_ptr<Voice> create(Output& output, uint32_t rate, std::string& error);
    ~Voice();

    void start();
    void stop();
    void setVolume(float volume);
    float volume() const;
    // Later buffers convert from the new rate; queued buffers stay.
    void setSourceRate(uint32_t rate);
    uint32_t sourceRate() const;
    // Queues bytes to play; they must stay valid until the voice no longer
    // counts them as queued (or flush).
    void submit(const void* data, uint32_t bytes);
    void flush();
    // Buffers not yet wholly played.
    uint32_t buffersQueued();

    struct State;

private:
    Voice(Output& output, std::unique_ptr<State> state);
    Output& output_;
    std::unique_ptr<State> s_;
};

} // namespace Platform::Audio
