#pragma once
// Controls for a reference or a text: the file (a name button opening the
// open-file box, the file's name, and a button an effect may add), the
// scene (a name button opening a menu of the project's other scenes), the
// one-line string and the multi-line text (four rows, with a scroll bar;
// Ctrl+Z and Ctrl+Shift+Z undo and redo the item's own text edits).
#include "ui/settings/controls/effect_item_control.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/edit_control.h"

#include <memory>
#include <optional>

namespace Effect {
class EffectItemFile;
class EffectItemScene;
class EffectItemString;
class EffectItemText;
} // namespace Effect

namespace Component {

class FileItemControl : public EffectItemControl<Effect::EffectItemFile>, public EffectItemFileControl {
public:
    FileItemControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                    Effect::EffectItem& item);
    ~FileItemControl() override;

    void updateValue() override;
    // Stores the path (expanded), tells the effect, one undo step.
    void updateFile(const std::wstring& path) override;
    void setExtraButton(ExtraButton button) override;
    void setEmptyText(std::wstring text) override;
    void chooseFile();
    // Presses the effect's extra button; false when there is none.
    bool pressExtraButton();
    void procMove() override;

    Control::TextIconButtonControl nameButton;
    Control::TextControl fileText;
    std::optional<ExtraButton> extraButton;
    std::unique_ptr<Control::BitmapButtonControl> extra;
    std::wstring emptyText;
};

class EffectItemSceneControl : public EffectItemControl<Effect::EffectItemScene> {
public:
    EffectItemSceneControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                           Effect::EffectItem& item);
    void updateValue() override;
    void showScenes();
    void selectScene(int id);
    // The text shown for a scene id.
    static std::wstring sceneText(int id);

    Control::TextButtonControl nameButton;
    Control::TextControl sceneName;
};

class EffectItemStringControl : public EffectItemControl<Effect::EffectItemString> {
public:
    EffectItemStringControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                            Effect::EffectItem& item);
    void updateValue() override;

    Control::TextControl name;
    Control::EditControl edit;
};

class EffectItemTextControl : public EffectItemControl<Effect::EffectItemText> {
public:
    EffectItemTextControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                          Effect::EffectItem& item);
    // The field takes the item's text when it differs (a change made
    // elsewhere, of any length), keeping the caret where it can.
    void updateValue() override;
    void procPaint() override;
    bool textKey(int virtualKey);

    Control::EditControl edit;
    Control::EditScrollBarControl scrollBar;
};

} // namespace Component
