#pragma once
// The input state the editing code asks about: whether a mouse press or drag
// is pending, which keys are down, the key watcher of each window (a control
// that wants to hear when the Ctrl key is released or a pending press ends),
// and the mouse cursor. Without windows nothing is pending and no key is down;
// tests set the state.
#include <unordered_map>

namespace Window {

class WindowControl;

// A window: it has at most one key watcher at a time.
class WindowClient {
public:
    WindowClient() = default;
    virtual ~WindowClient();
    WindowClient(const WindowClient&) = delete;
    WindowClient& operator=(const WindowClient&) = delete;

    WindowControl* keyWatcher = nullptr;
    int keyWatchCode = 0;
};

// A control inside a window.
class WindowControl {
public:
    explicit WindowControl(WindowClient* window = nullptr) : window(window) {}
    virtual ~WindowControl();
    WindowControl(const WindowControl&) = delete;
    WindowControl& operator=(const WindowControl&) = delete;

    // The watched key was released, or the pending press ended.
    virtual void procKeyWatch(int code);

    WindowClient* window;
};

class WindowMouseService {
public:
    // Watch codes.
    static constexpr int WatchControlKey = 17;      // the Ctrl key's release
    static constexpr int WatchMouseEnd = 0x10000;   // the end of a pending press or drag

    // The cursor shown over the main window.
    struct MouseCursor {
        enum Shape { Arrow, AppStarting, No }; // No: a refused drag
        Shape cursor = Arrow; // set by the owner
        Shape shown = Arrow;  // what the window shows
        // Shows the cursor that was set.
        void updateWindowCursor() { shown = cursor; }
    };

    static WindowMouseService& get();

    bool isPending() const { return pending; }
    bool isKeyDown(int virtualKey) const;
    void setKeyDown(int virtualKey, bool down);
    // The code the control's window watches for (0: no watcher, or no window).
    int getKeyWatch(const WindowControl* control) const;
    // Makes the control its window's key watcher.
    void setKeyWatch(WindowControl* control, int code);
    // The watched event happened in the window: its watcher hears of it and is unregistered.
    void endKeyWatch(WindowClient& window);

    bool pending = false;
    MouseCursor mouseCursor;

private:
    std::unordered_map<int, bool> keys_;
};

} // namespace Window
