#include "ui/editor/timeline/edit_component.h"

#include "core/event_service.h"
#include "core/failure.h"
#include "core/setting_service.h"
#include "media/resource_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_layer_header_control.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/editor/timeline/time_gauge_control.h"
#include "ui/editor/timeline/timeline_commands.h"
#include "ui/menus/scene_menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Component {

namespace {

constexpr const char* Place = "Component::EditComponent::EditComponent";

Edit::EditService& runningEdit()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit)
        throw System::makeException(Place, "edit service not running.", nullptr);
    return *edit;
}

// A required style [Layout] metric: missing, malformed or not positive fails.
int requiredMetric(const char* key)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    if (!settings)
        throw System::makeException(Place, "settings service not running.", nullptr);
    const int value = settings->layout.get(key).toInt();
    if (value <= 0)
        throw System::makeException(Place, "invalid style layout value.", key);
    return value;
}

TimelineMetrics readMetrics()
{
    TimelineMetrics m;
    m.timeGaugeHeight = requiredMetric("TimeGaugeHeight");
    m.layerHeaderWidth = requiredMetric("LayerHeaderWidth");
    m.layerHeight = requiredMetric("LayerHeight");
    m.scrollBarSize = std::max(Setting::Layout::ScrollBarSize, 1);
    return m;
}

} // namespace

// ---------------------------------------------------------------- scene button

EditComponent::SceneButtonControl::SceneButtonControl(Window::WindowControl& parent, EditComponent& o)
    : TextButtonControl(parent, 0, 2, -3, -4, 2), owner(o)
{
    acceptContextMenu = true;
    onClick = [this](ButtonControl&) { owner.showSceneMenu(); };
}

void EditComponent::SceneButtonControl::procContextMenu(int, int)
{
    Window::PopupMenu menu;
    Dialog::insertSceneMenu(owner.view.scene(), menu);
    menu.show();
}

void EditComponent::SceneButtonControl::procMouseHover()
{
    toolTip = owner.view.scene().getInformationText();
    TextButtonControl::procMouseHover();
}

// ---------------------------------------------------------------- window

EditComponent::EditComponent()
    : WindowClientRenderTarget(L"レイヤー編集", "Window.edit", {0.2f, 0.7f, 0.5f, 1, 3, true}),
      view(runningEdit()), container(0, 0, priority, &clientRect, &clientRect),
      corner(container, 0, 0, 1, 1), sceneButton(corner, *this), zoomGauge(container, 0, 0, 1, 1),
      horizontalBar(corner, 0, 0, 0, 1), verticalBar(corner, 0, 0, 1, 0), alive_(std::make_shared<EditComponent*>(this))
{
    if (System::Config::iniFile)
        section_.load(*System::Config::iniFile);
    view.metrics = readMetrics();
    const TimelineMetrics& m = view.metrics;
    const int s = m.scrollBarSize, g = m.timeGaugeHeight, w = m.layerHeaderWidth;

    // Layout numbers: a negative position counts from the far edge, a size of 0
    // or less stretches to the far edge less its magnitude.
    corner.placeX = 0, corner.placeY = 0, corner.placeWidth = w, corner.placeHeight = g;
    timeGauge = std::make_unique<TimeGaugeControl>(container, *this, w, 0, -s, g);
    layerHeader = std::make_unique<EditLayerHeaderControl>(container, *this, 0, g, w, -s);
    objectView = std::make_unique<EditLayerObjectControl>(container, *this, w, g, -s, -s);
    zoomGauge.placeX = 0, zoomGauge.placeY = -s, zoomGauge.placeWidth = w, zoomGauge.placeHeight = s;
    // The bars (made on the corner for their orientation) are laid out in the panel's area.
    horizontalBar.areaRect = verticalBar.areaRect = &container.area;
    horizontalBar.clipRect = verticalBar.clipRect = container.clipRect;
    horizontalBar.placeX = w, horizontalBar.placeY = -s, horizontalBar.placeWidth = -s, horizontalBar.placeHeight = s;
    verticalBar.placeX = -s, verticalBar.placeY = 0, verticalBar.placeWidth = s, verticalBar.placeHeight = 0;
    horizontalBar.lineStep = 100;
    if (colorBrushList)
        corner.fill = colorBrushList->get(Window::ColorBrushList::Background);

    // Texts sit in the middle of a row (the object view's below the bars' 6-pixel top).
    if (Resource::ResourceService* resources = Resource::ResourceService::Get()) {
        const int line = int(resources->textFormats.at(Resource::TextFormatList::LayerObject).getLineHeight());
        textOffsetHeader = (m.layerHeight - line) / 2;
        textOffsetObject = 6 + (m.layerHeight - 6 - line) / 2;
    }
    view.redraw = [this](unsigned what, int layer) { redraw(what, layer); };
    view.isShiftDown = [] { return Window::WindowMouseService::isKeyDown(16); };
    verticalBar.onScroll = [this](Control::ScrollBarControl&, int wanted) {
        const Edit::Scene& sc = view.scene();
        setDisplayPosition(std::clamp(wanted, 0, std::max(view.layerScrollRange - view.visibleLayers, 0)),
                           sc.displayFrame, sc.cursorFrame);
    };
    horizontalBar.onScroll = [this](Control::ScrollBarControl&, int wanted) {
        const Edit::Scene& sc = view.scene();
        setDisplayPosition(sc.displayLayer,
                           std::clamp(wanted, 0, std::max(view.frameScrollRange - view.visibleFrames, 0)),
                           sc.cursorFrame);
    };
    zoomGauge.onZoom = [this](Control::ZoomGaugeControl&, Edit::FrameZoom& zoom) {
        setFrameZoom(zoom, view.scene().cursorFrame);
    };
    sceneButton.label = view.scene().name;
    view.scene().selectionAnchor = view.scene().cursorFrame;
    registerListeners();
    Edit::TimelineHost::install(this);
}

