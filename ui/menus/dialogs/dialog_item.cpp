#include "ui/menus/dialogs/dialog_item.h"

#include "core/failure.h"
#include "core/setting_service.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cwchar>

namespace Dialog {

namespace Ui = Platform::Ui;
using Ui::ControlStyle::Bold;
using Ui::ControlType;

const wchar_t* const HintRequired = L"必須項目です";
const wchar_t* const HintInvalidChars = L"使用できない文字が含まれています";
const wchar_t* const HintFormat = L"フォーマットが正しくありません";
const wchar_t* const HintInvalid = L"値が不正です";
const wchar_t* const NameCharList = L"  \\ / :*? \"'<>|%=,.";
const wchar_t* const FolderCharList = L"  / :*? \"'<>|%=,.";

namespace {
constexpr std::wstring_view NameChars = L"\\/:*?\"'<>|%=,.";
constexpr std::wstring_view FolderChars = L"/:*?\"'<>|%=,.";

std::wstring rangeText(int min, int max)
{
    wchar_t text[64];
    std::swprintf(text, 64, L"(%d - %d)", min, max);
    return text;
}

std::wstring rangeText(double min, double max)
{
    wchar_t text[128];
    std::swprintf(text, 128, L"(%.16lg - %.16lg)", min, max);
    return text;
}

} // namespace

namespace Rule {

bool isName(const std::wstring& value)
{
    return value.find_first_of(NameChars) == std::wstring::npos;
}

const wchar_t* folderFault(const std::wstring& value)
{
    if (value.empty())
        return nullptr;
    if (value.front() == L'\\' || value.back() == L'\\' || value.find(L"\\\\") != std::wstring::npos)
        return HintFormat;
    if (value.find_first_of(FolderChars) != std::wstring::npos)
        return HintInvalidChars;
    return nullptr;
}

bool isMove(const std::wstring& value)
{
    // ^[0-9]+([.]?[0-9]+|f)?$
    size_t i = 0;
    const size_t n = value.size();
    auto digit = [&](size_t at) { return at < n && value[at] >= L'0' && value[at] <= L'9'; };
    if (!digit(i))
        return false;
    while (digit(i))
        ++i;
    if (i == n)
        return true;
    if (value[i] == L'f')
        return i + 1 == n;
    if (value[i] != L'.')
        return false;
    ++i;
    if (!digit(i))
        return false;
    while (digit(i))
        ++i;
    return i == n;
}

bool parseInteger(const std::wstring& text, int& value)
{
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long parsed = std::wcstol(begin, &end, 10);
    if (end == begin || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = int(parsed);
    return true;
}

bool parseNumber(const std::wstring& text, double& value)
{
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos)
        return false;
    const std::wstring trimmed = text.substr(first, text.find_last_not_of(L' ') - first + 1);
    const wchar_t* begin = trimmed.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const double parsed = std::wcstod(begin, &end);
    if (end == begin || (errno == ERANGE && std::isinf(parsed)))
        return false;
    value = parsed;
    return true;
}

std::wstring formatNumber(double value)
{
    wchar_t text[512];
    std::swprintf(text, 512, L"%f", value);
    std::wstring shown = text;
    if (shown.find(L'.') != std::wstring::npos) {
        while (!shown.empty() && shown.back() == L'0')
            shown.pop_back();
        if (!shown.empty() && shown.back() == L'.')
            shown.pop_back();
    }
    return shown;
}

} // namespace Rule

// ---- base ----

DialogItem::DialogItem(std::wstring label) : label(std::move(label)) {}

DialogItem::~DialogItem()
{
    if (hwnd)
        Ui::setControlHook(hwnd, nullptr);
    messageHook = nullptr;
}

void DialogItem::create(DialogHandle, int, int, int, int)
{
    throw System::makeException("Dialog::DialogItem::create", "not implement.", "");
}

bool DialogItem::submit()
{
    throw System::makeException("Dialog::DialogItem::submit", "not implement.", "");
}

void DialogItem::update()
{
    throw System::makeException("Dialog::DialogItem::update", "not implement.", "");
}

bool DialogItem::notify(const DialogEvent&)
{
    return false;
}

void DialogItem::measure(DialogHandle) {}

ControlHandle DialogItem::createControl(DialogHandle dialog, ControlType type, uint32_t style,
                                        const std::wstring& text, int id, int x, int y, int width, int height)
{
    ControlHandle control =
        Ui::createControl(dialog, type, style, translateDialog(text), id, x, y, width, height);
    if (!control)
        throw System::makeException("Dialog::DialogItem::createControl", "CreateWindowExW() failed.", "");
    return control;
}

void DialogItem::installHook()
{
    if (!hwnd || !messageHook)
        return;
    Ui::setControlHook(hwnd, [this](const DialogEvent& event) { return messageHook(hwnd, event); });
}

void DialogItem::showHint(ControlHandle control, const std::wstring& title, const std::wstring& detail)
{
    int left = 0, top = 0, right = 0, bottom = 0;
    Ui::controlScreenRect(control, left, top, right, bottom);
    if (detail.empty())
        Window::ToolTips::get().show({left, bottom + 1}, translateMessage(title), 3000);
    else
        Window::ToolTips::get().showBelowWindow(left, bottom, title, detail);
}

// ---- text kinds ----

DialogItemText::DialogItemText(std::wstring label, std::wstring value, bool required)
    : DialogItem(std::move(label)), value(std::move(value)), required(required)
{
}

bool DialogItem::takeRequiredText(ControlHandle hwnd, bool required, std::wstring& value)
{
    const std::wstring text = Ui::controlText(hwnd);
    if (!text.empty() || !required) {
        value = text;
        return true;
    }
    showHint(hwnd, HintRequired);
    return false;
}

void DialogItemText::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, ControlType::Edit, 0, L"", controlId, x, y, w, h);
    installHook();
    Ui::setControlText(hwnd, value);
}

