#include "ui/menus/dialogs/dialog_template.h"

#include "core/log.h"
#include "core/translate_service.h"
#include "platform/ui/person.h"
#include "platform/ui/surface.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/window/base_menu.h"
#include "ui/window/tool_tips.h"

#include <algorithm>

namespace Dialog {

namespace Ui = Platform::Ui;

std::wstring translateDialog(const std::wstring& text)
{
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        return Translate::TranslateService::Get()->dialog.translate(text.c_str());
    return text;
}

std::wstring translateMessage(const std::wstring& text)
{
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        return Translate::TranslateService::Get()->message.translate(text.c_str());
    return text;
}

DialogTemplate::DialogTemplate(std::wstring caption, std::string name)
    : caption(std::move(caption)), name(std::move(name))
{
}

// Buttons (their actions) go before the rows.
DialogTemplate::~DialogTemplate()
{
    buttons.clear();
    items.clear();
}

void DialogTemplate::addButton(const std::wstring& text, std::function<void()> action, int buttonWidth)
{
    Button button;
    button.text = text;
    button.action = std::move(action);
    button.width = buttonWidth;
    button.id = FirstButtonId + int(buttons.size());
    buttons.push_back(std::move(button));
}

bool DialogTemplate::create(int minWidth, DialogHandle owner)
{
    Window::ToolTips::get().hide();
    stopPlayback();
    width = minWidth;
    height = 0;
    ownerDialog = owner;
    // The title holds at most 127 characters.
    std::wstring title = translateDialog(caption);
    if (title.size() > size_t(CaptionLimit))
        title.resize(CaptionLimit);
    if (!Ui::dialogShown(name)) {
        System::Log::info("Dialog::DialogTemplate::create", L"%s", title.c_str());
        Ui::ModalPoint point;
        point.kind = Ui::ModalKind::Dialog;
        point.name = name;
        point.caption = title;
        point.defaultAnswer = 0;
        point.setSubject(this);
        return Ui::answerWithoutPerson(point) != 0;
    }
    Ui::DialogProcedure procedure;
    procedure.initialize = [this](DialogHandle dialog) {
        hwnd = dialog;
        layout(dialog);
    };
    procedure.message = [this](DialogHandle dialog, const DialogEvent& event) { return message(dialog, event); };
    int result = 0;
    try {
        result = Ui::runDialog(name, title, procedure);
    } catch (...) {
        hwnd = nullptr;
        throw;
    }
    hwnd = nullptr;
    for (auto& item : items)
        item->hwnd = nullptr;
    return result != 0;
}

bool DialogTemplate::submit()
{
    for (auto& item : items)
        if (!item->submit())
            return false;
    Ui::endDialog(hwnd, 1);
    return true;
}

bool DialogTemplate::procMessage(DialogHandle, const DialogEvent&)
{
    return false;
}

void DialogTemplate::initialized() {}

bool DialogTemplate::message(DialogHandle dialog, const DialogEvent& event)
{
    if (event.kind == DialogEvent::Command) {
        if (event.id == IdOk && event.code == 0) {
            if (!ignoreEnter)
                submit();
        } else if (event.id == IdCancel && event.code == 0) {
            Ui::endDialog(dialog, 0);
        } else if (event.id == IdSubmit && event.code == 0) {
            submit();
        } else if (event.id >= FirstButtonId && size_t(event.id - FirstButtonId) < buttons.size()) {
            Button& button = buttons[size_t(event.id - FirstButtonId)];
            if (!button.action)
                throw std::bad_function_call();
            button.action();
            return false;
        } else {
            // Commands of a row's own controls (list views and their editors) go to the rows.
            for (auto& item : items)
                if (item->hwnd && item->notify(event))
                    return true;
        }
    }
    return procMessage(dialog, event);
}

void DialogTemplate::layout(DialogHandle dialog)
{
    // Line height: a four-character sample and 4 pixels.
    int sampleWidth = 0, sampleHeight = 0;
    Ui::measureDialogText(dialog, L"!#@/", false, sampleWidth, sampleHeight);
    lineHeight = sampleHeight ? sampleHeight + 4 : 0;
    showOk = items.size() >= 2;
    int contentWidth = 300;
    int clientHeight = 18;
    int labelWidth = 0;
    bool anyLabel = false;
    for (auto& item : items) {
        item->measure(dialog);
        contentWidth = std::max(contentWidth, item->width);
        if (item->height != 0)
            showOk = true;
        else
            item->height = lineHeight;
        clientHeight += 6 + item->height;
        if (!item->label.empty()) {
            int w = 0, h = 0;
            Ui::measureDialogText(dialog, translateDialog(item->label), false, w, h);
            labelWidth = std::max(labelWidth, w);
            anyLabel = true;
        }
    }
    const int labelColumn = anyLabel ? labelWidth + 8 : 0;
    if (buttonMode != 0)
        showOk = buttonMode == 1;
    if (showOk || !buttons.empty())
        clientHeight += lineHeight + 12;
    if (showOk || buttonMode == 3) {
        ignoreEnter = true;
        centre = true;
    }
    width = std::max(contentWidth + labelColumn + 24, width);
    height = std::max(clientHeight, height);

    int windowWidth = 0, windowHeight = 0;
    Ui::dialogWindowSize(dialog, width, height, windowWidth, windowHeight);
    int ownerLeft = 0, ownerTop = 0, ownerRight = 0, ownerBottom = 0;
    if (ownerDialog)
        Ui::dialogWindowRect(ownerDialog, ownerLeft, ownerTop, ownerRight, ownerBottom);
    else
        Ui::ownerWindowRect(ownerLeft, ownerTop, ownerRight, ownerBottom);
    int x = 0, y = 0;
    if (centre) {
        x = (ownerLeft + ownerRight - windowWidth) / 2;
        y = (ownerTop + ownerBottom - windowHeight) / 2;
    } else {
        if (Window::PopupMenu::active) {
            x = Window::PopupMenu::pointX;
            y = Window::PopupMenu::pointY;
        } else {
            Ui::getCursorPos(x, y);
        }
        x = std::min(x, ownerRight - windowWidth);
        y = std::min(y, ownerBottom - windowHeight);
    }
    Ui::placeDialog(dialog, x, y, width, height);

    int rowY = 12;
    int id = 100;
    for (auto& item : items) {
        if (!item->label.empty())
            DialogItem::createControl(dialog, Ui::ControlType::Static, 0, item->label, -1, 12, rowY, labelColumn,
                                      lineHeight);
        item->controlId = id;
        id += 10;
        item->create(dialog, 12 + labelColumn, rowY, std::max(0, width - labelColumn - 24), item->height);
        rowY += item->height + 6;
    }
    const int buttonY = rowY + 6;
    int buttonX = 12;
    for (Button& button : buttons) {
        const int buttonWidth = button.width ? button.width : lineHeight * 4;
        const int bx = std::min(buttonX, width - buttonWidth - 12);
        DialogItem::createControl(dialog, Ui::ControlType::Button, 0, button.text, button.id, bx, buttonY,
                                  buttonWidth, lineHeight);
        buttonX = bx + buttonWidth + 12;
    }
    if (showOk)
        DialogItem::createControl(dialog, Ui::ControlType::Button, 0, L"OK", IdSubmit,
                                  std::max(12, width - lineHeight * 4 - 12), buttonY, lineHeight * 4, lineHeight);
    // The first row that takes typing gets the keyboard.
    for (auto& item : items)
        if (item->hwnd && Ui::controlType(item->hwnd) != Ui::ControlType::Static &&
            Ui::controlType(item->hwnd) != Ui::ControlType::Button &&
            Ui::controlType(item->hwnd) != Ui::ControlType::ListView) {
            Ui::setControlFocus(item->hwnd);
            break;
        }
    initialized();
}

} // namespace Dialog
