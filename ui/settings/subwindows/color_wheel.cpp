#include "ui/settings/subwindows/color_wheel.h"

#include "core/setting_service.h"
#include "platform/draw/resources.h"
#include "ui/settings/subwindows/color_window.h"
#include "ui/settings/subwindows/subwindow_paint.h"
#include "ui/settings/window/setting_component.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Component {

namespace {

using Brushes = Window::ColorBrushList;
constexpr double Pi = std::numbers::pi;

int layoutRow()
{
    return Setting::Layout::SettingItemHeight > 0 ? Setting::Layout::SettingItemHeight : 20;
}

uint8_t roundByte(double v)
{
    return uint8_t(std::clamp(std::round(v), 0.0, 255.0));
}

} // namespace

ColorCircleGeometry colorCircleGeometry(int w, int h)
{
    ColorCircleGeometry g;
    g.diameter = std::max(std::min(w, h) - 2, 0);
    g.thickness = g.diameter / 8;
    g.side = std::max(int((g.diameter - 2 * g.thickness) * 0.70710677f) - 4, 0);
    g.squareOffset = (g.diameter - g.side) / 2;
    // A square of one pixel has no span to map a saturation or value over.
    if (g.side < 2)
        g.diameter = 0;
    g.left = (w - g.diameter) / 2;
    g.top = (h - g.diameter) / 2;
    return g;
}

void buildColorCircleImage(Media::ImageBuffer& image, const ColorCircleGeometry& g, float hue, int baseAngle)
{
    const int D = g.diameter;
    image.setSize(uint32_t(D), uint32_t(D), 0);
    for (int y = 0; y < D; ++y)
        std::fill_n(image.row(uint32_t(y)), size_t(D) * 4, uint8_t(0));
    if (D == 0)
        return;
    const double c = D * 0.5, ri = c - g.thickness;
    const double shift = 6.0 - baseAngle / 60.0;
    for (int y = 0; y < D; ++y) {
        uint8_t* row = image.row(uint32_t(y));
        for (int x = 0; x < D; ++x) {
            const double fx = x - c, fy = y - c, r = std::hypot(fx, fy);
            if (r < ri || r > c || (fx == 0 && fy == 0))
                continue;
            const double t = (std::atan2(fx, fy) + Pi) * 3.0 / Pi + shift;
            const double whole = std::floor(t);
            const int f8 = int(std::round((t - whole) * 255.0));
            const int sector = int(whole) % 6;
            int rgb[3];
            switch (sector) {
            case 0: rgb[0] = 255, rgb[1] = 0, rgb[2] = f8; break;
            case 1: rgb[0] = 255 - f8, rgb[1] = 0, rgb[2] = 255; break;
            case 2: rgb[0] = 0, rgb[1] = f8, rgb[2] = 255; break;
            case 3: rgb[0] = 0, rgb[1] = 255, rgb[2] = 255 - f8; break;
            case 4: rgb[0] = f8, rgb[1] = 255, rgb[2] = 0; break;
            default: rgb[0] = 255, rgb[1] = 255 - f8, rgb[2] = 0; break;
            }
            const int e = int(std::round(std::min(r - ri, c - r) * 255.0));
            uint8_t* p = row + size_t(x) * 4;
            if (e < 255) {
                for (int k = 0; k < 3; ++k)
                    p[k] = uint8_t(e * rgb[k] / 255);
                p[3] = uint8_t(e);
            } else {
                for (int k = 0; k < 3; ++k)
                    p[k] = uint8_t(rgb[k]);
                p[3] = 255;
            }
        }
    }
    const ColorF full = hsvToRgb(hue, 1.0f, 1.0f);
    const double span = g.side - 1;
    for (int j = 0; j < g.side; ++j) {
        const double k = (g.side - 1 - j) / span * 255.0;
        uint8_t* row = image.row(uint32_t(g.squareOffset + j));
        for (int i = 0; i < g.side; ++i) {
            const double u = i / span;
            uint8_t* p = row + size_t(g.squareOffset + i) * 4;
            p[0] = roundByte(k * ((full.r - 1.0) * u + 1.0));
            p[1] = roundByte(k * ((full.g - 1.0) * u + 1.0));
            p[2] = roundByte(k * ((full.b - 1.0) * u + 1.0));
            p[3] = 255;
        }
    }
}

