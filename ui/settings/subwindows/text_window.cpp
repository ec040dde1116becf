#include "ui/settings/subwindows/text_window.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/menus/dialog.h"
#include "ui/settings/controls/effect_item_control.h"
#include "ui/settings/controls/theme_icons.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <fstream>
#include <regex>
#include <sstream>

namespace Component {

namespace {

EffectTextSettingComponent* instance = nullptr;

int layoutRow()
{
    return Setting::Layout::SettingItemHeight > 0 ? Setting::Layout::SettingItemHeight : 20;
}

int scrollBarWidth()
{
    return Setting::Layout::ScrollBarSize > 0 ? Setting::Layout::ScrollBarSize : 20;
}

std::shared_ptr<Edit::Object> focusObject()
{
    const Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit->currentScene->focusObject : nullptr;
}

bool placedInChain(const EffectItemTarget& t)
{
    if (!t.object || t.object->layer == -1)
        return false;
    return std::any_of(t.object->effects.begin(), t.object->effects.end(),
                       [&](const auto& e) { return e == t.effect; });
}

std::wstring lowerExtension(const std::wstring& path)
{
    const size_t dot = path.find_last_of(L'.');
    const size_t slash = path.find_last_of(L"\\/");
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return {};
    std::wstring ext = path.substr(dot + 1);
    for (wchar_t& c : ext)
        c = wchar_t(std::towlower(c));
    return ext;
}

const std::vector<Control::IconLine> crossLines{{0.25f, 0.25f, 0.75f, 0.75f, 0.1f}, {0.75f, 0.25f, 0.25f, 0.75f, 0.1f}};
const Control::IconSet crossIcon{nullptr, nullptr, &crossLines};

} // namespace

const EffectTextSettingControl::Tag EffectTextSettingControl::tags[7] = {
    {L"色変更(&C)", L"<#ffffff>", L"<#>"},    {L"サイズ変更(&S)", L"<s40>", L"<s>"},
    {L"フォント変更(&F)", L"<@メイリオ>", L"<@>"}, {L"表示速度変更(&R)", L"<r8>", L"<r>"},
    {L"表示ウェイト(&W)", L"<w2>", L""},      {L"表示クリア(&E)", L"<c2>", L""},
    {L"座標指定(&P)", L"<p+0,+0>", L""},
};

// ---- the editor ----

EffectTextSettingControl::EffectTextSettingControl(EffectTextSettingComponent& owner, Window::WindowControl& parent)
    : EditControl(&parent, 0, -scrollBarWidth()), window(owner)
{
    if (textFormatList)
        textFormat = textFormatList->get(Resource::TextFormatList::TextEdit);
    acceptDrop = true;
    charFilter = L"[^\uFE00-\uFE0F]";
    enabled = false;
    onChange = [this](Control::EditControl&) { applyText(); };
    keyHook = [this](int key) { return textKey(key); };
    updateTextLayout();
}

bool EffectTextSettingControl::setTarget(std::shared_ptr<Edit::Object> object, std::shared_ptr<Effect::EffectBase> effect,
                                         Effect::EffectItem* item)
{
    if (target.object == object && target.effect == effect && target.item == item)
        return false;
    target = {std::move(object), std::move(effect), item};
    auto* textItem = dynamic_cast<Effect::EffectItemText*>(item);
    text = textItem ? textItem->text : std::wstring();
    updateTextLayout();
    caret = anchor = 0;
    selectionStart = selectionEnd = 0;
    updateScroll();
    enabled = true;
    procPaint();
    return true;
}

bool EffectTextSettingControl::clearTarget()
{
    if (!target)
        return false;
    target = {};
    text.clear();
    updateTextLayout();
    enabled = false;
    procPaint();
    return true;
}

void EffectTextSettingControl::reloadText()
{
    auto* textItem = dynamic_cast<Effect::EffectItemText*>(target.item);
    if (!textItem || textItem->text == text)
        return;
    text = textItem->text;
    updateTextLayout();
    updateScroll();
    procPaint();
}

void EffectTextSettingControl::applyText()
{
    auto* textItem = dynamic_cast<Effect::EffectItemText*>(target.item);
    if (!textItem)
        return;
    const EffectItemTarget bound = target; // the transaction's end may rebind
    Edit::UpdateSection update;
    update.notifyEdit = true;
    update.targetObject = bound.object;
    update.openUndoStep();
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->addEffectUpdate(bound.effect);
    textItem->text = text;
    sendItemChangedEvent(update, bound.object, bound.effect, *textItem);
}

void EffectTextSettingControl::insertionDone()
{
    updateTextLayout();
    showCaret();
    updateScroll();
    updateImePosition();
    procPaint();
    if (mouseService)
        mouseService->setCursor(mouseService->mouseCursor.defaultCursor);
    applyText();
}

void EffectTextSettingControl::insertTag(const std::wstring& opening, const std::wstring& closing)
{
    if (hasSelection()) {
        const int a = selectionStart, b = selectionEnd;
        if (!closing.empty()) {
            caret = b;
            insertText(closing);
        }
        caret = a;
        insertText(opening);
        caret = a;
    } else {
        insertText(opening);
        caret -= int(opening.size());
    }
    const int at = caret;
    static const std::wregex tagPattern(L"^<[#@srwcp?].*>$");
    if (std::regex_match(opening, tagPattern)) {
        selectionStart = at + 2;
        selectionEnd = at + int(opening.size()) - 1;
    } else {
        selectionStart = at;
        selectionEnd = at + int(opening.size());
    }
    anchor = selectionStart;
    caret = selectionEnd;
    insertionDone();
}

bool EffectTextSettingControl::tagUnderCaret(int& open, int& close) const
{
    const int n = int(text.size());
    if (caret >= n || (caret < n && text[size_t(caret)] == L'<'))
        return false;
    int i = caret;
    for (; i > 0; --i) {
        const wchar_t c = text[size_t(i)];
        if (c < 32 || c == L'<' || (c == L'>' && i != caret))
            break;
    }
    if (text[size_t(i)] != L'<')
        return false;
    open = i;
    int j = caret;
    for (; j < n - 1; ++j) {
        const wchar_t c = text[size_t(j)];
        if (c < 32 || c == L'>')
            break;
    }
    if (text[size_t(j)] != L'>')
        return false;
    close = j;
    return true;
}

bool EffectTextSettingControl::valueMenu(int open, int close)
{
    if (close - open < 2)
        return false;
    const wchar_t kind = text[size_t(open + 1)];
    // The fields of the value: from the third character to the one before '>'.
    const int first = open + 2;
    int field = 0, fieldStart = first;
    for (int i = first; i < caret && i < close; ++i)
        if (text[size_t(i)] == L',') {
            ++field;
            fieldStart = i + 1;
        }
    int fieldEnd = fieldStart;
    while (fieldEnd < close && text[size_t(fieldEnd)] != L',')
        ++fieldEnd;
    const bool colour = kind == L'#' && (field == 0 || field == 1);
    const bool font = (kind == L'@' && field == 0) || (kind == L's' && field == 1);
    if (!colour && !font)
        return false;
    selectionStart = fieldStart;
    selectionEnd = fieldEnd;
    anchor = fieldStart;
    caret = fieldEnd;
    procPaint();
    auto replace = [this](const std::wstring& value) {
        caret = selectionStart;
        eraseText(selectionStart, selectionEnd);
        selectionStart = selectionEnd = caret;
        insertTag(value, L"");
    };
    Window::PopupMenu menu;
    if (colour) {
        if (const auto& insert = SettingHooks::get().insertPresetColorMenu)
            insert(menu, [replace](float r, float g, float b) {
                auto byte = [](float v) { return int(std::clamp(std::lround(v * 255.0f), 0L, 255L)); };
                wchar_t hex[8];
                std::swprintf(hex, 8, L"%02x%02x%02x", byte(r), byte(g), byte(b));
                replace(hex);
            });
    } else {
        const Effect::EffectItemSelect::SharedList& fonts = Effect::EffectItemFontSelect::getFontList();
        const int standard = Effect::EffectItemFontSelect::getDefaultIndex();
        for (const auto& [value, label] : fonts.labels) {
            const std::wstring name = label;
            menu.insertItem(name, [replace, name] { replace(name); }).setCheck(value == standard);
        }
    }
    menu.show();
    return true;
}

void EffectTextSettingControl::openTagMenu()
{
    int open = 0, close = 0;
    if (tagUnderCaret(open, close) && valueMenu(open, close))
        return;
    Window::PopupMenu menu;
    for (const Tag& tag : tags) {
        const std::wstring opening = tag.opening, closing = tag.closing;
        menu.insertItem(std::wstring(tag.label) + L"\t" + tag.opening, [this, opening, closing] { insertTag(opening, closing); });
    }
    menu.show();
}

bool EffectTextSettingControl::textKey(int virtualKey)
{
    if (!target)
        return false;
    if (virtualKey == 0x20 && Window::WindowMouseService::isKeyDown(0x11)) {
        dropSpace_ = true;
        openTagMenu();
        return true;
    }
    Window::ShortcutManager* shortcuts = Window::ShortcutManager::Get();
    Undo::UndoService* undo = Undo::UndoService::Get();
    if (!shortcuts || !undo)
        return false;
    const int code = shortcuts->getCommandCode(virtualKey);
    if (code == 16474) {
        undo->undoText(target.item);
        return true;
    }
    if (code == 24666) {
        undo->redoText(target.item);
        return true;
    }
    return false;
}

bool EffectTextSettingControl::procChar(wchar_t character)
{
    if (dropSpace_) {
        dropSpace_ = false;
        if (character == L' ')
            return true;
    }
    return EditControl::procChar(character);
}

bool EffectTextSettingControl::insertFile(const std::wstring& path)
{
    std::ifstream file(System::wideToUtf8(path), std::ios::binary);
    if (!file) {
        Dialog::postError(L"ファイルの読み込みに失敗しました");
        return false;
    }
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string content = bytes.str();
    insertText(System::isValidUtf8(content) ? System::utf8ToWide(content) : System::ansiToWide(content));
    insertionDone();
    return true;
}

bool EffectTextSettingControl::procDragOver(int, int, Window::DropInfo& info)
{
    if (!target || info.files.empty() || lowerExtension(info.files.front()) != L"txt")
        return false;
    Window::ToolTips::get().showAtCursor(L"テキストを追加");
    return true;
}

bool EffectTextSettingControl::procDrop(int x, int y, Window::DropInfo& info)
{
    if (!procDragOver(x, y, info))
        return false;
    insertFile(info.files.front());
    return true;
}

// ---- the header ----

EffectTextSettingHeader::EffectTextSettingHeader(EffectTextSettingComponent& owner, Window::ControlContainer& container,
                                                 int r)
    : WindowControlRenderTarget(container, 0, 0, 0, r), window(owner), children(0, 0, priority, &visibleRect, &rect),
      icon(children, 2, 2, r - 4, r - 4), title(children, r + 2, -2 * r, L"テキスト編集"),
      closeBox(children, -r, 2, 0, -2), close(closeBox, 0, r - 4, &crossIcon, false)
{
    icon.bitmap = themeBitmap(ThemeIcon::Text);
    icon.enabled = false;
    icon.visible = true;
    close.onClick = [this](Control::ButtonControl&) {
        if (!window.isVisible())
            return;
        window.setVisible(false);
        if (Window::WindowService* service = Window::WindowService::Get())
            service->updateWindowLayout();
    };
    setActive(false);
}

void EffectTextSettingHeader::setActive(bool active)
{
    title.textBrush = Control::brushOf(*this, active ? Window::ColorBrushList::Text : Window::ColorBrushList::TextDisable);
    title.procPaint();
}

void EffectTextSettingHeader::procPaint()
{
    Control::PaintSection section;
    if (!target || !Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Window::ColorBrushList::Grouping));
    for (Window::WindowControl* c : std::vector<Window::WindowControl*>(children.controls))
        c->procPaint();
}

