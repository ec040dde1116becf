#include "ui/menus/menubar/edit_menu.h"

#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "io/input/input_service.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/audio_cache.h"
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "render/cache/waveform_cache.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/window/window_menu.h"

#include <algorithm>

namespace Menu {

namespace {
namespace Command = Edit::EditCommand;
using ObjectPtr = std::shared_ptr<Edit::Object>;

Edit::EditService* editService()
{
    Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit : nullptr;
}

// A rule over the current scene; false without one.
std::function<bool()> rule(bool (*test)(const Edit::Scene&))
{
    return [test] {
        const Edit::EditService* edit = editService();
        return edit && test(*edit->currentScene);
    };
}

bool placedFocus(const Edit::Scene& scene)
{
    return scene.focusObject && scene.focusObject->layer >= 0;
}

int cursorOf(const Edit::Scene& scene)
{
    return scene.cursorFrame;
}

void setCursor(int frame)
{
    if (Edit::EditService* edit = editService())
        edit->setCursorFrame(frame);
}

int lastFrameOf(const Edit::Scene& scene)
{
    return std::max(scene.lastFrame, 0);
}

void copyFrame(bool alpha)
{
    if (Component::PreviewEditComponent* preview = Component::PreviewEditComponent::Get())
        preview->copyImageToClipboard(alpha);
}
} // namespace

// ---- cursor ----

void EditMenu::moveNextFrame()
{
    if (const Edit::EditService* edit = editService()) {
        const Edit::Scene& s = *edit->currentScene;
        setCursor(std::max(std::min(s.cursorFrame + 1, s.lastFrame), 0));
    }
}

void EditMenu::movePrevFrame()
{
    if (const Edit::EditService* edit = editService()) {
        const Edit::Scene& s = *edit->currentScene;
        // The last frame wins when the two bounds cross.
        setCursor(std::min(std::max(s.cursorFrame - 1, 0), s.lastFrame));
    }
}

void EditMenu::moveFirstFrame()
{
    if (editService())
        setCursor(0);
}

void EditMenu::moveLastFrame()
{
    if (const Edit::EditService* edit = editService())
        setCursor(lastFrameOf(*edit->currentScene));
}

void EditMenu::moveSelectionStart()
{
    if (const Edit::EditService* edit = editService()) {
        const Edit::Scene& s = *edit->currentScene;
        setCursor(rangeSet(s) ? s.frameSelectionStart : 0);
    }
}

void EditMenu::moveSelectionEnd()
{
    if (const Edit::EditService* edit = editService()) {
        const Edit::Scene& s = *edit->currentScene;
        setCursor(rangeSet(s) ? std::max(std::min(s.frameSelectionEnd, s.lastFrame), 0) : lastFrameOf(s));
    }
}

void EditMenu::moveCustom(wchar_t letter, int direction)
{
    Edit::EditService* edit = editService();
    if (!edit)
        return;
    const std::wstring* amount = nullptr;
    switch (letter) {
    case L'A': amount = &edit->customMoveFrameA; break;
    case L'B': amount = &edit->customMoveFrameB; break;
    case L'C': amount = &edit->customMoveFrameC; break;
    case L'D': amount = &edit->customMoveFrameD; break;
    default: return;
    }
    edit->moveCursorFrame(*amount, direction);
}

// ---- focus object ----

void EditMenu::focusObjectAtCursor()
{
    Edit::EditService* edit = editService();
    if (!edit)
        return;
    const Edit::Scene& s = *edit->currentScene;
    const int cursor = cursorOf(s);
    const int n = s.lastLayer + 1;
    int first = 0;
    if (placedFocus(s) && s.focusObject->start <= cursor && cursor <= s.focusObject->end)
        first = s.focusObject->layer + 1;
    for (int i = 0; i < n; ++i) {
        const Edit::LayerObjectList& list = s.getLayer((first + i) % n);
        const auto it = list.lowerBoundEnd(cursor);
        if (it != list.objects.end() && (*it)->start <= cursor) {
            const ObjectPtr object = *it;
            edit->setFocusObject(object);
            return;
        }
    }
}

void EditMenu::focusNextObject()
{
    Edit::EditService* edit = editService();
    if (!edit || !placedFocus(*edit->currentScene))
        return;
    const ObjectPtr focus = edit->currentScene->focusObject;
    const Edit::LayerObjectList& list = edit->currentScene->getLayer(focus->layer);
    const auto it = list.lowerBoundEnd(focus->end + 1);
    if (it == list.objects.end())
        return;
    const ObjectPtr next = *it;
    edit->setFocusObject(next);
    edit->setCursorFrame(next->start);
}

void EditMenu::focusPrevObject()
{
    Edit::EditService* edit = editService();
    if (!edit || !placedFocus(*edit->currentScene))
        return;
    const ObjectPtr focus = edit->currentScene->focusObject;
    const Edit::LayerObjectList& list = edit->currentScene->getLayer(focus->layer);
    auto it = list.upperBoundStart(focus->start - 1);
    if (it == list.objects.begin())
        return;
    const ObjectPtr previous = *--it;
    edit->setFocusObject(previous);
    edit->setCursorFrame(previous->start);
}

// ---- objects ----

void EditMenu::toggleShowObject()
{
    Edit::EditService* edit = editService();
    if (!edit)
        return;
    bool enable = false;
    {
        const Command::Targets targets(*edit->currentScene);
        if (targets.empty())
            return;
        const ObjectPtr& first = targets.targets().front();
        if (first->effects.empty() || !first->effects.front())
            return;
        enable = first->effects.front()->disable;
    }
    Command::setEnableObject(enable);
}

void EditMenu::undo()
{
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->undo();
}

void EditMenu::redo()
{
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->redo();
}

void EditMenu::discardCaches()
{
    Edit::EditService* edit = editService();
    if (!edit)
        return;
    Edit::UpdateSection update(*edit);
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
    update.notifyEdit = true;
    // Each clear waits for the loads queued before it.
    if (Cache::CacheService* cache = Cache::CacheService::Get()) {
        if (cache->imageCache)
            cache->imageCache->cache.clear();
        if (cache->audioCache)
            cache->audioCache->cache.clear();
        if (cache->waveformCache)
            cache->waveformCache->cache.clear();
    }
    // Closes the open files and advances the media generation, so every media
    // object reads its file's information again.
    if (Plugin::InputService* input = Plugin::InputService::Get())
        input->clearFileCache();
    if (Effect::EffectService* effects = Effect::EffectService::Get())
        effects->registerScript();
}

// ---- rules ----

bool EditMenu::targetsExist(const Edit::Scene& scene)
{
    return !scene.selection.objects.empty() || placedFocus(scene);
}

bool EditMenu::rangeSet(const Edit::Scene& scene)
{
    return scene.frameSelectionStart >= 0 && scene.frameSelectionEnd >= 0;
}

bool EditMenu::canDeleteSectionAtCursor(const Edit::Scene& scene)
{
    const int cursor = scene.cursorFrame;
    return scene.checkTargetObject([cursor](const ObjectPtr& object) {
        const int section = object->getSectionIndex(cursor);
        return object->getSectionStart(section) == cursor && object->canSplitSection(cursor);
    });
}

bool EditMenu::canClearGroup(const Edit::Scene& scene)
{
    if (!scene.selection.objects.empty())
        return std::all_of(scene.selection.objects.begin(), scene.selection.objects.end(),
                           [](const ObjectPtr& object) { return object && object->group != nullptr; });
    return placedFocus(scene) && scene.focusObject->group != nullptr;
}

// ---- the menu ----

void EditMenu::initialize()
{
    Window::WindowMenu& m = *menu;
    const auto always = [](Window::MenuItem item, int code) { item.setShortcut(code); };
    const auto ruled = [](Window::MenuItem item, int code, std::function<bool()> enable) {
        item.setShortcut(code).setEnable(std::move(enable));
    };
    const std::function<bool()> targets = rule(targetsExist);

    // Items of a sub-menu carry the menu's title in their shortcut names.
    const auto in = [&m](Window::BaseMenu& sub, const wchar_t* text, std::function<void()> command) {
        Window::MenuItem item = sub.insertItem(text, std::move(command));
        item.menuTitle = m.title;
        return item;
    };

    Window::BaseMenu move(m, L"移動");
    always(in(move, L"次のフレームに移動", moveNextFrame), 0x27);
    always(in(move, L"前のフレームに移動", movePrevFrame), 0x25);
    always(in(move, L"次のセクションに移動", Command::moveToNextSection), 0x28);
    always(in(move, L"前のセクションに移動", Command::moveToPrevSection), 0x26);
    always(in(move, L"先頭のフレームに移動", moveFirstFrame), 0x24);
    always(in(move, L"最後のフレームに移動", moveLastFrame), 0x23);
    always(in(move, L"選択開始フレームに移動", moveSelectionStart), 0);
    always(in(move, L"選択終了フレームに移動", moveSelectionEnd), 0);
    move.insertSeparator();
    always(in(move, L"カスタムフレーム次移動A", [] { moveCustom(L'A', 1); }), 0x22);
    always(in(move, L"カスタムフレーム前移動A", [] { moveCustom(L'A', -1); }), 0x21);
    always(in(move, L"カスタムフレーム次移動B", [] { moveCustom(L'B', 1); }), 0);
    always(in(move, L"カスタムフレーム前移動B", [] { moveCustom(L'B', -1); }), 0);
    always(in(move, L"カスタムフレーム次移動C", [] { moveCustom(L'C', 1); }), 0);
    always(in(move, L"カスタムフレーム前移動C", [] { moveCustom(L'C', -1); }), 0);
    always(in(move, L"カスタムフレーム次移動D", [] { moveCustom(L'D', 1); }), 0);
    always(in(move, L"カスタムフレーム前移動D", [] { moveCustom(L'D', -1); }), 0);
    move.insertSeparator();
    always(in(move, L"指定時間に移動", Command::moveToTime), 0);
    m.insertSeparator();

    ruled(m.insertItem(L"オブジェクトを切り取り", [] { Command::cutObject(false); }), 0x4058, targets);
    ruled(m.insertItem(L"オブジェクトをコピー", Command::copyObject), 0x4043, targets);
    ruled(m.insertItem(L"オブジェクトを貼り付け", [] { Command::pasteObject(); }), 0x4056, [] {
        const Edit::EditService* edit = editService();
        return edit && !edit->objectClipboard.empty();
    });
    ruled(m.insertItem(L"オブジェクトを削除", Command::deleteObject), 0x2E, targets);
    ruled(m.insertItem(L"オブジェクトを複製", Command::duplicateObject), 0x4044, targets);
    ruled(m.insertItem(L"オブジェクトを分割",
                       [] {
                           if (const Edit::EditService* edit = editService())
                               Command::splitObject(edit->currentScene->cursorFrame);
                       }),
          0x53, rule([](const Edit::Scene& s) {
              const int cursor = s.cursorFrame;
              return s.checkTargetObject([cursor](const ObjectPtr& o) { return o->start < cursor && cursor <= o->end; });
          }));
    m.insertSeparator();

    ruled(m.insertItem(L"オブジェクトを左側に詰める", Command::removeObjectLeftGap), 0, targets);
    ruled(m.insertItem(L"オブジェクトを切り取りして詰める", [] { Command::cutObject(true); }), 0x6058, targets);
    ruled(m.insertItem(L"オブジェクトを切り出し", Command::trimObject), 0x4054,
          rule([](const Edit::Scene& s) { return targetsExist(s) && rangeSet(s); }));
    ruled(m.insertItem(L"オブジェクトの長さを変更", Command::changeObjectLength), 0, targets);
    m.insertSeparator();

    always(m.insertItem(L"クリップボードにイメージをコピー", [] { copyFrame(false); }), 0);
    always(m.insertItem(L"クリップボードにイメージをコピー(背景透過)", [] { copyFrame(true); }), 0);
    m.insertSeparator();

    ruled(m.insertItem(L"オブジェクトの中間点を追加",
                       [] {
                           if (const Edit::EditService* edit = editService())
                               Command::createSection(edit->currentScene->cursorFrame);
                       }),
          0x50, rule([](const Edit::Scene& s) {
              const int cursor = s.cursorFrame;
              return s.checkTargetObject([cursor](const ObjectPtr& o) { return o->canAddSectionAt(cursor); });
          }));
    ruled(m.insertItem(L"オブジェクトの中間点を削除",
                       [] {
                           if (const Edit::EditService* edit = editService())
                               Command::deleteSection(edit->currentScene->cursorFrame);
                       }),
          0, rule(canDeleteSectionAtCursor));
    m.insertSeparator();

    ruled(m.insertItem(L"オブジェクトのグループ化", Command::setGroup), 0x4047,
          rule([](const Edit::Scene& s) { return s.selection.objects.size() >= 2; }));
    ruled(m.insertItem(L"オブジェクトのグループ解除", Command::clearGroup), 0x6047, rule(canClearGroup));
    m.insertSeparator();

    ruled(m.insertItem(L"オブジェクトの表示・非表示", toggleShowObject), 0, targets);
    m.insertSeparator();

    Window::BaseMenu range(m, L"フレーム範囲選択");
    always(in(range, L"現在のフレームを選択開始フレームにする",
              [] {
                  if (const Edit::EditService* edit = editService())
                      Edit::TimelineHost::get().setFrameSelection(edit->currentScene->cursorFrame, -1);
              }),
           0xDB);
    always(in(range, L"現在のフレームを選択終了フレームにする",
              [] {
                  if (const Edit::EditService* edit = editService())
                      Edit::TimelineHost::get().setFrameSelection(-1, edit->currentScene->cursorFrame);
              }),
           0xDD);
    ruled(in(range, L"フレーム範囲選択を解除",
             [] {
                 if (editService())
                     Edit::TimelineHost::get().setFrameSelection(-1, -1);
             }),
          0, rule(rangeSet));
    m.insertSeparator();

    always(m.insertItem(L"現在のフレームのオブジェクトを選択", focusObjectAtCursor), 0x09);
    always(m.insertItem(L"次のオブジェクトを選択", focusNextObject), 0xBE);
    always(m.insertItem(L"前のオブジェクトを選択", focusPrevObject), 0xBC);
    m.insertSeparator();

    ruled(m.insertItem(L"元に戻す", undo), 0x405A, [] {
        const Undo::UndoService* u = Undo::UndoService::Get();
        return u && u->history && u->history->position < int(u->history->steps.size());
    });
    ruled(m.insertItem(L"やり直し", redo), 0x605A, [] {
        const Undo::UndoService* u = Undo::UndoService::Get();
        return u && u->history && u->history->position != 0;
    });
    m.insertSeparator();

    always(m.insertItem(L"キャッシュを破棄", discardCaches), 0x74);
}

} // namespace Menu
