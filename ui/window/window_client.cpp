#include "ui/window/window_client.h"

#include "core/config.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "platform/ui/menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <utility>

namespace Window {

WindowClient::WindowClient(const wchar_t* t, const char* sectionName, const Placement& defaults)
    : WindowMouse(&clientRect, 100), windowService(WindowService::Get()), title(t), sectionName_(sectionName),
      section(sectionName_.c_str()), leftParameter_(section, "left", &left, defaults.left),
      topParameter_(section, "top", &top, defaults.top), rightParameter_(section, "right", &right, defaults.right),
      bottomParameter_(section, "bottom", &bottom, defaults.bottom),
      areaParameter_(section, "area", &area, defaults.area), hideParameter_(section, "hide", &hide, defaults.visible ? 0 : 1)
{
    left = defaults.left;
    top = defaults.top;
    right = defaults.right;
    bottom = defaults.bottom;
    area = defaults.area;
    hide = defaults.visible ? 0 : 1;
    if (System::Config::iniFile)
        section.load(*System::Config::iniFile);
    if (!isVisible())
        clientRect = {65536, 65536, 0, 0}; // outside the window from the start
    if (windowService)
        windowService->clients.push_back(this);
}

WindowClient::~WindowClient()
{
    if (windowService && WindowService::Get() == windowService) {
        std::erase(windowService->clients, this);
        std::erase(windowService->dragClients, this);
    }
    if (System::Config::iniFile)
        section.save(*System::Config::iniFile);
}

void WindowClient::procMove() {}

float& WindowClient::edge(int index)
{
    switch (index) {
    case EdgeLeft: return left;
    case EdgeTop: return top;
    case EdgeRight: return right;
    default: return bottom;
    }
}

void WindowClient::swapPlacement(WindowClient& other)
{
    std::swap(left, other.left);
    std::swap(top, other.top);
    std::swap(right, other.right);
    std::swap(bottom, other.bottom);
}

void WindowClient::setVisible(bool visible)
{
    hide = visible ? 0 : 1;
    updateRect(false);
}

void WindowClient::updateRect(bool force)
{
    if (!isVisible()) {
        const Rect outside{65536, 65536, 0, 0};
        const bool changed = !(clientRect == outside);
        clientRect = outside;
        if (changed || force)
            procMove();
        return;
    }
    const int s = Setting::Layout::WindowSeparatorSize;
    const int aw = windowService ? windowService->areaWidth : 0, ah = windowService ? windowService->areaHeight : 0;
    const int l = int(aw * left), t = int(ah * top);
    const Rect next{l + 1, t, std::max(int(aw * right) - s - l, 0), std::max(int(ah * bottom) - s - t, 0)};
    if (next == clientRect && !force)
        return;
    clientRect = next;
    procMove();
    procPaint();
}

void WindowClient::procContextMenu(int, int)
{
    PopupMenu menu;
    procWindowMenu(menu);
    menu.show();
}

void WindowClient::procWindowMenu(BaseMenu& menu)
{
    WindowService* service = windowService;
    if (!service)
        return;
    BaseMenu placement(menu, L"ウィンドウ配置");
    static const wchar_t* const areas[] = {L"左側エリア", L"右側エリア", L"上側エリア", L"下側エリア", L"中央エリア"};
    for (int i = 0; i < 5; ++i) {
        MenuItem item = placement.insertItem(areas[i], [this, service, i] {
            area = i;
            service->updateWindowLayout();
        });
        item.setRadioCheck().setCheck(area == i);
    }
    menu.insertSeparator();
    const std::vector<WindowClient*> order = service->getSortedAreaClients(area);
    auto at = std::find(order.begin(), order.end(), this);
    if (at != order.end()) {
        const int i = int(at - order.begin()), n = int(order.size());
        BaseMenu moving(menu, L"ウィンドウの移動");
        moving.insertItem(L"先頭に移動", [this, service] { service->moveClientToFirst(this); })
            .setEnable(n > 1 && i > 0);
        moving.insertItem(L"上に移動", [this, service] { service->moveClientUp(this); }).setEnable(n > 1 && i > 0);
        moving.insertItem(L"下に移動", [this, service] { service->moveClientDown(this); })
            .setEnable(n > 1 && i < n - 1);
        moving.insertItem(L"最後に移動", [this, service] { service->moveClientToLast(this); })
            .setEnable(n > 1 && i < n - 1);
        menu.insertSeparator();
        menu.insertItem(L"ウィンドウを閉じる", [this, service] {
            if (isVisible()) {
                setVisible(false);
            } else {
                service->makeRoomForClient(this);
                setVisible(true);
            }
            service->updateWindowLayout();
        });
    }
}

WindowClientRenderTarget::WindowClientRenderTarget(const wchar_t* t, const char* sectionName,
                                                   const Placement& defaults)
    : WindowClient(t, sectionName, defaults), Media::RenderTarget(WindowService::Get()),
      colorBrushList(WindowService::Get() ? &WindowService::Get()->colorBrushList : nullptr)
{
}

} // namespace Window
