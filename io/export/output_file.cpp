#include "io/export/output_file.h"

#include "core/event_command.h"
#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "io/output/output_host.h"
#include "io/output/output_service.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "media/render_buffer.h"
#include "project/edit/edit_service.h"
#include "project/model/frame_rate.h"
#include "project/model/scene.h"
#include "render/cache/cache_key.h"
#include "render/cache/pre_load_cache.h"
#include "render/render_service.h"
#include "render/render_ticket.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace Plugin {

namespace {
constexpr const char* Place = "Plugin::OutputFile::OutputFile";

// Bytes of one interleaved stereo sample frame: 16-bit PCM for tag 1, float for any other.
uint32_t sampleFrameBytes(uint32_t formatTag) { return formatTag == 1 ? 4 : 8; }

void setAudioFormat(Media::AudioBuffer& out, uint32_t formatTag)
{
    out.formatTag = formatTag == 1 ? 1 : 3;
    out.bitsPerSample = formatTag == 1 ? 16 : 32;
    out.blockAlign = int32_t(sampleFrameBytes(formatTag));
    out.channels = 2;
}

int clampReadAhead(int frames) { return std::clamp(frames, 1, OutputFile::ReadAheadMax); }

// Frames in flight: half the processors (the driver's threads draw each one),
// no more than about 512 MB of working-format frames, at least two.
int renderAheadFor(int width, int height)
{
    const int64_t frameBytes = std::max<int64_t>(int64_t(width) * height * 8, 1);
    const int byMemory = int(std::min<int64_t>((int64_t(512) << 20) / frameBytes, OutputFile::RenderAheadMax));
    const int byProcessors = int(std::thread::hardware_concurrency() / 2);
    return std::clamp(std::min(byMemory, byProcessors), 2, OutputFile::RenderAheadMax);
}
} // namespace

OutputFile::OutputFile(const std::wstring& fileName, bool notifyOnComplete)
    : editService(Edit::EditService::Get()), fileName(fileName), notifyOnComplete(notifyOnComplete)
{
    OutputService* output = OutputService::Get();
    if (!output)
        throw System::makeException(Place, "output service not running.", "");
    if (!editService || !editService->currentScene)
        throw System::makeException(Place, "no scene to export.", "");
    frameCache_ = &output->frameCache;
    audioCache_ = &output->audioCache;

    const Edit::Scene& s = *editService->currentScene;
    lastFrame = std::max(s.lastFrame, 0);
    scene.width = s.width;
    scene.height = s.height;
    scene.videoRate = s.videoRate;
    scene.videoScale = s.videoScale;
    scene.audioRate = s.audioRate;
    scene.cursorFrame = s.cursorFrame;

    // The frames of the previous export never serve this one.
    frameCache_->clear();
    audioCache_->clear();
    frameCache_->setLimit(1);
    audioCache_->setLimit(1);

    startFrame = 0;
    frameCount = lastFrame + 1;
    if (s.frameSelectionStart >= 0 && s.frameSelectionEnd >= 0) {
        startFrame = std::min(s.frameSelectionStart, lastFrame);
        const int end = std::min(s.frameSelectionEnd, lastFrame);
        frameCount = end - startFrame + 1;
    }
    audioStart = Edit::frameToSample(startFrame, scene.audioRate, scene.videoRate, scene.videoScale);
    audioSampleCount = Edit::frameToSample(frameCount, scene.audioRate, scene.videoRate, scene.videoScale);
    renderAhead_ = renderAheadFor(scene.width, scene.height);
    nextFrame_ = startFrame;
}

OutputFile::~OutputFile()
{
    // The read-ahead loads queued by this job render through it: the ones not
    // started are dropped (their waiters released), the running one is waited
    // for after the frames in flight are cancelled.
    frameCache_->worker.cancel(0);
    audioCache_->worker.cancel(0);
    std::vector<std::shared_ptr<Render::FrameTicket>> tickets;
    {
        std::lock_guard lock(flightMutex_);
        for (auto& [frame, entry] : inFlight_)
            tickets.push_back(std::move(entry.ticket));
        for (auto& ticket : replaced_)
            tickets.push_back(std::move(ticket));
    }
    // Their requests read the abort flag as their drawing begins.
    for (auto& ticket : tickets)
        ticket->cancel();
    for (auto& ticket : tickets)
        ticket->wait();
    frameCache_->worker.wait();
    audioCache_->worker.wait();
}

int64_t OutputFile::frameSampleStart(int64_t frame) const
{
    return Edit::frameToSample(double(frame), scene.audioRate, scene.videoRate, scene.videoScale);
}

