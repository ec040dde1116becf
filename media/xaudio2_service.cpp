#include "media/xaudio2_service.h"

#include "core/failure.h"
#include "core/log.h"
#include "platform/audio/audio.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace Media {

namespace {
constexpr int32_t Failed = int32_t(0x80004005); // E_FAIL: the sound system gives no code of its own

std::atomic<bool> silentLogged{false};
} // namespace

XAudio2Service::XAudio2Service() = default;

XAudio2Service::~XAudio2Service()
{
    try {
        releasePlayer();
    } catch (const std::exception&) {
        // Exit goes on; the failure is already logged.
    }
    buffers.clear();
    xaudio2.reset();
}

void XAudio2Service::initialize()
{
    std::string error;
    xaudio2 = Platform::Audio::Engine::start(error);
    if (!xaudio2) {
        System::Log::verbose("Media::XAudio2Service::initialize", "%s", error.c_str());
        throw System::makeHresultException("XAudio2Create", "Media::XAudio2Service::initialize", Failed);
    }
}

void XAudio2Service::createPlayer(uint32_t rate)
{
    constexpr const char* Place = "Media::XAudio2Service::createPlayer";
    try {
        if (!xaudio2)
            initialize();
        if (sourceVoice) {
            if (rate != sampleRate) {
                sourceVoice->setSourceRate(rate);
                sampleRate = rate;
            }
            return;
        }
        if (masteringVoice) {
            stop();
            clearBuffer();
            masteringVoice.reset();
        }
        std::string error;
        masteringVoice = Platform::Audio::Output::open(*xaudio2, error);
        if (!masteringVoice) {
            System::Log::verbose(Place, "%s", error.c_str());
            throw System::makeHresultException("xaudio2->CreateMasteringVoice", Place, Failed);
        }
        if (masteringVoice->isNull() && !silentLogged.exchange(true))
            System::Log::info(Place, "no audio device: the player plays without sound.");
        sourceVoice = Platform::Audio::Voice::create(*masteringVoice, rate, error);
        if (!sourceVoice) {
            System::Log::verbose(Place, "%s", error.c_str());
            throw System::makeHresultException("xaudio2->CreateSourceVoice", Place, Failed);
        }
        sampleRate = rate;
    } catch (const std::exception&) {
        System::Log::warn(Place, "audio player initialize failed.");
        try {
            releasePlayer();
        } catch (const std::exception&) {
        }
    }
}

void XAudio2Service::play()
{
    if (!sourceVoice || playing)
        return;
    playing = true;
    System::Log::info("Media::XAudio2Service::play", "start audio player");
    sourceVoice->start();
}

void XAudio2Service::stop()
{
    if (!sourceVoice || !playing)
        return;
    playing = false;
    System::Log::info("Media::XAudio2Service::stop", "stop audio player");
    sourceVoice->stop();
}

void XAudio2Service::setVolume(int volume)
{
    if (sourceVoice)
        sourceVoice->setVolume(float(std::clamp(volume, 0, 100)) / 100.0f);
}

void XAudio2Service::clearBuffer()
{
    if (sourceVoice)
        sourceVoice->flush();
    buffers.clear();
    queuedBytes = 0;
}

void XAudio2Service::submitBuffer(std::unique_ptr<System::AlignedBuffer> buffer)
{
    if (!sourceVoice || !buffer)
        return;
    releasePlayedBuffers();
    System::AlignedBuffer& held = pushBuffer(std::move(buffer));
    sourceVoice->submit(held.data, held.size);
}

System::AlignedBuffer& XAudio2Service::pushBuffer(std::unique_ptr<System::AlignedBuffer> buffer)
{
    queuedBytes += buffer->size;
    buffers.push_back(std::move(buffer));
    return *buffers.back();
}

void XAudio2Service::releasePlayedBuffers()
{
    size_t queued = sourceVoice ? sourceVoice->buffersQueued() : 0;
    while (buffers.size() > queued) {
        queuedBytes -= buffers.front()->size;
        buffers.pop_front();
    }
}

void XAudio2Service::releasePlayer()
{
    stop();
    clearBuffer();
    sourceVoice.reset();
    masteringVoice.reset();
}

} // namespace Media