EditComponent::~EditComponent()
{
    Edit::TimelineHost::install(nullptr);
    *alive_ = nullptr;
}

void EditComponent::registerListeners()
{
    Event::EventService* events = view.edit.eventService;
    if (!events)
        return;
    std::weak_ptr<EditComponent*> weak = alive_;
    auto with = [weak](auto f) {
        return [weak, f](auto&&... args) {
            if (auto alive = weak.lock(); alive && *alive)
                f(**alive, args...);
        };
    };
    events->cursorFrameChanged.push_back(with([](EditComponent& c, int frame) { c.onCursorFrameChanged(frame); }));
    events->editChanged.push_back(with([](EditComponent& c, std::shared_ptr<Edit::Object>&) { c.updateView(-1); }));
    events->sceneChanged.push_back(with([](EditComponent& c, int) { c.resetScene(); }));
    events->videoFrameRendered.push_back(
        with([](EditComponent& c, Render::RenderTaskType type, int frame) { c.onPlaybackFrame(int(type), frame); }));
    events->playStateChanged.push_back(with([](EditComponent& c, bool playing) { c.onPlayStateChanged(playing); }));
    // The waveform cache filled a waveform: its objects are drawn again.
    events->waveformUpdated.push_back(with([](EditComponent& c) { c.objectView->procPaint(); }));
    events->focusObjectChanged.push_back(
        with([](EditComponent& c, std::shared_ptr<Edit::Object>& focus) { c.objectView->setFocusMarker(focus); }));
    events->selectionChanged.push_back(with([](EditComponent& c) { c.objectView->procPaint(); }));
    events->layerChanged.push_back(with([](EditComponent& c) { c.layerHeader->procPaint(); }));
}

Edit::TimelineHost::TimelineView EditComponent::getTimelineView()
{
    TimelineView v = mouse_;
    const Window::Rect& r = objectView->rect;
    v.left = r.x;
    v.top = r.y;
    v.right = r.x + r.width;
    v.bottom = r.y + r.height;
    v.layerHeight = view.metrics.layerHeight;
    return v;
}

void EditComponent::mouseMove(int x, int y)
{
    mouse_.hasMouse = true;
    mouse_.mouseX = x;
    mouse_.mouseY = y;
}

void EditComponent::setFrameSelection(int start, int end)
{
    view.setFrameSelection(start, end);
}

