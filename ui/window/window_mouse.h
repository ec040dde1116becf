#pragma once
// Input routing. Every panel, drawn control and the main window itself is a
// WindowMouse: a rectangle, a priority and 25 virtual input handlers. The one
// router, WindowMouseService, receives the main window's input messages
// (Platform::Ui::Message) and turns each into one call of one target's
// handler: the hit test picks the visible target under the pointer with the
// highest priority (the nearest centre among equals; a disabled winner takes
// the event from everyone below it), a press keeps going to its target until
// released, key presses go to the focused target or, without one, and always
// with Alt, to the shortcut manager. It also keeps the keyboard focus and the
// input method with it, drags (with the pointer hidden and warped where the
// desktop allows), double clicks, hover, the cursor, drops and the colour pick.
//
// Handlers get coordinates relative to their target's rectangle. A handler
// that answers bool answers true when it used the event. Main thread only.
#include "core/service.h"
#include "platform/ui/message.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Ui {
class Surface;
enum class Cursor;
} // namespace Platform::Ui

namespace Window {

// Signed device pixels of the main window's client area.
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool operator==(const Rect&) const = default;
};

using DropInfo = Platform::Ui::DropInfo;

// The input-method state handed to procFocusIme.
struct ImeState {
    bool imeEnabled = true;              // the window takes input-method text now
    std::wstring compositionFontFamily; // the composition font last given to the input method
    int compositionFontHeight = 0;
};

// A cursor the router can show: a shape of the desktop's, or a picture of the
// program's resources (resource id, hot spot at 16, 9).
struct CursorRecord {
    Platform::Ui::Cursor shape;
    int resource; // 0 for the desktop's shapes
};

namespace Cursors {
extern const CursorRecord Hidden, Arrow, SizeWE, SizeNS, SizeAll, Hand, IBeam, No, Wait, AppStarting;
extern const CursorRecord Custom129; // triangles left and right: slider dragging
extern const CursorRecord Custom143; // triangles up and down: slider input and preview drags
extern const CursorRecord Custom130; // open cross-hair: colour picking
extern const CursorRecord System32652; // blocked horizontal separator
extern const CursorRecord System32653; // blocked vertical separator
} // namespace Cursors

class WindowMouseService;

class WindowMouse {
public:
    // Registers with the router (when one exists) on the rectangle, which
    // stays the caller's.
    WindowMouse(Rect* rect, int priority);
    virtual ~WindowMouse();
    WindowMouse(const WindowMouse&) = delete;
    WindowMouse& operator=(const WindowMouse&) = delete;

    virtual void procMouseMove(int x, int y);
    // The pointer's movement since the drag origin set by beginDrag.
    virtual void procMouseDrag(int x, int y);
    // A press or drag was cancelled by a shortcut key.
    virtual void procDragCancel();
    virtual bool procDragKey(int virtualKey);
    // The watched key was released.
    virtual void procKeyRelease();
    virtual void procLButtonDown(int x, int y);
    virtual void procLButtonUp(int x, int y);
    virtual void procRButtonDown(int x, int y);
    virtual void procRButtonUp(int x, int y);
    virtual void procMouseEnter();
    virtual void procMouseLeave();
    // The target's press ended.
    virtual void procRelease();
    virtual void procMouseWheel(int x, int y, int delta);
    virtual bool acceptMouseWheel();
    virtual bool procKeyDown(int virtualKey);
    virtual bool procChar(wchar_t character);
    // An input-method result; calls procChar for each character.
    virtual void procImeString(const std::wstring& text);
    virtual void procKillFocus(WindowMouse* next);
    virtual void procContextMenu(int x, int y);
    // True when the target runs the input method itself.
    virtual bool procFocusIme(ImeState& state);
    virtual bool procDragOver(int x, int y, DropInfo& info);
    virtual bool procDrop(int x, int y, DropInfo& info);
    virtual void procDragLeave();
    // Three bytes red, green, blue; null when the pick was cancelled.
    virtual void procPickColor(const uint8_t* rgb);
    virtual void procMouseHover();

    // Re-arms hover tracking while this target is hovered, so that
    // procMouseHover fires again after the pointer rests anew.
    void trackMouseHover();
    bool isDragging() const;
    // Makes this target pick a colour from the screen with the next click.
    void beginColorPick();

