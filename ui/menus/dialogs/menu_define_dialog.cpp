#include "ui/menus/dialogs/menu_define_dialog.h"

#include "effect/effect_define.h"
#include "effect/effect_service.h"
#include "effect/palette.h"
#include "media/direct2d_service.h"
#include "media/font_manager.h"

#include <unordered_set>

namespace Dialog {

// ---- line ----

MenuDefineLine::MenuDefineLine(Menu::MenuDefineBase* define)
    : name(define->getLabel()), label(define->label), shown(define->hide == 0), base(define)
{
}

const wchar_t* MenuDefineLine::getText(int column)
{
    return column == 0 ? name.c_str() : column == 1 ? label.c_str() : L"";
}

void MenuDefineLine::beginEdit(int column, DialogItem* editor)
{
    if (auto* combo = dynamic_cast<DialogItemComboBox*>(editor); combo && column == 1)
        combo->value = label;
}

void MenuDefineLine::endEdit(int column, DialogItem* editor)
{
    if (auto* combo = dynamic_cast<DialogItemComboBox*>(editor); combo && column == 1)
        label = combo->value;
}

// ---- dialog ----

bool MenuDefineDialogBase::show()
{
    list = addItem<DialogItemListView<MenuDefineLine>>(ListHeight, true);
    list->addColumn(L"項目(表示順)", 400);
    auto editor = std::make_unique<DialogItemNameFolderComboBox>(L"", L"");
    DialogItemNameFolderComboBox* labelEditor = editor.get();
    list->addColumn(L"ラベル", 240, std::move(editor));
    list->checkboxes = true;
    createLines(list->rows);
    // The drop-down offers every label in use (as edited so far), once each.
    labelEditor->choiceProvider = [this](std::vector<std::wstring>& choices) {
        choices.clear();
        std::unordered_set<std::wstring> seen;
        for (MenuDefineLine* line : list->getItemList())
            if (!line->label.empty() && seen.insert(line->label).second)
                choices.push_back(line->label);
    };

    Window::PopupMenu& menu = list->contextMenu;
    menu.insertItem(L"先頭に移動", [this] { moveToTop(); });
    menu.insertItem(L"最後に移動", [this] { moveToBottom(); });
    menu.insertSeparator();
    menu.insertItem(L"同じラベルの項目を全て先頭に移動", [this] { moveSameLabelToTop(); });
    menu.insertItem(L"同じラベルの項目を全て最後に移動", [this] { moveSameLabelToBottom(); });
    menu.insertSeparator();
    menu.insertItem(L"全ての項目をラベルのグループで纏める", [this] { groupByLabel(); });
    menu.insertSeparator();
    menu.insertItem(L"全ての項目の表示を有効にする", [this] { showAll(true); });
    menu.insertItem(L"全ての項目の表示を無効にする", [this] { showAll(false); });

    if (!create(MinWidth))
        return false;
    int order = 0;
    for (MenuDefineLine* line : list->getItemViewList()) {
        line->base->order = order++;
        line->base->label = line->label;
        line->base->hide = line->shown ? 0 : 1;
    }
    return true;
}

std::vector<MenuDefineLine*> MenuDefineDialogBase::shownLines()
{
    return list->getItemViewList();
}

void MenuDefineDialogBase::moveToTop()
{
    if (list->contextItem)
        list->moveItem(list->getItemLine(list->contextItem), 0);
}

void MenuDefineDialogBase::moveToBottom()
{
    if (list->contextItem)
        list->moveItem(list->getItemLine(list->contextItem), list->getLineCount() - 1);
}

void MenuDefineDialogBase::moveSameLabelToTop()
{
    auto* context = dynamic_cast<MenuDefineLine*>(list->contextItem);
    if (!context)
        return;
    const std::wstring label = context->label;
    int position = 0;
    for (MenuDefineLine* line : shownLines())
        if (line->label == label)
            list->moveItem(list->getItemLine(line), position++);
}

void MenuDefineDialogBase::moveSameLabelToBottom()
{
    auto* context = dynamic_cast<MenuDefineLine*>(list->contextItem);
    if (!context)
        return;
    const std::wstring label = context->label;
    const std::vector<MenuDefineLine*> lines = shownLines();
    int position = int(lines.size()) - 1;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if ((*it)->label == label)
            list->moveItem(list->getItemLine(*it), position--);
}

void MenuDefineDialogBase::groupByLabel()
{
    if (!list->contextItem)
        return;
    const std::vector<MenuDefineLine*> lines = shownLines();
    std::vector<std::wstring> labels;
    std::unordered_set<std::wstring> seen;
    for (MenuDefineLine* line : lines)
        if (seen.insert(line->label).second)
            labels.push_back(line->label);
    int position = 0;
    for (const std::wstring& label : labels)
        for (MenuDefineLine* line : lines)
            if (line->label == label)
                list->moveItem(list->getItemLine(line), position++);
}

void MenuDefineDialogBase::showAll(bool shown)
{
    for (auto& row : list->rows)
        list->setItemCheck(row.get(), shown);
}

// ---- the five dialogs ----

EffectMenuDialog::EffectMenuDialog(std::wstring caption)
    : MenuDefineDialog(std::move(caption), "EffectMenuDialog")
{
}

void EffectMenuDialog::createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines)
{
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!service)
        return;
    std::vector<Effect::EffectMenuDefine*> defines;
    for (auto& [name, define] : service->effects)
        defines.push_back(&define);
    for (auto& alias : service->aliases)
        defines.push_back(alias.get());
    Effect::sortByOrder(defines);
    addLines(lines, defines);
}

MovementMenuDialog::MovementMenuDialog(std::wstring caption)
    : MenuDefineDialog(std::move(caption), "MovementMenuDialog")
{
}

void MovementMenuDialog::createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines)
{
    if (Effect::EffectService* service = Effect::EffectService::Get())
        addLines(lines, service->getMovementList({}));
}

MovementParamsMenuDialog::MovementParamsMenuDialog(std::wstring caption)
    : MenuDefineDialog(std::move(caption), "MovementParamsMenuDialog")
{
}

void MovementParamsMenuDialog::createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines)
{
    if (Effect::EffectService* service = Effect::EffectService::Get())
        addLines(lines, service->movementParams.getMovementParamsList());
}

PresetColorMenuDialog::PresetColorMenuDialog(std::wstring caption)
    : MenuDefineDialog(std::move(caption), "PresetColorMenuDialog")
{
}

void PresetColorMenuDialog::createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines)
{
    if (Effect::EffectService* service = Effect::EffectService::Get())
        addLines(lines, service->palette.getPresetColorList());
}

FontMenuDialog::FontMenuDialog(std::wstring caption) : MenuDefineDialog(std::move(caption), "FontMenuDialog") {}

void FontMenuDialog::createLines(std::vector<std::unique_ptr<DialogItemListViewBase::Item>>& lines)
{
    if (Media::Direct2DService* fonts = Media::Direct2DService::Get())
        addLines(lines, fonts->getFontList());
}

} // namespace Dialog
