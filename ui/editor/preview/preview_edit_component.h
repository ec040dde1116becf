#pragma once
// The preview pane: the current scene at the cursor frame with the effects'
// handles over it, playback frames while the scene plays, the audio level,
// the player bar, its menu and files dropped on it. It asks the render
// service for the frame and the sound of the cursor; the render threads hand
// both over under locks and post a notification, on which the main thread
// shows them. Main thread only, except the render callbacks.
#include "core/config.h"
#include "core/render_task_type.h"
#include "core/service.h"
#include "ui/editor/preview/level_meter_control.h"
#include "ui/editor/preview/player_navigate_control.h"
#include "ui/editor/preview/preview_control.h"
#include "ui/window/window_client.h"

#include <functional>
#include <memory>
#include <mutex>

namespace Media { class ImageBuffer; }
namespace Render {
class FrameTicket;
class AudioTicket;
class RenderService;
} // namespace Render

namespace Component {

class PreviewEditComponent : public System::Singleton<PreviewEditComponent>, public Window::WindowClientRenderTarget {
public:
    PreviewEditComponent();
    ~PreviewEditComponent() override;

    // Asks for the picture and the level of a frame (nothing while playing or hidden).
    void requestFrame(int frame);
    void requestCursorFrame();
    int getFitZoom();
    void showFrame(Render::RenderTaskType type);
    // The preview level, when the meter shows it.
    void showAudioLevel();

    void procMouseWheel(int x, int y, int delta) override;
    void procContextMenu(int x, int y) override;
    bool procDragOver(int x, int y, Window::DropInfo& info) override;
    bool procDrop(int x, int y, Window::DropInfo& info) override;
    void procPaint() override;
    void procMove() override;

    void setVisibleLevelMeter(bool visible);
    // Copies the rendered cursor frame to the clipboard (with transparency or opaque).
    void copyImageToClipboard(bool alpha);
    // The first layer, from the top visible one down, on which nothing covers the frame.
    static int findDropLayer(int frame);

    System::Config::Section settings{"Window.preview"};
    int displayZoom = 0;

private:
    System::Config::Int displayZoomParameter{settings, "DisplayZoom", &displayZoom, 0};
    System::Config::SectionSaver settingsSaver{&settings};

public:
    // What the render threads hand over, under the mutex.
    std::mutex frameMutex;
    std::shared_ptr<const Media::ImageBuffer> pendingImage;
    std::shared_ptr<Anchor::AnchorList> pendingAnchors;
    bool newAnchors = false;
    int pendingFrame = -1;
    std::mutex levelMutex;
    int previewLevelFrame = 0;
    float previewLevel[8] = {-60, -60, -60, -60, -60, -60, -60, -60};
    std::shared_ptr<Render::FrameTicket> videoTicket;
    std::shared_ptr<Render::AudioTicket> audioTicket;
    int requests = 0; // frames asked for since the pane was built

    Render::RenderService* renderService;
    int playerControlHeight = 32;
    int levelMeterWidth = 24;
    Window::ControlContainer container;
    PreviewControl picture;
    LevelMeterControl levelMeter;
    PlayerNavigateControl playerBar;
};

} // namespace Component
