#include "ui/window/controls/button_control.h"

#include "platform/draw/target.h"
#include "platform/ui/application.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cmath>

namespace Control {

using Brushes = Window::ColorBrushList;
using Platform::Draw::Point;

namespace Icons {
namespace {
const float upTriangle[6] = {0.2f, 0.7f, 0.8f, 0.7f, 0.5f, 0.25f};
const float downTriangle[6] = {0.2f, 0.3f, 0.8f, 0.3f, 0.5f, 0.75f};
const float leftTriangle[6] = {0.7f, 0.2f, 0.7f, 0.8f, 0.25f, 0.5f};
const float rightTriangle[6] = {0.3f, 0.2f, 0.3f, 0.8f, 0.75f, 0.5f};
const std::vector<IconLine> minusLines{{0.15f, 0.5f, 0.7f, 0.5f, 0.15f}};
const std::vector<IconLine> plusLines{{0.6f, 0.32f, 0.6f, 0.68f, 0.15f}, {0.28f, 0.5f, 0.92f, 0.5f, 0.15f}};
} // namespace
const IconSet Up{upTriangle, nullptr, nullptr};
const IconSet Down{downTriangle, nullptr, nullptr};
const IconSet Left{leftTriangle, nullptr, nullptr};
const IconSet Right{rightTriangle, nullptr, nullptr};
const IconSet Minus{nullptr, nullptr, &minusLines};
const IconSet Plus{nullptr, nullptr, &plusLines};
} // namespace Icons

void drawFrame(Window::WindowControlRenderTarget& c, int brush)
{
    // The stroke's middle one pixel in: two whole pixels along the inside.
    Platform::Draw::Brush* b = brushOf(c, brush);
    if (!b || !c.target)
        return;
    const float x = float(c.originX), y = float(c.originY);
    c.target->drawRectangle({x + 1, y + 1, x + float(c.rect.width) - 1, y + float(c.rect.height) - 1}, *b, 2.0f,
                            nullptr);
}

namespace {
Platform::Draw::TextFormat& controlFormat(Resource::TextFormatList* list)
{
    return *list->get(Resource::TextFormatList::Control);
}

Window::WindowMouseService* router()
{
    return Window::WindowMouseService::Get();
}

void repaint(Window::WindowControl& control)
{
    control.procPaint();
}
} // namespace

// ---- ButtonControl ----

ButtonControl::ButtonControl(Window::ControlContainer& container, int x, int y, int width, int height)
    : WindowControlRenderTarget(container, x, y, width, height)
{
}

ButtonControl::ButtonControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : WindowControlRenderTarget(parent, x, y, width, height)
{
}

void ButtonControl::procLButtonDown(int, int)
{
    if (Window::WindowMouseService* r = router())
        r->takePress();
    repaint(*this);
    if (onClick)
        onClick(*this);
}

void ButtonControl::procMouseEnter()
{
    repaint(*this);
}

void ButtonControl::procMouseLeave()
{
    repaint(*this);
}

void ButtonControl::procRelease()
{
    repaint(*this);
}

void ButtonControl::procMouseHover()
{
    if (!toolTip.empty())
        Window::ToolTips::get().showAtCursor(toolTip);
}

// ---- IconButtonControl ----

IconButtonControl::IconButtonControl(Window::WindowControl& parent, int x, int width, const IconSet* set, bool sel)
    : ButtonControl(parent, x, 0, width, 0), icon(set), selected(sel)
{
}

IconButtonControl::IconButtonControl(Window::ControlContainer& container, const IconSet* set)
    : ButtonControl(container, 0, 0, 0, 0), icon(set)
{
}

void IconButtonControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const float w = float(rect.width), h = float(rect.height);
    Platform::Draw::Brush* body = brushOf(*this, bodyBrush());
    if (selected || foreground) {
        fillRect(0, 0, rect.width, rect.height,
                 background && foreground && !hovered && !pressed ? background : body);
    } else if (background) {
        fillRect(0, 0, rect.width, rect.height, background);
    }
    Platform::Draw::Brush* ink = foreground ? foreground
                                 : selected ? brushOf(*this, enabled ? Brushes::Text : Brushes::TextDisable)
                                            : body;
    if (icon && ink) {
        const float ox = float(originX), oy = float(originY);
        if (const float* t = icon->triangle) {
            const Point points[3] = {{t[0] * w, t[1] * h}, {t[2] * w, t[3] * h}, {t[4] * w, t[5] * h}};
            fillPath(points, ink);
        }
        if (const float* r = icon->rectangle)
            target->fillRectangle({ox + r[0] * w, oy + r[1] * h, ox + r[2] * w, oy + r[3] * h}, *ink);
        if (icon->lines) {
            Platform::Draw::StrokeStyle* round =
                Resource::ResourceService::Get()->strokeStyles.get(Resource::StrokeStyleList::Round);
            for (const IconLine& l : *icon->lines)
                target->drawLine({ox + l.x1 * w, oy + l.y1 * h}, {ox + l.x2 * w, oy + l.y2 * h}, *ink, l.width * h,
                                 round);
        }
    }
    if (selected)
        drawFrame(*this, Brushes::Border);
}

