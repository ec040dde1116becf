#pragma once
// The timeline window ("レイヤー編集", panel "Window.edit"): the scene
// button, time gauge, layer header, object view, zoom gauge and the two
// scroll bars, the timeline's seven settings (section "Edit"), and the view
// state every other part moves (TimelineViewState over the current scene).
// It is the editing commands' timeline host while it lives. Main thread only.
#include "core/config.h"
#include "core/service.h"
#include "project/edit/edit_host.h"
#include "ui/editor/timeline/timeline_settings.h"
#include "ui/editor/timeline/timeline_view_state.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/controls/scroll_bar_control.h"
#include "ui/window/window_client.h"

#include <memory>

namespace Component {

class EditLayerHeaderControl;
class EditLayerObjectControl;
class TimeGaugeControl;

class EditComponent : public System::Singleton<EditComponent>,
                      public Window::WindowClientRenderTarget,
                      public Edit::TimelineHost {
public:
    // The corner button naming the current scene: click lists the scenes, the
    // context menu holds the scene commands.
    class SceneButtonControl : public Control::TextButtonControl {
    public:
        SceneButtonControl(Window::WindowControl& parent, EditComponent& owner);
        void procContextMenu(int x, int y) override;
        void procMouseHover() override;
        EditComponent& owner;
    };

    // Needs the window, edit and event services. A missing or malformed
    // TimeGaugeHeight, LayerHeaderWidth or LayerHeight fails construction.
    EditComponent();
    ~EditComponent() override;

    // ---- the commands' timeline host ----
    TimelineView getTimelineView() override;
    void setFrameSelection(int start, int end) override;

    // ---- view state (see TimelineViewState) ----
    void setFrameZoom(Edit::FrameZoom zoom, int anchor);
    void updateView(int layer);
    void setDisplayPosition(int layer, int frame, int cursor);
    void setCursorFrameAt(int x);
    void resetScene();
    void onCursorFrameChanged(int frame);
    void onPlaybackFrame(int taskType, int frame);
    void onPlayStateChanged(bool playing);
    // Before the header or object view paints: every row that can be scrolled to exists.
    void ensureLayerRange();

    // ---- panel ----
    void procPaint() override;
    void procMove() override;
    // The option items of the timeline, then the panel's window items.
    void procWindowMenu(Window::BaseMenu& menu) override;
    // Shows the scene list as a popup menu (the scene button's click).
    void showSceneMenu();
    // Opens the BPM grid dialog for the current scene.
    void showGridTempDialog();

    // The pointer moved over the object view (window pixels), for paste at the mouse.
    void mouseMove(int x, int y);

    TimelineSettings settings;
    TimelineViewState view;
    int textOffsetHeader = 0; // y of the header's texts in a row
    int textOffsetObject = 0; // y of the object view's texts in a row

    Window::ControlContainer container;
    Control::RectControl corner;
    SceneButtonControl sceneButton;
    std::unique_ptr<TimeGaugeControl> timeGauge;
    std::unique_ptr<EditLayerHeaderControl> layerHeader;
    std::unique_ptr<EditLayerObjectControl> objectView;
    Control::ZoomGaugeControl zoomGauge;
    Control::ScrollBarControl horizontalBar;
    Control::ScrollBarControl verticalBar;

private:
    void redraw(unsigned what, int layer);
    void syncScrollBars();
    void registerListeners();

    TimelineView mouse_;
    std::shared_ptr<EditComponent*> alive_;
    System::Config::Section section_{"Edit"};
    System::Config::Int displayLayerRange_{section_, "DisplayLayerRange", &settings.displayLayerRange, 1};
    System::Config::Int tempoGrid_{section_, "TempoGrid", &settings.tempoGrid, 0};
    System::Config::Int showMoveObjectTime_{section_, "ShowMoveObjectTime", &settings.showMoveObjectTime, 1};
    System::Config::Int layerWheelMode_{section_, "LayerWheelMode", &settings.layerWheelMode, 0};
    System::Config::Int displayObjectNameFromHead_{section_, "DisplayObjectNameFromHead",
                                                   &settings.displayObjectNameFromHead, 0};
    System::Config::Int displayWaveform_{section_, "DisplayWaveform", &settings.displayWaveform, 1};
    System::Config::Int hideObjectNameWaveform_{section_, "HideObjectNameWaveform", &settings.hideObjectNameWaveform, 0};
    System::Config::SectionSaver saver_{&section_};
};

} // namespace Component
