#pragma once
// One render request as its caller sees it: a ticket the caller waits on,
// cancels, or is called back by. Every frame and sound request of the render
// workers hands one out; the request's own thread finishes it exactly once,
// as done (with its result), cancelled or failed.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace Anchor { class AnchorList; }
namespace Media {
class AudioBlockBuffer;
class ImageBuffer;
}
namespace Sync { class Event; }

namespace Render {

class RenderTicket {
public:
    enum class State { Queued, Running, Done, Cancelled, Failed };

    explicit RenderTicket(int frame);
    virtual ~RenderTicket();
    RenderTicket(const RenderTicket&) = delete;
    RenderTicket& operator=(const RenderTicket&) = delete;

    int frame() const { return frame_; }
    State state() const { return state_.load(std::memory_order_acquire); }
    // Done, cancelled or failed, and the render side has let go of it.
    bool finished() const { return finished_.load(std::memory_order_acquire); }
    // Waits until the request has finished; true when it was done.
    bool wait() const;
    // The same for at most timeoutMs; false when it has not finished by then.
    bool waitFor(int timeoutMs) const;
    // A queued request never runs (finished at once); a running one stops at
    // its next step and hands nothing over (finished when its thread lets
    // go). Nothing happens once it is done or failed.
    void cancel();
    bool cancelled() const { return state() == State::Cancelled; }
    // Runs once the request has finished, on the thread that finished it (at
    // once on the caller's when it has finished already).
    void onFinished(std::function<void(RenderTicket&)> callback);
    // Signalled once finished, for loops that wait on handles (made on first use).
    Sync::Event& finishedEvent();

    // ---- the render side ----
    // Queued becomes running; false when the ticket was cancelled meanwhile.
    bool begin();
    // The final state (done or failed); a cancelled ticket stays cancelled.
    void finish(State state);

private:
    void finishAs(State state);

    const int frame_;
    std::atomic<State> state_{State::Queued};
    std::atomic<bool> finished_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::function<void(RenderTicket&)> callback_;
    std::unique_ptr<Sync::Event> event_;
};

// A frame request: when the request asked for the frame in a memory format,
// the picture once done, with the handles of a preview frame.
class FrameTicket : public RenderTicket {
public:
    explicit FrameTicket(int frame);
    ~FrameTicket() override;

    // Waits; the picture when the request was done and asked for one, else empty.
    std::shared_ptr<const Media::ImageBuffer> image() const;
    // The handles of a preview request (empty for other types), once done.
    std::shared_ptr<const Anchor::AnchorList> anchors() const;

    // The render side: stores the results and finishes the ticket as done.
    void deliver(std::shared_ptr<const Media::ImageBuffer> image, std::shared_ptr<const Anchor::AnchorList> anchors);

private:
    std::shared_ptr<const Media::ImageBuffer> image_;
    std::shared_ptr<const Anchor::AnchorList> anchors_;
};

// A sound request: the frame's stereo block once done.
class AudioTicket : public RenderTicket {
public:
    explicit AudioTicket(int frame);
    ~AudioTicket() override;

    // Waits; the block when the request was done, else empty.
    std::shared_ptr<const Media::AudioBlockBuffer> block() const;
    void deliver(std::shared_ptr<const Media::AudioBlockBuffer> block);

private:
    std::shared_ptr<const Media::AudioBlockBuffer> block_;
};

// Ends a ticket however the task carrying it ends: a task dropped before it
// began (a stopping worker, a cancelled kind) cancels it; one that began and
// let go without finishing it (it threw) fails it.
class TicketHold {
public:
    explicit TicketHold(std::shared_ptr<RenderTicket> ticket) : ticket_(std::move(ticket)) {}
    ~TicketHold();
    TicketHold(const TicketHold&) = delete;
    TicketHold& operator=(const TicketHold&) = delete;

    // The ticket begins; false when it was cancelled while queued.
    bool begin() { return begun_ = ticket_->begin(); }
    template <class Ticket>
    Ticket& ticket() const
    {
        return static_cast<Ticket&>(*ticket_);
    }
    const std::shared_ptr<RenderTicket>& shared() const { return ticket_; }

private:
    std::shared_ptr<RenderTicket> ticket_;
    bool begun_ = false;
};

} // namespace Render