int64_t OutputFile::sampleFrame(int64_t sample) const
{
    int64_t i = int64_t(scene.videoRate) * sample / (int64_t(scene.videoScale) * scene.audioRate);
    // The rounded frame borders can sit either side of the exact one.
    while (i > 0 && frameSampleStart(i) > sample)
        --i;
    while (frameSampleStart(i + 1) <= sample)
        ++i;
    return i;
}

void OutputFile::setVideoReadAhead(int frames)
{
    const int n = clampReadAhead(frames);
    videoReadAhead_ = n;
    frameCache_->setLimit(n);
}

void OutputFile::setAudioReadAhead(int frames)
{
    const int n = clampReadAhead(frames);
    audioReadAhead_ = n;
    audioCache_->setLimit(n);
}

void OutputFile::renderFrame(int frame, Platform::Gpu::Format format, bool straightAlpha)
{
    Render::RenderService* render = Render::RenderService::Get();
    if (!render)
        return;
    // Waits for this frame's own request only, never for the requests other
    // callers queued meanwhile.
    std::shared_ptr<Render::FrameTicket> ticket = frameTicket(frame, 1, format, straightAlpha);
    if (auto image = ticket ? ticket->image() : nullptr)
        frameCache_->put(frame, std::move(image), 1);
}

std::shared_ptr<Render::FrameTicket> OutputFile::frameTicket(int frame, int depth, Platform::Gpu::Format format,
                                                             bool straightAlpha)
{
    Render::RenderService* render = Render::RenderService::Get();
    if (!render)
        return nullptr;
    std::lock_guard lock(flightMutex_);
    // Finished frames behind this one are done with; unfinished ones stay
    // until they let go of the job (the destructor waits for them).
    for (auto it = inFlight_.begin(); it != inFlight_.end() && it->first < frame;)
        it = it->second.ticket->finished() ? inFlight_.erase(it) : std::next(it);
    std::erase_if(replaced_, [](const auto& ticket) { return ticket->finished(); });
    // The frames after this one, within the export's range.
    const int last = std::min(frame + depth - 1, std::max(frame, startFrame + frameCount - 1));
    for (int i = frame; i <= std::min(last, lastFrame); ++i) {
        auto found = inFlight_.find(i);
        if (found != inFlight_.end() && found->second.format == format && found->second.straightAlpha == straightAlpha)
            continue;
        if (found != inFlight_.end()) {
            // Asked for in another format: cancelled, and waited for when the job goes.
            found->second.ticket->cancel();
            replaced_.push_back(std::move(found->second.ticket));
            inFlight_.erase(found);
        }
        const Render::RenderVideoWorker::ImageRequest request{format, straightAlpha, &abortRequested};
        inFlight_.emplace(i, InFlight{format, straightAlpha,
                                      render->videoWorker.requestFrameImage(Render::RenderTaskType::Single, i, request)});
    }
    auto found = inFlight_.find(frame);
    return found == inFlight_.end() ? nullptr : found->second.ticket;
}

bool OutputFile::cancelledBefore(int frame)
{
    if (!abortRequested)
        return false;
    std::shared_ptr<Render::FrameTicket> ticket;
    {
        std::lock_guard lock(flightMutex_);
        auto found = inFlight_.find(frame);
        if (found != inFlight_.end())
            ticket = found->second.ticket;
    }
    // A frame never asked for, or one cancelled as its drawing began.
    return !ticket || !ticket->wait();
}

void OutputFile::renderAudioFrame(int frame, uint32_t formatTag)
{
    Render::RenderService* render = Render::RenderService::Get();
    if (!render)
        return;
    auto ticket = render->audioWorker.requestRenderingAudio(Render::RenderTaskType::Single, frame, nullptr);
    if (auto block = ticket->block()) {
        auto sound = std::make_shared<Media::AudioBuffer>();
        setAudioFormat(*sound, formatTag);
        sound->convertTo(*block);
        audioCache_->put(frame, std::move(sound), 1);
    }
}

std::shared_ptr<const Media::ImageBuffer> OutputFile::getVideoFrame(int frame, Platform::Gpu::Format format,
                                                                    bool straightAlpha)
{
    const int f = std::clamp(frame, 0, lastFrame);
    const int to = std::max(0, std::min(lastFrame, f + videoReadAhead_ / 2));
    // Once a writer fetches frame after frame, the frames after this one
    // start rendering now, whatever the cache holds; a writer of one frame
    // renders no other.
    nextFrame_ = f + 1;
    const bool sequential = lastFetched_.exchange(f) == f - 1;
    frameTicket(f, sequential ? renderAhead_ : 1, format, straightAlpha);
    auto loader = [this, format, straightAlpha](int i) { return [=, this] { renderFrame(i, format, straightAlpha); }; };
    for (int i = f; i <= to; ++i)
        frameCache_->preload(i, loader(i));
    return frameCache_->get(f, loader(f));
}

