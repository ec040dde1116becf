#include "ui/window/controls/edit_control.h"

#include "core/failure.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/message.h"
#include "platform/ui/surface.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"

#include <algorithm>
#include <cmath>
#include <regex>

namespace Control {

using Brushes = Window::ColorBrushList;
namespace Key = Platform::Ui::Key;

namespace {
constexpr int Inset = 4;
constexpr wchar_t LineFeed = L'\n';

Window::WindowMouseService* router()
{
    return Window::WindowMouseService::Get();
}

bool keyDown(int key)
{
    return Window::WindowMouseService::isKeyDown(key);
}

bool isSeparator(wchar_t c)
{
    static const std::wstring separators = L" ,(){}[]=+-/*<>#|\"\n\t";
    return separators.find(c) != std::wstring::npos;
}

// Characters waiting behind a key a hook or the field took are dropped
// (the toolkit sends them right after the key, within the same event).
uint64_t swallowUntil = 0;
} // namespace

// ---- EditFocusGroup ----

EditFocusGroup::~EditFocusGroup()
{
    leaveGroup();
}

void EditFocusGroup::setGroup(std::shared_ptr<FocusGroupArray> group)
{
    leaveGroup();
    focusGroup = std::move(group);
    if (focusGroup)
        focusGroup->push_back(this);
}

void EditFocusGroup::leaveGroup()
{
    if (focusGroup)
        std::erase(*focusGroup, this);
    focusGroup.reset();
}

// ---- EditControl ----

EditControl::EditControl(Window::ControlContainer& container) : WindowControlRenderTarget(container, 0, 0, 0, 0)
{
    initialize();
}

EditControl::EditControl(Window::WindowControl* parent, int x, int width)
    : WindowControlRenderTarget(*parent, x, 0, width, 0)
{
    initialize();
}

EditControl::~EditControl()
{
    caretTimer.clear();
    leaveGroup();
}

void EditControl::initialize()
{
    textFormat = textFormatList->get(Resource::TextFormatList::EditControl);
    background = brushOf(*this, Brushes::Background);
    updateTextLayout();
    updateScroll();
}

int EditControl::viewWidth() const
{
    return std::max(visibleRect.width - 2 * Inset, 0);
}

int EditControl::viewHeight() const
{
    return std::max(visibleRect.height - 2 * Inset, 0);
}

int EditControl::lineHeight()
{
    static Platform::Draw::TextFormat* measured = nullptr;
    static int height = 0;
    if (measured != textFormat) {
        Platform::Draw::TextLayout empty(L"", 0, *textFormat, 65536, 65536);
        height = int(std::ceil(empty.getMetrics().height));
        measured = textFormat;
    }
    return height;
}

int EditControl::horizontalMargin()
{
    return std::min(visibleRect.width / 4, 2 * lineHeight());
}

int EditControl::verticalMargin()
{
    return std::min(visibleRect.height / 4, lineHeight());
}

void EditControl::updateTextLayout()
{
    if (text.find(L'\r') != std::wstring::npos) {
        static const std::wregex breaks(L"(\r\n|\r)");
        text = std::regex_replace(text, breaks, L"\n");
    }
    textLength = int(text.size());
    caret = std::clamp(caret, 0, textLength);
    anchor = std::clamp(anchor, 0, textLength);
    if (hasSelection() && selectionEnd > textLength) {
        anchor = caret;
        selectionStart = selectionEnd = 0;
    }
    textLayout = std::make_shared<Platform::Draw::TextLayout>(text.data(), text.size(), *textFormat, 65536.0f,
                                                              65536.0f);
    const Platform::Draw::TextMetrics m = textLayout->getMetrics();
    layoutWidth = int(std::ceil(m.width));
    layoutHeight = int(std::ceil(m.height));
    hitTestCount = int(m.lineCount);
}

EditControl::Cell EditControl::caretCell(const char* place)
{
    if (!textLayout)
        throw System::makeHresultException("layout->HitTestTextPosition", place, static_cast<int32_t>(0x80004003u));
    float x = 0, y = 0;
    const Platform::Draw::HitTestMetrics m = textLayout->hitTestTextPosition(uint32_t(caret), false, x, y);
    return {x, m.top, m.width, m.height};
}

void EditControl::clampScroll()
{
    const int hm = horizontalMargin(), vm = verticalMargin();
    if (centerHorizontal && layoutWidth + hm / 2 < viewWidth())
        scrollX = (layoutWidth - viewWidth()) / 2;
    if (centerVertical && layoutHeight + vm / 2 < viewHeight())
        scrollY = (layoutHeight - viewHeight()) / 2;
    scrollX = std::min(scrollX, std::max(layoutWidth + hm / 2 - viewWidth(), 0));
    scrollY = std::min(scrollY, std::max(layoutHeight + vm / 2 - viewHeight(), 0));
}

void EditControl::updateScroll()
{
    const Cell c = caretCell("Control::EditControl::updateScroll");
    const int hm = horizontalMargin(), vm = verticalMargin();
    scrollX = std::max(scrollX, int(c.left + c.width) - viewWidth() + hm);
    scrollX = std::min(scrollX, int(c.left) - hm);
    scrollY = std::max(scrollY, int(c.top + c.height) - viewHeight() + vm);
    scrollY = std::min(scrollY, int(c.top) - vm);
    scrollX = std::max(scrollX, 0);
    scrollY = std::max(scrollY, 0);
    clampScroll();
    if (onScroll)
        onScroll(*this);
}

void EditControl::updateImePosition()
{
    Window::WindowMouseService* r = router();
    if (!r || r->focusTarget != this || !r->ime.imeEnabled)
        return;
    if (!r->window)
        return;
    const Cell c = caretCell("Control::EditControl::updateImePosition");
    r->window->setImePosition(rect.x + Inset + int(std::lround(c.left)) - scrollX,
                              rect.y + Inset + 1 + int(std::lround(c.top)) - scrollY, 1,
                              std::max(1, int(std::lround(c.height))));
}

int EditControl::getTextPosition(int x, int y)
{
    bool trailing = false, inside = false;
    const Platform::Draw::HitTestMetrics m = textLayout->hitTestPoint(float(x), float(y), trailing, inside);
    int position = int(m.textPosition);
    if (trailing && position < textLength)
        ++position;
    return std::clamp(position, 0, textLength);
}

void EditControl::eraseText(int from, int to)
{
    from = std::clamp(from, 0, int(text.size()));
    to = std::clamp(to, from, int(text.size()));
    if (from == to)
        return;
    text.erase(size_t(from), size_t(to - from));
    if (caret >= to)
        caret -= to - from;
    else if (caret > from)
        caret = from;
    updateTextLayout();
}

bool EditControl::filterAccepts(const std::wstring& one) const
{
    if (!charFilter)
        return true;
    try {
        return std::regex_search(one, std::wregex(charFilter));
    } catch (const std::regex_error&) {
        return false;
    }
}

void EditControl::insertText(const std::wstring& inserted)
{
    std::wstring kept = inserted;
    if (charFilter) {
        kept.clear();
        try {
            const std::wregex pattern(charFilter);
            for (auto it = std::wsregex_iterator(inserted.begin(), inserted.end(), pattern);
                 it != std::wsregex_iterator(); ++it)
                kept += it->str();
        } catch (const std::regex_error&) {
            kept.clear();
        }
    }
    if (kept.empty())
        return;
    // Line breaks are normalised before insertion so the caret ends right after the text.
    if (kept.find(L'\r') != std::wstring::npos) {
        static const std::wregex breaks(L"(\r\n|\r)");
        kept = std::regex_replace(kept, breaks, L"\n");
    }
    caret = std::clamp(caret, 0, int(text.size()));
    text.insert(size_t(caret), kept);
    caret += int(kept.size());
    updateTextLayout();
}

void EditControl::editCursorUp(int lines)
{
    const Cell c = caretCell("Control::EditControl::editCursorUp");
    const float target = c.top - c.height / 2 - float(lines - 1) * c.height;
    bool trailing = false, inside = false;
    const Platform::Draw::HitTestMetrics m = textLayout->hitTestPoint(c.left, target, trailing, inside);
    if (c.top - c.height / 2 < m.top)
        return; // the first line
    int position = int(m.textPosition);
    if (trailing && position < textLength && text[size_t(position)] != LineFeed)
        ++position;
    caret = std::clamp(position, 0, textLength);
}

void EditControl::editCursorDown(int lines)
{
    const Cell c = caretCell("Control::EditControl::editCursorDown");
    const float target = c.top + 1.5f * c.height + float(lines - 1) * c.height;
    bool trailing = false, inside = false;
    const Platform::Draw::HitTestMetrics m = textLayout->hitTestPoint(c.left, target, trailing, inside);
    if (m.top + m.height < c.top + 1.5f * c.height)
        return; // the last line
    int position = int(m.textPosition);
    if (trailing && position < textLength && text[size_t(position)] != LineFeed)
        ++position;
    caret = std::clamp(position, 0, textLength);
}

void EditControl::showCaret()
{
    caretVisible = true;
    const int blink = std::max(1, Platform::Ui::queryMachineFacts().caretBlinkTime);
    caretTimer.set(unsigned(blink), [this] {
        caretVisible = !caretVisible;
        drawCaret(caretVisible);
    });
}

void EditControl::hidePointer()
{
    if (Window::WindowMouseService* r = router()) {
        r->setCursor(&Window::Cursors::Hidden);
        r->mouseCursor.updateWindowCursor();
    }
}

void EditControl::setGroupFocus(bool take)
{
    if (!take) {
        if (Window::WindowMouseService* r = router(); r && r->focusTarget == this)
            r->removeFocus(nullptr);
        else
            procKillFocus(nullptr);
        return;
    }
    showCaret();
    if (wheelTarget)
        acceptWheel = true;
    if (contextMenu)
        acceptRightButton = true;
    if (Window::WindowMouseService* r = router(); r && r->focusTarget != this)
        r->setFocus(this);
    procPaint();
}

bool EditControl::canGroupFocus()
{
    return visible && enabled;
}

// ---- mouse ----

void EditControl::procMouseMove(int, int)
{
    if (focused)
        if (Window::WindowMouseService* r = router())
            r->setCursor(&Window::Cursors::IBeam);
}

void EditControl::procLButtonDown(int x, int y)
{
    showCaret();
    if (wheelTarget)
        acceptWheel = true;
    if (contextMenu)
        acceptRightButton = true;
    Window::WindowMouseService* r = router();
    if (r) {
        if (r->focusTarget != this)
            r->setFocus(this);
        if (r->pressTarget)
            r->beginDrag(0, 0, &Window::Cursors::IBeam);
    }
    caret = getTextPosition(x - Inset + scrollX, y - Inset + scrollY);
    if (r && r->doubleClick)
        selectWord(caret);
    else
        extendSelection(keyDown(Key::Shift));
    updateImePosition();
    procPaint();
}

void EditControl::selectWord(int p)
{
    int start = 0;
    for (int i = std::min(p, textLength) - 1; i >= 0; --i)
        if (isSeparator(text[size_t(i)])) {
            start = i + 1;
            break;
        }
    int end = textLength;
    for (int i = p; i < textLength; ++i)
        if (isSeparator(text[size_t(i)])) {
            end = i;
            break;
        }
    if (start == selectionStart && end == selectionEnd) {
        // Again on the same word: the whole line.
        const size_t before = p > 0 ? text.rfind(LineFeed, size_t(p - 1)) : std::wstring::npos;
        start = before == std::wstring::npos ? 0 : int(before) + 1;
        const size_t after = text.find(LineFeed, size_t(p));
        end = after == std::wstring::npos ? textLength : int(after);
    }
    selectionStart = start;
    selectionEnd = end;
}

bool EditControl::dragScroll(int x, int y)
{
    int sx = scrollX, sy = scrollY;
    if (x < -3)
        sx += x / 4;
    else if (x >= rect.width + 4)
        sx += (x - rect.width) / 4;
    if (y < -3)
        sy += y / 4;
    else if (y >= rect.height + 4)
        sy += (y - rect.height) / 4;
    const int oldX = scrollX, oldY = scrollY;
    scrollX = std::max(sx, 0);
    scrollY = std::max(sy, 0);
    clampScroll();
    if (scrollX == oldX && scrollY == oldY)
        return false;
    if (onScroll)
        onScroll(*this);
    return true;
}

void EditControl::procMouseDrag(int x, int y)
{
    dragScroll(x, y);
    x = std::clamp(x, 0, rect.width);
    y = std::clamp(y, 0, rect.height);
    caret = getTextPosition(x - Inset + scrollX, y - Inset + scrollY);
    selectionStart = std::min(anchor, caret);
    selectionEnd = std::max(anchor, caret);
    procPaint();
}

void EditControl::procMouseWheel(int x, int y, int delta)
{
    if (wheelTarget && wheelTarget->rect)
        wheelTarget->procMouseWheel(x + rect.x - wheelTarget->rect->x, y + rect.y - wheelTarget->rect->y, delta);
}

void EditControl::procRButtonDown(int, int)
{
    if (Window::WindowMouseService* r = router())
        r->takePress();
    Window::PopupMenu menu;
    insertEditMenu(menu);
    menu.show();
}

void EditControl::insertEditMenu(Window::BaseMenu& menu)
{
    if (hasSelection()) {
        menu.insertItem(L"切り取り", [this] { procChar(24); });
        menu.insertItem(L"コピー", [this] { procChar(3); });
    }
    menu.insertItem(L"貼り付け", [this] { procChar(22); });
    if (hasSelection())
        menu.insertItem(L"削除", [this] { procChar(127); });
    else
        menu.insertItem(L"すべてを選択", [this] { procChar(1); });
}

// ---- keys ----

void EditControl::extendSelection(bool shift)
{
    if (shift) {
        anchor = std::clamp(anchor, 0, textLength);
        selectionStart = std::min(anchor, caret);
        selectionEnd = std::max(anchor, caret);
    } else {
        anchor = caret;
        selectionStart = selectionEnd = 0;
    }
}

void EditControl::afterCaretMove(bool shift)
{
    extendSelection(shift);
    showCaret();
    updateScroll();
    updateImePosition();
    procPaint();
    hidePointer();
}

bool EditControl::procKeyDown(int key)
{
    swallowUntil = 0;
    pendingHigh_ = 0;
    if (keyHook && keyHook(key)) {
        swallowUntil = Platform::Ui::tickCount() + 50;
        return true;
    }
    const bool shift = keyDown(Key::Shift), ctrl = keyDown(Key::Control);
    switch (key) {
    case Key::Prior:
    case Key::Next: {
        const int n = std::max(1, viewHeight() / std::max(lineHeight(), 1));
        key == Key::Prior ? editCursorUp(n) : editCursorDown(n);
        break;
    }
    case Key::End:
        if (ctrl) {
            caret = textLength;
        } else {
            const size_t at = text.find(LineFeed, size_t(caret));
            caret = at == std::wstring::npos ? textLength : int(at);
        }
        break;
    case Key::Home:
        if (ctrl) {
            caret = 0;
        } else {
            const size_t at = caret > 0 ? text.rfind(LineFeed, size_t(caret - 1)) : std::wstring::npos;
            caret = at == std::wstring::npos ? 0 : int(at) + 1;
        }
        break;
    case Key::Left: caret = std::max(caret - 1, 0); break;
    case Key::Right: caret = std::min(caret + 1, textLength); break;
    case Key::Up: editCursorUp(1); break;
    case Key::Down: editCursorDown(1); break;
    case Key::Insert:
        if (ctrl)
            procChar(3);
        else if (shift)
            procChar(22);
        else
            return false;
        return true;
    case Key::Delete:
        if (!shift || ctrl)
            procChar(127);
        else
            procChar(hasSelection() ? 24 : 8);
        // The toolkit follows the key with a DEL character; it is not a second delete.
        swallowUntil = Platform::Ui::tickCount() + 50;
        return true;
    default: return false;
    }
    afterCaretMove(shift);
    return true;
}

void EditControl::completeEdit()
{
    anchor = caret;
    selectionStart = selectionEnd = 0;
    showCaret();
    updateScroll();
    updateImePosition();
    procPaint();
    hidePointer();
    if (onChange)
        onChange(*this);
}

void EditControl::deleteSelection()
{
    if (!hasSelection())
        return;
    const int from = selectionStart, to = selectionEnd;
    selectionStart = selectionEnd = 0;
    eraseText(from, to);
}

void EditControl::deleteBackward()
{
    if (hasSelection())
        deleteSelection();
    else if (caret > 0)
        eraseText(caret - 1, caret);
}

void EditControl::deleteForward(bool toLineEnd)
{
    if (hasSelection()) {
        deleteSelection();
    } else if (toLineEnd) {
        const size_t at = text.find(LineFeed, size_t(caret));
        eraseText(caret, at == std::wstring::npos ? textLength : int(at));
    } else {
        eraseText(caret, caret + 1);
    }
}

void EditControl::paste()
{
    std::wstring clip;
    if (Platform::Ui::getClipboardText(clip) != 0)
        return;
    deleteSelection();
    insertText(clip);
}

bool EditControl::cycleGroup(bool backward)
{
    if (!focusGroup || focusGroup->size() < 2)
        return false;
    const FocusGroupArray members = *focusGroup;
    const auto self = std::find(members.begin(), members.end(), static_cast<EditFocusGroup*>(this));
    if (self == members.end())
        return false;
    const int n = int(members.size()), at = int(self - members.begin());
    for (int step = 1; step < n; ++step) {
        EditFocusGroup* next = members[size_t(((backward ? at - step : at + step) % n + n) % n)];
        if (next->canGroupFocus()) {
            setGroupFocus(false);
            next->setGroupFocus(true);
            return true;
        }
    }
    return false;
}

bool EditControl::procChar(wchar_t c)
{
    if (swallowUntil && Platform::Ui::tickCount() <= swallowUntil)
        return true;
    swallowUntil = 0;
    // Halves of a pair arriving one by one become one character.
    if (c >= 0xD800 && c <= 0xDBFF) {
        pendingHigh_ = c;
        return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (!pendingHigh_)
            return true;
        c = wchar_t(0x10000 + ((pendingHigh_ - 0xD800) << 10) + (c - 0xDC00));
        pendingHigh_ = 0;
    }
    if (c < 32) {
        if (hasSelection() && (c == 3 || c == 24))
            Platform::Ui::setClipboardText(text.substr(size_t(selectionStart), size_t(selectionEnd - selectionStart)));
        switch (c) {
        case 1:
            selectionStart = 0;
            selectionEnd = textLength;
            updateScroll();
            procPaint();
            hidePointer();
            return true;
        case 8:
            deleteBackward();
            completeEdit();
            return true;
        case 9:
            if (focusGroup) {
                // A group of fewer than two, or nobody to take the focus: not handled.
                return cycleGroup(keyDown(Key::Shift));
            }
            break; // a tab character
        case 13: c = LineFeed; break;
        case 22:
            paste();
            completeEdit();
            return true;
        case 24:
            deleteSelection();
            completeEdit();
            return true;
        default: return true; // swallowed
        }
    } else if (c == 127) {
        deleteForward(keyDown(Key::Control));
        completeEdit();
        return true;
    }
    deleteSelection();
    const std::wstring one(1, c);
    if (filterAccepts(one)) {
        caret = std::clamp(caret, 0, int(text.size()));
        text.insert(size_t(caret), one);
        ++caret;
        updateTextLayout();
    }
    completeEdit();
    return true;
}

void EditControl::procImeString(const std::wstring& s)
{
    deleteSelection();
    insertText(s);
    completeEdit();
}

void EditControl::procKillFocus(Window::WindowMouse*)
{
    if (wheelTarget)
        acceptWheel = false;
    if (contextMenu)
        acceptRightButton = false;
    anchor = caret;
    selectionStart = selectionEnd = 0;
    caretTimer.clear();
    caretVisible = false;
    procPaint();
}

bool EditControl::procFocusIme(Window::ImeState& state)
{
    if (!state.imeEnabled) {
        state.imeEnabled = true;
        if (Window::WindowMouseService* r = router(); r && r->window)
            r->window->setImeEnabled(true);
    }
    state.compositionFontFamily = textFormat->getFontFamilyName().substr(0, 31);
    state.compositionFontHeight = -int(std::ceil(textFormat->getFontSize()));
    updateImePosition();
    return true;
}

// ---- painting ----

void EditControl::drawCaret(bool show)
{
    if (!focused || !target || !visible || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    const Cell c = caretCell("Control::EditControl::drawCursor");
    const int x = int(std::lround(c.left)) - scrollX + Inset, y = int(std::lround(c.top)) - scrollY + Inset;
    const int h = int(std::lround(c.height));
    auto view = makeDrawSection(Inset, Inset, rect.width - Inset, rect.height - Inset);
    originX = rect.x;
    originY = rect.y;
    if (show) {
        fillRect(x, y, x + 1, y + h, brushOf(*this, Brushes::Text));
    } else {
        fillRect(x, y, x + 1, y + h, background);
        Media::RenderTarget::DrawSection column(*this, rect.x + x, rect.y + y, rect.x + x + 1, rect.y + y + h, true);
        target->drawTextLayout({float(rect.x - scrollX + Inset), float(rect.y - scrollY + Inset)}, *textLayout,
                               *brushOf(*this, Brushes::Text));
    }
}

void EditControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, background);
    drawFrame(*this, focused ? Brushes::BorderFocus : Brushes::Border);
    {
        auto view = makeDrawSection(Inset, Inset, rect.width - Inset, rect.height - Inset);
        const float ox = float(rect.x - scrollX + Inset), oy = float(rect.y - scrollY + Inset);
        if (hasSelection()) {
            std::vector<Platform::Draw::HitTestMetrics> cells(size_t(std::max(hitTestCount, 1)));
            uint32_t count = textLayout->hitTestTextRange(uint32_t(selectionStart),
                                                          uint32_t(selectionEnd - selectionStart), cells.data(),
                                                          uint32_t(cells.size()));
            if (count > cells.size()) {
                cells.resize(count);
                count = textLayout->hitTestTextRange(uint32_t(selectionStart), uint32_t(selectionEnd - selectionStart),
                                                     cells.data(), count);
            }
            Platform::Draw::Brush* select = brushOf(*this, Brushes::TextSelect);
            for (uint32_t i = 0; i < count && select; ++i) {
                const Platform::Draw::HitTestMetrics& m = cells[i];
                target->fillRectangle({ox + m.left, oy + m.top, ox + m.left + m.width, oy + m.top + m.height},
                                      *select);
            }
        }
        if (Platform::Draw::Brush* ink = brushOf(*this, Brushes::Text))
            target->drawTextLayout({ox, oy}, *textLayout, *ink);
    }
    if (caretVisible)
        drawCaret(true);
}

