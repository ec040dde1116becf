#include "ui/editor/preview/preview_edit_component.h"

#include "core/event_command.h"
#include "core/event_service.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/anchor_host.h"
#include "effect/effect_base.h"
#include "effect/media_object.h"
#include "media/audio_buffer.h"
#include "media/image_bitmap.h"
#include "media/image_buffer.h"
#include "media/preview_image.h"
#include "media/render_buffer.h"
#include "platform/draw/resources.h"
#include "platform/ui/surface.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/edit/preview_commands.h"
#include "project/edit/update_section.h"
#include "project/model/layer_object_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/movie_player.h"
#include "render/render_service.h"
#include "render/render_ticket.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/grid_dialog.h"
#include "ui/menus/object_menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cwctype>

namespace Component {

namespace {
constexpr const char* Place = "Component::PreviewEditComponent";

Edit::Scene* currentScene()
{
    Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit->currentScene.get() : nullptr;
}

Render::MoviePlayer* playerOf(Render::RenderService* render)
{
    return render ? &render->player : nullptr;
}

int styleLayout(const char* key, int fallback)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    return settings ? settings->layout.get(key).toInt(fallback) : fallback;
}

std::wstring lowerExtension(const std::wstring& path)
{
    std::wstring ext = System::FileName::getExtension(path.c_str());
    std::transform(ext.begin(), ext.end(), ext.begin(), [](wchar_t c) { return wchar_t(std::towlower(c)); });
    return ext;
}
} // namespace

PreviewEditComponent::PreviewEditComponent()
    : WindowClientRenderTarget(L"プレビュー編集", "Window.preview", {0.2f, 0, 0.8f, 0.7f, AreaCenter, true}),
      renderService(Render::RenderService::Get()), playerControlHeight(styleLayout("PlayerControlHeight", 32)),
      levelMeterWidth(styleLayout("LevelMeterWidth", 24)), container(0, 0, priority, &clientRect, &clientRect),
      picture(container, displayZoom), levelMeter(container, playerOf(renderService)),
      playerBar(container, *this, playerOf(renderService))
{
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    acceptContextMenu = true;
    acceptWheel = true;
    acceptDrop = true;
    procMove();
    Event::EventService* events = Event::EventService::Get();
    if (!events)
        return;
    events->cursorFrameChanged.push_back([this](int frame) { requestFrame(frame); });
    events->editChanged.push_back([this](std::shared_ptr<Edit::Object>&) { requestCursorFrame(); });
    events->sceneChanged.push_back([this](int) { requestCursorFrame(); });
    events->startup.push_back([this] {
        playerBar.updatePosition();
        requestCursorFrame();
    });
    events->focusObjectChanged.push_back([this](std::shared_ptr<Edit::Object>&) { requestCursorFrame(); });
    events->settingFrameChanged.push_back([this](int) { requestCursorFrame(); });
    events->selectionChanged.push_back([this] { picture.video.procPaint(); });
    events->videoFrameRendered.push_back([this](Render::RenderTaskType type, int) { showFrame(type); });
    events->audioBlockRendered.push_back([this](Render::RenderTaskType type, int) {
        if (type == Render::RenderTaskType::Preview)
            showAudioLevel();
    });
    events->playStateChanged.push_back([this](bool playing) {
        if (playing)
            return;
        levelMeter.reset();
        levelMeter.procPaint();
    });
}

PreviewEditComponent::~PreviewEditComponent()
{
    // The render side may still hold a request whose callback reaches this pane.
    for (const std::shared_ptr<Render::RenderTicket>& ticket :
         {std::static_pointer_cast<Render::RenderTicket>(videoTicket), std::static_pointer_cast<Render::RenderTicket>(audioTicket)})
        if (ticket) {
            ticket->cancel();
            ticket->wait();
        }
}

void PreviewEditComponent::requestCursorFrame()
{
    if (const Edit::Scene* scene = currentScene())
        requestFrame(scene->cursorFrame);
}

