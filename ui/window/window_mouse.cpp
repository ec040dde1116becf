#include "ui/window/window_mouse.h"

#include "core/setting_service.h"
#include "platform/ui/surface.h"
#include "ui/window/resources/window_resources.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cstdlib>

namespace Window {

using Platform::Ui::Cursor;
using Platform::Ui::Message;
namespace Msg = Platform::Ui::Msg;

namespace Cursors {
const CursorRecord Hidden{Cursor::Hidden, 0};
const CursorRecord Arrow{Cursor::Arrow, 0};
const CursorRecord SizeWE{Cursor::SizeWE, 0};
const CursorRecord SizeNS{Cursor::SizeNS, 0};
const CursorRecord SizeAll{Cursor::SizeAll, 0};
const CursorRecord Hand{Cursor::Hand, 0};
const CursorRecord IBeam{Cursor::IBeam, 0};
const CursorRecord No{Cursor::No, 0};
const CursorRecord Wait{Cursor::Wait, 0};
const CursorRecord AppStarting{Cursor::AppStarting, 0};
const CursorRecord Custom129{Cursor::Custom, 129};
const CursorRecord Custom143{Cursor::Custom, 143};
const CursorRecord Custom130{Cursor::Custom, 130};
const CursorRecord System32652{Cursor::SplitH, 0};
const CursorRecord System32653{Cursor::SplitV, 0};
} // namespace Cursors

bool WindowMouseService::dispatchGuard = false;

namespace {
uint32_t packPoint(int x, int y)
{
    return (uint32_t(uint16_t(y)) << 16) | uint32_t(uint16_t(x));
}

bool acceptsContextMenu(WindowMouse& t)
{
    return t.acceptContextMenu;
}
bool acceptsRightButton(WindowMouse& t)
{
    return t.acceptRightButton;
}
bool acceptsDrop(WindowMouse& t)
{
    return t.acceptDrop;
}

// The wheel's predicate needs the router's wheel state.
WindowMouseService* wheelRouter = nullptr;
uint64_t wheelNow = 0;
bool acceptsWheel(WindowMouse& t)
{
    if (!t.acceptWheel || !t.acceptMouseWheel())
        return false;
    const uint64_t limit = uint64_t(Setting::SettingService::Get() ? Setting::SettingService::Get()->system.doubleClickTime
                                                                   : 500);
    return &t == wheelRouter->lastWheelTarget || wheelNow - wheelRouter->lastWheelTime > limit;
}
} // namespace

// ---- WindowMouse ----

WindowMouse::WindowMouse(Rect* r, int p) : mouseService(WindowMouseService::Get()), rect(r), priority(p)
{
    if (mouseService)
        mouseService->targets.push_back(this);
}

WindowMouse::~WindowMouse()
{
    if (mouseService && WindowMouseService::Get() == mouseService)
        mouseService->removeMouse(this);
}

void WindowMouse::procMouseMove(int, int) {}
void WindowMouse::procMouseDrag(int, int) {}
void WindowMouse::procDragCancel() {}
bool WindowMouse::procDragKey(int)
{
    return false;
}
void WindowMouse::procKeyRelease() {}
void WindowMouse::procLButtonDown(int, int) {}
void WindowMouse::procLButtonUp(int, int) {}
void WindowMouse::procRButtonDown(int, int) {}
void WindowMouse::procRButtonUp(int, int) {}
void WindowMouse::procMouseEnter() {}
void WindowMouse::procMouseLeave() {}
void WindowMouse::procRelease() {}
void WindowMouse::procMouseWheel(int, int, int) {}
bool WindowMouse::acceptMouseWheel()
{
    return true;
}
bool WindowMouse::procKeyDown(int)
{
    return false;
}
bool WindowMouse::procChar(wchar_t)
{
    return false;
}
void WindowMouse::procImeString(const std::wstring& text)
{
    for (wchar_t c : text)
        procChar(c);
}
void WindowMouse::procKillFocus(WindowMouse*) {}
void WindowMouse::procContextMenu(int, int) {}
bool WindowMouse::procFocusIme(ImeState&)
{
    return false;
}
bool WindowMouse::procDragOver(int, int, DropInfo&)
{
    return false;
}
bool WindowMouse::procDrop(int, int, DropInfo&)
{
    return false;
}
void WindowMouse::procDragLeave() {}
void WindowMouse::procPickColor(const uint8_t*) {}
void WindowMouse::procMouseHover() {}

void WindowMouse::trackMouseHover()
{
    if (mouseService && mouseService->hoverTarget == this && mouseService->window)
        mouseService->window->trackMouse(false);
}

bool WindowMouse::isDragging() const
{
    return mouseService && mouseService->dragging && mouseService->pressTarget == this;
}

void WindowMouse::beginColorPick()
{
    WindowMouseService* r = mouseService;
    if (!r || r->colorPickTarget == this)
        return;
    if (WindowMouse* previous = r->colorPickTarget) {
        r->colorPickTarget = nullptr;
        previous->procPickColor(nullptr);
        r->setCursor(r->mouseCursor.defaultCursor);
    }
    if (WindowMouse* press = r->pressTarget) {
        press->pressed = false;
        r->pressTarget = nullptr;
        press->procRelease();
    }
    r->dragging = false;
    r->hoverLeave();
    r->colorPickTarget = this;
    r->setCursor(&Cursors::Custom130);
    r->mouseCursor.updateWindowCursor();
}

// ---- cursor ----

void WindowMouseService::MouseCursor::updateWindowCursor()
{
    if (!requestedCursor || requestedCursor == appliedCursor)
        return;
    appliedCursor = requestedCursor;
    if (!window)
        return;
    if (appliedCursor->shape == Cursor::Custom) {
        const Resources::Data data = Resources::find(appliedCursor->resource);
        if (data.bytes)
            window->setCustomCursor(data.bytes, data.size, 16, 9);
        return;
    }
    window->setCursor(appliedCursor->shape);
}

// ---- router ----

WindowMouseService::WindowMouseService() = default;

WindowMouseService::~WindowMouseService()
{
    // Targets still alive outlive the router: they must not call it.
    for (WindowMouse* t : targets)
        t->mouseService = nullptr;
}

void WindowMouseService::setWindow(Platform::Ui::Surface* w)
{
    window = w;
    mouseCursor.window = w;
    mouseCursor.defaultCursor = &Cursors::Arrow;
    mouseCursor.requestedCursor = &Cursors::Arrow;
    mouseCursor.appliedCursor = nullptr;
    mouseCursor.updateWindowCursor();
}

bool WindowMouseService::isKeyDown(int virtualKey)
{
    return Platform::Ui::isKeyDown(virtualKey);
}

int WindowMouseService::doubleClickTime() const
{
    const Setting::SettingService* settings = Setting::SettingService::Get();
    return settings ? settings->system.doubleClickTime : 500;
}

void WindowMouseService::removeMouse(WindowMouse* target)
{
    auto it = std::find(targets.begin(), targets.end(), target);
    if (it != targets.end()) {
        *it = targets.back();
        targets.pop_back();
    }
    for (WindowMouse** p : {&focusTarget, &pressTarget, &hoverTarget, &dropTarget, &keyWatchTarget, &colorPickTarget})
        if (*p == target)
            *p = nullptr;
}

WindowMouse* WindowMouseService::hitTest(int px, int py, bool (*accept)(WindowMouse&))
{
    // Input arriving while a handler's nested loop runs reaches no target,
    // not even the press's.
    if (dispatchGuard)
        return nullptr;
    if (pressTarget)
        return pressTarget;
    WindowMouse* best = nullptr;
    int bestDistance = 0;
    for (WindowMouse* t : targets) {
        if (!t->visible || !t->rect || !t->rect->contains(px, py) || (accept && !accept(*t)))
            continue;
        const Rect& r = *t->rect;
        const int distance = std::abs(r.x + r.width / 2 - px) + std::abs(r.y + r.height / 2 - py);
        if (!best || t->priority > best->priority || (t->priority == best->priority && distance < bestDistance)) {
            best = t;
            bestDistance = distance;
        }
    }
    if (!best || !best->enabled)
        return nullptr;
    dispatchGuard = true;
    return best;
}

bool WindowMouseService::removeFocus(WindowMouse* next)
{
    WindowMouse* focus = focusTarget;
    if (!focus || focus == next)
        return false;
    focusTarget = nullptr;
    if (focus->focused) {
        focus->focused = false;
        focus->procKillFocus(next);
    }
    if (ime.imeEnabled) {
        ime.imeEnabled = false;
        if (window)
            window->setImeEnabled(false);
    }
    if (keyWatchTarget && keyWatchKey == WatchFocus) {
        WindowMouse* watcher = keyWatchTarget;
        keyWatchTarget = nullptr;
        watcher->procKeyRelease();
    }
    mouseCursor.requestedCursor = mouseCursor.defaultCursor;
    applyCursor();
    return true;
}

void WindowMouseService::setFocus(WindowMouse* target)
{
    if (focusTarget == target)
        return;
    removeFocus(target);
    focusTarget = target;
    if (target)
        target->focused = true;
    if (window)
        window->setKeyboardFocus();
    if (!ime.imeEnabled) {
        ime.imeEnabled = true;
        if (window)
            window->setImeEnabled(true);
    }
}

void WindowMouseService::takePress()
{
    if (!pressTarget)
        return;
    pressTarget->pressed = true;
    dragMoved = true;
}

void WindowMouseService::watchKey(WindowMouse* target, int virtualKey)
{
    keyWatchTarget = target;
    keyWatchKey = virtualKey;
}

void WindowMouseService::setCursor(const CursorRecord* cursor)
{
    mouseCursor.requestedCursor = cursor;
}

void WindowMouseService::beginDrag(int dx, int dy, const CursorRecord* cursor)
{
    if (pressTarget) {
        pressTarget->pressed = true;
        dragging = true;
        dragMoved = false;
        dragOriginX = pressTarget->rect->x + dx;
        dragOriginY = pressTarget->rect->y + dy;
    } else if (!dragging) {
        return;
    }
    mouseCursor.requestedCursor = cursor;
    if (cursor == &Cursors::Hidden)
        Platform::Ui::getCursorPos(dragAnchorX, dragAnchorY);
}

void WindowMouseService::checkKeyWatch()
{
    if (!keyWatchTarget)
        return;
    const bool ended = keyWatchKey == WatchFocus ? focusTarget == nullptr : !isKeyDown(keyWatchKey);
    if (!ended)
        return;
    WindowMouse* watcher = keyWatchTarget;
    keyWatchTarget = nullptr;
    watcher->procKeyRelease();
}

void WindowMouseService::cancelPress()
{
    WindowMouse* press = pressTarget;
    if (press) {
        press->pressed = false;
        if (dragging) {
            dragging = false;
            press->procDragCancel();
        }
    }
    mouseCursor.requestedCursor = mouseCursor.defaultCursor;
    applyCursor();
}

void WindowMouseService::hoverLeave()
{
    if (WindowMouse* hover = hoverTarget; hover && hover->hovered) {
        hover->hovered = false;
        hover->procMouseLeave();
        if (window)
            window->trackMouse(true);
    }
    hoverTarget = nullptr;
}

void WindowMouseService::prepareButtonDown(Message& m)
{
    ToolTips::hideUntilMoveTip();
    if (window && !window->hasKeyboardFocus())
        window->setKeyboardFocus();
    const uint32_t point = packPoint(m.x, m.y);
    const uint64_t now = m.time;
    if (m.id == lastButtonMessage && now - lastButtonTime < uint64_t(doubleClickTime()) && point == lastButtonPoint) {
        doubleClick = true;
        return;
    }
    lastButtonMessage = m.id;
    lastButtonTime = now;
    lastButtonPoint = point;
    doubleClick = false;
    if (point != lastMovePoint) {
        // Hover and cursor follow the click point first.
        Message move = m;
        move.id = Msg::MouseMove;
        procMessage(move);
    }
}

void WindowMouseService::releasePress()
{
    if (WindowMouse* press = pressTarget; press && press->pressed) {
        press->pressed = false;
        pressTarget = nullptr;
        press->procRelease();
    }
}

void WindowMouseService::changePress(WindowMouse* hit)
{
    if (hit == pressTarget)
        return;
    releasePress();
    dragging = false;
    pressTarget = hit;
}

void WindowMouseService::finishColorPick()
{
    WindowMouse* picker = colorPickTarget;
    if (!picker)
        return;
    colorPickTarget = nullptr;
    const uint32_t last = lastMovePoint;
    const int lx = int16_t(last & 0xFFFF), ly = int16_t(last >> 16);
    if (last != 0xFFFFFFFF && picker->rect && picker->rect->contains(lx, ly)) {
        picker->procPickColor(nullptr);
    } else {
        int sx = 0, sy = 0;
        Platform::Ui::getCursorPos(sx, sy);
        uint8_t rgb[3] = {0, 0, 0};
        if (Platform::Ui::readScreenPixel(sx, sy, rgb))
            picker->procPickColor(rgb);
        else
            picker->procPickColor(nullptr); // the screen cannot be read here: nothing picked
    }
    mouseCursor.requestedCursor = mouseCursor.defaultCursor;
    applyCursor();
}

void WindowMouseService::cancelColorPick()
{
    WindowMouse* picker = colorPickTarget;
    if (!picker)
        return;
    colorPickTarget = nullptr;
    picker->procPickColor(nullptr);
    mouseCursor.requestedCursor = mouseCursor.defaultCursor;
    applyCursor();
}

void WindowMouseService::dropLeave()
{
    ToolTips::hideShownTip();
    if (WindowMouse* target = dropTarget) {
        dropTarget = nullptr;
        target->procDragLeave();
    }
}

bool WindowMouseService::mouseMove(Message& m)
{
    const uint32_t point = packPoint(m.x, m.y);
    if (point != lastMovePoint)
        ToolTips::hideUntilMoveTip();
    const bool hiddenDrag = dragging && mouseCursor.requestedCursor == &Cursors::Hidden;
    if (hiddenDrag && dragMoved && window && Platform::Ui::setCursorPos(dragAnchorX, dragAnchorY)) {
        if (m.screenX != dragAnchorX || m.screenY != dragAnchorY) {
            // Only the horizontal movement counts; the warp back reports it.
            dragOriginX += dragAnchorX - m.screenX;
            return true;
        }
        lastMovePoint = point;
    } else {
        if (point == lastMovePoint)
            return true;
        lastMovePoint = point;
    }
    if (colorPickTarget)
        return true;
    if (dragging) {
        if (!dragMoved) {
            if (point == lastButtonPoint)
                return true;
            const Setting::SettingService* settings = Setting::SettingService::Get();
            const int dragWidth = std::max(settings ? settings->system.dragWidth : 4, 1);
            const int dragHeight = std::max(settings ? settings->system.dragHeight : 4, 1);
            const int bx = int16_t(lastButtonPoint & 0xFFFF), by = int16_t(lastButtonPoint >> 16);
            if (std::abs(m.x - bx) < dragWidth && std::abs(m.y - by) < dragHeight &&
                m.time - lastButtonTime < uint64_t(doubleClickTime()))
                return true;
            dragMoved = true;
        }
        if (WindowMouse* hit = hitTest(m.x, m.y); hit && hit->pressed)
            hit->procMouseDrag(m.x - dragOriginX, m.y - dragOriginY);
        applyCursor();
        return true;
    }
    mouseCursor.requestedCursor = mouseCursor.defaultCursor;
    WindowMouse* hit = hitTest(m.x, m.y);
    if (hit != hoverTarget) {
        hoverLeave();
        if (hit) {
            hoverTarget = hit;
            hit->hovered = true;
            hit->procMouseEnter();
            if (window)
                window->trackMouse(false);
        }
    }
    if (hit)
        hit->procMouseMove(m.x - hit->rect->x, m.y - hit->rect->y);
    applyCursor();
    return true;
}

bool WindowMouseService::dragMessage(Message& m, bool drop)
{
    DropInfo* info = m.drop;
    if (!info || info->files.empty())
        return true;
    if (drop)
        ToolTips::hideShownTip();
    int x = info->x, y = info->y;
    if (window)
        window->screenToClient(x, y);
    WindowMouse* hit = hitTest(x, y, acceptsDrop);
    if (hit != dropTarget) {
        dropLeave();
        dropTarget = hit;
    }
    if (!hit)
        return true;
    const bool taken = drop ? hit->procDrop(x - hit->rect->x, y - hit->rect->y, *info)
                            : hit->procDragOver(x - hit->rect->x, y - hit->rect->y, *info);
    if (taken) {
        info->accepted = true;
        if (window && !window->isActive())
            window->activate();
    }
    return true;
}

bool WindowMouseService::procMessage(Message& m)
{
    const bool guarded = dispatchGuard;
    struct GuardEnd {
        bool guarded;
        ~GuardEnd()
        {
            if (!guarded)
                dispatchGuard = false;
        }
    } guardEnd{guarded};

    switch (m.id) {
    case Msg::MouseMove: return mouseMove(m);

    case Msg::LButtonDown: {
        if (colorPickTarget) {
            finishColorPick();
            return false;
        }
        prepareButtonDown(m);
        WindowMouse* hit = hitTest(m.x, m.y);
        removeFocus(hit);
        changePress(hit);
        if (hit && !hit->pressed)
            hit->procLButtonDown(m.x - hit->rect->x, m.y - hit->rect->y);
        applyCursor();
        return hit && hit->pressed;
    }
    case Msg::LButtonUp: {
        WindowMouse* hit = hitTest(m.x, m.y);
        const bool handled = hit && hit->pressed && dragMoved;
        if (hit && hit->pressed)
            hit->procLButtonUp(m.x - hit->rect->x, m.y - hit->rect->y);
        applyCursor();
        return handled;
    }
    case Msg::RButtonDown: {
        cancelColorPick();
        prepareButtonDown(m);
        WindowMouse* hit = hitTest(m.x, m.y, acceptsRightButton);
        rightPressRemovedFocus = removeFocus(hit);
        changePress(hit);
        if (hit && !hit->pressed)
            hit->procRButtonDown(m.x - hit->rect->x, m.y - hit->rect->y);
        applyCursor();
        return hit && hit->pressed;
    }
    case Msg::RButtonUp: {
        WindowMouse* hit = hitTest(m.x, m.y, acceptsRightButton);
        const bool handled = rightPressRemovedFocus || (hit && hit->pressed && dragMoved);
        if (hit && hit->pressed)
            hit->procRButtonUp(m.x - hit->rect->x, m.y - hit->rect->y);
        applyCursor();
        return handled;
    }
    case Msg::CaptureChanged: {
        releasePress();
        pressTarget = nullptr;
        dragging = false;
        mouseCursor.requestedCursor = mouseCursor.defaultCursor;
        applyCursor();
        return true;
    }
    case Msg::ContextMenu: {
        cancelColorPick();
        int x = m.screenX, y = m.screenY;
        if (window)
            window->screenToClient(x, y);
        if (WindowMouse* hit = hitTest(x, y, acceptsContextMenu))
            hit->procContextMenu(x - hit->rect->x, y - hit->rect->y);
        return true;
    }
    case Msg::MouseWheel: {
        int x = m.screenX, y = m.screenY;
        if (window)
            window->screenToClient(x, y);
        wheelRouter = this;
        wheelNow = m.time;
        WindowMouse* hit = hitTest(x, y, acceptsWheel);
        removeFocus(hit);
        if (hit) {
            lastWheelTarget = hit;
            lastWheelTime = m.time;
            hit->procMouseWheel(x - hit->rect->x, y - hit->rect->y, m.delta);
        }
        applyCursor();
        return true;
    }
    case Msg::MouseHover:
        if (WindowMouse* hover = hoverTarget; hover && !hover->pressed)
            hover->procMouseHover();
        return true;
    case Msg::MouseLeave:
    case Msg::NcMouseMove: hoverLeave(); return true;

    case Msg::KeyDown: {
        if (window && window->hasQueuedKeyDown(m.key))
            return false;
        cancelColorPick();
        if (dragging && pressTarget) {
            if (m.key >= Platform::Ui::Key::Left && m.key <= Platform::Ui::Key::Down)
                dragMoved = true;
            if (pressTarget->procDragKey(m.key))
                return true;
        }
        if (focusTarget)
            return focusTarget->procKeyDown(m.key);
        ShortcutManager* shortcuts = ShortcutManager::Get();
        return shortcuts && shortcuts->procShortcutKey(m.key);
    }
    case Msg::SysKeyDown: {
        if (window && window->hasQueuedKeyDown(m.key))
            return false;
        cancelColorPick();
        ShortcutManager* shortcuts = ShortcutManager::Get();
        sysKeyHandled = shortcuts && shortcuts->procShortcutKey(m.key);
        return sysKeyHandled;
    }
    case Msg::SysChar: return sysKeyHandled;
    case Msg::KeyUp:
        if (keyWatchTarget && m.key == keyWatchKey) {
            WindowMouse* watcher = keyWatchTarget;
            keyWatchTarget = nullptr;
            watcher->procKeyRelease();
        }
        return false;
    case Msg::Char: return focusTarget && focusTarget->procChar(wchar_t(m.key));
    case Msg::ImeStartComposition: {
        const bool own = focusTarget && focusTarget->procFocusIme(ime);
        if (!own && ime.imeEnabled) {
            ime.imeEnabled = false;
            if (window)
                window->setImeEnabled(false);
        }
        return false;
    }
    case Msg::ImeComposition:
        if ((m.flags & Platform::Ui::ImeResult) && focusTarget && ime.imeEnabled) {
            const std::wstring text = m.text.empty() ? readImeResultString() : m.text;
            if (!text.empty())
                focusTarget->procImeString(text);
        }
        return false;
    case Msg::ImeChar: return true;
    case Msg::Activate:
        if (m.flags == 0)
            finishColorPick();
        else
            checkKeyWatch();
        return false;
    case Msg::KillFocus: removeFocus(nullptr); return true;
    case Msg::DragOver: return dragMessage(m, false);
    case Msg::Drop: return dragMessage(m, true);
    case Msg::DragLeave: dropLeave(); return true;
    default: return false;
    }
}

std::wstring readImeResultString()
{
    Platform::Ui::Surface* surface = Platform::Ui::Surface::main();
    return surface ? surface->imeResult() : std::wstring();
}

} // namespace Window
