#pragma once
// Plays the preview's sound: a service that does nothing until the player
// starts playback, then opens the sound output with one float stereo voice
// at the scene's audio rate and plays the sample buffers handed to it,
// keeping each until the voice has played it.
#include "core/file.h"
#include "core/service.h"

#include <cstdint>
#include <deque>
#include <memory>

namespace Platform::Audio {
class Engine;
class Output;
class Voice;
} // namespace Platform::Audio

namespace Media {

class XAudio2Service : public System::Singleton<XAudio2Service> {
public:
    XAudio2Service();
    ~XAudio2Service();
    XAudio2Service(const XAudio2Service&) = delete;
    XAudio2Service& operator=(const XAudio2Service&) = delete;

    // Makes the service ready to play at the rate; a voice that exists only
    // changes its rate. Never throws: a failure logs "audio player initialize
    // failed." and leaves the service without a player.
    void createPlayer(uint32_t sampleRate);
    void play();
    void stop();
    // 0..100, clamped.
    void setVolume(int volume);
    // Drops every queued and held buffer.
    void clearBuffer();
    // Queues a buffer of interleaved float stereo frames; without a player it
    // is freed.
    void submitBuffer(std::unique_ptr<System::AlignedBuffer> buffer);
    System::AlignedBuffer& pushBuffer(std::unique_ptr<System::AlignedBuffer> buffer);
    // Frees the oldest held buffers the voice no longer has queued.
    void releasePlayedBuffers();
    // Stops and drops the voices; the engine stays.
    void releasePlayer();

    std::deque<std::unique_ptr<System::AlignedBuffer>> buffers; // oldest first
    uint64_t queuedBytes = 0;
    std::unique_ptr<Platform::Audio::Engine> xaudio2;
    std::unique_ptr<Platform::Audio::Output> masteringVoice;
    std::unique_ptr<Platform::Audio::Voice> sourceVoice;
    uint32_t sampleRate = 0;
    bool playing = false;

private:
    void initialize();
};

} // namespace Media