void PreviewEditComponent::requestFrame(int frame)
{
    const Edit::Scene* scene = currentScene();
    if (!renderService || !scene || scene->playing || renderService->player.isPlaying() || !isVisible())
        return;
    ++requests;
    // What the grid needs is read here, on the main thread, not by the render thread.
    const bool grid = renderService->videoWorker.gridXY != 0;
    const int w = scene->width, h = scene->height, gw = scene->gridWidth, gh = scene->gridHeight;
    const std::vector<int> gridX = scene->gridX, gridY = scene->gridY;
    if (videoTicket)
        videoTicket->cancel();
    Render::RenderVideoWorker::ImageRequest request;
    request.format = Media::Format::B8G8R8A8Unorm;
    videoTicket = renderService->videoWorker.requestFrameImage(Render::RenderTaskType::Preview, frame, request);
    videoTicket->onFinished([this, grid, w, h, gw, gh, gridX, gridY](Render::RenderTicket& done) {
        if (done.state() != Render::RenderTicket::State::Done)
            return;
        auto& ticket = static_cast<Render::FrameTicket&>(done);
        auto anchors = std::make_shared<Anchor::AnchorList>();
        if (std::shared_ptr<const Anchor::AnchorList> given = ticket.anchors())
            anchors->items = given->items;
        if (grid)
            addGridAnchors(w, h, gw, gh, gridX, gridY, *anchors);
        {
            std::lock_guard<std::mutex> lock(frameMutex);
            pendingImage = ticket.image();
            pendingAnchors = std::move(anchors);
            newAnchors = true;
            pendingFrame = ticket.frame();
        }
        Event::postEventCommand(Event::EventCommandType::NotifyVideoFrame, ticket.frame());
    });
    if (renderService->player.levelMeterOnlyPlayback)
        return;
    if (audioTicket)
        audioTicket->cancel();
    audioTicket = renderService->audioWorker.requestRenderingAudio(
        Render::RenderTaskType::Preview, frame, [this](int rendered, Media::AudioBlockBuffer& block) {
            float levels[8];
            computeLevels(block, levels);
            {
                std::lock_guard<std::mutex> lock(levelMutex);
                previewLevelFrame = 0;
                std::copy(levels, levels + 8, previewLevel);
            }
            Event::postEventCommand(Event::EventCommandType::NotifyAudioBlock, rendered);
        });
}

int PreviewEditComponent::getFitZoom()
{
    return Component::getFitZoom(picture.layout.rect.width, picture.layout.rect.height, picture.pictureWidth(),
                                 picture.pictureHeight());
}

void PreviewEditComponent::showFrame(Render::RenderTaskType type)
{
    if (!isVisible())
        return;
    if (type == Render::RenderTaskType::Preview) {
        std::shared_ptr<const Media::ImageBuffer> image;
        std::shared_ptr<Anchor::AnchorList> anchors;
        {
            std::lock_guard<std::mutex> lock(frameMutex);
            image = pendingImage;
            if (newAnchors) {
                anchors = std::move(pendingAnchors);
                newAnchors = false;
            }
        }
        picture.setImage(Media::createRenderTargetBitmap(std::move(image)), std::move(anchors));
        return;
    }
    if (type != Render::RenderTaskType::Playback || !renderService)
        return;
    Render::MoviePlayer& player = renderService->player;
    const Edit::Scene* scene = currentScene();
    if (!player.isPlaying() || !scene)
        return;
    // The player shows its front frame with its video lock held.
    if (!player.videoQueue.empty() && player.videoQueue.front().image) {
        Media::PreviewImage& image = *player.videoQueue.front().image;
        std::unique_ptr<Platform::Draw::Bitmap> bitmap;
        {
            std::lock_guard<std::mutex> lock(image.mutex);
            bitmap = Media::createRenderTargetBitmap(image.picture);
        }
        picture.setImage(std::move(bitmap), std::make_shared<Anchor::AnchorList>());
    }
    playerBar.updatePosition();
    {
        std::lock_guard<std::mutex> lock(player.meterMutex);
        while (!player.meterQueue.empty() && player.meterQueue.front().frame <= scene->playFrame) {
            player.lastMeter = player.meterQueue.front();
            player.meterQueue.pop_front();
        }
        const Render::MeterRecord& m = player.lastMeter;
        const float values[8] = {m.left.level,  m.left.rms,  m.left.hold,  m.left.unused,
                                 m.right.level, m.right.rms, m.right.hold, m.right.unused};
        if (levelMeter.visible)
            std::copy(values, values + 8, levelMeter.values);
    }
    if (levelMeter.visible)
        levelMeter.procPaint();
}

