#include "ui/window/list_box.h"

#include "core/event_service.h"
#include "core/setting_service.h"
#include "platform/ui/application.h"
#include "platform/ui/message.h"
#include "platform/ui/popup_list.h"
#include "platform/ui/surface.h"

#include <algorithm>

namespace Window {

using Platform::Ui::Message;
namespace Msg = Platform::Ui::Msg;

bool ListBox::isOpen = false;
const void* ListBox::owner = nullptr;
std::unordered_map<int, std::function<void()>> ListBox::handlers;
int ListBox::preselected = -1;
Platform::Ui::PopupList* ListBox::list = nullptr;

void ListBox::initialize()
{
    if (!list && Platform::Ui::hasApplication()) {
        list = new Platform::Ui::PopupList();
        list->setHandler([](Message& m) { return windowProc(m); });
        list->setFont(Setting::Font::DefaultFamily, 12);
        list->setItemHeight(16);
        if (Event::EventService* events = Event::EventService::Get())
            events->shutdown.push_back([] { release(); });
    }
    hide();
    preselected = -1;
}

int ListBox::addItem(const std::wstring& text, std::function<void()> handler, bool selected)
{
    if (!list)
        return -1;
    const int index = list->addString(text);
    handlers[index] = std::move(handler);
    if (selected)
        preselected = index;
    return index;
}

void ListBox::show(int x, int y, int width, int ownerHeight, const void* newOwner)
{
    if (isOpen || !list)
        return;
    isOpen = true;
    owner = newOwner;
    Platform::Ui::Surface* window = Platform::Ui::Surface::main();
    int windowHeight = 0;
    if (window) {
        window->clientToScreen(x, y);
        int l, t, r, b;
        window->outerRect(l, t, r, b);
        windowHeight = b - t;
    }
    const int height = std::min(std::max(windowHeight / 4, 256), list->itemHeight() * list->count()) + 4;
    int left, top, screenWidth, screenHeight;
    Platform::Ui::virtualScreen(left, top, screenWidth, screenHeight);
    const int placedY = y + ownerHeight + height > top + screenHeight ? y - height : y + ownerHeight;
    list->place(x, placedY, width, height);
    list->setCurrentIndex(preselected);
    list->setTopIndex(0);
    list->show();
}

void ListBox::hide()
{
    if (!isOpen)
        return;
    isOpen = false;
    if (list) {
        list->hide();
        list->resetContent();
    }
    handlers.clear();
    preselected = 0;
}

void ListBox::select()
{
    if (!isOpen || !list)
        return;
    const int index = list->currentIndex();
    if (index < 0)
        return;
    auto it = handlers.find(index);
    if (it == handlers.end() || !it->second)
        return;
    // A copy: the handler may close and refill the list.
    std::function<void()> handler = it->second;
    handler();
}

void ListBox::moveSelection(int delta)
{
    if (!isOpen || !list)
        return;
    int index = list->currentIndex();
    if (index >= 0)
        index = std::max(std::min(index + delta, list->count() - 1), 0);
    list->setCurrentIndex(index);
    select();
}

bool ListBox::windowProc(Message& m)
{
    switch (m.id) {
    case Msg::KeyDown:
        if (m.key == Platform::Ui::Key::Escape) {
            hide();
            return true;
        }
        return false;
    case Msg::MouseMove: {
        const int index = list->itemFromPoint(m.screenX, m.screenY);
        if (index >= 0)
            list->setCurrentIndex(index);
        return false;
    }
    case Msg::LButtonDown: {
        const int index = list->itemFromPoint(m.screenX, m.screenY);
        if (index >= 0)
            list->setCurrentIndex(index);
        select();
        if (m.keyState & Platform::Ui::KeyState::Control)
            return false;
        hide();
        return true;
    }
    case Msg::KillFocus: hide(); return true;
    case Msg::MouseWheel: {
        const int top = list->topIndex();
        list->setTopIndex(m.delta < 0 ? top + 2 : std::max(top - 2, 0));
        return true;
    }
    default: return false;
    }
}

void ListBox::release()
{
    hide();
    delete list;
    list = nullptr;
}

} // namespace Window
