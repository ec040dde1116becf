#pragma once
// The video worker: a request thread that plans one frame at a time and an
// object thread that runs the plan's tasks in order, with the preview's
// drawing options (section "Render.video" of the main ini file).
#include "core/config.h"
#include "core/render_task_type.h"
#include "core/worker_thread.h"
#include "effect/anchor_list.h"
#include "media/render_buffer.h"
#include "render/pre_input_buffer.h"
#include "render/render_ticket.h"
#include "render/render_worker_base.h"

#include <atomic>
#include <functional>
#include <memory>

namespace Edit {
class EditService;
class Scene;
}
namespace Media {
class Direct3DService;
class ImageBuffer;
class ResourceBuffer;
}

namespace Render {

class RenderVideoWorker : public RenderWorkerBase {
public:
    using FrameCallback = std::function<void(int frame, Media::RenderBuffer& buffer, Anchor::AnchorList& anchors)>;
    using ImageCallback = std::function<void(std::shared_ptr<Media::ImageBuffer> image)>;

    // A frame of a scene rendered ahead of the object that shows it.
    class RenderingBuffer : public PreInputBuffer {
    public:
        RenderingBuffer();
        ~RenderingBuffer() override;
        Media::RenderBuffer buffer; // sized by the plan's clear task
    };

    // Reads "TemporaryImageCacheSize" (system.conf [Config]) and
    // "ClippingObjectMask" (style.conf [Color]); a missing or malformed value
    // throws. The preview options come from the main ini file when one is open.
    explicit RenderVideoWorker(Edit::EditService* edit = nullptr);
    // Stops both threads (queued requests are dropped without their
    // callbacks) and writes the preview options back.
    ~RenderVideoWorker();
    RenderVideoWorker(const RenderVideoWorker&) = delete;
    RenderVideoWorker& operator=(const RenderVideoWorker&) = delete;

    // A frame wanted as a picture in memory: its format, straight
    // (un-premultiplied) alpha for the 8-bit formats, and a flag that cancels
    // the request when it is set as the frame's drawing begins (a cancel asked
    // while an earlier frame is drawn ends the frames after that one).
    struct ImageRequest {
        Media::Format format = Media::Format::B8G8R8A8Unorm;
        bool straightAlpha = false;
        const std::atomic<bool>* abandon = nullptr;
    };

    // Queues a frame of the current scene; a preview request first removes the
    // queued preview requests. The callback runs later on the request thread
    // with the frame, the picture and the handles (valid during the call);
    // a skipped, removed or failed request calls nothing. The ticket finishes
    // once the callback returned (done), or as cancelled or failed.
    std::shared_ptr<FrameTicket> requestRenderingFrame(RenderTaskType type, int frame, FrameCallback callback);
    // The same for the frame as a picture in memory, which the ticket holds
    // once done (with the handles of a preview request). These requests
    // overlap: the next frame is planned and drawn while this one is read
    // back, its project lock held until its drawing is done. Tickets finish
    // in the order of the requests.
    std::shared_ptr<FrameTicket> requestFrameImage(RenderTaskType type, int frame, const ImageRequest& request);

    // ---- rendering other scenes from an effect's preparation (planning thread only) ----
    // Plans the scene's frame on this thread; the callback gets the finished
    // picture on the object thread. Throws on any other thread.
    void renderSceneFrame(Edit::Scene* scene, int frame, ImageCallback callback);
    // Plans the layers 0 to lastLayer of the scene's frame into a new buffer,
    // complete once the object thread reaches the tasks queued now (ahead of
    // the object that asked). Throws on any other thread.
    std::shared_ptr<PreInputBuffer> preRenderFrame(Edit::Scene* scene, int frame, int preRenderOffset, int lastLayer);

    Worker::WorkerThread requestThread{"RenderVideoWorker"};
    Media::Direct3DService* direct3d;
    Edit::EditService* edit;
    int temporaryImageCacheSize = 0; // pixels each frame's resource cache keeps
    // The picture of the last rendered object, held until the next object or
    // control task begins or the frame ends (object thread).
    std::unique_ptr<Media::ResourceBuffer> spareImage;

    System::Config::Section settings{"Render.video"};
    int gridXY = 0;
    int cameraGrid = 1;
    int visibleClippingObject = 1; // preview frames tint the clipping objects
    int cameraFreeView = 0;
    // The frame the player's clock has reached: playback requests behind it are skipped.
    std::atomic<int> playbackFrame{0};
    float clippingMaskColor[4] = {0, 0, 0, 0}; // premultiplied
    // The handles of the last preview request with a callback.
    Anchor::AnchorList anchors;
    Worker::WorkerThread objectThread{"RenderObjectWorkerVideo"};
    // Waits for the frames' read-backs and hands the pictures to their tickets.
    Worker::WorkerThread readBackThread{"RenderReadBack"};
    // The ticket of the frame being planned (planning thread): the drawing
    // tasks of a frame cancelled meanwhile do nothing.
    std::shared_ptr<RenderTicket> planningTicket;

private:
    System::Config::Int gridXYParameter{settings, "GridXY", &gridXY, 0};
    System::Config::Int cameraGridParameter{settings, "CameraGrid", &cameraGrid, 1};
    System::Config::Int visibleClippingObjectParameter{settings, "VisibleClippingObject", &visibleClippingObject, 1};
    System::Config::Int cameraFreeViewParameter{settings, "CameraFreeView", &cameraFreeView, 0};

    struct FrameJob;
    void queueFrame(RenderTaskType type, const std::shared_ptr<FrameTicket>& ticket,
                    std::function<void(const std::shared_ptr<TicketHold>&)> render);
    void planFrameImage(const std::shared_ptr<TicketHold>& hold, RenderTaskType type, const ImageRequest& request);
    void readBackFrame(const std::shared_ptr<FrameJob>& job);
    // Renders the frame and calls the callback with it; false when a playback
    // frame behind the player's clock was skipped.
    bool renderFrame(RenderTaskType type, int frame, const FrameCallback& callback);
};

} // namespace Render
