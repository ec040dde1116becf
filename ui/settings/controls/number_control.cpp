#include "ui/settings/controls/number_control.h"

#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "effect/movement.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_host.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "ui/settings/controls/theme_icons.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_component.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"

#include <algorithm>
#include <cstdio>

namespace Component {

namespace {

// Whether the end slider shows for a list of `count` values (SectionViewMode).
bool endSliderShown(int mode, int count)
{
    return mode == 2 ? count >= 2 : mode == 1 && count == 2;
}

int sectionViewMode(const SettingComponent* setting)
{
    return setting ? setting->options.sectionViewMode : 2;
}

std::wstring movementToolTip(const Effect::EffectItemNumber& item)
{
    if (!item.movement)
        return {};
    std::wstring text = effectText(item.movement->name);
    if (!item.movement->defaultParams.empty() && !item.params.empty()) {
        char number[64];
        std::snprintf(number, sizeof number, "%f", item.params[0]);
        text += L" : " + System::utf8ToWide(number);
    }
    return text;
}

} // namespace

NumberItemControl::NumberItemControl(Window::ControlContainer& container,
                                     const std::shared_ptr<Effect::EffectBase>& ownerEffect, Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), label(box, headerWidth, effectText(it.name)),
      sliderArea(box, headerWidth + marginWidth, 0, 0, 0), startSlider(sliderArea, 0, 0, 0),
      endSlider(sliderArea, 0, 0, 0), valueCount(int(item->values.size())),
      endShown(endSliderShown(sectionViewMode(setting), valueCount))
{
    label.toolTip = movementToolTip(*item);
    if (item->movement && item->movement->timeControl) {
        label.iconToolTip = L"時間制御を編集";
        label.iconBitmap = themeBitmap(ThemeIcon::TimeControl);
    } else if (item->movement && !item->movement->defaultParams.empty()) {
        label.iconToolTip = L"設定値を変更";
        label.iconBitmap = themeBitmap(ThemeIcon::Settings);
    }
    for (Control::SliderInputControl* slider : {&startSlider, &endSlider}) {
        if (setting) {
            slider->hidePointer = setting->options.slideMouseHidden != 0;
            slider->buttonsHidden = setting->options.sliderButtonHidden != 0;
            slider->showCursor = setting->options.sliderCursorHidden == 0;
        }
        if (item->zeroText)
            slider->zeroText = item->zeroText;
        if (EffectSetting::buildingGroup)
            slider->edit.setGroup(EffectSetting::buildingGroup);
    }
    applyRange();
    label.onClick = [this](Control::ButtonControl&) { showMovementMenu(); };
    label.onIconClick = [this](Control::TextIconButtonControl&) { runIconAction(); };
    auto begin = [this](Control::SliderInputControl&) { beginGesture(true); };
    auto end = [this](Control::SliderInputControl&) { endGesture(); };
    startSlider.onChangeBegin = endSlider.onChangeBegin = begin;
    startSlider.onChangeEnd = endSlider.onChangeEnd = end;
    startSlider.onChange = [this](Control::SliderInputControl& s) { writeValue(s.getValue(), sectionIndex); };
    endSlider.onChange = [this](Control::SliderInputControl& s) { writeValue(s.getValue(), sectionIndex + 1); };
    sectionIndex = computeSectionIndex();
    updateValue();
}

NumberItemControl::~NumberItemControl() = default;

bool NumberItemControl::isDifference(int index) const
{
    return valueCount > 1 && std::clamp(index, 0, valueCount - 1) == valueCount - 1;
}

double NumberItemControl::displayValue(int index) const
{
    const double value = item->getIndexValue(index);
    return toDisplay_ ? toDisplay_(value, isDifference(index)) : value;
}

double NumberItemControl::itemValue(double shown, int index) const
{
    return fromDisplay_ ? fromDisplay_(shown, isDifference(index)) : shown;
}

NumberItemControl::Range NumberItemControl::displayRange() const
{
    const double scale = item->scale;
    Range range{item->defaultValue / scale, item->minValue / scale, item->maxValue / scale, 1 / scale};
    if (toDisplay_) {
        range.defaultValue = toDisplay_(range.defaultValue, false);
        range.minValue = toDisplay_(range.minValue, false);
        range.maxValue = toDisplay_(range.maxValue, true);
        range.step = startSlider.transformedStep;
    }
    return range;
}

void NumberItemControl::applyRange()
{
    const double scale = item->scale;
    for (Control::SliderInputControl* slider : {&startSlider, &endSlider})
        slider->setRange(item->defaultValue / scale, item->minValue / scale, item->maxValue / scale, 1.0 / scale);
}

void NumberItemControl::setValueConverter(ValueConverter toDisplay, ValueConverter fromDisplay, double displayStep)
{
    toDisplay_ = toDisplay;
    fromDisplay_ = fromDisplay;
    for (Control::SliderInputControl* slider : {&startSlider, &endSlider}) {
        slider->transformed = true;
        slider->toSliderValue = toDisplay;
        slider->fromSliderValue = fromDisplay;
        slider->transformedStep = displayStep;
    }
    applyRange();
    updateValue();
}

int NumberItemControl::computeSectionIndex() const
{
    const int last = std::max(endShown ? valueCount - 2 : valueCount - 1, 0);
    return std::min(last, setting ? setting->currentSection : 0);
}

void NumberItemControl::updateValue()
{
    const int count = int(item->values.size());
    // An item without values shows its default; writes to it are ignored.
    auto valueAt = [&](int index) {
        return count == 0 ? double(item->defaultValue) / item->scale : item->getIndexValue(std::clamp(index, 0, count - 1));
    };
    startSlider.startMark = sectionIndex == 0;
    startSlider.endMark = sectionIndex + 1 == count;
    startSlider.setValue(valueAt(sectionIndex));
    if (endShown) {
        endSlider.startMark = sectionIndex == -1;
        endSlider.endMark = sectionIndex + 2 == count;
        endSlider.setValue(valueAt(sectionIndex + 1));
    }
}

void NumberItemControl::updateFrame()
{
    const int index = computeSectionIndex();
    if (index == sectionIndex)
        return;
    sectionIndex = index;
    updateValue();
    if (!target)
        return;
    Media::RenderTarget::DrawSection section(*this, rect.x, rect.y, rect.x + rect.width, rect.y + rect.height, true);
    startSlider.procPaint();
    endSlider.procPaint();
}

void NumberItemControl::procMove()
{
    if (endShown) {
        const int free = rect.width - (headerWidth + 3 * marginWidth);
        const int width = free / 2 < 3 ? 1 : free / 2 - 1;
        startSlider.placeX = 0;
        startSlider.placeY = 0;
        startSlider.placeWidth = width;
        startSlider.placeHeight = 0;
        endSlider.placeX = -width;
        endSlider.placeY = 0;
        endSlider.placeWidth = width;
        endSlider.placeHeight = 0;
        endSlider.visible = true;
    } else {
        startSlider.placeX = 0;
        startSlider.placeY = 0;
        startSlider.placeWidth = 0;
        startSlider.placeHeight = 0;
        endSlider.placeX = endSlider.placeY = endSlider.placeWidth = endSlider.placeHeight = -1;
        endSlider.visible = false;
    }
    EffectItemRowControl::procMove();
}

void NumberItemControl::writeValue(double value, int index)
{
    const int count = int(item->values.size());
    index = std::clamp(index, 0, std::max(count - 1, 0));
    ItemWrite write(*this, false);
    item->setValue(value, index);
    sendItemChangedEvent(write.update, focusObject(), owner, *item);
    for (const auto& effect : gatherSameEffects()) {
        auto* other = sameItem<Effect::EffectItemNumber>(*effect);
        if (other && other->movement == item->movement && other->values.size() == item->values.size() &&
            index < int(other->values.size()))
            other->setValue(value, index);
    }
}

void NumberItemControl::showMovementMenu()
{
    const std::shared_ptr<Edit::Object> object = focusObject();
    if (!object)
        return;
    Window::PopupMenu menu;
    SettingHooks::get().insertMovementMenu(menu, object, item);
    const Effect::MovementBase* movement = item->movement;
    bool separated = false;
    auto flagItem = [&](const wchar_t* text, int bit) {
        if (!separated)
            menu.insertSeparator();
        separated = true;
        Effect::EffectItemNumber* target = item;
        menu.insertItem(text, [object, target, bit] { Edit::EditCommand::toggleMovementFlag(object, target, bit); })
            .setCheck((item->flags & bit) != 0);
    };
    if (movement && movement->accelerate >= 0)
        flagItem(L"加速", Effect::EffectItemNumber::FlagAccelerate);
    if (movement && movement->decelerate >= 0)
        flagItem(L"減速", Effect::EffectItemNumber::FlagDecelerate);
    if (movement && movement->valueCount < 0 && (movement->ignoreMidPoints == 0 || movement->ignoreMidPoints == 1))
        flagItem(L"中間点無視", Effect::EffectItemNumber::FlagIgnoreMidPoints);
    if (movement && !movement->defaultParams.empty()) {
        menu.insertSeparator();
        char number[64];
        std::snprintf(number, sizeof number, "%f", item->getMovementParams().empty() ? 0.0 : item->getMovementParams()[0]);
        Effect::EffectItemNumber* target = item;
        menu.insertItem(effectText(L"設定") + L" : " + System::utf8ToWide(number),
                        [object, target] { Edit::EditCommand::showMovementSettings(object, target); });
    }
    menu.show();
}

void NumberItemControl::runIconAction()
{
    const std::shared_ptr<Edit::Object> object = focusObject();
    if (!object || !item->movement)
        return;
    if (item->movement->timeControl)
        Edit::SettingHost::get().setTimeSettingTarget(object, owner, item);
    else if (!item->movement->defaultParams.empty())
        Edit::EditCommand::showMovementSettings(object, item);
}

} // namespace Component
