// The control effects and the camera effects in the built-in table: each
// class under its name, with its effect bytes and category, in menu order.
#include "effects/objects/camera_control.h"
#include "effects/objects/camera_lights.h"
#include "effects/objects/camera_option.h"
#include "effects/objects/group_control.h"
#include "effects/objects/material_setting.h"
#include "effects/objects/part_effect.h"
#include "effects/objects/scene_change.h"
#include "effects/objects/time_control.h"
#include "core/text.h"
#include "tests/effects/objects/control_fixture.h"

#include <gtest/gtest.h>

#include <typeindex>

namespace {

class ControlTableTest : public ControlTest::ControlFixture {};

TEST_F(ControlTableTest, EachClassSitsAtItsRowWithItsBytes)
{
    struct Row {
        const wchar_t* name;
        std::type_index type;
        uint8_t effectType, media, accepted;
        const wchar_t* category;
    } const rows[] = {
        {L"部分フィルタ", typeid(Effect::PartEffect), 4, 1, 1, L""},
        {L"グループ制御", typeid(Effect::GroupControl), 4, 1, 1, L"オブジェクト制御"},
        {L"グループ制御(音声)", typeid(Effect::GroupAudioControl), 4, 2, 2, L"オブジェクト制御"},
        {L"カメラ制御", typeid(Effect::CameraControl), 4, 1, 4, L"オブジェクト制御"},
        {L"時間制御(オブジェクト)", typeid(Effect::TimeControl), 4, 3, 5, L"オブジェクト制御"},
        {L"シーンチェンジ", typeid(Effect::SceneChange), 4, 1, 5, L"シーンチェンジ"},
        {L"並行光源(カメラ制御)", typeid(Effect::CameraLight), 3, 4, 4, L"カメラ制御"},
        {L"環境光(カメラ制御)", typeid(Effect::CameraLightAmbient), 3, 4, 4, L"カメラ制御"},
        {L"ライトブルーム(カメラ制御)", typeid(Effect::CameraLightBloom), 3, 4, 4, L"カメラ制御"},
        {L"材質設定(カメラ制御)", typeid(Effect::MaterialSetting), 3, 1, 1, L"カメラ制御"},
        {L"カメラ制御オプション", typeid(Effect::CameraOption), 3, 1, 1, L"カメラ制御"},
    };
    Effect::EffectService& effects = *Effect::EffectService::Get();
    std::vector<std::wstring> menu, want;
    for (Effect::EffectMenuDefine* entry : effects.getEffectMenuList(0, 0, 0))
        for (const Row& row : rows)
            if (std::wstring(entry->getName()) == row.name)
                menu.push_back(row.name);
    for (const Row& row : rows) {
        SCOPED_TRACE(System::wideToUtf8(row.name));
        want.push_back(row.name);
        Effect::EffectDefine& define = effects.findEffect(row.name);
        ASSERT_TRUE(define.prototype);
        EXPECT_EQ(std::type_index(typeid(*define.prototype)), row.type);
        EXPECT_EQ(define.getEffectType(), row.effectType);
        EXPECT_EQ(define.getMediaType(), row.media);
        EXPECT_EQ(define.getObjectMediaType(), row.accepted);
        EXPECT_EQ(std::wstring(define.prototype->category), row.category);
        // A new instance is the same class, not the prototype itself.
        const std::shared_ptr<Effect::EffectBase> made = effects.createEffect(row.name);
        ASSERT_TRUE(made);
        EXPECT_NE(made.get(), define.prototype.get());
        EXPECT_EQ(std::type_index(typeid(*made)), row.type);
    }
    EXPECT_EQ(menu, want);
}

} // namespace
