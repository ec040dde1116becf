#pragma once
// The program's one top-level window: a frame with a menu bar and one canvas
// that shows a retained back buffer (premultiplied BGRA, device pixels).
// Every event of the window becomes a Message (message.h) handed to the one
// handler its owner installs; what the handler leaves to the window itself
// goes to defaultProc. Main thread only.
//
// What the window does on its own, so that the handler sees the messages the
// interface code expects:
// - a press on the inactive window sends MouseActivate first; the answer
//   MouseActivateEat drops the press and its release;
// - CaptureChanged follows every release of the last held button and every
//   loss of the keyboard focus;
// - hover tracking (trackMouse) sends MouseHover once the pointer rested
//   400 ms, and MouseLeave when it leaves the canvas;
// - Alt (alone or with a key) and F10 come as SysKeyDown/SysKeyUp/SysChar;
// - an auto-repeated key press waits in the queue; it is delivered with
//   hasQueuedKeyDown telling whether a later press of the same key waits too;
// - drags of local files come as DragOver, Drop and DragLeave (other data is
//   refused without a message);
// - an input-method commit comes as ImeComposition with ImeResult and text.
#include "platform/ui/message.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Platform::Ui {

struct NativeMenu;

// Pointer shapes. SplitH and SplitV are the separator-blocked cursors
// (resource ids 32652 and 32653); Custom shows a picture of the caller's.
enum class Cursor { Hidden, Arrow, SizeWE, SizeNS, SizeAll, Hand, IBeam, No, Wait, AppStarting, SplitH, SplitV, Custom };

class Surface {
public:
    // Answers a message; what it does not handle it passes to defaultProc.
    using Handler = std::function<intptr_t(Message& message)>;

    // Creates the hidden window with its canvas. Requires the application object.
    static std::unique_ptr<Surface> create(const std::wstring& title, const std::string& objectName);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // The window most recently created that still exists, or null.
    static Surface* main();

    void setHandler(Handler handler);
    // Create and GetMinMaxInfo are sent here, then the window shows at the
    // outer position and client size (or maximized).
    void show(int x, int y, int width, int height, bool maximized);
    // What the window does with a message nobody took: Close destroys the
    // window (Destroy is sent); the rest does nothing.
    intptr_t defaultProc(Message& message);
    // Sends Close, as the close button does.
    void requestClose();
    // Destroys the window (Destroy is sent) unless already gone.
    void destroy();
    bool exists() const;

    void setTitle(const std::wstring& title);
    // A PNG picture of the window's icon.
    void setIcon(const void* png, size_t size);
    void setMenuBar(NativeMenu* bar);
    // Makes the menu bar show the menus' current titles and enabled states.
    void refreshMenuBar();

    bool isActive() const;
    void activate();
    bool isMaximized() const;
    bool isMinimized() const;
    // Outer rectangle in screen pixels.
    void outerRect(int& left, int& top, int& right, int& bottom) const;
    void clientToScreen(int& x, int& y) const;
    void screenToClient(int& x, int& y) const;

    // The back buffer: the client area in device pixels.
    int width() const;
    int height() const;
    int stride() const;
    uint8_t* bits();
    // Repaints the rectangle of the screen from the back buffer.
    void present(int left, int top, int right, int bottom);

    // Gives the canvas the keyboard focus.
    void setKeyboardFocus();
    bool hasKeyboardFocus() const;
    // Arms hover tracking (MouseHover after 400 ms at rest) and leave
    // tracking (MouseLeave); cancel disarms both.
    void trackMouse(bool cancel);
    void setCursor(Cursor cursor);
    // A cursor of the program's own: a PNG with its hot spot.
    void setCustomCursor(const void* png, size_t size, int hotX, int hotY);
    // Whether the canvas takes input-method text (the router's imeEnabled).
    void setImeEnabled(bool enabled);
    bool imeEnabled() const;
    // Where the input method shows composition text (client pixels; an empty
    // rectangle: at the pointer).
    void setImePosition(int x, int y, int width, int height);
    // The result string of the input method's last commit.
    std::wstring imeResult() const;
    // Whether a press of the key waits in the queue behind the one being handled.
    bool hasQueuedKeyDown(int virtualKey) const;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    Surface();
    std::unique_ptr<Impl> impl_;
};

// Whether a key is down, as the last input event showed (GetKeyState).
bool isKeyDown(int virtualKey);
// Sets what isKeyDown answers for a key until the next event of that key.
void setKeyDown(int virtualKey, bool down);
// The pointer in screen pixels.
void getCursorPos(int& x, int& y);
// Moves the pointer; false where the desktop does not allow it (only X11 does).
bool setCursorPos(int x, int y);
// The colour of a screen pixel; false where the screen cannot be read (only X11 can).
bool readScreenPixel(int x, int y, uint8_t rgb[3]);
// The desktop's extent in screen pixels (all screens).
void virtualScreen(int& left, int& top, int& width, int& height);
// Milliseconds on the monotonic clock.
uint64_t tickCount();

} // namespace Platform::Ui
