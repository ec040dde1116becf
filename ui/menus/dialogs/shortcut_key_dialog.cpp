#include "ui/menus/dialogs/shortcut_key_dialog.h"

#include "ui/window/shortcut_manager.h"

namespace Dialog {

ShortcutKeyDialog::ShortcutItem::ShortcutItem(Window::Shortcut* shortcut) : shortcut(shortcut)
{
    setCode(shortcut->code);
}

const wchar_t* ShortcutKeyDialog::ShortcutItem::getText(int column)
{
    return column == 0 ? shortcut->name.c_str() : column == 1 ? keyName.c_str() : L"";
}

void ShortcutKeyDialog::ShortcutItem::beginEdit(int column, DialogItem* editor)
{
    if (auto* key = dynamic_cast<DialogItemKeyCode*>(editor); key && column == 1)
        key->code = code;
}

void ShortcutKeyDialog::ShortcutItem::endEdit(int column, DialogItem* editor)
{
    if (auto* key = dynamic_cast<DialogItemKeyCode*>(editor); key && column == 1)
        setCode(key->code);
}

void ShortcutKeyDialog::ShortcutItem::setCode(int newCode)
{
    code = newCode;
    keyName = Window::Shortcut::getCodeName(code);
}

ShortcutKeyDialog::ShortcutKeyDialog(std::wstring caption) : DialogTemplate(std::move(caption), "ShortcutKeyDialog") {}

bool ShortcutKeyDialog::show()
{
    list = addItem<DialogItemListView<ShortcutItem>>(ListHeight, false);
    list->addColumn(L"操作", 400);
    list->addColumn(L"ショートカットキー", 200, std::make_unique<DialogItemKeyCode>(L"", 0));
    Window::ShortcutManager* manager = Window::ShortcutManager::Get();
    if (manager)
        for (Window::Shortcut& shortcut : manager->shortcuts)
            list->rows.push_back(std::make_unique<ShortcutItem>(&shortcut));
    list->contextMenu.insertItem(L"ショートカットキーを標準に戻す", [this] { resetToDefault(); });
    list->contextMenu.insertSeparator();
    list->contextMenu.insertItem(L"全てのショートカットキーを標準に戻す", [this] { resetAllToDefault(); });

    if (!create(MinWidth))
        return false;
    for (ShortcutItem* line : list->getItemList()) {
        Window::Shortcut& shortcut = *line->shortcut;
        if (line->code == shortcut.code)
            continue;
        shortcut.code = line->code;
        if (shortcut.menu)
            Window::BaseMenu::setShortcutText(shortcut.menu, shortcut.commandId,
                                              Window::Shortcut::getCodeName(shortcut.code));
    }
    if (manager)
        manager->saveShortcutFile();
    return true;
}

void ShortcutKeyDialog::resetToDefault()
{
    auto* line = dynamic_cast<ShortcutItem*>(list->contextItem);
    if (!line)
        return;
    line->setCode(line->shortcut->defaultCode);
    list->update();
}

void ShortcutKeyDialog::resetAllToDefault()
{
    for (ShortcutItem* line : list->getItemList())
        line->setCode(line->shortcut->defaultCode);
    list->update();
}

} // namespace Dialog
