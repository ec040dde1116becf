#include "ui/window/window_service.h"

#include "core/log.h"
#include "platform/ui/main_thread.h"

namespace Window {

WindowService& WindowService::get()
{
    static WindowService service;
    return service;
}

void WindowService::setInputEnable(bool enable, InputFilter newFilter)
{
    if (enable == inputEnabled)
        return;
    inputEnabled = enable;
    filter = std::move(newFilter);
    menusEnabled = enable;
    System::Log::verbose("Window::WindowService::setInputEnable", L"input %s", enable ? L"enabled" : L"locked");
}

bool WindowService::offerInput(uint32_t message, uintptr_t wParam)
{
    if (inputEnabled)
        return false;
    // A copy: the filter may end the lock while it runs.
    InputFilter f = filter;
    if (f)
        f(message, wParam);
    return true;
}

void WindowService::showNotify(const std::wstring& title, const std::wstring& text)
{
    removeNotifyIcon();
    notifyIconShown = true;
    balloonTitle = title.substr(0, 63);
    balloonText = text.substr(0, 255);
    System::Log::info("Window::WindowService::showNotify", L"%s", balloonText.c_str());
    notifyTimer = Platform::Ui::setTimer(0, NotifyShowMs, [](uintptr_t id) {
        Platform::Ui::killTimer(id);
        WindowService& service = get();
        if (service.notifyTimer == id) {
            service.notifyTimer = 0;
            service.removeNotifyIcon();
        }
    });
}

void WindowService::removeNotifyIcon()
{
    if (notifyTimer) {
        Platform::Ui::killTimer(notifyTimer);
        notifyTimer = 0;
    }
    notifyIconShown = false;
    balloonTitle.clear();
    balloonText.clear();
}

} // namespace Window