void EffectTextSettingHeader::procMove()
{
    children.updateLayout();
}

// ---- the window ----

EffectTextSettingComponent* EffectTextSettingComponent::Get()
{
    return instance;
}

EffectTextSettingComponent::EffectTextSettingComponent()
    : WindowClientRenderTarget(L"テキスト編集", "Window.setting.text", {0.5f, 0.7f, 0.8f, 1.0f, AreaBottom, false}),
      rowHeight(layoutRow()), container(0, 0, 200, &clientRect, &clientRect), header(*this, container, rowHeight),
      editorArea(container, 8, rowHeight + 8, -8, -8), control(*this, editorArea),
      scrollBar(editorArea, -scrollBarWidth(), 0, scrollBarWidth(), 0, control)
{
    instance = this;
    acceptContextMenu = true;
    acceptWheel = true;
    if (System::Config::iniFile)
        options_.load(*System::Config::iniFile);
    if (Event::EventService* events = Event::EventService::Get()) {
        events->focusObjectChanged.push_back([](std::shared_ptr<Edit::Object>& object) {
            if (EffectTextSettingComponent* w = Get())
                w->focusChanged(object);
        });
        events->sceneChanged.push_back([](int) {
            if (EffectTextSettingComponent* w = Get())
                w->focusChanged(focusObject());
        });
    }
}

