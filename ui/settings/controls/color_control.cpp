#include "ui/settings/controls/color_control.h"

#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_color.h"
#include "platform/draw/resources.h"
#include "project/edit/undo_service.h"
#include "ui/settings/controls/theme_icons.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwctype>

namespace Component {

namespace {

int hexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

int itemHeight()
{
    return Setting::Layout::SettingItemHeight > 0 ? Setting::Layout::SettingItemHeight : 20;
}

} // namespace

std::optional<std::array<uint8_t, 3>> parseRgbWideText(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && std::iswspace(text[first]))
        ++first;
    while (last > first && std::iswspace(text[last - 1]))
        --last;
    if (last - first != 6)
        return std::nullopt;
    std::array<uint8_t, 3> rgb{};
    // A pair counts only when both of its characters are hexadecimal digits.
    for (size_t i = 0; i < 3; ++i) {
        const int high = hexDigit(text[first + 2 * i]), low = hexDigit(text[first + 2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        rgb[i] = uint8_t(high * 16 + low);
    }
    return rgb;
}

float swatchOutlineGrey(uint8_t r, uint8_t g, uint8_t b)
{
    const float luma = 0.299f * (float(r) / 255.0f) + 0.587f * (float(g) / 255.0f) + 0.114f * (float(b) / 255.0f);
    const float grey = luma < 0.5f ? luma + 0.66f : luma - 0.66f;
    return std::clamp(grey, 0.2f, 0.8f);
}

EffectItemColorControl::EffectItemColorControl(Window::ControlContainer& container,
                                               const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                               Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), nameButton(box, headerWidth, effectText(it.name)),
      hex(box, headerWidth + marginWidth, headerWidth),
      pick(box, 2 * headerWidth + marginWidth + 2, 0, itemHeight(), 0),
      swatch(box, 2 * headerWidth + 2 * marginWidth + 2 + itemHeight(), 0, itemHeight(), 0),
      components(box, 2 * headerWidth + 3 * marginWidth + 2 + 2 * itemHeight(), 0, 0, 0, L"", 0)
{
    nameButton.iconBitmap = themeBitmap(ThemeIcon::Color);
    nameButton.iconToolTip = L"色を編集";
    nameButton.onClick = [this](Control::ButtonControl&) { showPresetMenu(); };
    nameButton.onIconClick = [this](Control::TextIconButtonControl&) {
        if (const auto object = focusObject())
            if (const auto& open = SettingHooks::get().openColorWindow)
                open(object, owner, item);
    };
    // Only hexadecimal digits: other letters would pass as a value and change nothing.
    hex.pattern = L"^([0-9a-fA-F]{6}|)$";
    hex.edit.charFilter = L"[0-9a-fA-F]";
    if (item->kind == Effect::EffectItemKind::ColorOrNone)
        hex.emptyText = effectText(L"未指定");
    if (EffectSetting::buildingGroup)
        hex.edit.setGroup(EffectSetting::buildingGroup);
    hex.onChangeBegin = [this](Control::ButtonInputControl&) { beginGesture(true); };
    hex.onChange = [this](Control::ButtonInputControl& field) { typed(field.value); };
    hex.onChangeEnd = [this](Control::ButtonInputControl&) {
        endGesture();
        updateValue();
    };
    pick.bitmap = themeBitmap(ThemeIcon::ScreenPick);
    pick.toolTip = L"画面上から色を取得";
    pick.onClick = [this](Control::ButtonControl&) { beginPick(); };
    swatch.onPaint = [this](Control::RectControl& r) { paintSwatch(r); };
    updateValue();
}

void EffectItemColorControl::updateValue()
{
    wchar_t text[16] = L"";
    if (!item->none)
        std::swprintf(text, 16, L"%02x%02x%02x", item->r, item->g, item->b);
    hex.setText(text, true, false);
    if (picking)
        components.text = effectText(L"マウスクリックで色を取得");
    else if (item->none)
        components.text.clear();
    else
        components.text = std::to_wstring(item->r) + L"," + std::to_wstring(item->g) + L"," + std::to_wstring(item->b);
}

void EffectItemColorControl::typed(const std::wstring& text)
{
    ItemWrite write(*this, false);
    const bool canBeNone = item->kind == Effect::EffectItemKind::ColorOrNone;
    if (canBeNone && text.empty()) {
        item->r = item->g = item->b = 0;
        item->none = true;
    } else if (const auto rgb = parseRgbWideText(text)) {
        item->r = (*rgb)[0];
        item->g = (*rgb)[1];
        item->b = (*rgb)[2];
        item->none = false;
    } else {
        return;
    }
    bool propagated = false;
    for (const auto& effect : gatherSameEffects()) {
        auto* other = sameItem<Effect::EffectItemColor>(*effect);
        if (!other)
            continue;
        propagated = true;
        if (item->none) {
            other->none = true;
        } else {
            other->none = false;
            other->r = item->r;
            other->g = item->g;
            other->b = item->b;
        }
    }
    if (propagated) {
        updateValue();
        write.update.updateColorSetting = true; // the colour window shows it too
    }
}

void EffectItemColorControl::beginPick()
{
    picking = true;
    beginColorPick();
    ItemWrite write(*this, false);
    write.update.updateSettingValue = true;
    write.update.updateColorSetting = true;
    write.update.openUndoStep();
    if (item->kind == Effect::EffectItemKind::ColorOrNone && !item->none) {
        if (Undo::UndoService* undo = Undo::UndoService::Get())
            undo->addEffectUpdate(owner);
        item->r = item->g = item->b = 0;
        item->none = true;
    }
    updateValue();
}

void EffectItemColorControl::procPickColor(const uint8_t* rgb)
{
    picking = false;
    applyColor(rgb);
}

void EffectItemColorControl::applyColor(const uint8_t* rgb)
{
    ItemWrite write(*this, false);
    write.update.updateSettingValue = true;
    write.update.updateColorSetting = true;
    write.update.openUndoStep();
    if (rgb) {
        if (Undo::UndoService* undo = Undo::UndoService::Get())
            undo->addEffectUpdate(owner);
        item->r = rgb[0];
        item->g = rgb[1];
        item->b = rgb[2];
        item->none = false;
    }
    updateValue();
}

void EffectItemColorControl::showPresetMenu()
{
    Window::PopupMenu menu;
    if (const auto& insert = SettingHooks::get().insertPresetColorMenu)
        insert(menu, [this](float r, float g, float b) {
            auto byte = [](float v) { return uint8_t(std::clamp(std::lround(v * 255.0f), 0L, 255L)); };
            const uint8_t rgb[3] = {byte(r), byte(g), byte(b)};
            applyColor(rgb);
        });
    menu.show();
}

void EffectItemColorControl::paintSwatch(Control::RectControl& r)
{
    const int w = r.rect.width, h = r.rect.height;
    Platform::Draw::SolidColorBrush brush({0.66f, 0.66f, 0.66f, 1.0f});
    if (item->none) {
        r.drawRect(0, 0, w, h, &brush, 1, nullptr);
        return;
    }
    Platform::Draw::SolidColorBrush fill({item->r / 255.0f, item->g / 255.0f, item->b / 255.0f, 1.0f});
    r.fillRect(1, 1, w - 1, h - 1, &fill);
    const float grey = swatchOutlineGrey(item->r, item->g, item->b);
    brush.setColor({grey, grey, grey, 1.0f});
    r.drawRect(0, 0, w, h, &brush, 1, nullptr);
}

} // namespace Component
