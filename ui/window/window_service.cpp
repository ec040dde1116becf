#include "ui/window/window_service.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "platform/draw/target.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/surface.h"
#include "platform/ui/tray_icon.h"
#include "ui/window/list_box.h"
#include "ui/window/resources/window_resources.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/window_client.h"
#include "ui/window/window_footer.h"

#include <algorithm>

namespace Window {

using Platform::Ui::Message;
namespace Msg = Platform::Ui::Msg;

bool WindowService::notifyIconShown = false;

namespace {
System::Timer& notifyTimer()
{
    static System::Timer timer;
    return timer;
}

bool isInputMessage(uint32_t id)
{
    return (id >= Msg::MouseFirst && id <= Msg::MouseHWheel) || (id >= Msg::KeyFirst && id <= Msg::UniChar) ||
           id == Msg::Command || id == Msg::Close || id == Msg::DragOver || id == Msg::Drop || id == Msg::DragLeave;
}
} // namespace

// ---- RenderTargetWindow ----

void RenderTargetWindow::createRenderTarget(Platform::Ui::Surface& s)
{
    if (!windowTarget)
        windowTarget = Platform::Draw::Target::createOnMemory(s.bits(), s.width(), s.height(), s.stride());
    else
        windowTarget->setMemory(s.bits(), s.width(), s.height(), s.stride());
    target = windowTarget.get();
    width = s.width();
    height = s.height();
    clipLeft = clipTop = 0;
    clipWidth = width;
    clipHeight = height;
    bitmapList.target = target;
    present = [&s](int l, int t, int r, int b) { s.present(l, t, r, b); };
}

// ---- WindowService ----

WindowService::WindowService() : WindowMouse(&clientArea, 0)
{
    if (System::Config::iniFile)
        section.load(*System::Config::iniFile);
    Resources::registerPictures();
    createWindowManager();
}

WindowService::~WindowService()
{
    if (surface && surface->exists())
        surface->destroy();
    if (System::Config::iniFile)
        section.save(*System::Config::iniFile);
    for (auto& [handle, function] : waitHandles)
        Platform::Ui::unwatchHandle(handle);
    waitHandles.clear();
    footer.reset();
    filter = nullptr;
    dragClients.clear();
    clients.clear();
    if (ShortcutManager* shortcuts = ShortcutManager::Get())
        shortcuts->runCommand = nullptr;
    if (WindowMouseService* mouse = WindowMouseService::Get(); mouse && mouse->window == surface.get())
        mouse->setWindow(nullptr);
    WindowMenuManager::window = nullptr;
    present = nullptr;
    target = nullptr;
    bitmapList.target = nullptr;
    surface.reset();
    windowTarget.reset();
}

void WindowService::createWindowManager()
{
    if (!Platform::Ui::hasApplication())
        throw System::makeLastErrorException("CreateWindowExW", "Window::WindowService::createWindowManager");
    surface = Platform::Ui::Surface::create(title, "velmora2Manager");
    surface->setHandler([this](Message& m) { return windowProc(m); });
    const Resources::Data icon = Resources::find(107);
    if (icon.bytes)
        surface->setIcon(icon.bytes, icon.size);
    if (WindowMouseService* mouse = WindowMouseService::Get())
        mouse->setWindow(surface.get());
    createRenderTarget(*surface);
    clientArea = {0, 0, width, height};
    footer = std::make_unique<WindowFooter>(*this);
    setWindowMenu(surface.get());
    if (ShortcutManager* shortcuts = ShortcutManager::Get())
        shortcuts->runCommand = [this](int id) { runCommand(id); };
    surface->show(x, y, w, h, zoom != 0);
}

void WindowService::processMessage()
{
    while (!windowGone && surface && surface->exists())
        Platform::Ui::runMainLoop();
}

void WindowService::registerWaitHandle(int handle, std::function<void()> function)
{
    WindowService* self = Get();
    if (!self) {
        Platform::Ui::watchHandle(handle, true, std::move(function));
        return;
    }
    if (self->waitHandles.count(handle))
        return; // the first function stays
    self->waitHandles.emplace(handle, std::move(function));
    Platform::Ui::watchHandle(handle, true, [handle] {
        WindowService* service = Get();
        if (!service)
            return;
        auto it = service->waitHandles.find(handle);
        if (it == service->waitHandles.end())
            return;
        // A copy: the function may remove its own handle.
        std::function<void()> run = it->second;
        run();
    });
}

void WindowService::removeWaitHandle(int handle)
{
    if (WindowService* self = Get()) {
        if (!self->waitHandles.erase(handle))
            return;
    }
    Platform::Ui::unwatchHandle(handle);
}

void WindowService::setInputEnable(bool enable, InputFilter newFilter)
{
    if (enable == inputEnabled)
        return;
    inputEnabled = enable;
    filter = std::move(newFilter);
    enableMenus(enable);
    System::Log::verbose("Window::WindowService::setInputEnable", L"input %s", enable ? L"enabled" : L"locked");
}

bool WindowService::offerInput(uint32_t message, uintptr_t wParam)
{
    if (inputEnabled)
        return false;
    // A copy: the filter may end the lock while it runs.
    InputFilter f = filter;
    if (f && f(message, wParam))
        return true;
    return isInputMessage(message);
}

intptr_t WindowService::windowProc(Message& m)
{
    if (!inputEnabled) {
        const bool key = m.id >= Msg::KeyFirst && m.id <= Msg::UniChar;
        if (offerInput(m.id, key || m.id == Msg::Command ? uintptr_t(m.key) : 0))
            return 0;
    }
    if (ListBox::isOpen) {
        if (m.id == Msg::LButtonDown) {
            ListBox::hide();
            return 0;
        }
        if (m.id == Msg::RButtonDown || m.id == Msg::ContextMenu)
            return 0;
    }
    if (WindowMouseService* mouse = WindowMouseService::Get(); mouse && mouse->procMessage(m))
        return 0;
    return procWindowMessage(m);
}

intptr_t WindowService::procWindowMessage(Message& m)
{
    switch (m.id) {
    case Msg::Size: resizeWindow(m.width, m.height); return 0;
    case Msg::Paint: paintWindow(); return 0;
    case Msg::Close:
        if (confirmClose && !confirmClose())
            return 0;
        return defaultWindowProc(m);
    case Msg::MouseActivate:
        return surface && surface->isActive() ? Platform::Ui::MouseActivateAndKeep : Platform::Ui::MouseActivateEat;
    case Msg::GetMinMaxInfo:
        m.width = MinimumSize;
        m.height = MinimumSize;
        return 0;
    case Msg::WindowPosChanged:
        if (!(m.flags & Platform::Ui::PosFlags::Minimized)) {
            if (m.flags & Platform::Ui::PosFlags::Maximized) {
                zoom = 1;
            } else {
                zoom = 0;
                if (!(m.flags & Platform::Ui::PosFlags::NoMove)) {
                    x = m.left;
                    y = m.top;
                }
                if (!(m.flags & Platform::Ui::PosFlags::NoSize)) {
                    w = m.width;
                    h = m.height;
                }
            }
        }
        defaultWindowProc(m);
        return 0;
    case Msg::Command: runCommand(m.key); return 0;
    case Msg::InitMenuPopup: initMenuPopup(); return 0;
    default: return defaultWindowProc(m);
    }
}

intptr_t WindowService::defaultWindowProc(Message& m)
{
    switch (m.id) {
    case Msg::Create: return 0;
    case Msg::Destroy:
        windowGone = true;
        Platform::Ui::quitMainLoop();
        return 0;
    default: return surface ? surface->defaultProc(m) : 0;
    }
}

void WindowService::paintWindow()
{
    if (!target)
        return;
    DrawSection scope(*this, 0, 0, width, height, true);
    for (WindowClient* client : std::vector<WindowClient*>(clients))
        if (client->isVisible())
            client->procPaint();
    drawEmptyArea();
    if (footer)
        footer->draw();
    drawSeparators();
}

void WindowService::repaintAll()
{
    layoutClients();
    for (WindowClient* client : std::vector<WindowClient*>(clients))
        if (client->isVisible())
            client->updateRect(true);
    drawEmptyArea();
    if (footer)
        footer->draw();
    drawSeparators();
}

void WindowService::resizeWindow(int newWidth, int newHeight)
{
    if (!surface)
        return;
    if (newWidth != width || newHeight != height || surface->bits() != (target ? target->bits() : nullptr))
        createRenderTarget(*surface);
    clientArea = {0, 0, width, height};
    if (!target)
        return;
    const int s = Setting::Layout::WindowSeparatorSize;
    DrawSection scope(*this, 0, 0, width, height, true);
    areaWidth = width - 2 + s;
    areaHeight = height + s - Setting::Layout::FooterHeight;
    repaintAll();
}

void WindowService::updateWindowLayout()
{
    if (surface)
        resizeWindow(surface->width(), surface->height());
}

void WindowService::drawSeparators()
{
    if (!target)
        return;
    const int s = Setting::Layout::WindowSeparatorSize;
    DrawSection scope(*this, 0, 0, width, height, true);
    Platform::Draw::Brush* separator = colorBrushList.get(ColorBrushList::WindowSeparator);
    for (WindowClient* c : clients) {
        if (!c->isVisible())
            continue;
        const Rect& r = c->clientRect;
        if (r.x + r.width + s < areaWidth)
            fillRect(r.x + r.width, r.y, r.x + r.width + s, r.y + r.height, separator);
        if (r.y + r.height + s < areaHeight)
            fillRect(r.x, r.y + r.height, r.x + r.width + s, r.y + r.height + s, separator);
    }
    const WindowMouseService* mouse = WindowMouseService::Get();
    const bool draggingHere = mouse && mouse->pressTarget == this && pressed;
    for (WindowClient* c : clients) {
        if (!c->isVisible())
            continue;
        const Rect& r = c->clientRect;
        const bool listed = draggingHere && std::find(dragClients.begin(), dragClients.end(), c) != dragClients.end();
        drawRect(r.x - 1, r.y - 1, r.x + r.width + 1, r.y + r.height + 1,
                 colorBrushList.get(listed ? ColorBrushList::BorderFocus : ColorBrushList::WindowBorder), 1, nullptr);
    }
}

void WindowService::drawEmptyArea()
{
    if (!target)
        return;
    for (WindowClient* c : clients)
        if (c->isVisible())
            return;
    const int s = Setting::Layout::WindowSeparatorSize;
    DrawSection scope(*this, 0, 0, width, height, true);
    fillRect(1, 0, areaWidth - s + 1, areaHeight - s, colorBrushList.get(ColorBrushList::Background));
    drawRect(0, -1, areaWidth - s + 2, areaHeight - s + 1, colorBrushList.get(ColorBrushList::WindowBorder), 1,
             nullptr);
}

void WindowService::showNotify(const std::wstring& title, const std::wstring& text)
{
    static bool onShutdownList = false;
    removeNotifyIcon();
    const std::wstring balloonTitle = title.substr(0, 63);
    const std::wstring balloonText = text.substr(0, 255);
    const Resources::Data icon = Resources::find(107);
    if (!Platform::Ui::hasApplication() || !Platform::Ui::showTrayIcon(icon.bytes, icon.size, balloonTitle, balloonText))
        System::Log::info("Window::WindowService::showNotify", L"no notification area: %s", balloonText.c_str());
    notifyIconShown = true;
    notifyTimer().set(NotifyShowMs, [] { removeNotifyIcon(); });
    if (!onShutdownList) {
        if (Event::EventService* events = Event::EventService::Get()) {
            events->shutdown.push_back([] { removeNotifyIcon(); });
            onShutdownList = true;
        }
    }
}

void WindowService::removeNotifyIcon()
{
    if (!notifyIconShown)
        return;
    if (Platform::Ui::hasApplication())
        Platform::Ui::removeTrayIcon();
    notifyIconShown = false;
    notifyTimer().clear();
}

} // namespace Window