// ---- the ring ----

EffectColorCircleControl::EffectColorCircleControl(EffectColorSettingComponent& o, Window::ControlContainer& container)
    : WindowControlRenderTarget(container, 0, 0, 1, 1), owner(o),
      image(Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, 0, 0))
{
}

EffectColorCircleControl::~EffectColorCircleControl() = default;

void EffectColorCircleControl::updateImage()
{
    const int D = geometry.diameter;
    if (D == 0 || (int(image->width) == D && int(image->height) == D && cachedHue == owner.hue))
        return;
    cachedHue = owner.hue;
    buildColorCircleImage(*image, geometry, owner.hue, owner.colorCircleAngle);
    // The drawing target takes premultiplied BGRA.
    std::vector<uint8_t> bgra(size_t(D) * D * 4);
    for (int y = 0; y < D; ++y) {
        const uint8_t* s = image->row(uint32_t(y));
        uint8_t* d = bgra.data() + size_t(y) * D * 4;
        for (int x = 0; x < D; ++x, s += 4, d += 4) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
            d[3] = s[3];
        }
    }
    bitmap = std::make_unique<Platform::Draw::Bitmap>(D, D, bgra.data(), D * 4);
}

void EffectColorCircleControl::procMove()
{
    geometry = colorCircleGeometry(rect.width, rect.height);
    updateImage();
}

int EffectColorCircleControl::hitTest(int x, int y) const
{
    const ColorCircleGeometry& g = geometry;
    if (g.diameter == 0)
        return None;
    const int dx = x - g.left, dy = y - g.top;
    const int ringDistance =
        std::abs(int(std::hypot(dx - g.diameter * 0.5, dy - g.diameter * 0.5)) - (g.diameter - g.thickness) / 2) -
        g.thickness / 2;
    const int squareDistance = std::max({g.squareOffset - dx, dx - g.side - g.squareOffset, g.squareOffset - dy,
                                         dy - g.side - g.squareOffset});
    if (ringDistance < 9 || squareDistance < 9)
        return squareDistance <= ringDistance ? Square : Ring;
    return None;
}

void EffectColorCircleControl::procMouseMove(int x, int y)
{
    const int part = hitTest(x, y);
    if (part != hoverPart) {
        hoverPart = part;
        procPaint();
    }
}

void EffectColorCircleControl::procMouseLeave()
{
    hoverPart = None;
    procPaint();
}

void EffectColorCircleControl::dragTo(int part, int x, int y)
{
    const ColorCircleGeometry& g = geometry;
    if (g.diameter == 0)
        return;
    if (part == Ring) {
        const double fx = x - g.left - g.diameter * 0.5, fy = y - g.top - g.diameter * 0.5;
        if (fx == 0 && fy == 0)
            return;
        const double turn = std::atan2(fx, -fy) / (2.0 * Pi) + owner.colorCircleAngle / 360.0 + 1.0;
        owner.hue = float(turn - std::floor(turn));
    } else if (part == Square) {
        const double span = g.side - 1;
        owner.saturation = float(std::clamp((x - g.left - g.squareOffset) / span, 0.0, 1.0));
        owner.value = float(std::clamp(1.0 - (y - g.top - g.squareOffset) / span, 0.0, 1.0));
    } else {
        return;
    }
    owner.color = hsvToRgb(owner.hue, owner.saturation, owner.value);
    owner.color.a = 1.0f;
    owner.applyColor();
}

