#include "ui/window/base_menu.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/translate_service.h"
#include "platform/ui/person.h"
#include "platform/ui/surface.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/window_menu.h"
#include "ui/window/window_mouse.h"

#include <algorithm>

namespace Window {

namespace {
std::wstring translated(const std::wstring& text)
{
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    return translate ? std::wstring(translate->translateMenu(text)) : text;
}

WindowMenuManager* barOf(RootMenu* root)
{
    return dynamic_cast<WindowMenuManager*>(root);
}

// The popup menu being tracked, for the chooser.
const PopupMenu* trackedMenu = nullptr;
} // namespace

// ---- MenuItem ----

MenuItem& MenuItem::setRadioCheck()
{
    Platform::Ui::setMenuCommandRadio(menu, commandId);
    return *this;
}

MenuItem& MenuItem::setEnable(bool enable)
{
    Platform::Ui::enableMenuCommand(menu, commandId, enable);
    return *this;
}

MenuItem& MenuItem::setCheck(bool check)
{
    Platform::Ui::checkMenuCommand(menu, commandId, check);
    return *this;
}

MenuItem& MenuItem::setEnable(std::function<bool()> callback)
{
    if (WindowMenuManager* bar = barOf(root))
        bar->enableCallbacks.try_emplace(commandId, std::move(callback));
    return *this;
}

MenuItem& MenuItem::setCheck(std::function<bool()> callback)
{
    if (WindowMenuManager* bar = barOf(root))
        bar->checkCallbacks.try_emplace(commandId, std::move(callback));
    return *this;
}

MenuItem& MenuItem::setText(std::function<const wchar_t*()> callback)
{
    if (WindowMenuManager* bar = barOf(root))
        bar->textCallbacks.try_emplace(commandId, std::move(callback));
    return *this;
}

MenuItem& MenuItem::setShortcut(int defaultCode)
{
    if (ShortcutManager* shortcuts = ShortcutManager::Get())
        shortcuts->registerShortcut(getShortcutName().c_str(), defaultCode, nullptr, menu, commandId);
    return *this;
}

std::wstring MenuItem::getShortcutName() const
{
    std::wstring text;
    Platform::Ui::getMenuCommandText(menu, commandId, text);
    return (menuTitle ? translated(menuTitle) : std::wstring()) + L":" + text;
}

// ---- BaseMenu ----

BaseMenu::BaseMenu(BaseMenu& parent, const wchar_t* text) : root(parent.root)
{
    hmenu = Platform::Ui::createMenu();
    Platform::Ui::MenuEntry entry;
    entry.text = translated(text ? text : L"");
    entry.subMenu = hmenu;
    if (!Platform::Ui::insertMenuItem(parent.hmenu, -1, entry)) {
        Platform::Ui::destroyMenu(hmenu);
        throw System::makeLastErrorException("InsertMenu", "Window::BaseMenu::BaseMenu");
    }
}

MenuItem BaseMenu::insertItem(const std::wstring& text, std::function<void()> handler)
{
    MenuItem item;
    item.menu = hmenu;
    item.root = root;
    item.commandId = root->nextId();
    root->commands[item.commandId] = std::move(handler);
    Platform::Ui::MenuEntry entry;
    entry.id = item.commandId;
    entry.text = translated(text);
    if (!Platform::Ui::insertMenuItem(hmenu, -1, entry))
        throw System::makeLastErrorException("InsertMenu", "Window::BaseMenu::insertItem");
    return item;
}

void BaseMenu::insertSeparator()
{
    Platform::Ui::MenuEntry entry;
    entry.separator = true;
    if (!Platform::Ui::insertMenuItem(hmenu, -1, entry))
        throw System::makeLastErrorException("InsertMenu", "Window::BaseMenu::insertSeparator");
}

int BaseMenu::findSubMenu(const BaseMenu& sub) const
{
    const int count = Platform::Ui::menuItemCount(hmenu);
    for (int i = 0; i < count; ++i) {
        Platform::Ui::MenuEntry entry;
        if (Platform::Ui::getMenuItem(hmenu, i, entry) && entry.subMenu && entry.subMenu == sub.hmenu)
            return i;
    }
    return -1;
}

void BaseMenu::setShortcutText(Platform::Ui::MenuHandle menu, int commandId, const std::wstring& keyName)
{
    std::wstring text;
    if (!Platform::Ui::getMenuCommandText(menu, commandId, text))
        return;
    text = text.substr(0, text.find(L'\t'));
    if (!keyName.empty())
        text += L"\t" + keyName;
    Platform::Ui::setMenuCommandText(menu, commandId, text);
}

int BaseMenu::itemCount() const
{
    return std::max(Platform::Ui::menuItemCount(hmenu), 0);
}

Platform::Ui::MenuEntry BaseMenu::item(int position) const
{
    Platform::Ui::MenuEntry entry;
    Platform::Ui::getMenuItem(hmenu, position, entry);
    return entry;
}

BaseMenu BaseMenu::subMenu(int position) const
{
    BaseMenu sub;
    sub.root = root;
    sub.hmenu = item(position).subMenu;
    return sub;
}

bool BaseMenu::runItem(int position)
{
    const Platform::Ui::MenuEntry entry = item(position);
    if (entry.separator || entry.subMenu || !entry.enabled || entry.id == 0)
        return false;
    return root && root->runCommand(entry.id);
}

// ---- RootMenu ----

RootMenu::RootMenu()
{
    root = this;
}

bool RootMenu::runCommand(int id)
{
    auto it = commands.find(id);
    if (it == commands.end() || !it->second)
        return false;
    // A copy: the command may rebuild this menu.
    std::function<void()> handler = it->second;
    handler();
    return true;
}

// ---- PopupMenu ----

bool PopupMenu::active = false;
int PopupMenu::pointX = 0;
int PopupMenu::pointY = 0;

PopupMenu::PopupMenu()
{
    hmenu = Platform::Ui::createMenu();
    if (!hmenu)
        throw System::makeLastErrorException("CreatePopupMenu", "Window::PopupMenu::PopupMenu");
}

PopupMenu::~PopupMenu()
{
    Platform::Ui::destroyMenu(hmenu);
}

bool PopupMenu::show(std::function<void()> onClosed)
{
    Platform::Ui::getCursorPos(pointX, pointY);
    active = true;
    const PopupMenu* previous = trackedMenu;
    trackedMenu = this;
    int chosen = 0;
    try {
        chosen = Platform::Ui::trackPopupMenu(hmenu, pointX, pointY);
    } catch (...) {
        trackedMenu = previous;
        active = false;
        throw;
    }
    trackedMenu = previous;
    active = false;
    if (onClosed)
        onClosed();
    bool ran = false;
    if (chosen != 0) {
        active = true;
        try {
            ran = runCommand(chosen);
        } catch (...) {
            active = false;
            throw;
        }
        active = false;
    }
    if (WindowMouseService* mouse = WindowMouseService::Get())
        mouse->checkKeyWatch();
    return ran;
}

void PopupMenu::setChooser(Chooser chooser)
{
    if (!chooser) {
        Platform::Ui::setAnswerer(Platform::Ui::ModalKind::PopupMenu, nullptr);
        return;
    }
    Platform::Ui::setAnswerer(Platform::Ui::ModalKind::PopupMenu,
                              [chooser = std::move(chooser)](Platform::Ui::ModalPoint& point) {
                                  return trackedMenu && trackedMenu->hmenu == point.menu ? chooser(*trackedMenu) : 0;
                              });
}

} // namespace Window
