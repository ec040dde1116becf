#pragma once
// One export: the current scene, or its selected frame range, saved to one
// file through one writer. The job fixes its frame and sample ranges and the
// scene's format when it is made (main thread); on the export thread it hands
// its writer rendered frames and sound, each rendered through the render
// service as a single request and fetched through the output service's two
// read-ahead caches. The frames after the one fetched render meanwhile (a few,
// by the processors and the frame's size), so that drawing, reading back and
// writing overlap. Its progress counters and abort flag are shared with the
// main thread.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gpu/format.h"

namespace Cache { struct FrameKeyHash; }
namespace Edit { class EditService; }
namespace Media {
class ImageBuffer;
struct AudioBuffer;
} // namespace Media
namespace Render { class FrameTicket; }
namespace System {
template <class Key, class Value, class Hash>
class PreLoadCache;
}

namespace Plugin {

// The read-ahead caches of the output service: a frame number's picture, and
// its sound interleaved in the writer's format. Each entry counts 1.
using ExportFrameCache = System::PreLoadCache<int, const Media::ImageBuffer, Cache::FrameKeyHash>;
using ExportAudioCache = System::PreLoadCache<int, Media::AudioBuffer, Cache::FrameKeyHash>;

class OutputFile {
public:
    // Read-ahead depths are held to this range.
    static constexpr int ReadAheadMax = 64;
    // Frames rendered at once, at most: the one fetched and those after it.
    static constexpr int RenderAheadMax = 8;

    struct Progress {
        std::atomic<int32_t> done{0};
        std::atomic<int32_t> total{0};
        std::atomic<uint64_t> startTick{0}; // milliseconds of the monotonic clock

        // Shows the progress text under "ファイル出力中" in the footer (main thread).
        void update();
        // "%3.2f%% (%d/%d)", after 15 s and 15 frames followed by the remaining time and frames per second.
        static std::wstring formatText(int32_t done, int32_t total, uint64_t elapsedMs);
        // Milliseconds of the monotonic clock.
        static uint64_t tickCount();
    };

    // The scene's format when the job was made.
    struct SceneFormat {
        int width = 0;
        int height = 0;
        int videoRate = 30;
        int videoScale = 1;
        int audioRate = 44100;
        int cursorFrame = 0;
    };

    // Takes the current scene's range and format and empties the output
    // service's read-ahead caches (waiting for what they still load). Throws
    // when the output or edit service is not running.
    OutputFile(const std::wstring& fileName, bool notifyOnComplete);
    // Cancels the job's queued read-ahead loads and the frames still rendering
    // for it, and waits until the render service and the loads let go of it.
    virtual ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes the file (export thread); false, or an exception, when the export failed.
    virtual bool save() = 0;

    // The frame (held to 0 .. lastFrame) rendered in a memory format, straight
    // alpha when asked; empty when it could not be rendered. Queues the frames
    // up to half the read-ahead depth ahead first.
    std::shared_ptr<const Media::ImageBuffer> getVideoFrame(int frame, Platform::Gpu::Format format, bool straightAlpha);
    // The frame's sound as interleaved stereo: 16-bit PCM for tag 1, 32-bit
    // float for any other; empty when it could not be rendered.
    std::shared_ptr<Media::AudioBuffer> getAudioFrame(int frame, uint32_t formatTag);
    // count sample frames from sample start on, cut from the frames' sounds;
    // fewer when the scene ends first. A frame whose sound could not be
    // rendered gives silence. Nothing for a negative start or count.
    void getAudioSamples(Media::AudioBuffer& out, int64_t start, int64_t count, uint32_t formatTag);
    // Whether the export ends before the frame: the cancel was asked before
    // the frame's drawing began (a frame drawn while it was asked is still
    // written). Waits for the frame's render when it is under way.
    bool cancelledBefore(int frame);
    // The frame after the last one fetched (the range's first at the start).
    int nextFrame() const { return nextFrame_.load(); }
    // Frames rendering at once for the export: 2 .. RenderAheadMax, by the
    // processors and the frame's size.
    int renderAhead() const { return renderAhead_; }
    // Read-ahead depths, held to 1 .. ReadAheadMax; the cache keeps that many.
    void setVideoReadAhead(int frames);
    void setAudioReadAhead(int frames);
    int getVideoReadAhead() const { return videoReadAhead_.load(); }
    int getAudioReadAhead() const { return audioReadAhead_.load(); }

    // The first sample of a frame's sound: audioRate × frame × scale / rate, rounded.
    int64_t frameSampleStart(int64_t frame) const;
    // The frame whose sound holds the sample (its first sample at or before it).
    int64_t sampleFrame(int64_t sample) const;

    Edit::EditService* editService;
    std::wstring fileName;
    int32_t startFrame = 0;
    int32_t frameCount = 0;
    int64_t audioStart = 0;       // first sample of the range at the scene's audio rate
    int64_t audioSampleCount = 0; // samples of the range
    std::atomic<bool> abortRequested{false};
    bool notifyOnComplete;
    Progress progress;
    int32_t lastFrame = 0; // the scene's last frame: frames are fetched up to it
    SceneFormat scene;
    // Set by the output service when save threw or returned false.
    std::atomic<bool> failed{false};

private:
    void renderFrame(int frame, Platform::Gpu::Format format, bool straightAlpha);
    // The frame's ticket, requested when missing, with the frames after it
    // up to depth frames in all.
    std::shared_ptr<Render::FrameTicket> frameTicket(int frame, int depth, Platform::Gpu::Format format,
                                                     bool straightAlpha);

    struct InFlight {
        Platform::Gpu::Format format;
        bool straightAlpha;
        std::shared_ptr<Render::FrameTicket> ticket;
    };
    std::mutex flightMutex_;
    std::map<int, InFlight> inFlight_; // by frame
    std::vector<std::shared_ptr<Render::FrameTicket>> replaced_;
    int renderAhead_ = 2;
    std::atomic<int> nextFrame_{0};
    std::atomic<int> lastFetched_{-2}; // the frame last fetched: the writer goes frame after frame
    void renderAudioFrame(int frame, uint32_t formatTag);
    // Renders the frame's sound on this thread into the cache when the frame
    // is neither cached nor pending and the audio worker is idle.
    bool renderAudioFrameHere(int frame, uint32_t formatTag);

    std::atomic<int> videoReadAhead_{1};
    std::atomic<int> audioReadAhead_{1};
    ExportFrameCache* frameCache_;
    ExportAudioCache* audioCache_;
};

} // namespace Plugin
