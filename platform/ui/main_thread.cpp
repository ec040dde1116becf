#include "platform/ui/main_thread.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <exception>
#include <memory>
#include <mutex>
#include <csignal>
#include <sys/eventfd.h>
#include <unistd.h>
#include <unordered_map>

namespace Platform::Ui {

namespace {
// Guards posting against the application object going away.
std::mutex postMutex;
bool open = false;

// Main thread only.
std::exception_ptr pendingException;
// Never destroyed: timers may be killed by exit-time destructors of other units.
std::unordered_map<uintptr_t, QTimer*>& timers = *new std::unordered_map<uintptr_t, QTimer*>();
uintptr_t lastTimerId = 0;
// Never destroyed, as the timers.
std::unordered_map<int, QSocketNotifier*>& watches = *new std::unordered_map<int, QSocketNotifier*>();

// Runs a task or callback; an exception ends the loop and is kept for rethrowing.
template <class F>
void runGuarded(F&& f)
{
    if (pendingException)
        return;
    try {
        f();
    } catch (...) {
        pendingException = std::current_exception();
        QCoreApplication::exit(1);
    }
}

void rethrowPending()
{
    if (pendingException) {
        std::exception_ptr e = pendingException;
        pendingException = nullptr;
        std::rethrow_exception(e);
    }
}
} // namespace

void openMainThread()
{
    std::lock_guard lock(postMutex);
    open = true;
}

void closeMainThread()
{
    {
        std::lock_guard lock(postMutex);
        open = false;
    }
    for (auto& [id, timer] : timers)
        delete timer;
    timers.clear();
    for (auto& [handle, notifier] : watches)
        delete notifier;
    watches.clear();
    pendingException = nullptr;
}

bool postToMainThread(std::function<void()> task)
{
    std::lock_guard lock(postMutex);
    QCoreApplication* app = QCoreApplication::instance();
    if (!open || !app)
        return false;
    // A queued call on the application object: it lives on the main thread, and
    // posted events for one thread are delivered in posting order.
    return QMetaObject::invokeMethod(
        app, [task = std::move(task)] { runGuarded(task); }, Qt::QueuedConnection);
}

void runMainLoop()
{
    rethrowPending();
    if (QCoreApplication::instance())
        QCoreApplication::exec();
    rethrowPending();
}

void quitMainLoop()
{
    QCoreApplication::exit(0);
}

void processMessages(int maxWaitMs)
{
    rethrowPending();
    if (!QCoreApplication::instance())
        return;
    if (maxWaitMs <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } else {
        // Waits for the next event; the single-shot timer bounds the wait.
        QTimer bound;
        bound.setSingleShot(true);
        bound.start(maxWaitMs);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    rethrowPending();
}

bool processMessagesUntil(const std::function<bool()>& done, int timeoutMs)
{
    // A negative time-out waits for ever: the loop then sleeps in steps, never spins.
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        const qint64 left = deadline.isForever() ? 10 : std::min<qint64>(deadline.remainingTime(), 10);
        processMessages(static_cast<int>(std::max<qint64>(left, 1)));
    }
    return true;
}

bool runFromEvent(const std::function<void()>& f)
{
    if (pendingException)
        return false;
    runGuarded(f);
    return !pendingException;
}

bool isMainThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

uintptr_t setTimer(uintptr_t id, unsigned elapseMs, void (*proc)(uintptr_t id))
{
    if (!QCoreApplication::instance() || !open)
        return 0;
    auto it = id ? timers.find(id) : timers.end();
    QTimer* timer;
    if (it != timers.end()) {
        timer = it->second;
        timer->disconnect();
    } else {
        id = ++lastTimerId;
        timer = new QTimer();
        timer->setTimerType(Qt::PreciseTimer);
        timers.emplace(id, timer);
    }
    QObject::connect(timer, &QTimer::timeout, [id, proc] { runGuarded([&] { proc(id); }); });
    timer->start(static_cast<int>(elapseMs));
    return id;
}

bool killTimer(uintptr_t id)
{
    auto it = timers.find(id);
    if (it == timers.end())
        return false;
    QTimer* timer = it->second;
    timers.erase(it);
    timer->stop();
    // The timer may be the one whose callback is running right now.
    timer->deleteLater();
    return true;
}

bool watchHandle(int handle, bool autoReset, std::function<void()> callback)
{
    if (!QCoreApplication::instance() || !open)
        return false;
    if (watches.count(handle))
        return true;
    auto* notifier = new QSocketNotifier(handle, QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, [handle, autoReset, callback = std::move(callback)] {
        if (autoReset) {
            uint64_t count;
            if (::read(handle, &count, sizeof count) != sizeof count)
                return; // taken by someone else: not signalled any more
        }
        runGuarded(callback);
    });
    watches.emplace(handle, notifier);
    return true;
}

void unwatchHandle(int handle)
{
    auto it = watches.find(handle);
    if (it == watches.end())
        return;
    QSocketNotifier* notifier = it->second;
    watches.erase(it);
    notifier->setEnabled(false);
    // The notifier may be the one whose callback is running right now.
    notifier->deleteLater();
}

namespace {
// The handler only writes to the descriptor the main loop watches.
int signalEvent = -1;

void noteSignal(int)
{
    const uint64_t one = 1;
    if (signalEvent >= 0)
        (void)!::write(signalEvent, &one, sizeof one);
}
} // namespace

void onTerminationSignal(std::function<void()> callback)
{
    if (!callback) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        if (signalEvent >= 0) {
            unwatchHandle(signalEvent);
            ::close(signalEvent);
            signalEvent = -1;
        }
        return;
    }
    if (signalEvent < 0)
        signalEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (signalEvent < 0)
        return;
    unwatchHandle(signalEvent);
    watchHandle(signalEvent, true, std::move(callback));
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace Platform::Ui
