#pragma once
// What the video and audio workers share: the set of scenes the planning
// thread is planning, which guards against a scene that shows itself. Only
// the planning thread (the worker's request thread) touches the set.
#include <atomic>
#include <thread>
#include <unordered_set>

namespace Render {

class RenderWorkerBase {
public:
    class RenderSection;

    // A pre-rendered frame of a scene is keyed apart from the scene itself, so
    // a scene may show one earlier frame of itself once.
    static constexpr int PreRenderKey = 1000000000;

    // Throws unless the caller is the planning thread.
    void checkPlanningThread(const char* place) const;
    // The request thread, or a caller planning a frame on its own thread
    // (the audio worker's renderAudioHere).
    bool onPlanningThread() const
    {
        const std::thread::id me = std::this_thread::get_id();
        return planningThread.load() == me || callerPlanning.load() == me;
    }
    bool callerIsPlanning() const { return callerPlanning.load() == std::this_thread::get_id(); }

    // Scene ids (+ PreRenderKey for pre-rendered frames) being planned.
    std::unordered_set<int> planningScenes;

protected:
    // Set once by the request thread's first task.
    std::atomic<std::thread::id> planningThread{};
    // The thread planning on its own behalf meanwhile, if any.
    std::atomic<std::thread::id> callerPlanning{};
};

} // namespace Render
