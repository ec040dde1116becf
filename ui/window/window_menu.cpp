#include "ui/window/window_menu.h"

#include "core/failure.h"
#include "core/translate_service.h"
#include "platform/ui/surface.h"
#include "ui/window/shortcut_manager.h"

#include <cstdio>

namespace Window {

namespace {
const wchar_t* const Titles[5] = {L"ファイル", L"編集", L"表示", L"設定", L"その他"};

std::wstring translated(const wchar_t* text)
{
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    return translate ? std::wstring(translate->translateMenu(text)) : std::wstring(text);
}

void deleteAll(Platform::Ui::MenuHandle menu)
{
    while (Platform::Ui::menuItemCount(menu) > 0)
        if (!Platform::Ui::deleteMenuItem(menu, 0))
            throw System::makeLastErrorException("DeleteMenu", "Window::WindowMenu::DeleteMenuItem");
}
} // namespace

// ---- WindowMenu ----

WindowMenu::WindowMenu(BaseMenu& bar, const wchar_t* t, int i) : BaseMenu(bar, t), title(t), index(i) {}

MenuItem WindowMenu::insertItem(const std::wstring& text, std::function<void()> handler)
{
    MenuItem item = BaseMenu::insertItem(text, std::move(handler));
    item.menuTitle = title;
    return item;
}

WindowMenu::ItemList* WindowMenu::insertItemList(BaseMenu& menu, int count, std::function<void(int)> onSelect,
                                                 std::function<std::vector<const wchar_t*>()> items)
{
    auto* bar = dynamic_cast<WindowMenuManager*>(root);
    if (!bar)
        return nullptr;
    auto list = std::make_unique<ItemList>();
    list->hmenu = menu.hmenu;
    list->firstId = bar->nextId();
    list->items = std::move(items);
    for (int i = 0; i < count; ++i)
        bar->commands[list->firstId + i] = [onSelect, i] { onSelect(i); };
    bar->itemLists.push_back(std::move(list));
    return bar->itemLists.back().get();
}

void WindowMenu::deleteMenuItem()
{
    deleteAll(hmenu);
}

void WindowMenu::updateTitle()
{
    auto* bar = dynamic_cast<WindowMenuManager*>(root);
    if (bar)
        Platform::Ui::setMenuItemText(bar->hmenu, index, translated(title));
}

void WindowMenu::ItemList::updateItemList(bool numbered)
{
    if (frozen)
        return;
    deleteAll(hmenu);
    const std::vector<const wchar_t*> entries = items ? items() : std::vector<const wchar_t*>();
    for (size_t i = 0; i < entries.size(); ++i) {
        Platform::Ui::MenuEntry entry;
        entry.id = firstId + int(i);
        if (numbered) {
            wchar_t text[260];
            std::swprintf(text, 260, L"&%d %ls", int(i) + 1, entries[i] ? entries[i] : L"");
            entry.text = text;
        } else {
            entry.text = entries[i] ? entries[i] : L"";
        }
        if (!Platform::Ui::insertMenuItem(hmenu, -1, entry))
            throw System::makeLastErrorException("AppendMenu", "Window::WindowMenu::ItemList::updateItemList");
    }
}

void WindowMenu::ItemList::registerShortcuts(const WindowMenu& owner)
{
    updateItemList(false);
    frozen = true;
    ShortcutManager* shortcuts = ShortcutManager::Get();
    if (!shortcuts)
        return;
    const std::vector<const wchar_t*> entries = items ? items() : std::vector<const wchar_t*>();
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::wstring name = translated(owner.title) + L":" + (entries[i] ? entries[i] : L"");
        shortcuts->registerShortcut(name.c_str(), 0, nullptr, hmenu, firstId + int(i));
    }
}

// ---- WindowMenuManager ----

WindowMenuManager::WindowMenuManager()
{
    hmenu = Platform::Ui::createMenu();
    if (!hmenu)
        throw System::makeLastErrorException("CreateMenu", "Window::WindowMenuManager::WindowMenuManager");
    for (int i = 0; i < 5; ++i)
        menus[i] = std::make_unique<WindowMenu>(*this, Titles[i], i);
}

WindowMenuManager::~WindowMenuManager()
{
    if (window)
        window->setMenuBar(nullptr);
    Platform::Ui::destroyMenu(hmenu);
}

void WindowMenuManager::setWindowMenu(Platform::Ui::Surface* w)
{
    window = w;
    if (!window)
        throw System::makeLastErrorException("SetMenu", "Window::WindowMenuManager::setWindowMenu");
    window->setMenuBar(hmenu);
}

void WindowMenuManager::initMenuPopup()
{
    // Copies: a callback may change the maps.
    auto enables = enableCallbacks;
    for (auto& [id, callback] : enables)
        Platform::Ui::enableMenuCommand(hmenu, id, callback());
    auto checks = checkCallbacks;
    for (auto& [id, callback] : checks)
        Platform::Ui::checkMenuCommand(hmenu, id, callback());
    auto texts = textCallbacks;
    for (auto& [id, callback] : texts) {
        std::wstring current;
        if (!Platform::Ui::getMenuCommandText(hmenu, id, current))
            continue;
        const size_t tab = current.find(L'\t');
        const wchar_t* text = callback();
        Platform::Ui::setMenuCommandText(hmenu, id,
                                         std::wstring(text ? text : L"") +
                                             (tab == std::wstring::npos ? std::wstring() : current.substr(tab)));
    }
    for (auto& list : itemLists)
        list->updateItemList(true);
}

void WindowMenuManager::enableMenus(bool enable)
{
    for (int i = 0; i < 5; ++i)
        Platform::Ui::setMenuItemEnabled(hmenu, i, enable);
    drawMenuBar();
}

void WindowMenuManager::drawMenuBar()
{
    if (window)
        window->refreshMenuBar();
}

void WindowMenuManager::clearMenus()
{
    for (auto& menu : menus)
        menu->deleteMenuItem();
    if (ShortcutManager* shortcuts = ShortcutManager::Get())
        shortcuts->removeShortcuts([](const Shortcut& s) { return s.menu != nullptr; });
    enableCallbacks.clear();
    checkCallbacks.clear();
    textCallbacks.clear();
    itemLists.clear();
    for (auto& menu : menus)
        menu->updateTitle();
}

} // namespace Window
