#include "ui/window/window_control.h"

#include "platform/ui/surface.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Window {

// ---- ControlContainer ----

ControlContainer::ControlContainer(int x, int y, int base, const Rect* clip, const Rect* owner)
    : originX(x), originY(y), basePriority(base), clipRect(clip), ownerRect(owner)
{
    if (ownerRect)
        area = {ownerRect->x - originX, ownerRect->y - originY, ownerRect->width, ownerRect->height};
}

void ControlContainer::updateLayout()
{
    if (ownerRect)
        area = {ownerRect->x - originX, ownerRect->y - originY, ownerRect->width, ownerRect->height};
    // A copy: a control may add or remove others while it moves.
    const std::vector<WindowControl*> list = controls;
    for (WindowControl* control : list) {
        if (std::find(controls.begin(), controls.end(), control) == controls.end())
            continue;
        control->updateRect();
        control->procMove();
    }
}

void ControlContainer::paint()
{
    for (WindowControl* control : std::vector<WindowControl*>(controls))
        control->procPaint();
}

// ---- WindowControl ----

WindowControl::WindowControl(ControlContainer& c, int x, int y, int width, int height)
    : WindowMouse(&visibleRect, c.basePriority + 1), container(&c), placeX(x), placeY(y), placeWidth(width),
      placeHeight(height), clipRect(c.clipRect), areaRect(&c.area)
{
    container->controls.push_back(this);
    baseUpdateRect();
}

WindowControl::WindowControl(WindowControl& parent, int x, int y, int width, int height)
    : WindowMouse(&visibleRect, parent.priority + 1), container(parent.container), placeX(x), placeY(y),
      placeWidth(width), placeHeight(height), clipRect(&parent.visibleRect), areaRect(&parent.rect)
{
    container->controls.push_back(this);
    baseUpdateRect();
}

WindowControl::~WindowControl()
{
    if (container)
        std::erase(container->controls, this);
}

void WindowControl::procMove() {}

void WindowControl::updateRect()
{
    baseUpdateRect();
}

void WindowControl::baseUpdateRect()
{
    const Rect a = areaRect ? *areaRect : Rect{};
    const int left = (placeX < 0 ? a.x + a.width : a.x) + placeX;
    const int top = (placeY < 0 ? a.y + a.height : a.y) + placeY;
    const int right = placeWidth > 0 ? left + placeWidth : std::max(left, a.x + a.width + placeWidth);
    const int bottom = placeHeight > 0 ? top + placeHeight : std::max(top, a.y + a.height + placeHeight);
    setRect(left, top, right, bottom);
}

void WindowControl::setRect(int left, int top, int right, int bottom)
{
    rect = {left, top, right - left, bottom - top};
    if (!clipRect) {
        visibleRect = rect;
        return;
    }
    const Rect& c = *clipRect;
    auto hold = [](int v, int low, int high) { return std::clamp(v, low, std::max(low, high)); };
    const int l = hold(left, c.x, c.x + c.width), r = hold(right, c.x, c.x + c.width);
    const int t = hold(top, c.y, c.y + c.height), b = hold(bottom, c.y, c.y + c.height);
    visibleRect = {l, t, std::max(r - l, 0), std::max(b - t, 0)};
}

void WindowControl::showToolTip(const wchar_t* text)
{
    int x = rect.x + rect.width + 2, y = rect.y;
    if (Platform::Ui::Surface* surface = Platform::Ui::Surface::main())
        surface->clientToScreen(x, y);
    ToolTips::get().show({x, y}, text ? text : L"", 0);
}

// ---- WindowControlRenderTarget ----

WindowControlRenderTarget::WindowControlRenderTarget(WindowControl& parent, int x, int y, int width, int height)
    : WindowControl(parent, x, y, width, height), Media::RenderTarget(WindowService::Get()),
      colorBrushList(WindowService::Get() ? &WindowService::Get()->colorBrushList : nullptr)
{
}

WindowControlRenderTarget::WindowControlRenderTarget(ControlContainer& c, int x, int y, int width, int height)
    : WindowControl(c, x, y, width, height), Media::RenderTarget(WindowService::Get()),
      colorBrushList(WindowService::Get() ? &WindowService::Get()->colorBrushList : nullptr)
{
}

WindowControlRenderTarget::Section::Section(WindowControlRenderTarget& control, int left, int top, int right,
                                            int bottom)
    : section(control,
              std::clamp(control.rect.x + left, control.visibleRect.x, control.visibleRect.x + control.visibleRect.width),
              std::clamp(control.rect.y + top, control.visibleRect.y, control.visibleRect.y + control.visibleRect.height),
              std::clamp(control.rect.x + right, control.visibleRect.x, control.visibleRect.x + control.visibleRect.width),
              std::clamp(control.rect.y + bottom, control.visibleRect.y,
                         control.visibleRect.y + control.visibleRect.height),
              true)
{
}

WindowControlRenderTarget::Section WindowControlRenderTarget::makeDrawSection(int left, int top, int right, int bottom)
{
    return Section(*this, left, top, right, bottom);
}

int WindowControlRenderTarget::bodyBrush() const
{
    if (!enabled)
        return ColorBrushList::ButtonBodyDisable;
    if (pressed)
        return ColorBrushList::ButtonBodyPress;
    if (hovered)
        return ColorBrushList::ButtonBodyHover;
    return ColorBrushList::ButtonBody;
}

} // namespace Window
