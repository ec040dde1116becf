#include "ui/menus/menubar/display_menu.h"

#include "core/setting_service.h"
#include "core/translate_service.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/model/frame_zoom.h"
#include "project/model/scene.h"
#include "ui/editor/panes/explorer_component.h"
#include "ui/editor/preview/picture_geometry.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/timeline_commands.h"
#include "ui/window/window_client.h"
#include "ui/window/window_menu.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace Menu {

namespace {
Component::PreviewEditComponent* preview()
{
    return Component::PreviewEditComponent::Get();
}

bool isExplorerSection(const Window::WindowClient& client)
{
    return std::strncmp(client.section.name, "Window.explorer", 15) == 0;
}

std::wstring translatedTitle(const wchar_t* title)
{
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    return translate ? std::wstring(translate->translateMenu(title ? title : L"")) : std::wstring(title ? title : L"");
}
} // namespace

DisplayMenu::DisplayMenu(Window::WindowMenu& menu) : MenuBase(menu), editService(Edit::EditService::Get()) {}

void DisplayMenu::togglePanel(Window::WindowClient* client)
{
    Window::WindowService* window = Window::WindowService::Get();
    if (!client || !window)
        return;
    const bool show = !client->isVisible();
    if (show)
        window->makeRoomForClient(client);
    client->setVisible(show);
    window->updateWindowLayout();
}

std::vector<std::pair<int, std::wstring>> DisplayMenu::previewZoomItems()
{
    std::wstring list;
    if (Setting::SettingService* settings = Setting::SettingService::Get())
        list = settings->system.config.get("PreviewZoom").toString(L"");
    // A part that is no whole number (a typo) is skipped, as the preview's own zoom menu does.
    std::vector<std::pair<int, std::wstring>> items;
    for (int level : Component::parseZoomList(list))
        items.emplace_back(level, level == 0 ? std::wstring(L"WindowSize") : std::to_wstring(level) + L"%");
    return items;
}

int DisplayMenu::steppedZoom(int current, int fitZoom, float factor)
{
    const float from = float(current == 0 ? fitZoom : current);
    const long stepped = std::lround(from * factor);
    return int(std::clamp<long>(stepped, 10, 4000));
}

void DisplayMenu::zoomPreview(float factor)
{
    Component::PreviewEditComponent* p = preview();
    if (!p)
        return;
    p->picture.setZoom(steppedZoom(p->displayZoom, p->displayZoom == 0 ? p->getFitZoom() : 0, factor));
}

void DisplayMenu::zoomTimeline(int steps)
{
    Component::EditComponent* timeline = Component::EditComponent::Get();
    if (!timeline || !editService || !editService->currentScene)
        return;
    const Edit::Scene& scene = *editService->currentScene;
    timeline->setFrameZoom(Edit::FrameZoom::stepZoomLevel(scene.displayZoom.zoom, steps), scene.cursorFrame);
}

void DisplayMenu::playOrStop(bool returnToStart, bool fillBufferFirst)
{
    if (!renderService || !editService || !editService->currentScene)
        return;
    if (editService->currentScene->playing)
        renderService->player.stop(returnToStart);
    else
        renderService->player.play(fillBufferFirst);
}

