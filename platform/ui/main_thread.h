#pragma once
// The main thread's message queue and its thread timers. Other threads hand work
// to the main thread by posting tasks; the main loop runs them in posting order.
#include <cstdint>
#include <functional>

namespace Platform::Ui {

// Queues task to run on the main thread after the tasks posted before it. Safe
// from any thread. Returns false when no application object exists (or it is
// shutting down): the task is then destroyed without running.
bool postToMainThread(std::function<void()> task);

// Runs the main loop until quitMainLoop, or until a posted task or timer callback
// throws: the loop then ends and the exception is rethrown here. Tasks that come
// up while such an exception is on its way out are destroyed without running.
void runMainLoop();
void quitMainLoop();
// Handles pending events and waits for more for at most maxWaitMs; rethrows as runMainLoop.
void processMessages(int maxWaitMs = 0);
// Handles events until done() is true or timeoutMs passed (negative: no limit); returns done().
bool processMessagesUntil(const std::function<bool()>& done, int timeoutMs);
bool isMainThread();
// Runs f from inside a toolkit event on the main thread: an exception it throws
// ends the main loop and is rethrown by runMainLoop (or processMessages).
// False when f threw, or did not run because such an exception is on its way out.
bool runFromEvent(const std::function<void()>& f);

// Thread timers of the main thread: proc(id) is called from the main loop every
// elapseMs. id 0 creates a timer and returns its new id; a known id is re-armed
// with the new elapse. Returns 0 when no application object exists.
uintptr_t setTimer(uintptr_t id, unsigned elapseMs, void (*proc)(uintptr_t id));
// Stops the timer; false when the id is unknown.
bool killTimer(uintptr_t id);

// Waitable handles in the main loop: callback runs on the main thread each time
// the handle is signalled. autoReset takes the signal (a timer's expiry) before
// the callback runs; otherwise the handle stays signalled until its owner resets
// it. A handle is watched once; false when no application object exists.
bool watchHandle(int handle, bool autoReset, std::function<void()> callback);
void unwatchHandle(int handle);

// SIGTERM and SIGINT run the callback on the main thread (from the main loop)
// instead of ending the process. An empty callback gives them back their
// default action.
void onTerminationSignal(std::function<void()> callback);

// Called by the application object's set-up and tear-down.
void openMainThread();
void closeMainThread();

} // namespace Platform::Ui