void EffectColorCircleControl::procLButtonDown(int x, int y)
{
    if (hoverPart == None)
        hoverPart = hitTest(x, y);
    if (hoverPart == None || dragMode != None)
        return;
    dragMode = hoverPart;
    if (mouseService)
        mouseService->beginDrag(0, 0, &Window::Cursors::Arrow);
    owner.beginGesture();
    lastX_ = x;
    lastY_ = y;
    dragTo(dragMode, x, y);
}

void EffectColorCircleControl::procMouseDrag(int x, int y)
{
    if (dragMode == None)
        return;
    lastX_ = x;
    lastY_ = y;
    dragTo(dragMode, x, y);
}

void EffectColorCircleControl::endDrag()
{
    if (dragMode == None)
        return;
    dragMode = None;
    owner.endGesture();
    procMouseMove(lastX_, lastY_);
}

void EffectColorCircleControl::procKeyRelease()
{
    endDrag();
}

void EffectColorCircleControl::procRelease()
{
    endDrag();
}

void EffectColorCircleControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::Grouping));
    const ColorCircleGeometry& g = geometry;
    if (g.diameter == 0)
        return;
    updateImage();
    if (bitmap)
        drawBitmap(bitmap.get(), g.left, g.top, g.left + g.diameter, g.top + g.diameter, 1.0f);
    const float cx = g.left + g.diameter * 0.5f, cy = g.top + g.diameter * 0.5f;
    Platform::Draw::Brush* hover = Control::brushOf(*this, Brushes::AnchorHover);
    if (hoverPart == Ring) {
        Paint::circle(*this, cx, cy, g.diameter / 2.0f, hover, 1.5f);
        Paint::circle(*this, cx, cy, (g.diameter - 2 * g.thickness) / 2.0f, hover, 1.5f);
    } else if (hoverPart == Square) {
        const float half = g.side / 2.0f + 0.5f;
        Paint::frame(*this, cx - half, cy - half, cx + half, cy + half, hover, 1.2f);
    }
    // The hue marker across the middle of the ring band.
    const double theta = (owner.hue - owner.colorCircleAngle / 360.0) * 2.0 * Pi;
    const float s = float(std::sin(theta)), c = float(-std::cos(theta));
    const float mid = (g.diameter - g.thickness) / 2.0f, half = (g.thickness - 2) / 2.0f;
    const float mx = cx + mid * s, my = cy + mid * c;
    const float ax = s * half, ay = c * half, bx = -c * 1.5f, by = s * 1.5f; // along and across the radius
    Platform::Draw::Brush* anchor = Control::brushOf(*this, Brushes::Anchor);
    const float px[4] = {mx - ax - bx, mx + ax - bx, mx + ax + bx, mx - ax + bx};
    const float py[4] = {my - ay - by, my + ay - by, my + ay + by, my - ay + by};
    for (int i = 0; i < 4; ++i)
        Paint::line(*this, px[i], py[i], px[(i + 1) % 4], py[(i + 1) % 4], anchor, 2.0f);
    const float sx = cx + (owner.saturation - 0.5f) * g.side, sy = cy + (0.5f - owner.value) * g.side;
    Paint::circle(*this, sx, sy, 3.5f, Control::brushOf(*this, Brushes::AnchorEdge), 4.0f);
    Paint::circle(*this, sx, sy, 3.5f, anchor, 2.0f);
}

// ---- the numeric inputs ----