    bool pressed = false;
    bool hovered = false;
    bool focused = false;
    bool enabled = true;
    bool visible = true;
    bool acceptContextMenu = false;
    bool acceptRightButton = false;
    bool acceptWheel = false;
    bool acceptDrop = false;
    WindowMouseService* mouseService;
    Rect* rect;
    int priority;
};

class WindowMouseService : public System::Singleton<WindowMouseService> {
public:
    // Watch keys.
    static constexpr int WatchControlKey = 17;
    static constexpr int WatchFocus = 0x10000; // the end of the keyboard focus

    struct MouseCursor {
        const CursorRecord* defaultCursor = nullptr;
        const CursorRecord* requestedCursor = nullptr;
        const CursorRecord* appliedCursor = nullptr;
        Platform::Ui::Surface* window = nullptr;
        // Shows the requested cursor when it is not the one shown.
        void updateWindowCursor();
    };

    WindowMouseService();
    ~WindowMouseService();
    WindowMouseService(const WindowMouseService&) = delete;
    WindowMouseService& operator=(const WindowMouseService&) = delete;

    // The main window exists: the arrow becomes the default and requested cursor.
    void setWindow(Platform::Ui::Surface* window);

    // One message of the main window; true when it was handled.
    bool procMessage(Platform::Ui::Message& message);
    void removeMouse(WindowMouse* target);
    // With a press target: marks it pressed and dragging, the origin at its
    // rectangle's corner plus (dx, dy); then requests the cursor (the hidden
    // one anchors the pointer for endless drags).
    void beginDrag(int dx, int dy, const CursorRecord* cursor);
    void setFocus(WindowMouse* target);
    // A button keeps the press: the following button-up is delivered and reported handled.
    void takePress();
    void watchKey(WindowMouse* target, int virtualKey);
    void setCursor(const CursorRecord* cursor);
    // Removes the keyboard focus before next gets an event; true when one was removed.
    bool removeFocus(WindowMouse* next);
    // Ends a watch whose key is up (or whose focus is gone).
    void checkKeyWatch();
    // Ends a press: the target's pressed flag is cleared, a drag ends with
    // procDragCancel, the cursor returns to the default (shortcut keys).
    void cancelPress();
    // The hit test: the target for a client point.
    WindowMouse* hitTest(int x, int y, bool (*accept)(WindowMouse&) = nullptr);
    // The hovered target (if any) is left: procMouseLeave, and hover tracking cancelled.
    void hoverLeave();

    static bool isKeyDown(int virtualKey);

    Platform::Ui::Surface* window = nullptr;
    MouseCursor mouseCursor;
    std::vector<WindowMouse*> targets;
    ImeState ime;
    WindowMouse* focusTarget = nullptr;
    WindowMouse* pressTarget = nullptr;
    WindowMouse* hoverTarget = nullptr;
    WindowMouse* dropTarget = nullptr;
    WindowMouse* keyWatchTarget = nullptr;
    int keyWatchKey = 0;
    WindowMouse* colorPickTarget = nullptr;
    bool dragging = false;
    bool dragMoved = false;
    int dragOriginX = 0, dragOriginY = 0;
    int dragAnchorX = 0, dragAnchorY = 0;
    uint32_t lastButtonMessage = 0;
    uint64_t lastButtonTime = 0;
    uint32_t lastButtonPoint = 0;
    uint32_t lastMovePoint = 0xFFFFFFFF;
    bool doubleClick = false;
    uint64_t lastWheelTime = 0;
    const WindowMouse* lastWheelTarget = nullptr;
    bool rightPressRemovedFocus = false;
    bool sysKeyHandled = false;

    // Set while a target's handler runs: input arriving meanwhile (a nested
    // loop of a menu or a dialog) reaches no target.
    static bool dispatchGuard;

private:
    // The press target's press ends with procRelease (when it took the press).
    void releasePress();
    void prepareButtonDown(Platform::Ui::Message& message);
    void changePress(WindowMouse* hit);
    bool mouseMove(Platform::Ui::Message& message);
    void finishColorPick();
    void cancelColorPick();
    void dropLeave();
    bool dragMessage(Platform::Ui::Message& message, bool drop);
    void applyCursor() { mouseCursor.updateWindowCursor(); }
    int doubleClickTime() const;
};

// The main window's input-method result string (the router reads it on a
// composition result).
std::wstring readImeResultString();

} // namespace Window
