#include "ui/window/controls/slider_input_control.h"

#include "platform/ui/application.h"
#include "platform/ui/message.h"
#include "platform/ui/surface.h"
#include "ui/window/color_brush_list.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>

namespace Control {

using Brushes = Window::ColorBrushList;
namespace Key = Platform::Ui::Key;

std::function<SliderSettings()> SliderInputControl::readSettings;

namespace {
int roundAway(double v)
{
    return int(std::lround(v));
}

SliderSettings currentSettings()
{
    return SliderInputControl::readSettings ? SliderInputControl::readSettings() : SliderSettings{};
}

Window::WindowMouseService* router()
{
    return Window::WindowMouseService::Get();
}

// The least d (at most 6) with the denominator dividing 10^d.
int decimalsFor(int denominator)
{
    int64_t power = 1;
    for (int d = 0; d <= 6; ++d, power *= 10)
        if (denominator > 0 && power % denominator == 0)
            return d;
    return 6;
}
} // namespace

SliderInputControl::SliderInputControl(Window::WindowControl& parent, int x, int y, int height)
    : WindowControlRenderTarget(parent, x, y, 0, height),
      textFormat(textFormatList->get(Resource::TextFormatList::EditControl)),
      container(0, 0, priority + 1, &visibleRect, &rect), decrement(container, &Icons::Minus),
      increment(container, &Icons::Plus), face(*this), edit(*this)
{
    editWidth = Resource::TextLayout::getSize(*textFormat, L"-999999.000");
    decrement.onPress = increment.onPress = [this](RepeatClickButtonControl&) { beginGesture(); };
    decrement.onRelease = increment.onRelease = [this](RepeatClickButtonControl&) { endGesture(); };
    decrement.onClick = [this](ButtonControl&) { applyValue(int64_t(value) - 1); };
    increment.onClick = [this](ButtonControl&) { applyValue(int64_t(value) + 1); };
}

SliderInputControl::~SliderInputControl() = default;

void SliderInputControl::beginGesture()
{
    if (changing)
        return;
    changing = true;
    if (onChangeBegin)
        onChangeBegin(*this);
}

void SliderInputControl::endGesture()
{
    if (!changing)
        return;
    changing = false;
    if (onChangeEnd)
        onChangeEnd(*this);
}

void SliderInputControl::setRange(double def, double min, double max, double step)
{
    const double shownDefault = def;
    if (transformed) {
        def = toSliderValue(def, false);
        min = toSliderValue(min, false);
        max = toSliderValue(max, true);
        step = transformedStep;
    }
    if (!(step > 0))
        step = 1;
    defaultValue = roundAway(def / step);
    minValue = roundAway(min / step);
    maxValue = roundAway(max / step);
    denominator = std::max(1, roundAway(1.0 / step));
    decimals = decimalsFor(denominator);
    setValue(shownDefault);
    updateDragRates();
}

std::wstring SliderInputControl::formatSteps(int steps) const
{
    // The shown number is steps / denominator at `decimals` digits; for a
    // step that is no power of ten it is scaled first (0.5: 3 steps show 1.5).
    int64_t power = 1;
    for (int d = 0; d < decimals; ++d)
        power *= 10;
    const int64_t scaled = power % denominator == 0 ? int64_t(steps) * (power / denominator)
                                                    : std::llround(double(steps) * double(power) / denominator);
    std::wstring digits = std::to_wstring(scaled < 0 ? -scaled : scaled);
    if (int(digits.size()) < decimals + 1)
        digits.insert(0, size_t(decimals + 1 - int(digits.size())), L'0');
    if (decimals > 0)
        digits.insert(digits.size() - size_t(decimals), 1, L'.');
    if (scaled < 0)
        digits.insert(0, 1, L'-');
    return digits;
}

void SliderInputControl::updateText()
{
    text = value == 0 && !zeroText.empty() ? std::wstring() : formatSteps(value);
}

void SliderInputControl::showText()
{
    edit.text = text;
    edit.updateTextLayout();
    edit.updateScroll();
}

void SliderInputControl::setValue(double v)
{
    if (transformed)
        v = toSliderValue(v, endMark && !startMark);
    const double scaled = std::clamp(double(denominator) * v, double(INT_MIN), double(INT_MAX));
    const int steps = std::clamp(std::isfinite(scaled) ? roundAway(scaled) : 0, minValue, std::max(minValue, maxValue));
    if (steps == value)
        return;
    value = steps;
    updateText();
    showText();
}

double SliderInputControl::getValue() const
{
    const double v = double(value) / denominator;
    return transformed ? fromSliderValue(v, endMark && !startMark) : v;
}

void SliderInputControl::applyValue(int64_t v)
{
    const int held = int(std::clamp<int64_t>(v, minValue, std::max(minValue, maxValue)));
    if (held == value)
        return;
    value = held;
    updateText();
    showText();
    edit.procPaint();
    face.procPaint();
    if (onChange)
        onChange(*this);
}

void SliderInputControl::parseText(const std::wstring& t, int offset)
{
    beginGesture();
    errno = 0;
    const wchar_t* begin = t.c_str();
    wchar_t* end = nullptr;
    const double number = std::wcstod(begin, &end);
    const bool failed = end == begin || errno == ERANGE || !std::isfinite(number);
    if (failed) {
        if (!t.empty())
            return; // not a number: ignored while typing
        const int held = std::clamp(defaultValue, minValue, std::max(minValue, maxValue));
        if (held != value) {
            value = held;
            updateText();
            if (onChange)
                onChange(*this);
        }
        return;
    }
    const double scaled = std::clamp(number * denominator, double(INT_MIN), double(INT_MAX));
    const int held = int(std::clamp<int64_t>(int64_t(std::llround(scaled)) + offset, minValue,
                                             std::max(minValue, maxValue)));
    if (held != value) {
        value = held;
        updateText();
        if (onChange)
            onChange(*this);
    }
}

void SliderInputControl::setEditMode(bool on)
{
    endGesture();
    edit.swapIn(on, text);
    if (Window::WindowMouseService* r = router(); on && r) {
        // Numbers are typed without the input method.
        r->ime.imeEnabled = false;
        if (r->window)
            r->window->setImeEnabled(false);
    }
}

void SliderInputControl::updateDragRates()
{
    const SliderSettings s = currentSettings();
    double range = double(maxValue) - minValue, divisor = 1;
    if (s.moveMode == 1) {
        divisor = std::max(1, Platform::Ui::queryMachineFacts().screenWidth);
    } else if (s.moveMode == 0) {
        range = denominator;
        divisor = 1;
    } else {
        divisor = std::max(1, visibleRect.width);
    }
    stepsPerPixel = float(std::max(0.05, std::min(double(denominator) * 10, range / divisor) * (s.moveRatio / 100.0)));
    auto next = [](int h) { return h % 2 == 0 ? h / 2 : (2 * h) / 5; };
    snapUnit = denominator;
    while (stepsPerPixel < float(snapUnit) && snapUnit >= 2)
        snapUnit = next(snapUnit);
    fineUnit = denominator;
    while (stepsPerPixel < 10.0f * float(fineUnit) && fineUnit >= 2)
        fineUnit = next(fineUnit);
}

void SliderInputControl::procMove()
{
    const int b = rect.height / 2;
    auto place = [](Window::WindowControl& c, int x, int y, int w, int h) {
        c.placeX = x, c.placeY = y, c.placeWidth = w, c.placeHeight = h;
    };
    if (!buttonsHidden && (buttonsForced || rect.width >= editWidth + 2 * b)) {
        decrement.visible = increment.visible = true;
        place(decrement, 0, 0, b, 0);
        place(increment, -b, 0, 0, 0);
        place(face, b, 0, -b, 0);
        place(edit, b, 0, -b, 0);
    } else {
        decrement.visible = increment.visible = false;
        place(face, 0, 0, 0, 0);
        place(edit, 0, 0, 0, 0);
    }
    container.updateLayout();
    updateDragRates();
}

void SliderInputControl::procPaint()
{
    if (decrement.visible)
        decrement.procPaint();
    if (increment.visible)
        increment.procPaint();
    face.procPaint();
    edit.procPaint();
}

// ---- the face ----

SliderInputControl::SliderButton::SliderButton(SliderInputControl& o) : ButtonControl(o.container, 0, 0, 0, 0), owner(o)
{
}

bool SliderInputControl::SliderButton::checkModifiers()
{
    const bool shift = Window::WindowMouseService::isKeyDown(Key::Shift);
    const bool fine = shift;
    const bool direct = currentSettings().directMove ? !shift : Window::WindowMouseService::isKeyDown(Key::Menu);
    const bool changed = fine != fineDrag || direct != directDrag;
    fineDrag = fine;
    directDrag = direct;
    return changed;
}

void SliderInputControl::SliderButton::applyDirect(int pointerX)
{
    // In 64 bits: a wide range times the pointer's distance overflows 32.
    const int64_t range = int64_t(owner.maxValue) - owner.minValue;
    owner.applyValue(owner.minValue + (int64_t(pointerX) - rect.x) * range / std::max(1, rect.width));
}

void SliderInputControl::SliderButton::procLButtonDown(int x, int y)
{
    owner.beginGesture();
    Window::WindowMouseService* r = router();
    if (r)
        r->beginDrag(x, y, owner.hidePointer ? &Window::Cursors::Hidden : &Window::Cursors::Custom130);
    valueAtPress = owner.value;
    checkModifiers();
    if (directDrag)
        applyDirect(rect.x + x);
    procPaint();
}

void SliderInputControl::SliderButton::procMouseDrag(int dx, int dy)
{
    Window::WindowMouseService* r = router();
    if (checkModifiers()) {
        // Continue from the current value at the new rate.
        if (r) {
            r->dragOriginX += dx;
            r->dragOriginY += dy;
        }
        valueAtPress = owner.value;
        dx = 0;
    }
    if (directDrag) {
        applyDirect((r ? r->dragOriginX : rect.x) + dx);
    } else if (fineDrag) {
        owner.applyValue(int64_t(valueAtPress) + int64_t(dx) * owner.fineUnit);
    } else {
        const int64_t n = std::llround(double(dx) * owner.stepsPerPixel);
        owner.applyValue(int64_t(valueAtPress) + n - n % owner.snapUnit);
    }
}

void SliderInputControl::SliderButton::procMouseMove(int, int)
{
    if (!currentSettings().directMove)
        if (Window::WindowMouseService* r = router())
            r->setCursor(&Window::Cursors::Custom129);
}

bool SliderInputControl::SliderButton::procDragKey(int key)
{
    if (key == Key::Left) {
        owner.applyValue(int64_t(owner.value) - 1);
        --valueAtPress;
        return true;
    }
    if (key == Key::Right) {
        owner.applyValue(int64_t(owner.value) + 1);
        ++valueAtPress;
        return true;
    }
    return false;
}

void SliderInputControl::SliderButton::procLButtonUp(int, int)
{
    Window::WindowMouseService* r = router();
    if (r && !r->dragMoved && (!directDrag || r->doubleClick))
        owner.setEditMode(true);
}

void SliderInputControl::SliderButton::procRelease()
{
    owner.endGesture();
    procPaint();
}

void SliderInputControl::SliderButton::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = rect.width, H = rect.height;
    if (!owner.enabled || !enabled) {
        fillRect(0, 0, W, H, brushOf(*this, Brushes::Grouping));
        return;
    }
    const std::wstring& shown = owner.value == 0 && !owner.zeroText.empty() ? owner.zeroText : owner.text;
    if (!pressed && !hovered) {
        fillRect(0, 0, W, H, brushOf(*this, Brushes::ButtonBody));
        if (W > 8) {
            Platform::Draw::Brush* border = brushOf(*this, Brushes::Border);
            if (owner.startMark) {
                fillRect(0, 0, 2, H, border);
                fillRect(3, 0, 4, H, border);
            }
            if (owner.endMark) {
                fillRect(W - 4, 0, W - 3, H, border);
                fillRect(W - 2, 0, W, H, border);
            }
        }
    } else {
        fillRect(0, 0, W, H, brushOf(*this, pressed ? Brushes::ButtonBodySelect : Brushes::ButtonBodyHover));
        if (owner.showCursor && owner.minValue < owner.maxValue && W > 8) {
            const int x = roundAway(double(int64_t(owner.value) - owner.minValue) * (W - 4) /
                                    (double(owner.maxValue) - owner.minValue));
            fillRect(x, 0, x + 4, H, brushOf(*this, Brushes::SliderCursor));
        }
    }
    const TextSize size = shownText.layout(*owner.textFormat, shown);
    shownText.draw(*this, (W - size.width) / 2, (H - size.height) / 2, brushOf(*this, Brushes::Text));
}

// ---- the field ----

SliderInputControl::SliderEdit::SliderEdit(SliderInputControl& o)
    : FieldEdit(o.container, o, o.face, o.textFormat), slider(o)
{
    acceptWheel = true;
    charFilter = L"[0-9+-.]";
    onChange = [this](EditControl&) { slider.parseText(text, 0); };
    setEditMode = [this](bool on) { slider.setEditMode(on); };
}

void SliderInputControl::SliderEdit::procMouseWheel(int, int, int delta)
{
    slider.parseText(text, delta <= 0 ? 1 : -1);
    text = slider.text;
    caret = std::min(caret, int(text.size()));
    updateTextLayout();
    updateScroll();
    procPaint();
}

} // namespace Control
