#pragma once
// Dialogs arranging the menus built from definition lists: the order in which
// the entries appear (drag, sort or the context menu's moves), their label (a
// group path of names joined by "\") and whether they show (the check box).
// OK stores "order" 0, 1, 2 ... in the order shown, "label" and "hide" into
// every definition; the menus read them the next time they are built. Cancel
// changes nothing.
#include "ui/menus/dialogs/dialog_list_view.h"
#include "ui/menus/dialogs/dialog_template.h"

#include <memory>
#include <string>
#include <vector>

namespace Menu {
class MenuDefineBase;
}
namespace Effect {
class EffectMenuDefine;
class MovementDefine;
class MovementParamsDefine;
class PresetColorDefine;
} // namespace Effect
namespace Media {
class FontDefine;
}

namespace Dialog {

// A definition as a line: name and label shown, check = shown.
class MenuDefineLine : public DialogItemListViewBase::Item {
public:
    explicit MenuDefineLine(Menu::MenuDefineBase* define);
    const wchar_t* getText(int column) override;
    // Column 1 with a combo box editor only: the label.
    void beginEdit(int column, DialogItem* editor) override;
    void endEdit(int column, DialogItem* editor) override;
    void setCheck(bool check) override { shown = check; }
    bool getCheck() override { return shown; }

    std::wstring name;  // the definition's text in menus, copied when the dialog opens
    std::wstring label; // as edited
    bool shown = true;
    Menu::MenuDefineBase* base;
};

class MenuDefineDialogBase : public DialogTemplate {
public:
    using DialogTemplate::DialogTemplate;

    // Shows the list of the lines createLines makes; on OK stores the
    // definitions' order, label and hide. Whether OK closed it.
    bool show();

    DialogItemListView<MenuDefineLine>* list = nullptr; // once shown

    // The context menu's commands, on the line under the pointer (none: nothing).
    void moveToTop();
    void moveToBottom();
    void moveSameLabelToTop();
    void moveSameLabelToBottom();
    void groupByLabel();
    void showAll(bool shown);

    static constexpr int ListHeight = 640;
    static constexpr int MinWidth = 600;

protected:
    // The line factory: one line per definition, in menu order.
    virtual void createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines) = 0;

private:
    std::vector<MenuDefineLine*> shownLines();
};

template <class T>
class MenuDefineDialog : public MenuDefineDialogBase {
public:
    class MenuDefineItem : public MenuDefineLine {
    public:
        // T is complete where the dialog of T is made.
        explicit MenuDefineItem(T* define) : MenuDefineLine(define), define(define) {}
        T* define;
    };

    using MenuDefineDialogBase::MenuDefineDialogBase;

protected:
    // Appends one line per definition of the list.
    static void addLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines,
                         const std::vector<T*>& defines)
    {
        for (T* define : defines)
            lines.push_back(std::make_unique<MenuDefineItem>(define));
    }
};

class EffectMenuDialog : public MenuDefineDialog<Effect::EffectMenuDefine> {
public:
    explicit EffectMenuDialog(std::wstring caption = L"オブジェクト追加メニューの設定");

protected:
    void createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines) override;
};

class MovementMenuDialog : public MenuDefineDialog<Effect::MovementDefine> {
public:
    explicit MovementMenuDialog(std::wstring caption = L"トラックバー移動メニューの設定");

protected:
    void createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines) override;
};

class MovementParamsMenuDialog : public MenuDefineDialog<Effect::MovementParamsDefine> {
public:
    explicit MovementParamsMenuDialog(std::wstring caption = L"時間制御メニューの設定");

protected:
    void createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines) override;
};

class PresetColorMenuDialog : public MenuDefineDialog<Effect::PresetColorDefine> {
public:
    explicit PresetColorMenuDialog(std::wstring caption = L"プリセット色メニューの設定");

protected:
    void createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines) override;
};

class FontMenuDialog : public MenuDefineDialog<Media::FontDefine> {
public:
    explicit FontMenuDialog(std::wstring caption = L"フォントメニューの設定");

protected:
    void createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines) override;
};

} // namespace Dialog
