#include "ui/window/controls/button_input_control.h"

#include "ui/window/color_brush_list.h"

#include <regex>

namespace Control {

using Brushes = Window::ColorBrushList;

ButtonInputControl::ButtonInputControl(Window::WindowControl& parent, int x, int width)
    : WindowControlRenderTarget(parent, x, 0, width, 0),
      textFormat(textFormatList->get(Resource::TextFormatList::EditControl)),
      container(0, 0, priority + 1, &visibleRect, &rect), button(*this), edit(*this)
{
}

ButtonInputControl::~ButtonInputControl() = default;

bool ButtonInputControl::matches(const std::wstring& text, std::wstring* group) const
{
    if (!pattern)
        return true;
    try {
        std::wsmatch match;
        if (!std::regex_match(text, match, std::wregex(pattern)))
            return false;
        if (group)
            *group = match.size() > 1 && match[1].matched ? match[1].str() : std::wstring();
        return true;
    } catch (const std::regex_error&) {
        return false;
    }
}

bool ButtonInputControl::setText(const std::wstring& text, bool updateField, bool notify)
{
    std::wstring group;
    if (!pattern)
        value = text; // nothing to check against
    else if (matches(text, &group))
        value = group;
    else
        value = fallback;
    if (updateField) {
        edit.text = value;
        edit.caret = std::min(edit.caret, int(value.size()));
        edit.updateTextLayout();
        edit.updateScroll();
    }
    if (notify && onChange)
        onChange(*this);
    return true;
}

void ButtonInputControl::setEditMode(bool on)
{
    if (changing) {
        changing = false;
        if (onChangeEnd)
            onChangeEnd(*this);
    }
    edit.swapIn(on, value);
}

void ButtonInputControl::editChanged()
{
    if (!changing) {
        changing = true;
        if (onChangeBegin)
            onChangeBegin(*this);
    }
    if (edit.text.empty() && !fallback.empty()) {
        setText(fallback, false, true);
        return;
    }
    if (pattern && !matches(edit.text, nullptr))
        return;
    setText(edit.text, false, true);
}

void ButtonInputControl::procPaint()
{
    button.procPaint();
    edit.procPaint();
}

void ButtonInputControl::procMove()
{
    container.updateLayout();
}

ButtonInputControl::Button::Button(ButtonInputControl& o) : ButtonControl(o.container, 0, 0, 0, 0), owner(o) {}

void ButtonInputControl::Button::procLButtonDown(int, int)
{
    owner.setEditMode(true);
}

void ButtonInputControl::Button::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height;
    if (!owner.enabled || !enabled) {
        fillRect(0, 0, W, H, brushOf(*this, Brushes::Grouping));
        return;
    }
    fillRect(0, 0, W, H,
             brushOf(*this, pressed ? Brushes::BorderFocus : hovered ? Brushes::ButtonBodyHover : Brushes::ButtonBody));
    const std::wstring& shown = owner.value.empty() ? owner.emptyText : owner.value;
    const TextSize size = shownText.layout(*owner.textFormat, shown);
    shownText.draw(*this, (W - size.width) / 2, (H - size.height) / 2, brushOf(*this, Brushes::Text));
}

ButtonInputControl::Edit::Edit(ButtonInputControl& o) : FieldEdit(o.container, o, o.button, o.textFormat)
{
    onChange = [&o](EditControl&) { o.editChanged(); };
    setEditMode = [&o](bool on) { o.setEditMode(on); };
}

} // namespace Control