bool OutputFile::renderAudioFrameHere(int frame, uint32_t formatTag)
{
    Render::RenderService* render = Render::RenderService::Get();
    if (!render || !audioCache_->claim(frame))
        return false;
    // The claim is released on every path: with the sound, or with nothing
    // (the frame then gives silence, as a failed request does).
    std::shared_ptr<Media::AudioBuffer> sound;
    bool done = false;
    try {
        Media::AudioBlockBuffer block;
        done = render->audioWorker.renderAudioHere(frame, block);
        if (done) {
            sound = std::make_shared<Media::AudioBuffer>();
            setAudioFormat(*sound, formatTag);
            sound->convertTo(block);
        }
    } catch (const std::exception& e) {
        // Reported as the worker reports a request that threw.
        done = true;
        System::Log::error("Plugin::OutputFile::getAudioFrame", "%s", e.what());
        Event::postException(Event::EventCommandType::RethrowException, e.what());
    }
    if (!done) {
        audioCache_->put(frame, nullptr, 0);
        return false;
    }
    audioCache_->put(frame, std::move(sound), 1);
    return true;
}

std::shared_ptr<Media::AudioBuffer> OutputFile::getAudioFrame(int frame, uint32_t formatTag)
{
    const int f = std::clamp(frame, 0, lastFrame);
    // Mixing a frame takes far less than handing it to the audio worker's
    // threads and back: with nothing cached or pending and the worker idle,
    // the frame is planned and mixed here, and nothing is read ahead.
    if (auto sound = audioCache_->find(f))
        return sound;
    if (renderAudioFrameHere(f, formatTag))
        return audioCache_->find(f);
    const int to = std::max(0, std::min(lastFrame, f + audioReadAhead_ / 2));
    auto loader = [this, formatTag](int i) { return [=, this] { renderAudioFrame(i, formatTag); }; };
    for (int i = f; i <= to; ++i)
        audioCache_->preload(i, loader(i));
    return audioCache_->get(f, loader(f));
}

void OutputFile::getAudioSamples(Media::AudioBuffer& out, int64_t start, int64_t count, uint32_t formatTag)
{
    setAudioFormat(out, formatTag);
    const uint32_t frameBytes = sampleFrameBytes(formatTag);
    out.sampleCount = 0;
    out.data.size = 0;
    if (start < 0 || count <= 0)
        return;
    out.data.allocMemory(uint32_t(count * frameBytes));
    uint8_t* to = static_cast<uint8_t*>(out.data.data);

    int64_t copied = 0;
    for (int64_t i = sampleFrame(start); copied < count && i <= lastFrame; ++i) {
        const int64_t s = frameSampleStart(i);
        const int64_t offset = copied + start - s;
        std::shared_ptr<Media::AudioBuffer> a = getAudioFrame(int(i), formatTag);
        // A frame whose sound could not be rendered is silence of its length.
        const int64_t available = a ? a->sampleCount : frameSampleStart(i + 1) - s;
        if (offset >= available)
            continue;
        const int64_t n = std::min(count - copied, available - offset);
        if (a)
            std::memcpy(to + copied * frameBytes, static_cast<const uint8_t*>(a->data.data) + offset * frameBytes,
                        size_t(n * frameBytes));
        else
            std::memset(to + copied * frameBytes, 0, size_t(n * frameBytes));
        copied += n;
    }
    out.sampleCount = int32_t(copied);
    out.data.size = uint32_t(copied * frameBytes);
}

uint64_t OutputFile::Progress::tickCount()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::wstring OutputFile::Progress::formatText(int32_t done, int32_t total, uint64_t elapsedMs)
{
    const float fraction = total ? float(done) / float(total) : 0.0f;
    wchar_t text[512];
    if (elapsedMs >= 15000 && done >= 15) {
        wchar_t remaining[32];
        System::formatTimeSeconds(remaining, double(total - done) * double(elapsedMs) / (double(done) * 1000.0));
        const double fps = double(done) * 1000.0 / double(elapsedMs);
        std::swprintf(text, 512, L"%3.2f%% (%d/%d) | RemainingTime %ls (%1.2ffps)", fraction * 100.0, done, total,
                      remaining, fps);
    } else {
        std::swprintf(text, 512, L"%3.2f%% (%d/%d)", fraction * 100.0, done, total);
    }
    return text;
}

void OutputFile::Progress::update()
{
    const int32_t d = done.load();
    const int32_t t = total.load();
    const uint64_t elapsed = tickCount() - startTick.load();
    OutputHost::get().setFooterMessage(L"ファイル出力中", formatText(d, t, elapsed), t ? float(d) / float(t) : 0.0f);
}

} // namespace Plugin