bool DialogItemText::takeText()
{
    return takeRequiredText(hwnd, required, value);
}

bool DialogItemText::submit()
{
    return takeText();
}

void DialogItemText::update()
{
    Ui::setControlText(hwnd, value);
}

DialogItemNameText::DialogItemNameText(std::wstring label, std::wstring value)
    : DialogItemText(std::move(label), std::move(value), true)
{
}

bool DialogItemNameText::submit()
{
    if (!takeText())
        return false;
    if (Rule::isName(value))
        return true;
    showHint(hwnd, HintInvalidChars, NameCharList);
    return false;
}

DialogItemMoveFrameText::DialogItemMoveFrameText(std::wstring label, std::wstring value)
    : DialogItemText(std::move(label), std::move(value), true)
{
}

bool DialogItemMoveFrameText::submit()
{
    if (!takeText())
        return false;
    if (Rule::isMove(value))
        return true;
    showHint(hwnd, HintInvalid);
    return false;
}

// ---- combo boxes ----

DialogItemComboBox::DialogItemComboBox(std::wstring label, std::wstring value, std::vector<std::wstring> choices)
    : DialogItem(std::move(label)), value(std::move(value)), choices(std::move(choices))
{
}

void DialogItemComboBox::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, ControlType::ComboBox, 0, L"", controlId, x, y, w, h);
    installHook();
    for (const std::wstring& choice : choices)
        Ui::addChoice(hwnd, choice);
    Ui::setControlText(hwnd, value);
}

bool DialogItemComboBox::takeText()
{
    return takeRequiredText(hwnd, required, value);
}

bool DialogItemComboBox::submit()
{
    return takeText();
}

void DialogItemComboBox::update()
{
    if (choiceProvider) {
        choiceProvider(choices);
        Ui::clearChoices(hwnd);
        for (const std::wstring& choice : choices)
            Ui::addChoice(hwnd, choice);
    }
    Ui::setControlText(hwnd, value);
}

bool DialogItemNameComboBox::submit()
{
    if (!takeText())
        return false;
    if (Rule::isName(value))
        return true;
    showHint(hwnd, HintInvalidChars, NameCharList);
    return false;
}

bool DialogItemNameFolderComboBox::submit()
{
    if (!takeText())
        return false;
    const wchar_t* fault = Rule::folderFault(value);
    if (!fault)
        return true;
    showHint(hwnd, fault, fault == HintFormat ? std::wstring() : std::wstring(FolderCharList));
    return false;
}

