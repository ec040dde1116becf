#pragma once
// An effect panel of the settings window: a header row with the fold
// button, the effect's name and its toggles (enable, lock, camera,
// clipping, change), then one control per item. An input and the output
// behind it share one panel, the output's items first. A filter panel next
// to another filter is dragged to reorder the chain (one undo step a drag);
// files dropped on a panel go to its file control. Main thread only.
#include "effect/item_control.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/edit_control.h"
#include "ui/window/controls/list_controls.h"

#include <memory>
#include <vector>

namespace Effect { class EffectBase; }

namespace Component {

class EffectSetting;
class SettingComponent;

// The one highlighted panel of the window.
class EffectSettingSelect {
public:
    // Clears the highlighted panel and repaints it.
    static void clearSelection();
    static const Effect::EffectBase* selectedEffect;
    bool selected = false;
};

class EffectSettingHeader : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    EffectSettingHeader(EffectSetting& panel, Window::WindowControl& row);
    // Presses and drags of the header are the panel's.
    void procLButtonDown(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procRelease() override;
    void procMouseEnter() override;
    void procMouseLeave() override;
    void procPaint() override;
    void procMove() override;
    // Places a toggle as the next from the right and moves the name's end left of it.
    void placeToggle(Window::WindowControl& toggle);
    Platform::Draw::Brush* backgroundBrush();

    EffectSetting& panel;
    int buttonSize;
    int togglesPlaced = 0;
    Window::ControlContainer container;
    Control::LayoutControl layout;
    Control::IconButtonControl fold;
    Control::TextControl name;
    Control::LayoutControl toggleRow;
    std::unique_ptr<Control::CheckButtonControl> enableCheck;
    std::unique_ptr<Control::CheckBitmapButtonControl> lockToggle, cameraToggle, clippingToggle;
    std::unique_ptr<Control::BitmapButtonControl> changeButton;
};

class EffectSetting : public Window::WindowControlRenderTarget, public EffectSettingSelect, public ItemControlPanel {
public:
    EffectSetting(SettingComponent& setting, Window::ControlContainer& container,
                  std::shared_ptr<Effect::EffectBase> effect);
    // The shared panel of an input and its output.
    EffectSetting(SettingComponent& setting, Window::ControlContainer& container,
                  std::shared_ptr<Effect::EffectBase> input, std::shared_ptr<Effect::EffectBase> output);
    ~EffectSetting() override;

    void createHeader();
    void createItemControls();
    void addItemControl(const std::shared_ptr<Effect::EffectBase>& owner, Effect::EffectItem& item);
    EffectItemBaseControl* findItemControl(const Effect::EffectItem* item) override;
    bool displayPositionByFrame() const override;
    // The first control of a file or figure item, or null.
    EffectItemBaseControl* findFileControl();
    // The enable check and lock toggle show the effect's states again, every control its value.
    void updateValues();
    // Whether the filter has a filter right before or after it.
    bool canMove() const;
    // One reorder step of a drag (y from the top of the panel's visible part).
    void movePanelUp(int y);
    void movePanelDown(int y);
    void toggleFold();
    // The first panel of the window is the object's own.
    bool isFirstPanel() const;
    // The panel showing the effect (as its own or its output), or null.
    static EffectSetting* findPanel(const Effect::EffectBase* effect);

    void procMouseDrag(int x, int y) override;
    void procLButtonDown(int x, int y) override;
    void procRelease() override;
    void procContextMenu(int x, int y) override;
    bool procDragOver(int x, int y, Window::DropInfo& info) override;
    bool procDrop(int x, int y, Window::DropInfo& info) override;
    void procPaint() override;
    void procMove() override;

    // ---- the effect menu ----
    void cutEffect();
    void copyEffect();
    void pasteEffect();
    void cutAfterEffect();
    void copyAfterEffect();
    void setDefaultSetting();

    SettingComponent& setting;
    bool dragUndo = false;
    std::shared_ptr<Effect::EffectBase> effect;
    std::shared_ptr<Effect::EffectBase> outputEffect;
    Window::ControlContainer container;
    Control::LayoutControl headerRow;
    Control::RectControl band;
    EffectSettingHeader header;
    std::vector<std::shared_ptr<EffectItemBaseControl>> itemControls;

    // The Tab group the controls being built join (set while a panel builds).
    static std::shared_ptr<Control::FocusGroupArray> buildingGroup;

private:
    void build();
    bool acceptsDrop(Window::DropInfo& info, EffectItemBaseControl*& control);
    void movePanel(int direction);
};

} // namespace Component
