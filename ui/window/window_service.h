#pragma once
// The main window's state the services change: whether the user's input is
// locked (an export locks it and watches Close and Escape through a filter)
// and the program's notification-area icon with its balloon. Without a
// window both are kept here and logged; tests feed input through offerInput.
#include <cstdint>
#include <functional>
#include <string>

namespace Window {

class WindowService {
public:
    // Offered every input message while input is locked; true when it handled it.
    using InputFilter = std::function<bool(uint32_t message, uintptr_t wParam)>;

    static constexpr uint32_t MessageClose = 0x0010;
    static constexpr uint32_t MessageKeyDown = 0x0100;
    static constexpr int NotifyShowMs = 5000;

    static WindowService& get();

    // Locks (false) or unlocks the input with the filter that sees it while
    // locked; the five top-level menus are greyed or enabled with it.
    void setInputEnable(bool enable, InputFilter filter);
    bool isInputEnabled() const { return inputEnabled; }
    // An input message for the main window: true when it is dropped because
    // input is locked (the filter saw it first).
    bool offerInput(uint32_t message, uintptr_t wParam);

    // The icon with an information balloon (title cut at 63, text at 255
    // characters), an earlier one removed first; it goes after 5 seconds.
    void showNotify(const std::wstring& title, const std::wstring& text);
    void removeNotifyIcon();

    bool inputEnabled = true;
    bool menusEnabled = true;
    InputFilter filter;
    bool notifyIconShown = false;
    std::wstring balloonTitle;
    std::wstring balloonText;
    uintptr_t notifyTimer = 0;
};

} // namespace Window