// ---- numbers ----

DialogItemInteger::DialogItemInteger(std::wstring label, int value, int min, int max)
    : DialogItem(std::move(label)), value(value), min(min), max(max)
{
}

void DialogItemInteger::create(DialogHandle dialog, int x, int y, int w, int h)
{
    // A minus sign can be typed only where the range reaches below zero.
    const uint32_t style = min >= 0 && max >= 0 ? Ui::ControlStyle::Digits : 0;
    hwnd = createControl(dialog, ControlType::Edit, style, L"", controlId, x, y, w, h);
    installHook();
    Ui::setControlInputMethod(hwnd, false);
    update();
}

bool DialogItemInteger::submit()
{
    const std::wstring text = Ui::controlText(hwnd);
    int parsed = 0;
    bool valid = !text.empty() && Rule::parseInteger(text, parsed);
    if (valid)
        value = parsed;
    if (valid && value >= min && value <= max)
        return true;
    showHint(hwnd, HintInvalid, rangeText(min, max));
    return false;
}

void DialogItemInteger::update()
{
    Ui::setControlText(hwnd, std::to_wstring(value));
}

DialogItemNumber::DialogItemNumber(std::wstring label, double value, double min, double max)
    : DialogItem(std::move(label)), value(value), min(min), max(max)
{
}

void DialogItemNumber::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, ControlType::Edit, 0, L"", controlId, x, y, w, h);
    installHook();
    Ui::setControlText(hwnd, Rule::formatNumber(value));
}

bool DialogItemNumber::submit()
{
    const std::wstring text = Ui::controlText(hwnd);
    double parsed = 0.0;
    bool valid = !text.empty() && Rule::parseNumber(text, parsed);
    if (valid)
        value = parsed;
    if (valid && min <= value && value <= max)
        return true;
    showHint(hwnd, HintInvalid, rangeText(min, max));
    return false;
}

// ---- lists ----

DialogItemListBox::DialogItemListBox(std::wstring label, int index) : DialogItem(std::move(label)), index(index) {}

void DialogItemListBox::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, ControlType::DropList, 0, L"", controlId, x, y, w, h);
    installHook();
    for (const std::wstring& choice : choices)
        Ui::addChoice(hwnd, translateDialog(choice));
    Ui::selectChoice(hwnd, index);
}

bool DialogItemListBox::submit()
{
    index = Ui::selectedChoice(hwnd);
    return true;
}

void DialogItemListBox::addString(const std::wstring& text)
{
    choices.push_back(text);
}

void DialogItemListBox::selectString(const std::wstring& text)
{
    auto it = std::find(choices.begin(), choices.end(), text);
    if (it != choices.end())
        index = int(it - choices.begin());
}

// ---- static text ----

DialogItemStatic::DialogItemStatic(std::wstring text) : text(std::move(text))
{
    if (Setting::SettingService* settings = Setting::SettingService::Get())
        iconSize = int(std::lround(32.0 * settings->system.dpiScale));
}

void DialogItemStatic::measure(DialogHandle dialog)
{
    int w = 0, h = 0;
    Ui::measureDialogText(dialog, translateDialog(text), bold, w, h);
    // A framed text keeps 4 pixels inside its frame on every side: never cut.
    if (style & Ui::ControlStyle::Border) {
        h += 8;
        w += 8;
    }
    if (icon != Ui::DialogIcon::None) {
        w += iconSize + 8;
        h = std::max(h, iconSize);
    }
    width = w;
    height = h;
}

void DialogItemStatic::create(DialogHandle dialog, int x, int y, int w, int h)
{
    int textX = x;
    int textWidth = w;
    int textHeight = h;
    if (icon != Ui::DialogIcon::None) {
        iconControl = createControl(dialog, ControlType::Icon, 0, L"", controlId + 1, x, y, iconSize, iconSize);
        Ui::setControlIcon(iconControl, icon, iconSize);
        textX = x + iconSize + 8;
        textWidth = std::max(0, w - iconSize - 8);
        textHeight = std::max(h, iconSize);
    }
    hwnd = createControl(dialog, ControlType::Static, style | (bold ? Bold : 0), text, controlId, textX, y,
                         textWidth, textHeight);
}

