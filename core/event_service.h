#pragma once
// The program's notification hub: sixteen listener lists run on the main thread,
// and the eight commands other threads post to the main thread.
#include "core/event_command.h"
#include "core/render_task_type.h"
#include "core/service.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace Edit {
class Object;
}

namespace Event {

// A growable list of listeners run in registration order. Running it covers the
// listeners registered when the run began; one that registers another listener
// during the run is safe (the new one runs from the next run on), because the
// list never moves its elements when it grows.
template <class... Args>
class ListenerList {
public:
    using Listener = std::function<void(Args...)>;

    void push_back(Listener listener) { listeners_.push_back(std::move(listener)); }
    size_t size() const { return listeners_.size(); }
    bool empty() const { return listeners_.empty(); }

    // An empty function object raises std::bad_function_call here.
    void operator()(Args... args)
    {
        for (size_t i = 0, n = listeners_.size(); i < n; ++i)
            listeners_[i](args...);
    }

private:
    std::deque<Listener> listeners_;
};

class EventService : public System::Singleton<EventService> {
public:
    EventService() = default;
    ~EventService();
    EventService(const EventService&) = delete;
    EventService& operator=(const EventService&) = delete;

    ListenerList<int> cursorFrameChanged;                                    // frame
    ListenerList<int, int> displayRangeChanged;                              // first frame, frame count
    ListenerList<int, int> selectFrameRangeChanged;                          // start frame, end frame
    ListenerList<std::shared_ptr<Edit::Object>&> focusObjectChanged;         // focus object
    ListenerList<int> settingFrameChanged;                                   // frame
    ListenerList<int> sceneChanged;                                          // scene id
    ListenerList<Render::RenderTaskType, int> videoFrameRendered;            // type, frame
    ListenerList<Render::RenderTaskType, int> audioBlockRendered;            // type, frame
    ListenerList<> waveformUpdated;                                          //
    ListenerList<std::shared_ptr<Edit::Object>&> editChanged;                // target, empty for none
    ListenerList<> layerChanged;                                             //
    ListenerList<> selectionChanged;                                         //
    ListenerList<> bookmarkChanged;                                          //
    ListenerList<bool> playStateChanged;                                     // playing
    ListenerList<> startup;                                                  //
    ListenerList<> shutdown;                                                 //

    // Runs one command on the main thread. The command's payload is freed in every case.
    void processEventCommandMessage(EventCommand command);

    // The output service's end of an export, run by OutputFileEnd; set while that service exists.
    std::function<void()> outputFileEnd;
};

// Gives an object the event service it was built with.
class EventInstance {
public:
    EventInstance() : eventService(EventService::Get()) {}

protected:
    EventService* eventService;
};

} // namespace Event
