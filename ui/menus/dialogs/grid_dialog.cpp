#include "ui/menus/dialogs/grid_dialog.h"

#include "core/log.h"
#include "core/setting_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/scene.h"
#include "render/render_service.h"
#include "ui/menus/dialogs/dialog_item.h"

namespace Dialog {

GridDialog::GridDialog() : DialogTemplate(L"グリッド(XY軸)の設定", "GridDialog") {}

bool GridDialog::show()
{
    Edit::EditService* edit = Edit::EditService::Get();
    std::shared_ptr<Edit::Scene> scene = edit ? edit->currentScene : nullptr;
    if (!scene)
        return false;
    items.clear();
    auto* widthRow = addItem<DialogItemInteger>(L"横幅", scene->gridWidth, 8, 10000);
    auto* heightRow = addItem<DialogItemInteger>(L"縦幅", scene->gridHeight, 8, 10000);
    auto* xRow = addItem<DialogItemText>(L"任意X軸", Edit::intListToString(scene->gridX));
    auto* yRow = addItem<DialogItemText>(L"任意Y軸", Edit::intListToString(scene->gridY));
    if (!create(0))
        return false;
    System::Log::info("Dialog::GridDialog::show", L"grid %d x %d [%s] [%s]", widthRow->value, heightRow->value,
                      xRow->value.c_str(), yRow->value.c_str());
    {
        Edit::UpdateSection update(*edit);
        update.notifyEdit = true;
        Edit::stringToIntList(scene->gridX, xRow->value);
        Edit::stringToIntList(scene->gridY, yRow->value);
        scene->gridWidth = widthRow->value;
        scene->gridHeight = heightRow->value;
    }
    if (Setting::SettingService* settings = Setting::SettingService::Get()) {
        settings->gridWidth = scene->gridWidth;
        settings->gridHeight = scene->gridHeight;
        // Stored in the lists' normalised form.
        settings->gridX = Edit::intListToString(scene->gridX);
        settings->gridY = Edit::intListToString(scene->gridY);
    }
    return true;
}

GridCameraDialog::GridCameraDialog() : DialogTemplate(L"グリッド(カメラ制御)の設定", "GridCameraDialog") {}

bool GridCameraDialog::show()
{
    Edit::EditService* edit = Edit::EditService::Get();
    std::shared_ptr<Edit::Scene> scene = edit ? edit->currentScene : nullptr;
    if (!scene)
        return false;
    items.clear();
    auto* step = addItem<DialogItemNumber>(L"表示間隔", scene->gridStep, 1.0, 10000.0);
    auto* range = addItem<DialogItemNumber>(L"表示範囲", scene->gridRange, 10.0, 100000.0);
    if (!create(0))
        return false;
    System::Log::info("Dialog::GridCameraDialog::show", L"camera grid %g / %g", step->value, range->value);
    {
        Edit::UpdateSection update(*edit);
        update.notifyEdit = true;
        scene->gridStep = static_cast<float>(step->value);
        scene->gridRange = static_cast<float>(range->value);
    }
    if (Setting::SettingService* settings = Setting::SettingService::Get()) {
        settings->gridStep = scene->gridStep;
        settings->gridRange = scene->gridRange;
    }
    return true;
}

LevelMeterDialog::LevelMeterDialog() : DialogTemplate(L"音量レベルメーターの設定", "LevelMeterDialog") {}

bool LevelMeterDialog::show()
{
    Render::RenderService* render = Render::RenderService::Get();
    if (!render)
        return false;
    Render::MoviePlayer& player = render->player;
    items.clear();
    auto* red = addItem<DialogItemInteger>(L"音量レベル(赤)のしきい値 [dB]", player.levelMeterThresholdRed, -60, 0);
    auto* yellow =
        addItem<DialogItemInteger>(L"音量レベル(黄)のしきい値 [dB]", player.levelMeterThresholdYellow, -60, 0);
    if (!create(0))
        return false;
    System::Log::info("Dialog::LevelMeterDialog::show", L"level meter red %d yellow %d", red->value, yellow->value);
    player.levelMeterThresholdRed = red->value;
    player.levelMeterThresholdYellow = yellow->value;
    return true;
}

ConfirmTrustModule::ConfirmTrustModule() : DialogTemplate(L"スクリプト・プラグインの追加", "ConfirmTrustModule") {}

bool ConfirmTrustModule::show(const std::wstring& path)
{
    items.clear();
    auto* notice = addItem<DialogItemStatic>(L"下記のプラグインまたはスクリプトのファイルが追加されています");
    notice->icon = Platform::Ui::DialogIcon::Warning;
    addItem<DialogItemMargin>(4);
    auto* file = addItem<DialogItemStatic>(path);
    file->style = Platform::Ui::ControlStyle::Border;
    file->bold = true;
    addItem<DialogItemMargin>(8);
    addItem<DialogItemStatic>(L"プラグインやスクリプトは有用ですがマルウェア等のプログラムが含まれるリスクがあります");
    addItem<DialogItemStatic>(L"信頼できる開発元から提供されていることを確認して使用してください");
    addItem<DialogItemStatic>(L"※使用しない場合はファイルを削除してください");
    addItem<DialogItemMargin>(8);
    addItem<DialogItemConfirmButton>(L"このプラグイン・スクリプトを信頼して使用する", L"使用しない");
    buttonMode = 3;
    return create(0);
}

} // namespace Dialog
