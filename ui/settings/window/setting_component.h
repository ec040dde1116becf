#pragma once
// The object settings window ("オブジェクト設定", "Window.setting"): the focus
// object's effect chain as a scrolling stack of effect panels under a fixed
// header with the section gauge. It keeps the section of the object the
// controls show (the section view mode decides how), the options of section
// "Setting" of the main ini, and the effect clipboard of the panels' menu.
// Edits refresh it at the end of their transaction; the cursor, focus,
// edit and scene lists keep it current. Main thread only.
#include "core/config.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/window_client.h"

#include <memory>
#include <vector>

namespace Edit { class Object; }
namespace Effect { class EffectBase; }
namespace Window { class BaseMenu; }

namespace Component {

class EffectSetting;
class SettingHeader;

// The window's options, section "Setting" of the main ini.
struct SettingOptions {
    int sectionViewMode = 2; // 0 no sections, 1 only for two values, 2 the section's start and end
    int slideMouseHidden = 0;
    int sliderButtonHidden = 0;
    int sliderCursorHidden = 0;
    int sliderMoveMode = 1;
    int sliderMoveRatio = 100;
    int displayPositionByFrame = 0; // media play positions show as frame numbers
    int sliderDirectMove = 0;
};

class SettingComponent : public Window::WindowClientRenderTarget {
public:
    // Reads "Setting" from the main ini and registers the window's listeners.
    SettingComponent();
    // Stores "Setting" back.
    ~SettingComponent() override;
    SettingComponent(const SettingComponent&) = delete;
    SettingComponent& operator=(const SettingComponent&) = delete;

    // The running window, or null.
    static SettingComponent* Get();

    // Shows the object (null: nothing); nothing when it is shown already.
    void setTarget(const std::shared_ptr<Edit::Object>& object);
    // The end of an edit with its target object (empty: any).
    void updateEdit(const std::shared_ptr<Edit::Object>& target);
    void updateCursorFrame(int frame);
    // Shows the section holding a frame other than the cursor's.
    void showSectionAtFrame(int frame);
    void rebuildPanels();
    void layoutPanels();
    // The section state at a frame of the shown object.
    void updateSection(int frame);
    // Every control of every panel follows the section.
    void updateFrame();
    void setScrollPosition(int position);
    void scrollTo(int position);
    // After an option changed: section, panels, layout and paint again.
    void fullRefresh();
    // The end of a transaction: updateSettingValue / updateSettingList / updateSettingSection.
    void updateValues();
    void clearPanels();
    void resetSection() { sectionCount = 0; }
    // The option sub-menu "オプション".
    void insertOptionMenu(Window::BaseMenu& menu);
    // Asks for the slider settings (SliderMoveMode, SliderMoveRatio).
    void showSliderSettingDialog();
    // Paints the panels (and the header unless withoutHeader).
    void paintAll(bool withHeader);

    void procMouseDrag(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override { return true; }
    void procPaint() override;
    void procMove() override;
    void procWindowMenu(Window::BaseMenu& menu) override;

    int currentSection = 0;
    int currentPoint = 0;
    int sectionCount = 0;
    SettingOptions options;
    std::vector<std::shared_ptr<Effect::EffectBase>> effectClipboard;
    std::shared_ptr<Edit::Object> object; // the shown object
    int totalHeight = 0;
    int headerHeight;
    int scrollPosition = 0;
    int scrollAtPress = 0;
    Window::ControlContainer container;
    Control::LayoutControl panelArea;
    std::unique_ptr<SettingHeader> header;
    Control::ScrollBarControl scrollBar;
    Window::ControlContainer panelContainer;
    std::vector<std::unique_ptr<EffectSetting>> panelList;

private:
    SettingComponent* previous_ = nullptr; // the window a second one (a test's) stands in front of
    System::Config::Section section_{"Setting"};
    System::Config::Int sectionViewMode_{section_, "SectionViewMode", &options.sectionViewMode, 2};
    System::Config::Int slideMouseHidden_{section_, "SlideMouseHidden", &options.slideMouseHidden, 0};
    System::Config::Int sliderButtonHidden_{section_, "SliderButtonHidden", &options.sliderButtonHidden, 0};
    System::Config::Int sliderCursorHidden_{section_, "SliderCursorHidden", &options.sliderCursorHidden, 0};
    System::Config::Int sliderMoveMode_{section_, "SliderMoveMode", &options.sliderMoveMode, 1};
    System::Config::Int sliderMoveRatio_{section_, "SliderMoveRatio", &options.sliderMoveRatio, 100};
    System::Config::Int displayPositionByFrame_{section_, "DisplayPositionByFrame", &options.displayPositionByFrame, 0};
    System::Config::Int sliderDirectMove_{section_, "SliderDirectMove", &options.sliderDirectMove, 0};
    System::Config::SectionSaver saver_{&section_};
};

} // namespace Component