void PreviewEditComponent::showAudioLevel()
{
    if (!isVisible() || !renderService || renderService->player.levelMeterOnlyPlayback || !levelMeter.visible)
        return;
    {
        std::lock_guard<std::mutex> lock(levelMutex);
        levelMeter.frame = previewLevelFrame;
        std::copy(previewLevel, previewLevel + 8, levelMeter.values);
    }
    levelMeter.procPaint();
}

void PreviewEditComponent::procMove()
{
    const int H = playerControlHeight, W = levelMeterWidth;
    playerBar.placeX = 0, playerBar.placeY = -H, playerBar.placeWidth = 0, playerBar.placeHeight = H;
    const bool meter = renderService && renderService->player.visibleLevelMeter;
    picture.placeX = 0, picture.placeY = 0, picture.placeWidth = meter ? -W : 0, picture.placeHeight = -H;
    if (meter) {
        levelMeter.placeX = -W, levelMeter.placeY = 0, levelMeter.placeWidth = W, levelMeter.placeHeight = -H;
        levelMeter.visible = true;
    } else {
        levelMeter.placeX = levelMeter.placeY = -65536, levelMeter.placeWidth = levelMeter.placeHeight = 1;
        levelMeter.visible = false;
    }
    container.updateLayout();
}

void PreviewEditComponent::procPaint()
{
    if (!isVisible() || clientRect.width <= 0 || clientRect.height <= 0 || !target)
        return;
    DrawSection section(*this, clientRect.x, clientRect.y, clientRect.x + clientRect.width,
                        clientRect.y + clientRect.height, true);
    picture.procPaint();
    if (levelMeter.visible)
        levelMeter.procPaint();
    playerBar.procPaint();
}

void PreviewEditComponent::procMouseWheel(int, int, int delta)
{
    Edit::EditService* edit = Edit::EditService::Get();
    Edit::Scene* scene = currentScene();
    if (!edit || !scene)
        return;
    scene->cursorFrame = std::clamp(scene->cursorFrame + (delta > 0 ? -1 : 1), 0, std::max(scene->lastFrame, 0));
    if (edit->eventService)
        edit->eventService->cursorFrameChanged(scene->cursorFrame);
}

void PreviewEditComponent::setVisibleLevelMeter(bool visible)
{
    System::Log::info("Edit::EditCommand::setVisibleLevelMeter", "set visible level meter enable=%d", visible ? 1 : 0);
    if (renderService)
        renderService->player.visibleLevelMeter = visible ? 1 : 0;
    procMove();
    procPaint();
}

void PreviewEditComponent::copyImageToClipboard(bool alpha)
{
    const Edit::Scene* scene = currentScene();
    if (!renderService || !scene)
        return;
    auto toClipboard = Edit::makeFrameToClipboard(alpha ? Media::Format::B8G8R8A8Unorm : Media::Format::B8G8R8X8Unorm,
                                                  alpha);
    renderService->videoWorker.requestRenderingFrame(
        Render::RenderTaskType::Single, scene->cursorFrame,
        [toClipboard](int frame, Media::RenderBuffer& buffer, Anchor::AnchorList&) { toClipboard(buffer, frame); });
}

int PreviewEditComponent::findDropLayer(int frame)
{
    const Edit::Scene* scene = currentScene();
    if (!scene)
        return 0;
    const int last = scene->lastLayer;
    for (int layer = std::max(scene->displayLayer, 0); layer <= last; ++layer) {
        const Edit::LayerObjectList& list = scene->getLayer(layer);
        auto it = list.lowerBoundEnd(frame);
        const bool occupied = it != list.objects.end() && (*it)->start <= frame && frame <= (*it)->end;
        if (!occupied)
            return layer;
    }
    return last + 1;
}

