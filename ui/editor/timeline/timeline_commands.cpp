#include "ui/editor/timeline/timeline_commands.h"

#include "core/log.h"
#include "core/setting_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/menus/modal_point.h"
#include "ui/window/base_menu.h"

#include <cmath>

namespace Component {

namespace {

// An item that inverts an integer setting, checked while it is on.
void toggleItem(Window::BaseMenu& menu, const wchar_t* text, int& setting, std::function<void()> after = {})
{
    int* value = &setting;
    menu.insertItem(text, [value, after] {
        *value = *value ? 0 : 1;
        if (after)
            after();
    }).setCheck(setting != 0);
}

} // namespace

void insertTimelineOptionMenu(EditComponent& timeline, Window::BaseMenu& menu)
{
    TimelineSettings& s = timeline.settings;
    menu.insertItem(L"グリッド(BPM)の表示", [] { Edit::EditCommand::setTempoGrid(); }).setCheck(s.tempoGrid != 0);
    menu.insertItem(L"音声波形の表示", [] { Edit::EditCommand::setWaveform(); }).setCheck(s.displayWaveform != 0);
    menu.insertSeparator();
    Window::BaseMenu options(menu, L"オプション");
    options.insertItem(L"グリッド(BPM)の設定", [&timeline] { timeline.showGridTempDialog(); });
    options.insertSeparator();
    Edit::EditService& edit = timeline.view.edit;
    auto repaint = [&timeline] { timeline.procPaint(); };
    toggleItem(options, L"シングルクリックでオブジェクトをフォーカス(レイヤー)", edit.singleClickFocusLayerObject);
    toggleItem(options, L"クリック時にオブジェクトのグループを選択(レイヤー)", edit.clickLayerObjectSelectGroup);
    toggleItem(options, L"オブジェクトのスナップ(レイヤー)", edit.layerObjectMoveSnap);
    toggleItem(options, L"マウスホイールで縦スクロール(レイヤー)", s.layerWheelMode);
    toggleItem(options, L"中間点追加・分割を現在のフレームで行う", edit.addSectionSplitByCursorFrame);
    toggleItem(options, L"音声波形表示時はオブジェクト名を非表示", s.hideObjectNameWaveform, repaint);
    toggleItem(options, L"オブジェクト名を常に先頭から表示", s.displayObjectNameFromHead);
    toggleItem(options, L"オブジェクトの区間変更時に時間を表示", s.showMoveObjectTime);
    toggleItem(options, L"対象レイヤー範囲を表示", s.displayLayerRange, repaint);
}

void EditComponent::showGridTempDialog()
{
    Edit::Scene& scene = view.scene();
    Dialog::GridTempDialog dialog;
    dialog.tempo = scene.tempoBpm;
    dialog.beats = scene.tempoBeat;
    dialog.offset = scene.tempoOffset;
    if (!dialog.show())
        return;
    {
        // The grid is a view setting of the scene: stored without an undo record.
        Edit::UpdateSection update(view.edit);
        update.notifyEdit = true;
        scene.tempoBpm = float(dialog.tempo);
        scene.tempoBeat = dialog.beats;
        scene.tempoOffset = float(dialog.offset);
    }
    if (Setting::SettingService* settings = Setting::SettingService::Get()) {
        settings->tempoBeatPerMinute = float(dialog.tempo);
        settings->tempoBeatTime = dialog.beats;
        settings->tempoOffsetTime = float(dialog.offset);
    }
    procPaint();
}

} // namespace Component

namespace Edit::EditCommand {

void setTempoGrid()
{
    Component::EditComponent* timeline = Component::EditComponent::Get();
    if (!timeline)
        return;
    int& value = timeline->settings.tempoGrid;
    value = value ? 0 : 1;
    System::Log::info("Edit::EditCommand::setTempoGrid", "set tempo grid enable=%d", value);
    timeline->procPaint();
}

void setWaveform()
{
    Component::EditComponent* timeline = Component::EditComponent::Get();
    if (!timeline)
        return;
    int& value = timeline->settings.displayWaveform;
    value = value ? 0 : 1;
    System::Log::info("Edit::EditCommand::setWaveform", "set waveform enable=%d", value);
    timeline->procPaint();
}

} // namespace Edit::EditCommand

namespace Dialog {

bool GridTempDialog::show()
{
    if (Edit::EditService* edit = Edit::EditService::Get(); edit && edit->stopPlayback)
        edit->stopPlayback();
    System::Log::info("Dialog::GridTempDialog::show", L"%s", title.c_str());
    if (!askPerson(*this, "GridTempDialog", title))
        return false;
    // The rows refuse what lies outside their ranges.
    return std::isfinite(tempo) && tempo >= 1.0 && tempo <= 1000.0 && beats >= 0 && beats <= 100 &&
           std::isfinite(offset) && offset >= -3600.0 && offset <= 3600.0;
}

void GridTempDialog::setAnswerer(std::function<bool(GridTempDialog&)> answerer)
{
    setDialogAnswerer<GridTempDialog>("GridTempDialog", std::move(answerer));
}

} // namespace Dialog