// ---- FieldEdit ----

FieldEdit::FieldEdit(Window::ControlContainer& container, Window::WindowControl& o, Window::WindowControl& f,
                     Platform::Draw::TextFormat* format)
    : EditControl(container), owner(o), face(f)
{
    visible = false;
    textFormat = format;
    centerHorizontal = centerVertical = true;
    updateTextLayout();
}

void FieldEdit::swapIn(bool on, const std::wstring& shown)
{
    Window::WindowMouseService* r = router();
    face.visible = !on;
    visible = on;
    if (on) {
        text = shown;
        caret = int(shown.size());
        anchor = 0;
        updateTextLayout();
        updateScroll();
        selectionStart = 0;
        selectionEnd = textLength;
        showCaret();
        // As a click into the field would.
        if (wheelTarget)
            acceptWheel = true;
        if (contextMenu)
            acceptRightButton = true;
        if (r)
            r->setFocus(this);
    } else if (r && r->focusTarget == this) {
        r->removeFocus(nullptr);
    }
    procPaint();
    face.procPaint();
}

bool FieldEdit::procKeyDown(int key)
{
    // Enter and Escape alike: the value was taken while typing.
    if (key == Key::Return || key == Key::Escape) {
        if (Window::WindowMouseService* r = router(); r && r->focusTarget == this)
            r->removeFocus(nullptr);
        return true;
    }
    return EditControl::procKeyDown(key);
}