bool PreviewEditComponent::procDragOver(int, int, Window::DropInfo& info)
{
    if (info.files.empty())
        return false;
    const std::wstring& first = info.files.front();
    const std::wstring ext = lowerExtension(first);
    const wchar_t* tip = nullptr;
    if (ext == L"vml2")
        tip = L"言語ファイルを設定";
    else if (ext == L"vmp2")
        tip = L"プロジェクトを開く";
    else if (ext == L"object" || Effect::isMediaObjectFile(first.c_str()))
        tip = L"レイヤーに追加";
    if (!tip)
        return false;
    int x = 0, y = 0;
    Platform::Ui::getCursorPos(x, y);
    Window::ToolTips::get().show({x, y + Window::ToolTips::CursorHeight}, tip, 0);
    return true;
}

bool PreviewEditComponent::procDrop(int, int, Window::DropInfo& info)
{
    Window::ToolTips::get().hide();
    if (info.files.empty())
        return false;
    const std::wstring ext = lowerExtension(info.files.front());
    if (ext == L"vml2") {
        if (Translate::TranslateService* translate = Translate::TranslateService::Get())
            translate->registerLanguageFile(info.files.front().c_str());
        return true;
    }
    Edit::EditService* edit = Edit::EditService::Get();
    if (ext == L"vmp2")
        return edit && edit->loadProject(info.files.front(), true, true);
    const Edit::Scene* scene = currentScene();
    if (!scene)
        return false;
    const int frame = scene->cursorFrame;
    int layer = findDropLayer(frame);
    for (const std::wstring& path : info.files) {
        if (lowerExtension(path) == L"object") {
            Edit::EditCommand::loadObjectAlias(path.c_str(), layer++, frame);
            continue;
        }
        const wchar_t* name = Effect::getMediaObjectName(path.c_str());
        if (!name) {
            Dialog::postError(L"このファイルには対応していません");
            return false;
        }
        Edit::EditCommand::createObject(name, layer++, frame,
                                        [path](const std::shared_ptr<Edit::Object>& object, Edit::UpdateSection& update) {
                                            update.scene->updateLayerObject();
                                            Effect::ItemEvent event;
                                            event.code = Effect::ItemEvent::FileSet;
                                            event.update = &update;
                                            event.payload = path.c_str();
                                            object->sendInputItemEvent(event);
                                        });
    }
    return true;
}

