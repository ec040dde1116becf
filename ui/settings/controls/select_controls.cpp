#include "ui/settings/controls/select_controls.h"

#include "core/file_name.h"
#include "effect/effect_base.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"
#include "ui/settings/controls/file_controls.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"
#include "ui/window/list_box.h"

namespace Component {

namespace {

std::wstring fileNamePart(const std::wstring& path)
{
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::vector<std::pair<int, std::wstring>> listEntries(const Effect::EffectItemSelect::SharedList& list)
{
    std::vector<std::pair<int, std::wstring>> entries;
    for (const auto& [value, label] : list.labels)
        entries.emplace_back(value, effectText(label));
    return entries;
}

int listValue(const Effect::EffectItemSelect::SharedList& list, int value)
{
    return list.labels.count(value) ? value : list.smallestValue();
}

std::wstring labelOf(const Effect::EffectItemSelect::SharedList& list, int value)
{
    const auto found = list.labels.find(value);
    return found == list.labels.end() ? std::wstring() : effectText(found->second);
}

} // namespace

template <class T>
EffectItemSelectControlBase<T>::EffectItemSelectControlBase(Window::ControlContainer& container,
                                                            const std::shared_ptr<Effect::EffectBase>& owner,
                                                            Effect::EffectItem& item)
    : EffectItemControl<T>(container, owner, item, EffectItemRowControl::rowHeight()),
      choice(this->box, this->headerWidth + this->marginWidth, 0, 0, 0, 1)
{
    choice.onClick = [this](Control::ButtonControl&) { showList(); };
    // The wheel steps the open list only, one entry a notch.
    choice.canWheel = [this](Control::TextButtonWheelControl&) {
        return Window::ListBox::isOpen && Window::ListBox::owner == static_cast<const EffectItemSelectBase*>(this);
    };
    choice.onWheel = [](Control::TextButtonWheelControl&, int delta) {
        Window::ListBox::moveSelection(delta < 0 ? 1 : -1);
    };
}

template <class T>
void EffectItemSelectControlBase<T>::showList()
{
    Window::ListBox::initialize();
    const int current = currentValue();
    for (const auto& [value, label] : entries()) {
        const int chosen = value;
        Window::ListBox::addItem(label, [this, chosen] { select(chosen); }, value == current);
    }
    const Window::Rect& r = choice.rect;
    Window::ListBox::show(r.x, r.y, r.width, r.height, static_cast<const EffectItemSelectBase*>(this));
}

template class EffectItemSelectControlBase<Effect::EffectItemSelect>;
template class EffectItemSelectControlBase<Effect::EffectItemFontSelect>;
template class EffectItemSelectControlBase<Effect::EffectItemComboFile>;
template class EffectItemSelectControlBase<Effect::EffectItemMaskSelect>;

// ---- plain lists: select and font ----

template <class T>
std::vector<std::pair<int, std::wstring>> EffectItemListControl<T>::entries() const
{
    return listEntries(*this->item->list);
}

template <class T>
int EffectItemListControl<T>::currentValue() const
{
    return this->item->value;
}

template <class T>
void EffectItemListControl<T>::updateValue()
{
    this->choice.label = labelOf(*this->item->list, this->item->value);
}

template <class T>
void EffectItemListControl<T>::select(int value)
{
    ItemWrite write(*this, true);
    this->item->value = listValue(*this->item->list, value);
    sendItemChangedEvent(write.update, this->focusObject(), this->owner, *this->item);
    updateValue();
    this->choice.procPaint();
}

template class EffectItemListControl<Effect::EffectItemSelect>;
template class EffectItemListControl<Effect::EffectItemFontSelect>;

EffectItemSelectControl::EffectItemSelectControl(Window::ControlContainer& container,
                                                 const std::shared_ptr<Effect::EffectBase>& owner, Effect::EffectItem& it)
    : EffectItemListControl(container, owner, it), name(box, 0, 0, headerWidth, 0, effectText(it.name), 1)
{
    name.background = Control::brushOf(name, Window::ColorBrushList::ButtonBody);
    updateValue();
}

EffectItemFontSelectControl::EffectItemFontSelectControl(Window::ControlContainer& container,
                                                         const std::shared_ptr<Effect::EffectBase>& owner,
                                                         Effect::EffectItem& it)
    : EffectItemListControl(container, owner, it), name(box, 0, 0, headerWidth, 0, 0)
{
    name.label = effectText(it.name);
    name.onClick = [this](Control::ButtonControl&) { showFontMenu(); };
    updateValue();
}

void EffectItemFontSelectControl::showFontMenu()
{
    Window::PopupMenu menu;
    for (const auto& [value, label] : item->list->labels) {
        const int chosen = value;
        menu.insertItem(label, [this, chosen] { select(chosen); }).setRadioCheck().setCheck(value == item->value);
    }
    menu.show();
}

// ---- combo file ----

EffectItemComboFileControl::EffectItemComboFileControl(Window::ControlContainer& container,
                                                       const std::shared_ptr<Effect::EffectBase>& owner,
                                                       Effect::EffectItem& it)
    : EffectItemSelectControlBase(container, owner, it), name(box, 0, 0, headerWidth, 0, 0)
{
    name.label = effectText(it.name);
    name.onClick = [this](Control::ButtonControl&) {
        std::wstring path = item->path;
        const auto& ask = SettingHooks::get().showOpenFileDialog;
        if (ask && ask(path, nullptr))
            updateFile(path);
    };
    updateValue();
}

std::vector<std::pair<int, std::wstring>> EffectItemComboFileControl::entries() const
{
    return listEntries(*item->list);
}

int EffectItemComboFileControl::currentValue() const
{
    return item->value;
}

void EffectItemComboFileControl::updateValue()
{
    choice.label = item->value < 0 ? fileNamePart(item->path) : labelOf(*item->list, item->value);
}

void EffectItemComboFileControl::select(int value)
{
    ItemWrite write(*this, true);
    item->setSelectIndex(value);
    sendItemChangedEvent(write.update, focusObject(), owner, *item);
    updateValue();
    choice.procPaint();
}

void EffectItemComboFileControl::updateFile(const std::wstring& path)
{
    ItemWrite write(*this, true);
    if (!path.empty()) {
        std::wstring stored = path;
        System::FileName::expandVariable(stored);
        item->path = stored;
        item->value = -1;
    }
    sendItemChangedEvent(write.update, focusObject(), owner, *item);
    updateValue();
    choice.procPaint();
}

// ---- mask ----

EffectItemMaskSelectControl::EffectItemMaskSelectControl(Window::ControlContainer& container,
                                                         const std::shared_ptr<Effect::EffectBase>& owner,
                                                         Effect::EffectItem& it)
    : EffectItemSelectControlBase(container, owner, it), name(box, 0, 0, headerWidth, 0, 0)
{
    name.label = effectText(it.name);
    name.onClick = [this](Control::ButtonControl&) { showSourceMenu(); };
    applyLinkedCheck(nullptr);
    updateValue();
}

std::vector<std::pair<int, std::wstring>> EffectItemMaskSelectControl::entries() const
{
    return listEntries(*Effect::EffectItemMaskSelect::getMaskList());
}

int EffectItemMaskSelectControl::currentValue() const
{
    return item->value;
}

void EffectItemMaskSelectControl::updateValue()
{
    if (item->value < 0 && item->sceneId < 0)
        choice.label = fileNamePart(item->path);
    else if (item->sceneId < 0)
        choice.label = labelOf(*Effect::EffectItemMaskSelect::getMaskList(), item->value);
    else
        choice.label = EffectItemSceneControl::sceneText(item->sceneId);
}

void EffectItemMaskSelectControl::applyLinkedCheck(Edit::UpdateSection* update)
{
    Effect::EffectItemCheck* check = item->fitScene;
    const bool shown = item->sceneId >= 0;
    if (!check || check->visible == shown)
        return;
    check->visible = shown;
    if (update) {
        update->updateSettingList = true;
        update->updateTimeSetting = true;
        update->updateColorSetting = true;
        update->updateTextSetting = true;
    }
}

void EffectItemMaskSelectControl::select(int value)
{
    ItemWrite write(*this, true);
    item->setMaskIndex(value);
    applyLinkedCheck(&write.update);
    updateValue();
    choice.procPaint();
}

void EffectItemMaskSelectControl::selectScene(int id)
{
    ItemWrite write(*this, true);
    item->setSceneId(id);
    applyLinkedCheck(&write.update);
    updateValue();
}

void EffectItemMaskSelectControl::updateFile(const std::wstring& path)
{
    ItemWrite write(*this, true);
    if (!path.empty()) {
        std::wstring stored = path;
        System::FileName::expandVariable(stored);
        item->path = stored;
        item->value = -1;
        item->sceneId = -1;
    }
    applyLinkedCheck(&write.update);
    updateValue();
}

void EffectItemMaskSelectControl::showSourceMenu()
{
    Window::PopupMenu menu;
    menu.insertItem(L"ファイルから選択", [this] {
        std::wstring path = item->path;
        const auto& ask = SettingHooks::get().showOpenFileDialog;
        if (ask && ask(path, nullptr))
            updateFile(path);
    });
    if (Edit::EditService* edit = Edit::EditService::Get()) {
        bool separated = false;
        for (const auto& scene : edit->project.getSceneList()) {
            if (scene->id == 0 || scene == edit->currentScene)
                continue;
            if (!separated)
                menu.insertSeparator();
            separated = true;
            const int id = scene->id;
            menu.insertItem(scene->name, [this, id] { selectScene(id); })
                .setRadioCheck()
                .setCheck(id == item->sceneId);
        }
    }
    menu.show();
}

} // namespace Component