EffectColorInputBase::EffectColorInputBase(EffectColorSettingComponent& o, Window::ControlContainer& container,
                                           const wchar_t* const labels[3])
    : WindowControlRenderTarget(container, 0, 0, 1, 1), owner(o), rowHeight(layoutRow()),
      label0(*this, 0, 0, rowHeight, rowHeight, labels[0], 1),
      label1(*this, 0, rowHeight + 2, rowHeight, rowHeight, labels[1], 1),
      label2(*this, 0, 2 * (rowHeight + 2), rowHeight, rowHeight, labels[2], 1),
      slider0(*this, rowHeight, 0, rowHeight), slider1(*this, rowHeight, rowHeight + 2, rowHeight),
      slider2(*this, rowHeight, 2 * (rowHeight + 2), rowHeight), sliders{&slider0, &slider1, &slider2}
{
    auto group = std::make_shared<Control::FocusGroupArray>();
    for (Control::SliderInputControl* slider : sliders) {
        slider->buttonsForced = true;
        slider->edit.setGroup(group);
        slider->onChangeBegin = [this](Control::SliderInputControl&) { owner.beginGesture(); };
        slider->onChangeEnd = [this](Control::SliderInputControl&) { owner.endGesture(); };
    }
}

EffectColorInputBase::~EffectColorInputBase() = default;

void EffectColorInputBase::updateValues()
{
    const SettingComponent* setting = SettingComponent::Get();
    for (Control::SliderInputControl* slider : sliders) {
        slider->hidePointer = setting && setting->options.slideMouseHidden != 0;
        slider->showCursor = !setting || setting->options.sliderCursorHidden == 0;
    }
}

void EffectColorInputBase::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::Grouping));
    for (Window::WindowControl* c : std::initializer_list<Window::WindowControl*>{&label0, &label1, &label2, &slider0,
                                                                                 &slider1, &slider2})
        c->procPaint();
}

void EffectColorInputBase::procMove()
{
    for (Window::WindowControl* c : std::initializer_list<Window::WindowControl*>{&label0, &label1, &label2, &slider0,
                                                                                 &slider1, &slider2}) {
        c->updateRect();
        c->procMove();
    }
}

namespace {
const wchar_t* const RgbLabels[3] = {L"R", L"G", L"B"};
const wchar_t* const HsvLabels[3] = {L"H", L"S", L"V"};
} // namespace

EffectColorInputRGBControl::EffectColorInputRGBControl(EffectColorSettingComponent& o, Window::ControlContainer& c)
    : EffectColorInputBase(o, c, RgbLabels)
{
    for (int k = 0; k < 3; ++k) {
        sliders[k]->setRange(0, 0, 255, 1);
        sliders[k]->onChange = [this, k](Control::SliderInputControl& slider) {
            ColorF next = owner.color;
            float* channel[3] = {&next.r, &next.g, &next.b};
            *channel[k] = float(std::trunc(slider.getValue())) / 255.0f;
            owner.setColor(next);
            owner.applyColor();
        };
    }
    updateValues();
}

void EffectColorInputRGBControl::updateValues()
{
    const ColorBytes bytes = colorToBytes(owner.color.r, owner.color.g, owner.color.b);
    slider0.setValue(bytes.r);
    slider1.setValue(bytes.g);
    slider2.setValue(bytes.b);
    EffectColorInputBase::updateValues();
}

EffectColorInputHSVControl::EffectColorInputHSVControl(EffectColorSettingComponent& o, Window::ControlContainer& c)
    : EffectColorInputBase(o, c, HsvLabels)
{
    const double scale[3] = {360.0, 100.0, 100.0};
    for (int k = 0; k < 3; ++k) {
        sliders[k]->setRange(0, 0, scale[k], 0.1);
        sliders[k]->onChange = [this, k, s = scale[k]](Control::SliderInputControl& slider) {
            float* stored[3] = {&owner.hue, &owner.saturation, &owner.value};
            *stored[k] = float(std::clamp(slider.getValue() / s, 0.0, 1.0));
            owner.color = hsvToRgb(owner.hue, owner.saturation, owner.value);
            owner.color.a = 1.0f;
            owner.applyColor();
        };
    }
    updateValues();
}

void EffectColorInputHSVControl::updateValues()
{
    slider0.setValue(owner.hue * 360.0);
    slider1.setValue(owner.saturation * 100.0);
    slider2.setValue(owner.value * 100.0);
    EffectColorInputBase::updateValues();
}

} // namespace Component