void PreviewEditComponent::procContextMenu(int x, int y)
{
    Edit::EditService* edit = Edit::EditService::Get();
    Edit::Scene* scene = currentScene();
    if (!edit || !scene || !renderService)
        return;
    Render::RenderVideoWorker& video = renderService->videoWorker;
    Render::MoviePlayer& player = renderService->player;
    PreviewVideoControl& handles = picture.video;
    if (Anchor::AnchorItem* hit = handles.findAnchor(float(x + clientRect.x - handles.rect.x),
                                                     float(y + clientRect.y - handles.rect.y));
        hit && !PreviewVideoControl::isControlDown()) {
        std::shared_ptr<Edit::Object> object;
        if (hit->id == Anchor::Id::AllPoints)
            object = hit->object;
        else if (Anchor::Id::isSectionPoint(hit->id))
            for (Anchor::AnchorItem* item : handles.interactiveItems)
                if (item->object == hit->object && item->effect == hit->effect && item->id == Anchor::Id::AllPoints)
                    object = item->object;
        if (object)
            edit->selectObject(&handles, object, edit->clickAnchorObjectSelectGroup != 0);
    }
    Window::PopupMenu menu;
    const int cursor = scene->cursorFrame;
    if (scene->selection.objects.empty()) {
        menu.insertItem(L"貼り付け", [] { Edit::EditCommand::pasteObject(); }).setEnable(!edit->objectClipboard.empty());
        menu.insertSeparator();
    } else {
        Dialog::insertObjectEditMenu(menu);
        menu.insertSeparator();
        menu.insertItem(L"中間点を追加", [cursor] { Edit::EditCommand::createSection(cursor); })
            .setEnable(Edit::EditCommand::canAddSection(cursor));
        menu.insertItem(L"中間点を削除", [cursor] { Edit::EditCommand::deleteSection(cursor); })
            .setEnable(Edit::EditCommand::canDeleteSection(cursor));
        menu.insertSeparator();
        Dialog::insertGroupMenu(menu);
        menu.insertSeparator();
    }
    menu.insertItem(L"クリップボードにイメージをコピー", [this] { copyImageToClipboard(false); });
    menu.insertItem(L"クリップボードにイメージをコピー(背景透過)", [this] { copyImageToClipboard(true); });
    menu.insertSeparator();
    menu.insertItem(L"グリッド(XY軸)の表示", [&video] { Edit::EditCommand::setGridXY(!video.gridXY); })
        .setCheck(video.gridXY != 0);
    menu.insertItem(L"グリッド(カメラ制御)の表示", [&video] { Edit::EditCommand::setCameraGrid(!video.cameraGrid); })
        .setCheck(video.cameraGrid != 0);
    menu.insertItem(L"編集視点(カメラ制御)表示", [&video] { Edit::EditCommand::setCameraFreeView(!video.cameraFreeView); })
        .setCheck(video.cameraFreeView != 0);
    menu.insertItem(L"クリッピングオブジェクトの視覚化",
                    [&video] { Edit::EditCommand::setVisibleClippingObjectView(!video.visibleClippingObject); })
        .setCheck(video.visibleClippingObject != 0);
    menu.insertItem(L"音量レベルメーターの表示", [this, &player] { setVisibleLevelMeter(!player.visibleLevelMeter); })
        .setCheck(player.visibleLevelMeter != 0);
    menu.insertSeparator();
    Window::BaseMenu zoom = menu.insertSubMenu(L"拡大表示");
    picture.insertZoomMenu(zoom);
    menu.insertSeparator();
    Window::BaseMenu options = menu.insertSubMenu(L"オプション");
    options.insertItem(L"グリッド(XY軸)の設定", [] { Dialog::GridDialog().show(); });
    options.insertItem(L"グリッド(カメラ制御)の設定", [] { Dialog::GridCameraDialog().show(); });
    options.insertItem(L"音量レベルメーターの設定", [this] {
        if (!Dialog::LevelMeterDialog().show())
            return;
        // The meter recomputes its zones from the new thresholds.
        procMove();
        procPaint();
    });
    options.insertSeparator();
    options.insertItem(L"再生中のみ音量レベルメーターを反映", [this, &player] {
               if (player.levelMeterOnlyPlayback) {
                   player.levelMeterOnlyPlayback = 0;
                   requestCursorFrame();
               } else {
                   player.levelMeterOnlyPlayback = 1;
                   levelMeter.reset();
                   levelMeter.procPaint();
               }
           })
        .setCheck(player.levelMeterOnlyPlayback != 0);
    auto flip = [&options](const wchar_t* text, int& value, std::function<void()> after) {
        options.insertItem(text, [&value, after] {
                   value = value ? 0 : 1;
                   if (after)
                       after();
               })
            .setCheck(value != 0);
    };
    Effect::AnchorHost::EditSettings& anchorSettings = Effect::AnchorHost::get().edit;
    flip(L"シングルクリックでオブジェクトをフォーカス(プレビュー)", edit->singleClickFocusAnchorObject, nullptr);
    flip(L"クリック時にオブジェクトのグループを選択(プレビュー)", edit->clickAnchorObjectSelectGroup, nullptr);
    flip(L"オブジェクトのスナップ(プレビュー)", anchorSettings.anchorObjectMoveSnap, nullptr);
    flip(L"マウスホバー時に対象以外のアンカーを非表示", edit->mouseHoverHideOtherAnchor, nullptr);
    flip(L"オブジェクトの移動軌跡に点を表示", anchorSettings.displayObjectMovePoint, [this] { requestCursorFrame(); });
    flip(L"区間のアンカー表示をオブジェクトの中心位置にする", anchorSettings.displayObjectCenterAnchor,
         [this] { requestCursorFrame(); });
    menu.insertSeparator();
    procWindowMenu(menu);
    menu.show();
}

} // namespace Component
