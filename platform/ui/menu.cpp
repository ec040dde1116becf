#include "platform/ui/menu.h"

#include "platform/ui/person.h"
#include "platform/ui/surface_qt.h"

#include <QActionGroup>
#include <QMenu>

#include <vector>

namespace Platform::Ui {

struct NativeMenu {
    std::vector<MenuEntry> items;
};

namespace {
MenuEntry* findCommand(MenuHandle menu, int id)
{
    if (!menu)
        return nullptr;
    for (MenuEntry& entry : menu->items) {
        if (!entry.separator && !entry.subMenu && entry.id == id)
            return &entry;
        if (MenuEntry* inner = findCommand(entry.subMenu, id))
            return inner;
    }
    return nullptr;
}

MenuEntry* at(MenuHandle menu, int position)
{
    if (!menu || position < 0 || position >= int(menu->items.size()))
        return nullptr;
    return &menu->items[size_t(position)];
}
} // namespace

MenuHandle createMenu()
{
    return new NativeMenu();
}

void destroyMenu(MenuHandle menu)
{
    if (!menu)
        return;
    for (MenuEntry& entry : menu->items)
        destroyMenu(entry.subMenu);
    delete menu;
}

int menuItemCount(MenuHandle menu)
{
    return menu ? int(menu->items.size()) : -1;
}

bool insertMenuItem(MenuHandle menu, int position, const MenuEntry& entry)
{
    if (!menu || position > int(menu->items.size()))
        return false;
    if (position < 0)
        menu->items.push_back(entry);
    else
        menu->items.insert(menu->items.begin() + position, entry);
    return true;
}

bool deleteMenuItem(MenuHandle menu, int position)
{
    MenuEntry* entry = at(menu, position);
    if (!entry)
        return false;
    destroyMenu(entry->subMenu);
    menu->items.erase(menu->items.begin() + position);
    return true;
}

bool getMenuItem(MenuHandle menu, int position, MenuEntry& out)
{
    const MenuEntry* entry = at(menu, position);
    if (!entry)
        return false;
    out = *entry;
    return true;
}

bool setMenuItemEnabled(MenuHandle menu, int position, bool enabled)
{
    MenuEntry* entry = at(menu, position);
    if (entry)
        entry->enabled = enabled;
    return entry;
}

bool setMenuItemCheck(MenuHandle menu, int position, bool checked, bool radio)
{
    MenuEntry* entry = at(menu, position);
    if (entry) {
        entry->checked = checked;
        entry->radio = radio;
    }
    return entry;
}

bool setMenuItemText(MenuHandle menu, int position, const std::wstring& text)
{
    MenuEntry* entry = at(menu, position);
    if (entry)
        entry->text = text;
    return entry;
}

bool enableMenuCommand(MenuHandle menu, int id, bool enabled)
{
    MenuEntry* entry = findCommand(menu, id);
    if (entry)
        entry->enabled = enabled;
    return entry;
}

bool checkMenuCommand(MenuHandle menu, int id, bool checked)
{
    MenuEntry* entry = findCommand(menu, id);
    if (entry)
        entry->checked = checked;
    return entry;
}

bool setMenuCommandRadio(MenuHandle menu, int id)
{
    MenuEntry* entry = findCommand(menu, id);
    if (entry)
        entry->radio = true;
    return entry;
}

bool setMenuCommandText(MenuHandle menu, int id, const std::wstring& text)
{
    MenuEntry* entry = findCommand(menu, id);
    if (entry)
        entry->text = text;
    return entry;
}

bool getMenuCommandText(MenuHandle menu, int id, std::wstring& text)
{
    const MenuEntry* entry = findCommand(menu, id);
    if (entry)
        text = entry->text;
    return entry;
}

void fillToolkitMenu(QMenu& target, NativeMenu* menu)
{
    target.clear();
    if (!menu)
        return;
    QActionGroup* radios = nullptr;
    for (const MenuEntry& entry : menu->items) {
        if (entry.separator) {
            target.addSeparator();
            continue;
        }
        const QString text = QString::fromStdWString(entry.text);
        if (entry.subMenu) {
            QMenu* sub = target.addMenu(text);
            sub->setEnabled(entry.enabled);
            fillToolkitMenu(*sub, entry.subMenu);
            continue;
        }
        QAction* action = target.addAction(text);
        action->setData(entry.id);
        action->setEnabled(entry.enabled);
        if (entry.radio) {
            if (!radios)
                radios = new QActionGroup(&target);
            action->setActionGroup(radios);
        }
        if (entry.checked || entry.radio) {
            action->setCheckable(true);
            action->setChecked(entry.checked);
        }
    }
}

int trackPopupMenu(MenuHandle menu, int screenX, int screenY)
{
    ModalPoint point;
    point.kind = ModalKind::PopupMenu;
    point.name = "PopupMenu";
    point.menu = menu;
    point.x = screenX;
    point.y = screenY;
    if (!personAnswers(point))
        return answerWithoutPerson(point);
    QMenu shown;
    shown.setObjectName(QStringLiteral("PopupMenu"));
    fillToolkitMenu(shown, menu);
    QAction* chosen = shown.exec(QPoint(screenX, screenY));
    return chosen && chosen->data().isValid() ? chosen->data().toInt() : 0;
}

} // namespace Platform::Ui
