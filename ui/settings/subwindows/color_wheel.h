#pragma once
// The colour window's hue ring with its saturation/value square, and its two
// blocks of numeric inputs (R/G/B and H/S/V). All of them read the window's
// colour and stored hue, saturation and value and write through it, so every
// change reaches the target parameter at once. A drag or a slider gesture
// is one undo step. Main thread only.
#include "core/color.h"
#include "media/image_buffer.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/controls/slider_input_control.h"

#include <memory>

namespace Platform::Draw { class Bitmap; }

namespace Component {

class EffectColorSettingComponent;

// Where the ring and its square sit in a control of w x h pixels: diameter D,
// ring thickness T, square side S, the square's offset inside the ring's box
// and the box's corner. D is 0 (nothing drawn, nothing hit) when the square
// would be narrower than 2 pixels.
struct ColorCircleGeometry {
    int diameter = 0, thickness = 0, side = 0, squareOffset = 0, left = 0, top = 0;
};
ColorCircleGeometry colorCircleGeometry(int width, int height);

// Draws the ring (hue rotated by baseAngle degrees, edges faded over one
// pixel) and the square of the hue into a D x D 8-bit RGBA premultiplied image.
void buildColorCircleImage(Media::ImageBuffer& image, const ColorCircleGeometry& geometry, float hue, int baseAngle);

class EffectColorCircleControl : public Window::WindowControlRenderTarget {
public:
    enum Part { None = 0, Ring = 1, Square = 2 };

    EffectColorCircleControl(EffectColorSettingComponent& owner, Window::ControlContainer& container);
    ~EffectColorCircleControl() override;

    // Which part a control point is over (None with no ring).
    int hitTest(int x, int y) const;
    // Applies a pointer position of a drag on the given part.
    void dragTo(int part, int x, int y);
    // Rebuilds the image when its size or the hue changed.
    void updateImage();

    void procMouseMove(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procKeyRelease() override;
    void procRelease() override;
    void procLButtonDown(int x, int y) override;
    void procMouseLeave() override;
    void procPaint() override;
    void procMove() override;

    EffectColorSettingComponent& owner;
    std::shared_ptr<Media::ImageBuffer> image;
    std::unique_ptr<Platform::Draw::Bitmap> bitmap; // the image as the target draws it
    float cachedHue = -1.0f;                         // -1 forces a rebuild
    ColorCircleGeometry geometry;
    int dragMode = None;
    int hoverPart = None;

private:
    void endDrag();
    int lastX_ = 0, lastY_ = 0;
};

// Three labelled sliders.
class EffectColorInputBase : public Window::WindowControlRenderTarget {
public:
    EffectColorInputBase(EffectColorSettingComponent& owner, Window::ControlContainer& container,
                         const wchar_t* const labels[3]);
    ~EffectColorInputBase() override;

    // The sliders show the window's state again (no callbacks) and take the slider options.
    virtual void updateValues();
    void procPaint() override;
    void procMove() override;

    EffectColorSettingComponent& owner;
    int rowHeight;
    Control::TextControl label0, label1, label2;
    Control::SliderInputControl slider0, slider1, slider2;
    Control::SliderInputControl* sliders[3];
};

class EffectColorInputRGBControl : public EffectColorInputBase {
public:
    EffectColorInputRGBControl(EffectColorSettingComponent& owner, Window::ControlContainer& container);
    void updateValues() override;
};

class EffectColorInputHSVControl : public EffectColorInputBase {
public:
    EffectColorInputHSVControl(EffectColorSettingComponent& owner, Window::ControlContainer& container);
    void updateValues() override;
};

} // namespace Component
