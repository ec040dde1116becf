#include "ui/editor/preview/player_navigate_control.h"

#include "core/event_service.h"
#include "core/text.h"
#include "media/xaudio2_service.h"
#include "platform/draw/text.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/movie_player.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/window/base_menu.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
using Control::IconLine;
using Control::IconSet;
constexpr int SpeakerBitmap = 6, MagnifierBitmap = 7;

const float playTriangle[] = {0.32f, 0.2f, 0.32f, 0.8f, 0.76f, 0.5f};
const std::vector<IconLine> pauseLines = {{0.36f, 0.25f, 0.36f, 0.75f, 0.14f}, {0.64f, 0.25f, 0.64f, 0.75f, 0.14f}};
const float stopSquare[] = {0.28f, 0.28f, 0.72f, 0.72f};
const float prevTriangle[] = {0.7f, 0.25f, 0.7f, 0.75f, 0.36f, 0.5f};
const std::vector<IconLine> prevBar = {{0.3f, 0.25f, 0.3f, 0.75f, 0.1f}};
const float nextTriangle[] = {0.3f, 0.25f, 0.3f, 0.75f, 0.64f, 0.5f};
const std::vector<IconLine> nextBar = {{0.7f, 0.25f, 0.7f, 0.75f, 0.1f}};
const std::vector<IconLine> prevSection = {{0.55f, 0.25f, 0.3f, 0.5f, 0.1f}, {0.3f, 0.5f, 0.55f, 0.75f, 0.1f},
                                           {0.75f, 0.25f, 0.5f, 0.5f, 0.1f}, {0.5f, 0.5f, 0.75f, 0.75f, 0.1f}};
const std::vector<IconLine> nextSection = {{0.45f, 0.25f, 0.7f, 0.5f, 0.1f}, {0.7f, 0.5f, 0.45f, 0.75f, 0.1f},
                                           {0.25f, 0.25f, 0.5f, 0.5f, 0.1f}, {0.5f, 0.5f, 0.25f, 0.75f, 0.1f}};
const std::vector<IconLine> rangeStart = {{0.38f, 0.22f, 0.38f, 0.78f, 0.1f}, {0.38f, 0.22f, 0.62f, 0.22f, 0.1f},
                                          {0.38f, 0.78f, 0.62f, 0.78f, 0.1f}};
const std::vector<IconLine> rangeEnd = {{0.62f, 0.22f, 0.62f, 0.78f, 0.1f}, {0.38f, 0.22f, 0.62f, 0.22f, 0.1f},
                                        {0.38f, 0.78f, 0.62f, 0.78f, 0.1f}};
const IconSet PlayIcon{playTriangle, nullptr, nullptr};
const IconSet PauseIcon{nullptr, nullptr, &pauseLines};
const IconSet StopIcon{nullptr, stopSquare, nullptr};
const IconSet PrevFrameIcon{prevTriangle, nullptr, &prevBar};
const IconSet NextFrameIcon{nextTriangle, nullptr, &nextBar};
const IconSet PrevSectionIcon{nullptr, nullptr, &prevSection};
const IconSet NextSectionIcon{nullptr, nullptr, &nextSection};
const IconSet RangeStartIcon{nullptr, nullptr, &rangeStart};
const IconSet RangeEndIcon{nullptr, nullptr, &rangeEnd};

Edit::Scene* currentScene()
{
    Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit->currentScene.get() : nullptr;
}

Platform::Draw::Bitmap* themeBitmap(int index)
{
    Window::WindowService* window = Window::WindowService::Get();
    return window ? window->bitmapList.get(index) : nullptr;
}

void setCursorDirect(int frame)
{
    Edit::EditService* edit = Edit::EditService::Get();
    Edit::Scene* scene = currentScene();
    if (!edit || !scene)
        return;
    scene->cursorFrame = std::clamp(frame, 0, std::max(scene->lastFrame, 0));
    if (edit->eventService)
        edit->eventService->cursorFrameChanged(scene->cursorFrame);
}
} // namespace

// ---- TimeCounterControl ----

TimeCounterControl::TimeCounterControl(Window::WindowControl& parent, Render::MoviePlayer* p)
    : WindowControlRenderTarget(parent, 0, 0, 1, 0), player(p)
{
    if (mouseService)
        mouseService->removeMouse(this);
}

std::wstring TimeCounterControl::text() const
{
    const Edit::Scene* scene = currentScene();
    if (!scene || scene->videoRate <= 0)
        return L"00:00:00.00";
    const int frame = player && player->isPlaying() ? scene->playFrame : scene->cursorFrame;
    wchar_t buffer[32];
    System::formatTime(buffer, double(frame) * scene->videoScale / scene->videoRate);
    return buffer;
}

