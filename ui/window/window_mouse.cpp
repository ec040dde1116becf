#include "ui/window/window_mouse.h"

namespace Window {

WindowClient::~WindowClient() = default;

WindowControl::~WindowControl()
{
    if (window && window->keyWatcher == this) {
        window->keyWatcher = nullptr;
        window->keyWatchCode = 0;
    }
}

void WindowControl::procKeyWatch(int) {}

WindowMouseService& WindowMouseService::get()
{
    static WindowMouseService service;
    return service;
}

bool WindowMouseService::isKeyDown(int virtualKey) const
{
    auto it = keys_.find(virtualKey);
    return it != keys_.end() && it->second;
}

void WindowMouseService::setKeyDown(int virtualKey, bool down)
{
    keys_[virtualKey] = down;
}

int WindowMouseService::getKeyWatch(const WindowControl* control) const
{
    return control && control->window && control->window->keyWatcher ? control->window->keyWatchCode : 0;
}

void WindowMouseService::setKeyWatch(WindowControl* control, int code)
{
    if (!control || !control->window)
        return;
    control->window->keyWatcher = control;
    control->window->keyWatchCode = code;
}

void WindowMouseService::endKeyWatch(WindowClient& window)
{
    WindowControl* watcher = window.keyWatcher;
    const int code = window.keyWatchCode;
    window.keyWatcher = nullptr;
    window.keyWatchCode = 0;
    if (watcher)
        watcher->procKeyWatch(code);
}

} // namespace Window
