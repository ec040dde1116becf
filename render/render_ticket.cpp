#include "render/render_ticket.h"

#include "core/log.h"
#include "core/sync.h"
#include "effect/anchor_list.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"

#include <chrono>

namespace Render {

RenderTicket::RenderTicket(int frame) : frame_(frame) {}

RenderTicket::~RenderTicket() = default;

bool RenderTicket::wait() const
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return finished(); });
    return state() == State::Done;
}

bool RenderTicket::waitFor(int timeoutMs) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished(); });
}

void RenderTicket::cancel()
{
    State s = state();
    while (s == State::Queued || s == State::Running)
        if (state_.compare_exchange_weak(s, State::Cancelled, std::memory_order_acq_rel)) {
            // A queued request is finished here; a running one stops at its
            // next step, and its thread finishes the ticket when it lets go.
            if (s == State::Queued)
                finishAs(State::Cancelled);
            return;
        }
}

bool RenderTicket::begin()
{
    State expected = State::Queued;
    return state_.compare_exchange_strong(expected, State::Running, std::memory_order_acq_rel);
}

void RenderTicket::finish(State final)
{
    State s = state();
    // Only a running ticket takes its final state here; a ticket cancelled
    // while it ran is finished as cancelled, once.
    if (s == State::Running && state_.compare_exchange_strong(s, final, std::memory_order_acq_rel)) {
        finishAs(final);
        return;
    }
    if (s == State::Cancelled)
        finishAs(State::Cancelled);
}

void RenderTicket::finishAs(State)
{
    std::function<void(RenderTicket&)> callback;
    {
        std::lock_guard lock(mutex_);
        if (finished_.load(std::memory_order_relaxed))
            return;
        finished_.store(true, std::memory_order_release);
        callback = std::move(callback_);
        callback_ = nullptr;
        if (event_)
            event_->set();
    }
    changed_.notify_all();
    if (callback) {
        try {
            callback(*this);
        } catch (const std::exception& e) {
            System::Log::error("Render::RenderTicket::finish", "%s", e.what());
        }
    }
}

void RenderTicket::onFinished(std::function<void(RenderTicket&)> callback)
{
    {
        std::lock_guard lock(mutex_);
        if (!finished()) {
            callback_ = std::move(callback);
            return;
        }
    }
    callback(*this);
}

Sync::Event& RenderTicket::finishedEvent()
{
    std::lock_guard lock(mutex_);
    if (!event_) {
        event_ = std::make_unique<Sync::Event>();
        if (finished())
            event_->set();
    }
    return *event_;
}

TicketHold::~TicketHold()
{
    if (ticket_->finished())
        return;
    if (begun_)
        ticket_->finish(RenderTicket::State::Failed);
    else
        ticket_->cancel();
}

FrameTicket::FrameTicket(int frame) : RenderTicket(frame) {}

FrameTicket::~FrameTicket() = default;

std::shared_ptr<const Media::ImageBuffer> FrameTicket::image() const
{
    return wait() ? image_ : nullptr;
}

std::shared_ptr<const Anchor::AnchorList> FrameTicket::anchors() const
{
    return wait() ? anchors_ : nullptr;
}

void FrameTicket::deliver(std::shared_ptr<const Media::ImageBuffer> image,
                          std::shared_ptr<const Anchor::AnchorList> anchors)
{
    // Written before the state changes; read only after a wait saw it done.
    image_ = std::move(image);
    anchors_ = std::move(anchors);
    finish(State::Done);
}

AudioTicket::AudioTicket(int frame) : RenderTicket(frame) {}

AudioTicket::~AudioTicket() = default;

std::shared_ptr<const Media::AudioBlockBuffer> AudioTicket::block() const
{
    return wait() ? block_ : nullptr;
}

void AudioTicket::deliver(std::shared_ptr<const Media::AudioBlockBuffer> block)
{
    block_ = std::move(block);
    finish(State::Done);
}

} // namespace Render
