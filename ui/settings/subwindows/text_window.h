#pragma once
// The text window ("テキスト編集", "Window.setting.text"): one large editor for
// the text of the focus object when that is a text object. Every change is
// written into the item at once as its own undo step; Ctrl+Space offers the
// inline tags (or, inside a colour or font tag, preset colours or fonts);
// dropped "txt" files are inserted; Ctrl+Z and Ctrl+Shift+Z undo and redo
// only this item's text edits. It can open itself when a text object gets
// the focus (option "ShowWindowFocusTextObject"). Main thread only.
#include "core/config.h"
#include "ui/settings/subwindows/effect_item_target.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/edit_control.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/window_client.h"

namespace Component {

class EffectTextSettingComponent;

class EffectTextSettingControl : public Control::EditControl {
public:
    EffectTextSettingControl(EffectTextSettingComponent& window, Window::WindowControl& parent);

    // False when that target is bound already.
    bool setTarget(std::shared_ptr<Edit::Object> object, std::shared_ptr<Effect::EffectBase> effect,
                   Effect::EffectItem* item);
    // False when nothing was bound.
    bool clearTarget();
    bool hasTarget() const { return bool(target); }
    // The item's text into the editor again (after an edit elsewhere).
    void reloadText();
    // The editor's text into the item: one transaction and undo step.
    void applyText();
    // Wraps the selection in the tag, or inserts its opening; its value ends selected.
    void insertTag(const std::wstring& opening, const std::wstring& closing);
    // The tag holding the caret: its '<' and '>' positions; false when none.
    bool tagUnderCaret(int& open, int& close) const;
    // Ctrl+Space: the colour or font menu in a tag's value field, else the tag menu.
    void openTagMenu();
    // A dropped text file inserted at the caret (UTF-8, else CP932); false when unreadable.
    bool insertFile(const std::wstring& path);
    bool textKey(int virtualKey);

    // Drops the character message of a Ctrl+Space that opened a menu.
    bool procChar(wchar_t character) override;
    bool procDragOver(int x, int y, Window::DropInfo& info) override;
    bool procDrop(int x, int y, Window::DropInfo& info) override;

    struct Tag {
        const wchar_t* label;
        const wchar_t* opening;
        const wchar_t* closing;
    };
    static const Tag tags[7];

    EffectTextSettingComponent& window;
    EffectItemTarget target;

private:
    bool dropSpace_ = false;
    // After a programmatic insertion: layout, caret, scroll, repaint, then applyText.
    void insertionDone();
    bool valueMenu(int open, int close);
};

class EffectTextSettingHeader : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    EffectTextSettingHeader(EffectTextSettingComponent& window, Window::ControlContainer& container, int height);
    void procPaint() override;
    void procMove() override;
    // The title in Text while bound, TextDisable otherwise.
    void setActive(bool active);

    EffectTextSettingComponent& window;
    Window::ControlContainer children;
    Control::BitmapButtonControl icon;
    Control::TextControl title;
    Control::LayoutControl closeBox;
    Control::IconButtonControl close;
};

class EffectTextSettingComponent : public Window::WindowClientRenderTarget {
public:
    EffectTextSettingComponent();
    ~EffectTextSettingComponent() override;
    static EffectTextSettingComponent* Get();

    // Binds the editor to the object's text target, or detaches it.
    void followObject(const std::shared_ptr<Edit::Object>& object);
    // The end of an edit with updateTextSetting: a target that is gone is dropped, else reloaded.
    void update();
    // A focus change: followed while shown; opens the window for a text object with the option on.
    void focusChanged(const std::shared_ptr<Edit::Object>& object);

    void setVisible(bool visible) override;
    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override { return true; }
    void procPaint() override;
    void procMove() override;
    void procWindowMenu(Window::BaseMenu& menu) override;

    int showWindowFocusTextObject = 0;
    int rowHeight;
    Window::ControlContainer container;
    EffectTextSettingHeader header;
    Control::LayoutControl editorArea;
    EffectTextSettingControl control;
    Control::EditScrollBarControl scrollBar;

private:
    System::Config::Section options_{"Window.setting.text"};
    System::Config::Int showParameter_{options_, "ShowWindowFocusTextObject", &showWindowFocusTextObject, 0};
    System::Config::SectionSaver saver_{&options_};
};

} // namespace Component