void DisplayMenu::initialize()
{
    Window::WindowMenu& m = *menu;
    Window::WindowService* window = Window::WindowService::Get();
    const auto inSub = [&m](Window::BaseMenu& sub, const std::wstring& text, std::function<void()> command) {
        Window::MenuItem item = sub.insertItem(text, std::move(command));
        item.menuTitle = m.title;
        return item;
    };

    // Panels, in the window's order; the explorers go to their sub-menu.
    std::vector<Window::WindowClient*> explorers;
    const std::vector<Window::WindowClient*> clients = window ? window->clients : std::vector<Window::WindowClient*>();
    for (Window::WindowClient* client : clients) {
        if (isExplorerSection(*client)) {
            explorers.push_back(client);
            continue;
        }
        m.insertItem(translatedTitle(client->title), [client] { togglePanel(client); })
            .setCheck([client] { return client->isVisible(); })
            .setShortcut(0);
    }
    Window::BaseMenu explorerMenu(m, L"メディアエクスプローラー");
    for (Window::WindowClient* client : explorers) {
        auto* explorer = dynamic_cast<Component::ExplorerComponent*>(client);
        if (!explorer)
            continue;
        auto shown = std::make_shared<std::wstring>();
        inSub(explorerMenu, translatedTitle(client->title), [client] { togglePanel(client); })
            .setCheck([client] { return client->isVisible(); })
            .setText([explorer, shown] {
                *shown = explorer->getBookmarkName();
                if (shown->empty())
                    *shown = translatedTitle(explorer->title);
                return shown->c_str();
            })
            .setShortcut(0);
    }
    m.insertSeparator();

    Window::BaseMenu previewZoom(m, L"プレビュー編集の拡大表示");
    for (const auto& [level, text] : previewZoomItems()) {
        const int z = level;
        inSub(previewZoom, text, [z] {
            if (Component::PreviewEditComponent* p = preview())
                p->picture.setZoom(z);
        }).setShortcut(0);
    }
    previewZoom.insertSeparator();
    inSub(previewZoom, L"ズームイン", [this] { zoomPreview(1.1f); }).setShortcut(0x6B);
    inSub(previewZoom, L"ズームアウト", [this] { zoomPreview(0.9f); }).setShortcut(0x6D);
    Window::BaseMenu timelineZoom(m, L"レイヤー編集の拡大表示");
    inSub(timelineZoom, L"ズームイン(レイヤー)", [this] { zoomTimeline(1); }).setShortcut(0xDE);
    inSub(timelineZoom, L"ズームアウト(レイヤー)", [this] { zoomTimeline(-1); }).setShortcut(0xDC);
    m.insertSeparator();

    const auto timelineSetting = [](int Component::TimelineSettings::*field) {
        return [field] {
            const Component::EditComponent* timeline = Component::EditComponent::Get();
            return timeline && timeline->settings.*field != 0;
        };
    };
    Render::RenderService* render = renderService;
    const auto videoSetting = [render](int Render::RenderVideoWorker::*field) {
        return [render, field] { return render && render->videoWorker.*field != 0; };
    };
    m.insertItem(L"グリッド(BPM)の表示", Edit::EditCommand::setTempoGrid)
        .setCheck(timelineSetting(&Component::TimelineSettings::tempoGrid))
        .setShortcut(0);
    m.insertItem(L"グリッド(XY軸)の表示", [render] {
         if (render)
             Edit::EditCommand::setGridXY(!render->videoWorker.gridXY);
     })
        .setCheck(videoSetting(&Render::RenderVideoWorker::gridXY))
        .setShortcut(0);
    m.insertItem(L"グリッド(カメラ制御)の表示", [render] {
         if (render)
             Edit::EditCommand::setCameraGrid(!render->videoWorker.cameraGrid);
     })
        .setCheck(videoSetting(&Render::RenderVideoWorker::cameraGrid))
        .setShortcut(0);
    m.insertItem(L"音声波形の表示", Edit::EditCommand::setWaveform)
        .setCheck(timelineSetting(&Component::TimelineSettings::displayWaveform))
        .setShortcut(0);
    m.insertItem(L"編集視点(カメラ制御)表示", [render] {
         if (render)
             Edit::EditCommand::setCameraFreeView(!render->videoWorker.cameraFreeView);
     })
        .setCheck(videoSetting(&Render::RenderVideoWorker::cameraFreeView))
        .setShortcut(0);
    m.insertItem(L"クリッピングオブジェクトの視覚化", [render] {
         if (render)
             Edit::EditCommand::setVisibleClippingObjectView(!render->videoWorker.visibleClippingObject);
     })
        .setCheck(videoSetting(&Render::RenderVideoWorker::visibleClippingObject))
        .setShortcut(0);
    m.insertItem(L"音量レベルメーターの表示", [render] {
         Component::PreviewEditComponent* p = preview();
         if (render && p)
             p->setVisibleLevelMeter(!render->player.visibleLevelMeter);
     })
        .setCheck([render] { return render && render->player.visibleLevelMeter != 0; })
        .setShortcut(0);
    m.insertSeparator();

    Window::BaseMenu play(m, L"プレビュー再生");
    inSub(play, L"プレビュー再生・停止", [this] { playOrStop(true, false); }).setShortcut(0);
    inSub(play, L"プレビュー再生・一時停止", [this] { playOrStop(false, false); }).setShortcut(0x20);
    inSub(play, L"再生バッファの最大まで取得して再生", [this] { playOrStop(true, true); }).setShortcut(0);
}

} // namespace Menu