int TimeCounterControl::textWidth()
{
    Platform::Draw::TextFormat& format = *textFormatList->get(Resource::TextFormatList::PreviewTime);
    Platform::Draw::TextLayout layout(L"00:00:00.00", 11, format, 65536.0f, 65536.0f);
    return int(std::ceil(layout.getMetrics().width)) + 2;
}

void TimeCounterControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::Background));
    const Control::TextSize size =
        shownText.layout(*textFormatList->get(Resource::TextFormatList::PreviewTime), text());
    shownText.draw(*this, (rect.width - size.width) / 2, (rect.height - size.height) / 2,
                   Control::brushOf(*this, Brushes::Text));
}

// ---- VolulmeButtonControl ----

VolulmeButtonControl::VolulmeButtonControl(Window::WindowControl& parent, int x, int width, Render::MoviePlayer* p)
    : SliderButtonControl(parent, x, 0, width, 0), player(p)
{
    acceptContextMenu = true;
    toolTip = L"プレビュー再生の音量を変更";
    bitmap = themeBitmap(SpeakerBitmap);
}

int VolulmeButtonControl::getValue()
{
    return player ? player->volume : 100;
}

std::wstring VolulmeButtonControl::getValueText()
{
    return std::to_wstring(getValue()) + L"%";
}

void VolulmeButtonControl::setVolume(int volume)
{
    if (!player)
        return;
    player->volume = std::clamp(volume, 0, 100);
    if (Media::XAudio2Service* audio = Media::XAudio2Service::Get())
        audio->setVolume(player->volume);
}

void VolulmeButtonControl::setValue(int atPress, int delta)
{
    setVolume(atPress + delta);
}

void VolulmeButtonControl::procContextMenu(int, int)
{
    Window::PopupMenu menu;
    for (int v = 0; v <= 100; v += 10)
        menu.insertItem(System::formatString(L"%d%%", v), [this, v] { setVolume(v); })
            .setRadioCheck()
            .setCheck(getValue() == v);
    menu.show();
}

void VolulmeButtonControl::procRelease()
{
    ButtonControl::procRelease();
    Window::ToolTips::get().hide();
    procPaint();
}

// ---- ZoomButtonControl ----

ZoomButtonControl::ZoomButtonControl(Window::WindowControl& parent, int x, int width, PreviewEditComponent& p)
    : BitmapButtonControl(parent, x, 0, width, 0), preview(p)
{
    acceptContextMenu = true;
    acceptRightButton = true;
    toolTip = L"プレビュー表示の拡大率を変更";
    bitmap = themeBitmap(MagnifierBitmap);
}

std::wstring ZoomButtonControl::zoomText() const
{
    return preview.displayZoom == 0 ? std::wstring(L"WindowSize") : std::to_wstring(preview.displayZoom) + L"%";
}

void ZoomButtonControl::procLButtonDown(int x, int y)
{
    pressed = true;
    scrollMode = false;
    if (mouseService)
        mouseService->beginDrag(x, y, &Window::Cursors::Custom143);
    procPaint();
    showToolTip(zoomText().c_str());
    startZoom = preview.displayZoom;
}

void ZoomButtonControl::procRButtonDown(int x, int y)
{
    pressed = true;
    scrollMode = true;
    if (mouseService)
        mouseService->beginDrag(x, y, &Window::Cursors::SizeAll);
    procPaint();
    startScrollX = preview.picture.horizontal.first;
    startScrollY = preview.picture.vertical.first;
}

void ZoomButtonControl::procMouseDrag(int dx, int dy)
{
    if (scrollMode) {
        preview.picture.scrollTo(startScrollX - dx, startScrollY - dy);
        return;
    }
    if (startZoom == 0)
        startZoom = preview.getFitZoom();
    preview.picture.setZoom(dragZoom(startZoom, dy));
    showToolTip(zoomText().c_str());
}

void ZoomButtonControl::procContextMenu(int, int)
{
    Window::PopupMenu menu;
    preview.picture.insertZoomMenu(menu);
    menu.show();
}

void ZoomButtonControl::procRelease()
{
    ButtonControl::procRelease();
    Window::ToolTips::get().hide();
    procPaint();
}

// ---- PlayerNavigateControl ----

