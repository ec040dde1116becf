#include "ui/settings/controls/effect_item_control.h"

#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_component.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"

#include <algorithm>
#include <cstring>

namespace Component {

namespace {

int layoutValue(const char* key, int fallback)
{
    const Setting::SettingService* settings = Setting::SettingService::Get();
    return settings ? settings->layout.get(key).toInt(fallback) : fallback;
}

} // namespace

std::wstring effectText(const std::wstring& text)
{
    return Effect::translatedEffectText(text.c_str());
}

int EffectItemRowControl::rowHeight()
{
    return Setting::Layout::SettingItemHeightPlus2 > 0 ? Setting::Layout::SettingItemHeightPlus2 : 22;
}

EffectItemRowControl::EffectItemRowControl(Window::ControlContainer& container,
                                           const std::shared_ptr<Effect::EffectBase>& ownerEffect, int height)
    : WindowControlRenderTarget(container, 0, 0, 0, height), owner(ownerEffect), setting(SettingComponent::Get()),
      headerWidth(layoutValue("SettingItemHeaderWidth", 120)), marginWidth(layoutValue("SettingItemMarginWidth", 6)),
      children(0, 0, priority, &visibleRect, &rect), box(children, marginWidth, 0, -marginWidth, -2)
{
}

EffectItemRowControl::~EffectItemRowControl()
{
    hoverCallback = nullptr;
    rowCallback = nullptr;
}

void EffectItemRowControl::updateRect()
{
    const Window::Rect& a = *areaRect;
    const int left = (placeX < 0 ? a.x + a.width : a.x) + placeX;
    const int top = (placeY < 0 ? a.y + a.height : a.y) + placeY;
    const int right = std::max(left, placeWidth > 0 ? left + placeWidth : a.x + a.width + placeWidth);
    const int bottom = std::max(top, placeHeight > 0 ? top + placeHeight : a.y + a.height + placeHeight);
    const int width = right - left;
    setRect(left + int(float(width) * span[0]), top, left + int(float(width) * span[1]), bottom);
}

void EffectItemRowControl::procMove()
{
    children.updateLayout();
}

void EffectItemRowControl::paintRowBackground(bool always)
{
    if (!rowCallback || !(always || hovered))
        return;
    const EffectSetting* panel = EffectSetting::findPanel(owner.get());
    if (panel && EffectSettingSelect::selectedEffect == owner.get()) {
        fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Window::ColorBrushList::Grouping));
        fillRect(2, 2, rect.width - 2, rect.height - 2,
                 Control::brushOf(*this, Window::ColorBrushList::GroupingSelect));
    } else {
        fillRect(0, 0, rect.width, rect.height,
                 Control::brushOf(*this, hovered ? Window::ColorBrushList::GroupingHover
                                                 : Window::ColorBrushList::Grouping));
    }
}

void EffectItemRowControl::procPaint()
{
    Control::PaintSection section;
    if (!target || rect.width <= 0 || rect.height <= 0 || !Control::openPaint(*this, section))
        return;
    paintRowBackground(false);
    for (Window::WindowControl* c : std::vector<Window::WindowControl*>(children.controls))
        c->procPaint();
}

void EffectItemRowControl::procLButtonDown(int, int)
{
    if (!rowCallback)
        return;
    if (mouseService)
        mouseService->takePress();
    rowCallback();
}

void EffectItemRowControl::procMouseEnter()
{
    if (!rowCallback)
        return;
    Control::PaintSection section;
    if (!target || !Control::openPaint(*this, section))
        return;
    paintRowBackground(true);
    for (Window::WindowControl* c : std::vector<Window::WindowControl*>(children.controls))
        c->procPaint();
}

void EffectItemRowControl::procMouseLeave()
{
    procMouseEnter();
}

void EffectItemRowControl::procMouseHover()
{
    if (hoverCallback)
        hoverCallback();
}

std::shared_ptr<Edit::Object> EffectItemRowControl::focusObject() const
{
    return setting ? setting->object : nullptr;
}

std::vector<std::shared_ptr<Effect::EffectBase>> EffectItemRowControl::gatherSameEffects() const
{
    std::vector<std::shared_ptr<Effect::EffectBase>> same;
    const std::shared_ptr<Edit::Object> focus = focusObject();
    const Edit::EditService* edit = Edit::EditService::Get();
    if (!focus || !edit || !edit->currentScene)
        return same;
    const auto& chain = focus->effects;
    const auto found = std::find(chain.begin(), chain.end(), owner);
    if (found == chain.end())
        return same;
    const size_t index = size_t(found - chain.begin());
    for (const auto& object : edit->currentScene->selection.objects) {
        if (object == focus || object->effects.size() <= index)
            continue;
        const auto& effect = object->effects[index];
        // The same registered definition: the one name string.
        if (effect && std::wcscmp(effect->name, owner->name) == 0)
            same.push_back(effect);
    }
    return same;
}

int EffectItemRowControl::itemPosition() const
{
    const auto& items = owner->items;
    const auto found = std::find(items.begin(), items.end(), getEffectItem());
    return found == items.end() ? -1 : int(found - items.begin());
}

Effect::EffectItem* EffectItemRowControl::findSameItem(Effect::EffectBase& effect) const
{
    const int position = itemPosition();
    const Effect::EffectItem* mine = getEffectItem();
    if (position < 0 || size_t(position) >= effect.items.size() || !mine)
        return nullptr;
    Effect::EffectItem* other = effect.items[size_t(position)];
    if (other->kind != mine->kind || other->name != mine->name || typeid(*other) != typeid(*mine))
        return nullptr;
    return other;
}

void EffectItemRowControl::beginGesture(bool withSameEffects)
{
    Undo::UndoService* undo = Undo::UndoService::Get();
    if (!undo)
        return;
    undo->recording = true;
    undo->pending.clear();
    undo->addEffectUpdate(owner);
    if (withSameEffects)
        for (const auto& effect : gatherSameEffects())
            undo->addEffectUpdate(effect);
}

void EffectItemRowControl::endGesture()
{
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->commitUndo();
}

void sendItemChangedEvent(Edit::UpdateSection& update, const std::shared_ptr<Edit::Object>& object,
                          const std::shared_ptr<Effect::EffectBase>& effect, Effect::EffectItem& item)
{
    if (!item.notify || !effect)
        return;
    Effect::ItemEvent event;
    event.code = Effect::ItemEvent::ItemChanged;
    event.update = &update;
    event.object = object.get();
    event.effect = effect;
    event.payload = &item;
    effect->itemEvent(event);
}

ItemWrite::ItemWrite(EffectItemRowControl& control, bool perChange)
{
    update.notifyEdit = true;
    update.targetObject = control.focusObject();
    if (perChange) {
        update.openUndoStep();
        if (Undo::UndoService* undo = Undo::UndoService::Get())
            undo->addEffectUpdate(control.owner);
    }
}

} // namespace Component
