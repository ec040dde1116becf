#pragma once
// The event records of the main window. The surface (surface.h) turns every
// toolkit event into one Message numbered like the window messages the
// interface code was written against, so the window procedure, the input
// lock's message ranges and the router's table compare the same numbers.
// Key codes are virtual-key codes from one table (surface_keys.cpp).
#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Ui {

// Message numbers.
namespace Msg {
constexpr uint32_t Create = 0x0001;
constexpr uint32_t Destroy = 0x0002;
constexpr uint32_t Size = 0x0005;
constexpr uint32_t Activate = 0x0006; // flags: 1 active, 0 inactive
constexpr uint32_t SetFocus = 0x0007;
constexpr uint32_t KillFocus = 0x0008;
constexpr uint32_t Paint = 0x000F;
constexpr uint32_t Close = 0x0010;
constexpr uint32_t MouseActivate = 0x0021; // answered MouseActivateEat to drop the click
constexpr uint32_t GetMinMaxInfo = 0x0024; // the handler fills width and height with the minimum size
constexpr uint32_t WindowPosChanged = 0x0047;
constexpr uint32_t ContextMenu = 0x007B;
constexpr uint32_t NcMouseMove = 0x00A0;
constexpr uint32_t KeyFirst = 0x0100;
constexpr uint32_t KeyDown = 0x0100;
constexpr uint32_t KeyUp = 0x0101;
constexpr uint32_t Char = 0x0102;
constexpr uint32_t SysKeyDown = 0x0104;
constexpr uint32_t SysKeyUp = 0x0105;
constexpr uint32_t SysChar = 0x0106;
constexpr uint32_t UniChar = 0x0109;
constexpr uint32_t ImeStartComposition = 0x010D;
constexpr uint32_t ImeEndComposition = 0x010E;
constexpr uint32_t ImeComposition = 0x010F; // flags: ImeResult when a result string came
constexpr uint32_t Command = 0x0111;        // key: the command id
constexpr uint32_t InitMenuPopup = 0x0117;
constexpr uint32_t MouseFirst = 0x0200;
constexpr uint32_t MouseMove = 0x0200;
constexpr uint32_t LButtonDown = 0x0201;
constexpr uint32_t LButtonUp = 0x0202;
constexpr uint32_t RButtonDown = 0x0204;
constexpr uint32_t RButtonUp = 0x0205;
constexpr uint32_t MButtonDown = 0x0207;
constexpr uint32_t MButtonUp = 0x0208;
constexpr uint32_t MouseWheel = 0x020A;
constexpr uint32_t MouseHWheel = 0x020E;
constexpr uint32_t CaptureChanged = 0x0215;
constexpr uint32_t ImeChar = 0x0286;
constexpr uint32_t MouseHover = 0x02A1;
constexpr uint32_t MouseLeave = 0x02A3;
constexpr uint32_t User = 0x0400;
constexpr uint32_t DragOver = User + 1;  // drop: the drop record
constexpr uint32_t Drop = User + 2;      // drop: the drop record
constexpr uint32_t DragLeave = User + 3;
} // namespace Msg

// Answers of MouseActivate.
constexpr intptr_t MouseActivateAndKeep = 1;
constexpr intptr_t MouseActivateEat = 2;

// Mouse-message key state bits.
namespace KeyState {
constexpr uint32_t LButton = 0x0001;
constexpr uint32_t RButton = 0x0002;
constexpr uint32_t Shift = 0x0004;
constexpr uint32_t Control = 0x0008;
constexpr uint32_t MButton = 0x0010;
} // namespace KeyState

// WindowPosChanged flags.
namespace PosFlags {
constexpr uint32_t NoSize = 0x0001;
constexpr uint32_t NoMove = 0x0002;
constexpr uint32_t Maximized = 0x1000;
constexpr uint32_t Minimized = 0x2000;
} // namespace PosFlags

constexpr uint32_t ImeResult = 0x0800;

// Virtual-key codes the program names.
namespace Key {
constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Menu = 0x12, Pause = 0x13,
              Capital = 0x14, Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24,
              Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E, Numpad0 = 0x60,
              Multiply = 0x6A, Add = 0x6B, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F, F1 = 0x70, F10 = 0x79,
              F24 = 0x87, Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE,
              Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE;
}

// What a drag of files carries: the local files, the pointer in screen
// pixels, and whether a target took the drag or the drop (set by the receiver).
struct DropInfo {
    std::vector<std::wstring> files;
    int x = 0;
    int y = 0;
    bool accepted = false;
};

struct Message {
    uint32_t id = 0;
    int x = 0, y = 0;             // client pixels (mouse messages)
    int screenX = 0, screenY = 0; // screen pixels (every mouse, wheel and drag message)
    int key = 0;                  // virtual key (key messages), character (Char, SysChar), command id (Command)
    int delta = 0;                // wheel amount, 120 a notch, positive away from the user
    uint32_t keyState = 0;        // KeyState bits held (mouse messages)
    int width = 0, height = 0;    // Size and WindowPosChanged: client size; GetMinMaxInfo: the minimum to fill
    int left = 0, top = 0;        // WindowPosChanged: the outer position
    uint32_t flags = 0;           // Activate, WindowPosChanged, ImeComposition
    bool repeat = false;          // KeyDown: an auto-repeat
    uint64_t time = 0;            // ms on the monotonic clock
    std::wstring text;            // ImeComposition: the result string
    DropInfo* drop = nullptr;     // DragOver and Drop
};

} // namespace Platform::Ui
