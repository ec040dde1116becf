#pragma once
// A one-line text value that looks like a button and becomes a text field
// when clicked. The face shows the value (or a placeholder while it is
// empty); the field holds the value fully selected and focused; each edit is
// matched against the owner's pattern and, when it matches, becomes the value
// at once (onChange); Enter, Escape or leaving the field swaps back and ends
// the gesture (onChangeEnd, when something was typed). Main thread only.
#include "ui/window/controls/edit_control.h"

#include <functional>
#include <string>

namespace Control {

class ButtonInputControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    // Laid out as (x, 0, w, 0): the parent's full height.
    ButtonInputControl(Window::WindowControl& parent, int x, int width);
    ~ButtonInputControl() override;

    // Matches the text as a whole: the value becomes capture group 1 (empty
    // without one), or fallback when it does not match. Always true.
    bool setText(const std::wstring& text, bool updateField, bool notify);
    void setEditMode(bool on);

    void procPaint() override;
    void procMove() override;

    class Button : public ButtonControl {
    public:
        explicit Button(ButtonInputControl& owner);
        void procLButtonDown(int x, int y) override;
        void procPaint() override;
        ButtonInputControl& owner;
        CachedText shownText;
    };
    class Edit : public FieldEdit {
    public:
        explicit Edit(ButtonInputControl& owner);
    };

    std::wstring value;
    std::wstring fallback;
    std::wstring emptyText;
    Platform::Draw::TextFormat* textFormat = nullptr;
    bool changing = false;
    const wchar_t* pattern = nullptr;
    std::function<void(ButtonInputControl&)> onChange, onChangeBegin, onChangeEnd;
    Window::ControlContainer container;
    Button button;
    Edit edit;

private:
    void editChanged();
    bool matches(const std::wstring& text, std::wstring* group) const;
};

} // namespace Control