EffectTextSettingComponent::~EffectTextSettingComponent()
{
    if (instance == this)
        instance = nullptr;
}

void EffectTextSettingComponent::followObject(const std::shared_ptr<Edit::Object>& object)
{
    const EffectItemTarget found = isVisible() ? textTarget(object) : EffectItemTarget{};
    if (found) {
        control.setTarget(found.object, found.effect, found.item);
        header.setActive(true);
    } else if (control.clearTarget()) {
        header.setActive(false);
    }
}

void EffectTextSettingComponent::focusChanged(const std::shared_ptr<Edit::Object>& object)
{
    if (isVisible()) {
        followObject(object);
        return;
    }
    if (showWindowFocusTextObject && textTarget(object)) {
        Window::WindowService* service = Window::WindowService::Get();
        if (service)
            service->makeRoomForClient(this);
        setVisible(true);
        if (service)
            service->updateWindowLayout();
    }
}

void EffectTextSettingComponent::update()
{
    if (!control.hasTarget())
        return;
    if (!placedInChain(control.target)) {
        if (control.clearTarget())
            header.setActive(false);
        return;
    }
    control.reloadText();
}

void EffectTextSettingComponent::setVisible(bool visible)
{
    WindowClientRenderTarget::setVisible(visible);
    if (visible)
        followObject(focusObject());
    else if (control.clearTarget())
        header.setActive(false);
}

void EffectTextSettingComponent::procMouseWheel(int x, int y, int delta)
{
    scrollBar.procMouseWheel(x + clientRect.x - scrollBar.rect.x, y + clientRect.y - scrollBar.rect.y, delta);
}

void EffectTextSettingComponent::procPaint()
{
    const Window::Rect& r = clientRect;
    if (!target || !isVisible() || r.width <= 0 || r.height <= 0)
        return;
    DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
    fillRect(0, 0, r.width, r.height, colorBrushList->get(Window::ColorBrushList::Background));
    container.paint();
}

void EffectTextSettingComponent::procMove()
{
    container.updateLayout();
}

void EffectTextSettingComponent::procWindowMenu(Window::BaseMenu& menu)
{
    Window::BaseMenu options(menu, L"オプション");
    options.insertItem(L"テキストオブジェクトのフォーカス時にウィンドウを表示", [this] {
        showWindowFocusTextObject = showWindowFocusTextObject ? 0 : 1;
    }).setCheck(showWindowFocusTextObject != 0);
    WindowClientRenderTarget::procWindowMenu(menu);
}

} // namespace Component
