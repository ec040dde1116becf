#pragma once
// The colour control: the name button (preset colours; its icon opens the
// colour window), six hexadecimal digits typed into a field (one undo step
// for the whole edit, also for the same colour of every other selected
// object), a button that picks a pixel of the screen, a swatch and the
// decimal components. Kind 14 colours may be unspecified ("未指定").
#include "ui/settings/controls/effect_item_control.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/button_input_control.h"

#include <array>
#include <optional>

namespace Effect { class EffectItemColor; }

namespace Component {

// Six hexadecimal digits (blanks around them ignored) as red, green and
// blue; empty when the text is not exactly that.
std::optional<std::array<uint8_t, 3>> parseRgbWideText(const std::wstring& text);
// The outline grey of the swatch for a colour (luma +- 0.66, held to 0.2 .. 0.8).
float swatchOutlineGrey(uint8_t r, uint8_t g, uint8_t b);

class EffectItemColorControl : public EffectItemControl<Effect::EffectItemColor> {
public:
    EffectItemColorControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                           Effect::EffectItem& item);
    void updateValue() override;
    void procPickColor(const uint8_t* rgb) override;

    void typed(const std::wstring& text);
    void beginPick();
    // A picked or preset colour (null: none picked); only the focus object changes.
    void applyColor(const uint8_t* rgb);
    void showPresetMenu();
    void paintSwatch(Control::RectControl& swatch);

    bool picking = false;
    Control::TextIconButtonControl nameButton;
    Control::ButtonInputControl hex;
    Control::BitmapButtonControl pick;
    Control::RectControl swatch;
    Control::TextControl components;
};

} // namespace Component