void EditComponent::setFrameZoom(Edit::FrameZoom zoom, int anchor)
{
    view.setFrameZoom(zoom, anchor);
}

void EditComponent::updateView(int layer)
{
    view.updateView(layer);
}

void EditComponent::setDisplayPosition(int layer, int frame, int cursor)
{
    view.setDisplayPosition(layer, frame, cursor);
}

void EditComponent::setCursorFrameAt(int x)
{
    view.setCursorFrameAt(x);
}

void EditComponent::resetScene()
{
    objectView->resetScene();
    sceneButton.label = view.scene().name;
    view.resetScene();
    procPaint();
}

void EditComponent::onCursorFrameChanged(int frame)
{
    view.onCursorFrameChanged(frame);
}

void EditComponent::onPlaybackFrame(int taskType, int frame)
{
    if (taskType != 2)
        return;
    if (!view.onPlaybackFrame(frame))
        objectView->restoreStrip();
    objectView->drawPlayerCursor();
}

void EditComponent::onPlayStateChanged(bool playing)
{
    if (playing)
        return;
    objectView->restoreStrip();
    objectView->procPaint();
}

void EditComponent::ensureLayerRange()
{
    Edit::Scene& scene = view.scene();
    const int range = std::min(view.layerScrollRange, Edit::LayerLimit);
    if (scene.layerCount() >= range)
        return;
    Edit::UpdateSection update(view.edit);
    scene.ensureLayer(range - 1);
}

void EditComponent::syncScrollBars()
{
    const Edit::Scene& s = view.scene();
    verticalBar.minPos = 0;
    verticalBar.maxPos = view.layerScrollRange;
    verticalBar.setPosition(s.displayLayer, s.displayLayer + view.visibleLayers);
    horizontalBar.minPos = 0;
    horizontalBar.maxPos = view.frameScrollRange;
    horizontalBar.setPosition(s.displayFrame, s.displayFrame + view.visibleFrames);
    zoomGauge.zoom = s.displayZoom;
}

void EditComponent::redraw(unsigned what, int layer)
{
    if (what & (TimelineViewState::RedrawVerticalBar | TimelineViewState::RedrawHorizontalBar |
                TimelineViewState::RedrawZoomGauge))
        syncScrollBars();
    if (!target || clientRect.width <= 0 || clientRect.height <= 0)
        return;
    const Window::Rect& r = clientRect;
    DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
    if (what & TimelineViewState::RedrawVerticalBar)
        verticalBar.procPaint();
    if (what & TimelineViewState::RedrawHeader)
        layerHeader->procPaint();
    if (what & TimelineViewState::RedrawObjects)
        objectView->procPaint();
    else if (what & TimelineViewState::RedrawRow)
        objectView->drawLayer(layer);
    if (what & TimelineViewState::RedrawHorizontalBar)
        horizontalBar.procPaint();
    if (what & TimelineViewState::RedrawGauge)
        timeGauge->procPaint();
    if (what & TimelineViewState::RedrawZoomGauge)
        zoomGauge.procPaint();
}

void EditComponent::procMove()
{
    view.setClientSize(clientRect.width, clientRect.height);
    view.updateLayerScroll(view.scene().displayLayer, true);
    view.updateFrameScroll(view.scene().displayFrame, true);
    view.updateZoom(view.scene().displayZoom);
    container.updateLayout();
    syncScrollBars();
}

void EditComponent::procPaint()
{
    if (!target || clientRect.width <= 0 || clientRect.height <= 0)
        return;
    syncScrollBars();
    const Window::Rect& r = clientRect;
    DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
    container.paint();
}

void EditComponent::procWindowMenu(Window::BaseMenu& menu)
{
    insertTimelineOptionMenu(*this, menu);
    WindowClient::procWindowMenu(menu);
}

void EditComponent::showSceneMenu()
{
    Window::PopupMenu menu;
    Edit::EditService& edit = view.edit;
    for (const auto& scene : edit.project.getSceneList()) {
        const int id = scene->id;
        Window::MenuItem item = menu.insertItem(scene->name, [&edit, id] { edit.updateScene(id); });
        item.setRadioCheck().setCheck(scene == edit.currentScene);
    }
    menu.show();
}

} // namespace Component
