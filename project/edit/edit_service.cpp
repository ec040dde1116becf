// The edit service's life, scenes, and the current scene's selection, focus and cursor.
#include "project/edit/edit_service.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/translate_service.h"
#include "effect/item_sources.h"
#include "effect/palette.h"
#include "media/figure.h"
#include "project/edit/edit_anchor_host.h"
#include "project/edit/edit_host.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/cache/waveform_cache.h"

#include <algorithm>
#include <cmath>
#include <regex>

namespace Edit {

namespace {

// Whether any layer of the scene holds a placed object.
bool holdsObject(const Scene& scene)
{
    bool found = false;
    scene.layers.forEach([&](int i, const LayerObjectList& list) {
        for (const auto& object : list.objects)
            found |= object->layer == i;
    });
    return found;
}

SceneSettings settingsOf(const Scene& scene)
{
    return {scene.name, scene.width, scene.height, scene.videoRate, scene.videoScale, scene.audioRate};
}

void storeSettings(Scene& scene, const SceneSettings& settings, bool withName)
{
    if (withName)
        scene.name = settings.name;
    scene.width = settings.width;
    scene.height = settings.height;
    scene.videoRate = settings.videoRate;
    scene.videoScale = settings.videoScale;
    scene.audioRate = settings.audioRate;
}

} // namespace

EditService::EditService() : eventService(Event::EventService::Get()), undoService(Undo::UndoService::Get())
{
    auto host = std::make_unique<EditAnchorHost>(*this);
    anchorHost = host.get();
    Effect::AnchorHost::EditSettings& handles = anchorHost->edit;
    auto integer = [this](const char* key, int* bound, int value) { intSettings.emplace_back(settings, key, bound, value); };
    auto text = [this](const char* key, std::wstring* bound, const wchar_t* value) {
        textSettings.emplace_back(settings, key, bound, value);
    };
    integer("EditResume", &editResume, 0);
    integer("AutoBackup", &autoBackup, 1);
    integer("AutoBackupInterval", &autoBackupInterval, 5);
    integer("AutoBackupFileMax", &autoBackupFileMax, 10);
    integer("HistoryFileMax", &historyFileMax, 10);
    integer("LayerObjectMoveSnap", &layerObjectMoveSnap, 1);
    integer("AnchorObjectMoveSnap", &handles.anchorObjectMoveSnap, 1);
    integer("SingleClickFocusLayerObject", &singleClickFocusLayerObject, 1);
    integer("SingleClickFocusAnchorObject", &singleClickFocusAnchorObject, 0);
    integer("ClickLayerObjectSelectGroup", &clickLayerObjectSelectGroup, 1);
    integer("ClickAnchorObjectSelectGroup", &clickAnchorObjectSelectGroup, 1);
    integer("DisplayObjectMovePoint", &handles.displayObjectMovePoint, 1);
    integer("DisplayObjectCenterAnchor", &handles.displayObjectCenterAnchor, 0);
    integer("MouseHoverHideOtherAnchor", &mouseHoverHideOtherAnchor, 0);
    integer("AddSectionSplitByCursorFrame", &addSectionSplitByCursorFrame, 0);
    integer("FixedMovieTimeRange", &fixedMovieTimeRange, 0);
    integer("MoveFrameSelectRangeMode", &moveFrameSelectRangeMode, 1);
    text("CustomMoveFrameA", &customMoveFrameA, L"5f");
    text("CustomMoveFrameB", &customMoveFrameB, L"1");
    text("CustomMoveFrameC", &customMoveFrameC, L"30");
    text("CustomMoveFrameD", &customMoveFrameD, L"60");
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    Effect::AnchorHost::install(std::move(host));

    projectHistory.maxCount = 50;
    backupHistory.maxCount = 50;
    projectHistory.loadFileList();
    backupHistory.loadFileList();
    if (eventService) {
        // The lists outlive the service: they reach it through its accessor.
        eventService->startup.push_back([] {
            if (EditService* service = EditService::Get())
                service->startup();
        });
        eventService->shutdown.push_back([] {
            if (EditService* service = EditService::Get())
                service->shutdown();
        });
    }
    // The waveform builds end before the current scene changes.
    drainWaveform = [] {
        if (Cache::CacheService* caches = Cache::CacheService::Get(); caches && caches->waveformCache)
            caches->waveformCache->drain();
    };
    {
        UpdateSection update(*this);
        setCurrentScene(0);
    }
    // Naming a swatch rebuilds the preset colours as an edit its listeners hear of.
    Effect::PaletteManager::presetColorEdit = [](Effect::PaletteManager& palettes) {
        UpdateSection update;
        update.notifyEdit = true;
        palettes.reloadPresetColor();
    };
    // Mask items name the open project's scenes; without these lookups a
    // scene chosen as a mask was read back, and kept, as the first figure.
    Effect::ItemSources::sceneName = [this](int id) {
        const auto it = project.scenes.find(id);
        return it == project.scenes.end() ? std::wstring() : it->second->name;
    };
    Effect::ItemSources::findScene = [this](const std::wstring& name) {
        for (const std::shared_ptr<Scene>& scene : project.getSceneList())
            if (scene->name == name)
                return scene->id;
        return -1;
    };
    // The background figure fills the current scene. Figures are drawn while
    // a frame renders, under the project lock held shared, so the scene
    // cannot be replaced while it is read.
    Resource::setSceneSizeSource([this](int& width, int& height) {
        const std::shared_ptr<Scene> scene = currentScene;
        width = scene->width;
        height = scene->height;
    });
}

EditService::~EditService()
{
    Resource::setSceneSizeSource(nullptr);
    Effect::ItemSources::sceneName = nullptr;
    Effect::ItemSources::findScene = nullptr;
    Effect::PaletteManager::presetColorEdit = Effect::PaletteManager::rebuildPresetColors;
    currentScene.reset();
    if (undoService)
        undoService->history = nullptr;
    projectHistory.saveFileList();
    backupHistory.saveFileList();
    backupHistory.clearAutoBackupTimer();
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
    // The anchor host holds the handle settings: it goes after they were written.
    Effect::AnchorHost::install(nullptr);
    anchorHost = nullptr;
}

void EditService::logCurrentScene(const char* place) const
{
    System::Log::info(place, L"set current scnene [%s](%d)", currentScene->name.c_str(), currentScene->id);
}

void EditService::setFooter(const wchar_t* title)
{
    std::wstring text = title;
    if (!text.empty() && Translate::TranslateService::enabled && Translate::TranslateService::Get())
        text = Translate::TranslateService::Get()->message.translate(title);
    EditHost::get().setFooterMessage(text, L"", 0.0f);
}

// ---- scenes ----

void EditService::setCurrentScene(int id)
{
    if (drainWaveform)
        drainWaveform();
    project.currentSceneId = id;
    currentScene = project.getScene(id);
    if (undoService)
        undoService->history = &currentScene->undoHistory;
}

void EditService::updateScene(int id)
{
    UpdateSection update(*this);
    update.notifyScene = true;
    update.sceneId = id;
    setCurrentScene(id);
    logCurrentScene("Edit::EditService::updateScene");
}

bool EditService::newScene()
{
    const Scene& current = *currentScene;
    return createScene(Scene::getDefaultName(project.getFreeSceneId()), current.width, current.height,
                       current.videoRate, current.videoScale, current.audioRate);
}

bool EditService::createScene(const std::wstring& name, int width, int height, int videoRate, int videoScale,
                              int audioRate)
{
    SceneSettings chosen{name, width, height, videoRate, videoScale, audioRate};
    if (!EditHost::get().showSceneDialog(L"シーンを作成", chosen, true))
        return false;
    const int id = project.getFreeSceneId();
    UpdateSection update(*this);
    update.notifyScene = true;
    update.sceneId = id;
    setCurrentScene(id);
    System::Log::info("Edit::EditService::createScene", L"set current scnene (create) [%s](%d)",
                      currentScene->name.c_str(), id);
    storeSettings(*currentScene, chosen, true);
    return true;
}

void EditService::renameScene(int id)
{
    auto it = project.scenes.find(id);
    if (it == project.scenes.end())
        return;
    const std::shared_ptr<Scene> scene = it->second;
    std::wstring name = scene->name;
    if (!EditHost::get().inputString(L"シーン名を変更", name))
        return;
    UpdateSection update(*this);
    update.notifyScene = true;
    update.sceneId = currentScene->id;
    scene->name = name;
    System::Log::info("Edit::EditService::renameScene", L"update scnene name [%s](%d)", name.c_str(), id);
}

void EditService::settingScene(int id)
{
    auto it = project.scenes.find(id);
    if (it == project.scenes.end())
        return;
    const std::shared_ptr<Scene> scene = it->second;
    SceneSettings chosen = settingsOf(*scene);
    if (!EditHost::get().showSceneDialog(L"シーンの設定", chosen, true))
        return;
    UpdateSection update(*this);
    update.notifyScene = true;
    update.sceneId = currentScene->id;
    storeSettings(*scene, chosen, true);
    System::Log::info("Edit::EditService::settingScene", L"update scnene setting [%s](%d)", scene->name.c_str(), id);
}

void EditService::deleteScene(int id)
{
    if (id == 0)
        return;
    auto it = project.scenes.find(id);
    if (it == project.scenes.end())
        return;
    const bool current = id == currentScene->id;
    // Asked about the scene that goes, whichever scene is shown.
    if (holdsObject(*it->second) &&
        !EditHost::get().showConfirm(current ? L"現在のシーンを削除しますか？" : L"シーンを削除しますか？"))
        return;
    System::Log::info("Edit::EditService::deleteScene", "delete scnene (%d)", id);
    UpdateSection update(*this);
    update.notifyScene = true;
    if (current) {
        update.sceneId = 0;
        setCurrentScene(0);
        logCurrentScene("Edit::EditService::deleteScene");
    } else {
        update.sceneId = currentScene->id;
    }
    project.deleteScene(id);
}

// ---- selection, focus and cursor ----

void EditService::setFocusObject(const std::shared_ptr<Object>& object)
{
    if (currentScene->focusObject == object)
        return;
    currentScene->focusObject = object;
    if (eventService) {
        std::shared_ptr<Object> focus = object;
        eventService->focusObjectChanged(focus);
    }
}

void EditService::setCursorFrame(int frame)
{
    frame = std::clamp(frame, 0, std::max(currentScene->lastFrame, 0));
    currentScene->cursorFrame = frame;
    if (eventService)
        eventService->cursorFrameChanged(frame);
}

void EditService::moveCursorFrame(const std::wstring& amount, int direction)
{
    static const std::wregex pattern(L"^([0-9]+)([.]?[0-9]+|f)?$");
    std::wsmatch match;
    // Amounts come from the settings file: a text longer than any number is no amount.
    if (amount.size() > 64 || !std::regex_match(amount, match, pattern))
        return;
    try {
        const Scene& scene = *currentScene;
        double frames;
        if (match[2].matched && match[2].str() == L"f") {
            frames = std::stoi(match[1].str());
        } else {
            const double seconds = std::stod(amount);
            if (scene.videoScale == 0)
                return;
            frames = std::round(static_cast<double>(scene.videoRate) * seconds / scene.videoScale);
        }
        // In double: a move of any size clamps instead of overflowing.
        const double target = static_cast<double>(direction) * frames + scene.cursorFrame;
        if (std::isnan(target))
            return;
        const int last = std::max(scene.lastFrame, 0);
        const int frame = target <= 0.0 ? 0 : target >= last ? last : static_cast<int>(target);
        currentScene->cursorFrame = frame;
        if (eventService)
            eventService->cursorFrameChanged(frame);
    } catch (const std::exception&) {
        // A number too large for an int, or listeners that failed: the move is dropped.
    }
}

bool EditService::addSelectObject(const std::shared_ptr<Object>& object, bool notify)
{
    ObjectSelection& selection = currentScene->selection;
    if (std::find(selection.objects.begin(), selection.objects.end(), object) != selection.objects.end())
        return false;
    if (!currentScene->getLayer(object->layer).layer->lock) {
        selection.hasLayerControl |= object->layerControl;
        selection.maxLayer = std::max(selection.maxLayer, object->layer);
        selection.reselected = nullptr;
        object->selected = true;
        selection.objects.push_back(object);
    }
    if (notify && eventService)
        eventService->selectionChanged();
    return true;
}

void EditService::clearSelectObject(bool notify)
{
    ObjectSelection& selection = currentScene->selection;
    if (selection.objects.empty())
        return;
    selection.clear();
    if (notify && eventService)
        eventService->selectionChanged();
}

namespace {
constexpr int WatchControlKey = 17;
constexpr int WatchMouseRelease = 0x10000;
} // namespace

void EditService::selectObject(Window::WindowControl* control, const std::shared_ptr<Object>& object, bool withGroup)
{
    if (withGroup) {
        if (!currentScene->selection.addObjectWithGroup(object, *currentScene))
            return;
        if (eventService)
            eventService->selectionChanged();
    } else if (!addSelectObject(object, true)) {
        return;
    }
    EditHost& host = EditHost::get();
    if (host.getKeyWatch(control) == 0)
        host.setKeyWatch(control, WatchControlKey);
}

void EditService::clickClearSelectObject(Window::WindowControl* control)
{
    if (currentScene->selection.objects.empty())
        return;
    EditHost& host = EditHost::get();
    const int watch = host.getKeyWatch(control);
    const bool mayWatch = watch == 0 || watch == WatchControlKey;
    if (host.isControlKeyDown()) {
        if (mayWatch)
            host.setKeyWatch(control, WatchControlKey);
        return;
    }
    if (host.isMousePending()) {
        if (mayWatch)
            host.setKeyWatch(control, WatchMouseRelease);
        return;
    }
    clearSelectObject(true);
}

std::wstring EditService::getLayerName(int layer) const
{
    const std::wstring& name = currentScene->getLayer(layer).layer->name;
    if (!name.empty())
        return name;
    const wchar_t* word = L"Layer";
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        word = Translate::TranslateService::Get()->name.translate(word);
    return word + std::to_wstring(layer + 1);
}

} // namespace Edit
