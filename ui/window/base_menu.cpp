#include "ui/window/base_menu.h"

#include "core/log.h"
#include "core/translate_service.h"

namespace Window {

namespace {
PopupMenu::Chooser& installedChooser()
{
    static PopupMenu::Chooser chooser;
    return chooser;
}
} // namespace

BaseMenu::~BaseMenu() = default;

MenuItem& BaseMenu::insertItem(const std::wstring& text, std::function<void()> callback)
{
    auto item = std::make_unique<MenuItem>();
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    item->text = translate ? translate->translateMenu(text) : text;
    item->callback = std::move(callback);
    items.push_back(std::move(item));
    return *items.back();
}

void BaseMenu::insertSeparator()
{
    auto item = std::make_unique<MenuItem>();
    item->separator = true;
    items.push_back(std::move(item));
}

BaseMenu& BaseMenu::insertSubMenu(const std::wstring& text)
{
    MenuItem& item = insertItem(text, nullptr);
    item.subMenu = std::make_unique<BaseMenu>();
    return *item.subMenu;
}

bool BaseMenu::runItem(size_t index)
{
    if (index >= items.size())
        return false;
    const MenuItem& item = *items[index];
    if (item.separator || !item.enabled || !item.callback)
        return false;
    // A copy: the command may rebuild this menu.
    std::function<void()> callback = item.callback;
    callback();
    return true;
}

bool PopupMenu::show()
{
    std::wstring texts;
    for (const auto& item : items)
        texts += item->separator ? std::wstring(L"|----") : L"|" + item->text + (item->enabled ? L"" : L" (grey)");
    System::Log::verbose("Window::PopupMenu::show", L"%s", texts.c_str());
    const Chooser& chooser = installedChooser();
    if (!chooser)
        return false;
    const int index = chooser(*this);
    return index >= 0 && runItem(static_cast<size_t>(index));
}

void PopupMenu::setChooser(Chooser chooser)
{
    installedChooser() = std::move(chooser);
}

} // namespace Window
