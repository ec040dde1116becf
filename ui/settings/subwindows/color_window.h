#pragma once
// The colour window ("色設定", "Window.setting.color"): one colour parameter
// of one effect of one object, edited through a preview of the current and
// the previous colour, R/G/B and H/S/V sliders and a hue ring with its
// saturation/value square. Every change is written into the parameter at
// once, inside an edit transaction with undo. While shown it follows the
// focus object's top effect; the colour control points it at any colour
// parameter with setTarget. Main thread only.
#include "core/color.h"
#include "core/config.h"
#include "project/edit/undo_items.h"
#include "ui/settings/subwindows/color_wheel.h"
#include "ui/settings/subwindows/effect_item_target.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/window_client.h"

namespace Effect { class EffectItem; }

namespace Component {

class EffectColorSettingComponent;

class EffectColorPreviewControl : public Window::WindowControlRenderTarget {
public:
    EffectColorPreviewControl(EffectColorSettingComponent& owner, Window::ControlContainer& container);
    void procMove() override;
    void procPaint() override;
    void procMouseMove(int x, int y) override;
    void procMouseLeave() override;
    void procLButtonDown(int x, int y) override;

    EffectColorSettingComponent& owner;
    int cornerX = 0, cornerY = 0;
    bool hover = false;
};

class EffectColorSettingHeader : public Window::WindowControlRenderTarget {
public:
    EffectColorSettingHeader(EffectColorSettingComponent& owner, Window::ControlContainer& container, int height);
    void procPaint() override;
    void procMove() override;
    void procMouseEnter() override;
    void procMouseLeave() override;
    void procLButtonDown(int x, int y) override;
    void procPickColor(const uint8_t* rgb) override;
    // The title in Text (active) or TextDisable.
    void setTitle(const std::wstring& text, bool active);

    EffectColorSettingComponent& owner;
    Window::ControlContainer children;
    Control::BitmapButtonControl icon;
    Control::TextControl title;
    Control::LayoutControl buttonBox;
    Control::BitmapButtonControl pick;
    Control::BitmapButtonControl palette;
    Control::IconButtonControl close;
};

class EffectColorSettingComponent : public Window::WindowClientRenderTarget {
public:
    EffectColorSettingComponent();
    ~EffectColorSettingComponent() override;
    static EffectColorSettingComponent* Get();

    // Edits the item of the source's object (nothing when no effect of it holds
    // the item); shows the window when it is hidden.
    void setTarget(const EffectItemTarget& source, Effect::EffectItem* item);
    // The target's colour into the window (after an edit or an undo).
    void updateColor();
    // Changes the colour unless its bytes are those shown; hue and saturation
    // are kept where the colour cannot tell them (grey, black).
    void setColor(const ColorF& c);
    // Writes the colour into the target: one transaction, and one undo step
    // unless a gesture holds one open.
    void applyColor();
    // Retargets to the object's top effect's first colour parameter, or drops the target.
    void followObject(const std::shared_ptr<Edit::Object>& object);
    void updateHeader();
    // Repaints the preview, the ring and both inputs.
    void redrawControls();
    void refreshInputs();
    void showTargetMenu();
    // The preview's corner clicked: current and previous colours trade places.
    void swapPreview();
    // A picked screen pixel (null: cancelled).
    void pickColor(const uint8_t* rgb);
    void showBaseAngleDialog();
    // A drag or slider gesture: opens and commits one undo step (with a target).
    void beginGesture();
    void endGesture();

    void procPaint() override;
    void procMove() override;
    void procWindowMenu(Window::BaseMenu& menu) override;

    // The record undo stores and restores: [0] the colour, [1] the previous colour.
    std::shared_ptr<ColorSetting> colors;
    EffectItemTarget target;
    ColorF color{0, 0, 0, 1};
    ColorF previousColor{0, 0, 0, 1};
    ColorF copiedColor{0, 0, 0, 1};
    float hue = 0, saturation = 0, value = 0;
    int colorCircleAngle = 60;
    std::wstring selectPalette;
    int margin;
    int rowHeight;

private:
    System::Config::Section options_{"Window.setting.color"};
    System::Config::Int angleParameter_{options_, "ColorCircleAngle", &colorCircleAngle, 60};
    System::Config::String paletteParameter_{options_, "SelectPalette", &selectPalette, L""};
    System::Config::SectionSaver saver_{&options_};
    bool gestureOpen_ = false;

public:
    Window::ControlContainer container;
    EffectColorSettingHeader header;
    Control::RectControl strip;
    EffectColorPreviewControl preview;
    EffectColorInputRGBControl rgb;
    EffectColorCircleControl circle;
    EffectColorInputHSVControl hsv;

private:
    // The window's two colours into the shared record.
    void storeRecord();
};

} // namespace Component