PlayerNavigateControl::PlayerNavigateControl(Window::ControlContainer& owner, PreviewEditComponent& p,
                                             Render::MoviePlayer* pl)
    : WindowControlRenderTarget(owner, 0, 0, 0, 0), preview(p), player(pl),
      container(0, 0, priority, &visibleRect, &rect), inset(container, 6, 0, -6, 0), timeCounter(inset, pl),
      trackBar(inset, 0, 0, 0, 0), buttonRow(inset, 0, 0, 0, 0), volumeRow(inset, 0, 0, 0, 0),
      volumeButton(volumeRow, 0, 1, pl), zoomButton(volumeRow, 0, 1, p)
{
    acceptContextMenu = true;
    if (mouseService)
        mouseService->removeMouse(&inset), mouseService->removeMouse(&buttonRow), mouseService->removeMouse(&volumeRow);
    const IconSet* icons[8] = {&PlayIcon,        &StopIcon,        &PrevFrameIcon,  &NextFrameIcon,
                               &PrevSectionIcon, &NextSectionIcon, &RangeStartIcon, &RangeEndIcon};
    const wchar_t* tips[8] = {L"プレビュー再生",           L"プレビュー停止",
                              L"前のフレームに移動",       L"次のフレームに移動",
                              L"前のセクションに移動",     L"次のセクションに移動",
                              L"範囲選択の開始フレームに設定", L"範囲選択の終了フレームに設定"};
    for (int k = 0; k < 8; ++k) {
        auto button = std::make_unique<Control::IconButtonControl>(buttonRow, 0, 1, icons[k], false);
        button->toolTip = tips[k];
        buttons.push_back(std::move(button));
    }
    auto scene = [] { return currentScene(); };
    buttons[0]->onClick = [this](Control::ButtonControl&) {
        if (!player)
            return;
        if (player->isPlaying())
            player->stop(false);
        else
            player->play(false);
    };
    buttons[1]->onClick = [this](Control::ButtonControl&) {
        if (player)
            player->stop(true);
    };
    buttons[2]->onClick = [this](Control::ButtonControl&) { stepFrame(-1); };
    buttons[3]->onClick = [this](Control::ButtonControl&) { stepFrame(1); };
    buttons[4]->onClick = [](Control::ButtonControl&) { Edit::EditCommand::moveToPrevSection(); };
    buttons[5]->onClick = [](Control::ButtonControl&) { Edit::EditCommand::moveToNextSection(); };
    buttons[6]->onClick = [scene](Control::ButtonControl&) {
        if (EditComponent* timeline = EditComponent::Get(); timeline && scene())
            timeline->setFrameSelection(scene()->cursorFrame, -1);
    };
    buttons[7]->onClick = [scene](Control::ButtonControl&) {
        if (EditComponent* timeline = EditComponent::Get(); timeline && scene())
            timeline->setFrameSelection(-1, scene()->cursorFrame);
    };
    trackBar.onChange = [](Control::TrackBarControl&, int wanted) {
        if (Edit::EditService* edit = Edit::EditService::Get())
            edit->setCursorFrame(wanted);
    };
    if (Event::EventService* events = Event::EventService::Get()) {
        events->playStateChanged.push_back([this](bool playing) {
            buttons[0]->icon = playing ? &PauseIcon : &PlayIcon;
            buttons[0]->toolTip = playing ? L"プレビュー一時停止" : L"プレビュー再生";
            buttons[0]->procPaint();
        });
        events->displayRangeChanged.push_back([this](int start, int length) {
            if (trackBar.rangeStart == start && trackBar.rangeEnd == start + length)
                return;
            trackBar.setRange(start, start + length);
            trackBar.procPaint();
        });
        events->selectFrameRangeChanged.push_back([this](int start, int end) {
            if (trackBar.selectStart == start && trackBar.selectEnd == end)
                return;
            trackBar.setSelectRange(start, end);
            trackBar.procPaint();
        });
        events->cursorFrameChanged.push_back([this](int) { updatePosition(); });
        events->editChanged.push_back([this](std::shared_ptr<Edit::Object>&) { updatePosition(); });
        events->sceneChanged.push_back([this](int) { updatePosition(); });
        events->focusObjectChanged.push_back([this](std::shared_ptr<Edit::Object>&) { updateButtons(); });
    }
}

void PlayerNavigateControl::stepFrame(int delta)
{
    if (const Edit::Scene* scene = currentScene())
        setCursorDirect(scene->cursorFrame + delta);
}