// ---- RepeatClickButtonControl ----

RepeatClickButtonControl::RepeatClickButtonControl(Window::ControlContainer& container, const IconSet* set)
    : IconButtonControl(container, set)
{
}

RepeatClickButtonControl::~RepeatClickButtonControl()
{
    timer.clear();
}

void RepeatClickButtonControl::procLButtonDown(int, int)
{
    if (onPress)
        onPress(*this);
    if (Window::WindowMouseService* r = router())
        r->takePress();
    repaint(*this);
    if (onClick)
        onClick(*this);
    const Platform::Ui::MachineFacts facts = Platform::Ui::queryMachineFacts();
    const unsigned interval = unsigned(std::max(1, facts.keyRepeatInterval));
    timer.set(unsigned(std::max(1, facts.keyRepeatDelay)), [this, interval] {
        // The first firing re-arms the same timer at the repeat interval.
        timer.set(interval, [this] {
            if (onClick)
                onClick(*this);
        });
        if (onClick)
            onClick(*this);
    });
}

void RepeatClickButtonControl::procRelease()
{
    timer.clear();
    repaint(*this);
    if (onRelease)
        onRelease(*this);
}

// ---- BitmapButtonControl ----

void BitmapButtonControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    if (background)
        fillRect(0, 0, rect.width, rect.height,
                 selected || hovered || pressed ? brushOf(*this, bodyBrush()) : background);
    if (bitmap)
        drawBitmap(bitmap, 0, 0, rect.width, rect.height, 1.0f);
    if (selected)
        drawFrame(*this, Brushes::Border);
}

// ---- TextButtonControl ----

TextButtonControl::TextButtonControl(Window::WindowControl& parent, int x, int y, int width, int height, int s)
    : ButtonControl(parent, x, y, width, height), style(s)
{
}

TextButtonControl::TextButtonControl(Window::ControlContainer& container, int x, int y, int width, int height, int s)
    : ButtonControl(container, x, y, width, height), style(s)
{
}

void TextButtonControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height;
    fillRect(0, 0, W, H, brushOf(*this, bodyBrush()));
    Platform::Draw::TextFormat& format = controlFormat(textFormatList);
    const TextSize size = shownLabel.layout(format, label);
    int x = 0, y = 0;
    switch (style) {
    case 0:
    case 2:
        x = (W - size.width) / 2;
        y = (H - size.height) / 2;
        break;
    case 1:
        x = size.height / 6;
        y = (H - size.height) / 2;
        break;
    default: break;
    }
    x = std::max(x, 3);
    y = std::max(y, 3);
    Platform::Draw::Brush* ink = brushOf(*this, enabled ? Brushes::Text : Brushes::TextDisable);
    if (style == 2) {
        // Trimmed with the ellipsis sign to W - 4 pixels.
        Platform::Draw::TextFormat* trimmed =
            textFormatList->at(Resource::TextFormatList::Control).getTrimmingSign();
        drawText(label.c_str(), trimmed, ink, x, y, std::max(1, W - 4 - x), std::max(1, H - y));
    } else {
        shownLabel.draw(*this, x, y, ink);
    }
    if (style == 1) {
        const float e = size.height / 5.0f, f = W - size.height * 0.25f, g = H * 0.5f;
        const Point points[3] = {{f, g - e}, {f - 3 * e, g - e}, {f - 1.5f * e, g + e}};
        fillPath(points, ink);
    }
    drawFrame(*this, Brushes::Border);
}

// ---- TextButtonWheelControl ----

void TextButtonWheelControl::procMouseEnter()
{
    if (onWheel)
        acceptWheel = true;
    repaint(*this);
}

void TextButtonWheelControl::procMouseLeave()
{
    if (onWheel)
        acceptWheel = false;
    repaint(*this);
}

bool TextButtonWheelControl::acceptMouseWheel()
{
    if (!onWheel || !hovered)
        return false;
    return canWheel ? canWheel(*this) : true;
}

void TextButtonWheelControl::procMouseWheel(int, int, int delta)
{
    if (onWheel && hovered)
        onWheel(*this, delta);
}

// ---- TextIconButtonControl ----

TextIconButtonControl::TextIconButtonControl(Window::WindowControl& parent, int width, const std::wstring& text)
    : ButtonControl(parent, 0, 0, width, 0), label(text), iconControl(*this)
{
}

TextIconButtonControl::IconControl::IconControl(TextIconButtonControl& o)
    : WindowMouse(&iconRect, 300), owner(o)
{
    visible = false;
}

void TextIconButtonControl::procMove()
{
    iconControl.visible = iconBitmap != nullptr;
    const int side = visibleRect.height;
    iconControl.iconRect = {visibleRect.x + visibleRect.width - side, visibleRect.y, side, side};
}

void TextIconButtonControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height;
    fillRect(0, 0, W, H, brushOf(*this, bodyBrush()));
    Platform::Draw::TextFormat& format = controlFormat(textFormatList);
    const TextSize size = shownLabel.layout(format, label);
    shownLabel.draw(*this, std::max(3, (W - size.width) / 2), std::max(3, (H - size.height) / 2),
                    brushOf(*this, enabled ? Brushes::Text : Brushes::TextDisable));
    if (iconBitmap) {
        const Window::Rect& i = iconControl.iconRect;
        const int left = i.x - rect.x, top = i.y - rect.y;
        float opacity = 0.7f;
        if (iconControl.hovered) {
            const int brush = !iconControl.enabled ? Brushes::ButtonBodyDisable
                              : iconControl.pressed ? Brushes::ButtonBodyPress
                                                    : Brushes::ButtonBodyHover;
            fillRect(left, top, left + i.width, top + i.height, brushOf(*this, brush));
            opacity = 1.0f;
        }
        drawBitmap(iconBitmap, left + 3, top + 3, left + i.width - 3, top + i.height - 3, opacity);
    }
    drawFrame(*this, Brushes::Border);
}

void TextIconButtonControl::IconControl::procLButtonDown(int, int)
{
    if (owner.onIconClick)
        owner.onIconClick(owner);
}

void TextIconButtonControl::IconControl::procMouseHover()
{
    if (!owner.iconToolTip.empty())
        Window::ToolTips::get().showAtCursor(owner.iconToolTip);
}

void TextIconButtonControl::IconControl::procMouseEnter()
{
    owner.procPaint();
}

void TextIconButtonControl::IconControl::procMouseLeave()
{
    owner.procPaint();
}

void TextIconButtonControl::IconControl::procRelease()
{
    owner.procPaint();
}

// ---- CheckButtonControl ----

CheckButtonControl::CheckButtonControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : ButtonControl(parent, x, y, width, height)
{
}

CheckButtonControl::CheckButtonControl(Window::ControlContainer& container, int x, int y, int width, int height)
    : ButtonControl(container, x, y, width, height)
{
}

void CheckButtonControl::setCheckCallback(std::function<void(CheckButtonControl&)> callback)
{
    onCheck = std::move(callback);
    onClick = [](ButtonControl& button) {
        auto& check = static_cast<CheckButtonControl&>(button);
        check.checked = !check.checked;
        if (check.onCheck)
            check.onCheck(check);
    };
}

void CheckButtonControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    Platform::Draw::Brush* fill = nullptr;
    if (hovered || pressed || (framed && checked))
        fill = brushOf(*this, bodyBrush());
    else if (backgroundGetter)
        fill = backgroundGetter();
    else
        fill = background ? background : brushOf(*this, Brushes::Grouping);
    if (fill)
        fillRect(0, 0, rect.width, rect.height, fill);
    drawCheck();
    if (framed)
        drawFrame(*this, Brushes::Border);
}

void CheckButtonControl::drawCheck()
{
    if (!checked)
        return;
    const float m = float(std::min(rect.width, rect.height));
    const float ox = float(originX), oy = float(originY);
    Platform::Draw::Brush* ink = brushOf(*this, Brushes::Text);
    if (!ink)
        return;
    target->drawLine({ox + 0.2f * m, oy + 0.5f * m}, {ox + 0.4f * m, oy + 0.75f * m}, *ink, 0.11f * m, nullptr);
    target->drawLine({ox + 0.4f * m, oy + 0.75f * m}, {ox + 0.8f * m, oy + 0.25f * m}, *ink, 0.11f * m, nullptr);
}

CheckBitmapButtonControl::CheckBitmapButtonControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : CheckButtonControl(parent, x, y, width, height)
{
    framed = false;
}

void CheckBitmapButtonControl::drawCheck()
{
    if (Platform::Draw::Bitmap* bitmap = checked ? onBitmap : offBitmap)
        drawBitmap(bitmap, 0, 0, rect.width, rect.height, 1.0f);
}

void CheckTextButtonControl::drawCheck()
{
    Platform::Draw::TextFormat& format = controlFormat(textFormatList);
    const TextSize size = shownLabel.layout(format, label);
    shownLabel.draw(*this, std::max(2, (rect.width - size.width) / 2), std::max(2, (rect.height - size.height) / 2),
                    brushOf(*this, checked ? Brushes::Text : Brushes::TextDisable));
}

} // namespace Control

namespace Component {

void SliderButtonControl::procLButtonDown(int x, int y)
{
    if (Window::WindowMouseService* r = Window::WindowMouseService::Get())
        r->beginDrag(x, y, &Window::Cursors::Custom143);
    procPaint();
    showToolTip(getValueText().c_str());
    valueAtPress = getValue();
}

void SliderButtonControl::procMouseDrag(int, int dy)
{
    setValue(valueAtPress, -dy / 2);
    showToolTip(getValueText().c_str());
}

} // namespace Component