// ---- confirmation row ----

DialogItemConfirmButton::DialogItemConfirmButton(std::wstring acceptText, std::wstring declineText)
    : acceptText(std::move(acceptText)), declineText(std::move(declineText))
{
}

void DialogItemConfirmButton::measure(DialogHandle dialog)
{
    int acceptWidth = 0, textHeight = 0, declineTextWidth = 0, h = 0;
    Ui::measureDialogText(dialog, translateDialog(acceptText), true, acceptWidth, textHeight);
    Ui::measureDialogText(dialog, translateDialog(declineText), true, declineTextWidth, h);
    declineWidth = declineTextWidth + 32;
    width = acceptWidth + 2 * declineWidth + 32;
    height = textHeight + 16;
}

void DialogItemConfirmButton::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, ControlType::Button, Bold | Ui::ControlStyle::NoFocus, acceptText, IdSubmit, x, y, w - 2 * declineWidth, h);
    declineControl = createControl(dialog, ControlType::Button, Bold | Ui::ControlStyle::NoFocus, declineText, IdCancel, x + w - declineWidth,
                                   y, declineWidth, h);
}

DialogItemMargin::DialogItemMargin(int margin)
{
    height = margin;
}

// ---- shortcut key ----

DialogItemKeyCode::DialogItemKeyCode(std::wstring label, int code) : DialogItem(std::move(label)), code(code) {}

void DialogItemKeyCode::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, ControlType::Edit, 0, L"", controlId, x, y, w, h);
    Ui::setControlInputMethod(hwnd, false);
    Ui::setControlPlaceholder(hwnd, translateDialog(CueBanner));
    Ui::setControlHook(hwnd, [this](const DialogEvent& event) { return onKey(event); });
    update();
}

void DialogItemKeyCode::update()
{
    Ui::setControlText(hwnd, Window::Shortcut::getCodeName(code));
}

bool DialogItemKeyCode::onKey(const DialogEvent& event)
{
    switch (event.kind) {
    case DialogEvent::FocusIn: Ui::setControlText(hwnd, L""); return false;
    case DialogEvent::FocusOut: update(); return false;
    case DialogEvent::KeyDown: {
        const int key = event.key;
        if (key == 16 || key == 17 || key == 18)
            return true; // a modifier alone changes nothing
        int pressed = key | (event.modifiers & 2 ? Window::Shortcut::Ctrl : 0) |
                      (event.modifiers & 1 ? Window::Shortcut::Shift : 0) |
                      (event.modifiers & 4 ? Window::Shortcut::Alt : 0);
        const auto& names = Window::Shortcut::keyNameTable();
        code = names.count(pressed & 0xFFF) ? pressed : 0;
        update();
        return true;
    }
    case DialogEvent::KeyUp:
    case DialogEvent::ContextMenu: return true;
    default: return false;
    }
}

// ---- image size ----

DialogItemImageSize::DialogItemImageSize(std::wstring label, int w, int h, int min, int max)
    : DialogItem(std::move(label)), imageWidth(w), imageHeight(h), min(min), max(max)
{
}

void DialogItemImageSize::create(DialogHandle dialog, int x, int y, int w, int h)
{
    const int each = std::max(0, (w - 4) / 2);
    hwnd = createControl(dialog, ControlType::Edit, Ui::ControlStyle::Digits, std::to_wstring(imageWidth),
                         controlId, x, y, each, h);
    heightControl = createControl(dialog, ControlType::Edit, Ui::ControlStyle::Digits,
                                  std::to_wstring(imageHeight), controlId + 1, x + each + 4, y, each, h);
}

bool DialogItemImageSize::submit()
{
    for (auto [control, target] : {std::pair{hwnd, &imageWidth}, std::pair{heightControl, &imageHeight}}) {
        const std::wstring text = Ui::controlText(control);
        int parsed = 0;
        bool valid = !text.empty() && Rule::parseInteger(text, parsed);
        if (valid)
            *target = parsed;
        if (!valid || *target < min || *target > max) {
            showHint(control, HintInvalid, rangeText(min, max));
            return false;
        }
    }
    return true;
}

} // namespace Dialog