void FieldEdit::procKillFocus(Window::WindowMouse* next)
{
    EditControl::procKillFocus(next);
    if (setEditMode)
        setEditMode(false);
    if (Window::WindowMouseService* r = router())
        r->setCursor(r->mouseCursor.defaultCursor);
}

void FieldEdit::setGroupFocus(bool take)
{
    if (take) {
        if (setEditMode)
            setEditMode(true);
    } else if (Window::WindowMouseService* r = router(); r && r->focusTarget == this) {
        r->removeFocus(nullptr);
    } else {
        procKillFocus(nullptr);
    }
}

bool FieldEdit::canGroupFocus()
{
    return owner.visible && owner.enabled;
}

// ---- EditScrollBarControl ----

EditScrollBarControl::EditScrollBarControl(Window::ControlContainer& container, int x, int y, int width,
                                           EditControl& e)
    : ScrollBarControl(container, x, y, width), edit(e)
{
    bind();
}

EditScrollBarControl::EditScrollBarControl(Window::WindowControl& parent, int x, int y, int width, int height,
                                           EditControl& e)
    : ScrollBarControl(parent, x, y, width, height), edit(e)
{
    bind();
}

void EditScrollBarControl::bind()
{
    edit.onScroll = [this](EditControl&) { updateRange(); };
    onScroll = [this](ScrollBarControl&, int wanted) {
        edit.scrollY = wanted;
        edit.procPaint();
        updateRange();
    };
}

void EditScrollBarControl::updateRange()
{
    const int view = edit.viewHeight();
    minPos = 0;
    maxPos = view > 0 ? edit.layoutHeight + edit.verticalMargin() : 0;
    setPosition(edit.scrollY, edit.scrollY + view);
    procPaint();
}

} // namespace Control