void PlayerNavigateControl::procMove()
{
    const int h = rect.height;
    const int counterWidth = timeCounter.textWidth();
    timeCounter.placeWidth = counterWidth;
    trackBar.placeX = counterWidth + 8, trackBar.placeY = 0, trackBar.placeWidth = -(10 * h - 76),
    trackBar.placeHeight = 0;
    buttonRow.placeX = -(10 * h - 82), buttonRow.placeY = 6, buttonRow.placeWidth = 8 * h - 54,
    buttonRow.placeHeight = -6;
    volumeRow.placeX = -(2 * h - 34), volumeRow.placeY = 10, volumeRow.placeWidth = 2 * h - 34,
    volumeRow.placeHeight = -10;
    for (int k = 0; k < 8; ++k)
        buttons[size_t(k)]->placeX = k * (h - 6), buttons[size_t(k)]->placeWidth = h - 12;
    volumeButton.placeX = 0, volumeButton.placeWidth = h - 20;
    zoomButton.placeX = h - 14, zoomButton.placeWidth = h - 20;
    container.updateLayout();
    for (Window::WindowControl* c :
         std::initializer_list<Window::WindowControl*>{&timeCounter, &trackBar, &buttonRow, &volumeRow})
        c->updateRect(), c->procMove();
    for (auto& button : buttons)
        button->updateRect();
    volumeButton.updateRect();
    zoomButton.updateRect();
    updateButtons();
}

void PlayerNavigateControl::updatePosition()
{
    const Edit::Scene* scene = currentScene();
    if (!scene)
        return;
    const bool playing = player && player->isPlaying();
    const int position = playing ? scene->playFrame : scene->cursorFrame;
    const int rangeStart = playing ? 0 : scene->displayFrame;
    const int rangeEnd = playing ? 0 : scene->displayFrame + scene->displayFrameCount;
    const int last = std::max(scene->lastFrame, 0);
    if (trackBar.value == position && trackBar.maxPos == last && trackBar.rangeStart == rangeStart &&
        trackBar.rangeEnd == rangeEnd && trackBar.selectStart == scene->frameSelectionStart &&
        trackBar.selectEnd == scene->frameSelectionEnd)
        return;
    trackBar.setMaximum(last);
    trackBar.setValue(position);
    trackBar.setRange(rangeStart, rangeEnd);
    trackBar.setSelectRange(scene->frameSelectionStart, scene->frameSelectionEnd);
    trackBar.updateBarLayout();
    trackBar.procPaint();
    timeCounter.procPaint();
    updateButtons();
}

void PlayerNavigateControl::updateButtons()
{
    const Edit::Scene* scene = currentScene();
    const int cursor = scene ? scene->cursorFrame : 0;
    const int last = scene ? scene->lastFrame : 0;
    const Edit::Object* focus = scene ? scene->focusObject.get() : nullptr;
    const bool enable[8] = {true,
                            true,
                            cursor != 0,
                            cursor != last,
                            focus && focus->start < cursor,
                            focus && focus->end > cursor,
                            true,
                            true};
    for (int k = 0; k < 8; ++k) {
        Control::IconButtonControl& button = *buttons[size_t(k)];
        Platform::Draw::Brush* ink = Control::brushOf(*this, enable[k] ? Brushes::Text : Brushes::TextDisable);
        if (button.enabled == enable[k] && button.foreground == ink)
            continue;
        button.enabled = enable[k];
        button.foreground = ink;
        button.background = Control::brushOf(*this, Brushes::Background);
        button.procPaint();
    }
}

void PlayerNavigateControl::procContextMenu(int, int)
{
    const Edit::Scene* scene = currentScene();
    const bool playing = player && player->isPlaying();
    Window::PopupMenu menu;
    menu.insertItem(L"再生", [this] { player->play(false); }).setEnable(player && !playing);
    menu.insertItem(L"一時停止", [this] { player->stop(false); }).setEnable(playing);
    menu.insertItem(L"停止", [this] { player->stop(true); }).setEnable(playing);
    menu.insertSeparator();
    menu.insertItem(L"再生バッファの最大まで取得して再生", [this] { player->play(true); })
        .setEnable(player && !playing);
    menu.insertSeparator();
    menu.insertItem(L"指定時間に移動", [] { Edit::EditCommand::moveToTime(); });
    menu.insertItem(L"フレーム範囲選択を解除", [] {
            if (EditComponent* timeline = EditComponent::Get())
                timeline->setFrameSelection(-1, -1);
        })
        .setEnable(scene && scene->frameSelectionStart >= 0 && scene->frameSelectionEnd >= 0);
    menu.show();
}

void PlayerNavigateControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::Background));
    section.reset();
    timeCounter.procPaint();
    trackBar.procPaint();
    for (auto& button : buttons)
        button->procPaint();
    volumeButton.procPaint();
    zoomButton.procPaint();
}

} // namespace Component
