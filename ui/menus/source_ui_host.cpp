#include "ui/menus/source_ui_host.h"

#include "effects/objects/source_ui.h"
#include "ui/menus/dialog.h"
#include "ui/window/base_menu.h"
#include "ui/window/tool_tips.h"

namespace Dialog {

namespace {

void fill(Window::BaseMenu& menu, const std::vector<Effect::SourceUi::MenuEntry>& entries)
{
    for (const Effect::SourceUi::MenuEntry& entry : entries) {
        if (!entry.children.empty()) {
            Window::BaseMenu sub = menu.insertSubMenu(entry.text);
            fill(sub, entry.children);
            Platform::Ui::setMenuItemEnabled(menu.hmenu, menu.itemCount() - 1, entry.enabled);
            continue;
        }
        Window::MenuItem item = menu.insertItem(entry.text, entry.action);
        item.setEnable(entry.enabled);
        item.setCheck(entry.checked);
        item.setRadioCheck();
    }
}

} // namespace

void installSourceUi()
{
    Effect::SourceUi::installHooks([](const std::wstring& text) { Window::ToolTips::get().showAtCursor(text); },
                                   [](const std::vector<Effect::SourceUi::MenuEntry>& entries) {
                                       Window::PopupMenu menu;
                                       fill(menu, entries);
                                       return menu.show();
                                   });
    Effect::SourceUi::installErrorHook([](const std::wstring& message) { postError(L"%s", message.c_str()); });
}

void uninstallSourceUi()
{
    Effect::SourceUi::installHooks(nullptr, nullptr);
    Effect::SourceUi::installErrorHook(nullptr);
}

} // namespace Dialog
