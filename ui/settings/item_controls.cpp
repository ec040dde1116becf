#include "ui/settings/item_controls.h"

#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_item_button.h"
#include "effect/effect_item_number.h"
#include "ui/settings/setting_component.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Component {

ItemControl::~ItemControl() = default;

void ItemControl::refresh()
{
    shown = item->toString();
}

namespace {

// Whether the end slider shows for a list of `count` values (SectionViewMode).
bool endShown(int mode, int count)
{
    return mode == 2 ? count >= 2 : mode == 1 && count == 2;
}

// A value written with as many decimals as the step has.
std::string formatValue(double value, double step)
{
    int decimals = 0;
    while (decimals < 6 && std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-9)
        ++decimals;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

NumberItemControl::NumberItemControl(Effect::EffectItemNumber* item, const SettingOptions& options)
    : ItemControl(item), number(item), showsEnd(endShown(options.sectionViewMode, int(item->values.size())))
{
}

void NumberItemControl::setValueConverter(ValueConverter toDisplay, ValueConverter fromDisplay, double displayStep)
{
    toDisplay_ = std::move(toDisplay);
    fromDisplay_ = std::move(fromDisplay);
    displayStep_ = displayStep;
    refresh();
}

bool NumberItemControl::isDifference(int index) const
{
    const int count = static_cast<int>(number->values.size());
    return count > 1 && number->clampValueIndex(index) == count - 1;
}

double NumberItemControl::displayValue(int index) const
{
    const double value = number->getIndexValue(index);
    return toDisplay_ ? toDisplay_(value, isDifference(index)) : value;
}

double NumberItemControl::itemValue(double shown, int index) const
{
    return fromDisplay_ ? fromDisplay_(shown, isDifference(index)) : shown;
}

NumberItemControl::Range NumberItemControl::displayRange() const
{
    const double scale = number->scale;
    Range range{number->defaultValue / scale, number->minValue / scale, number->maxValue / scale, 1 / scale};
    if (toDisplay_) {
        range.defaultValue = toDisplay_(range.defaultValue, false);
        range.minValue = toDisplay_(range.minValue, false);
        range.maxValue = toDisplay_(range.maxValue, true);
        range.step = displayStep_;
    }
    return range;
}

void NumberItemControl::refresh()
{
    const int count = static_cast<int>(number->values.size());
    const int lastStart = std::max(showsEnd ? count - 2 : count - 1, 0);
    const int start = std::min(sectionIndex, lastStart);
    const double step = displayRange().step;
    shown = formatValue(displayValue(start), step);
    if (showsEnd)
        shown += "," + formatValue(displayValue(start + 1), step);
}

void FileItemControl::setExtraButton(ExtraButton button)
{
    extraButton = std::move(button);
}

void FileItemControl::setEmptyText(std::wstring text)
{
    emptyText = std::move(text);
    refresh();
}

void FileItemControl::refresh()
{
    ItemControl::refresh();
    if (shown.empty() && !emptyText.empty())
        shown = System::wideToUtf8(Effect::translatedEffectText(emptyText.c_str()));
}

bool FileItemControl::pressExtraButton()
{
    if (!extraButton || !extraButton->action)
        return false;
    extraButton->action();
    return true;
}

bool ButtonItemControl::press()
{
    auto* button = dynamic_cast<Effect::EffectItemButton*>(item);
    if (!button || !button->action)
        return false;
    button->action(*this);
    return true;
}

} // namespace Component
