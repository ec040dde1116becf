// The frame length, scene, trust and grid dialogs, driven for real.
#include "core/module_trust_list.h"
#include "core/setting_service.h"
#include "tests/project/edit_fixture.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialogs/grid_dialog.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "project/model/frame_rate.h"

using namespace DialogTest;
namespace Key = Platform::Ui::Key;

namespace {
struct Inputs : DialogFixture {};

// The text the other field shows after typing into one.
struct Exchange {
    int rate, scale;
    bool intoSeconds;
    const wchar_t* typed;
    const wchar_t* other;
};
} // namespace

TEST_F(Inputs, SecondsAndFramesFollowEachOtherAtTheSceneRate)
{
    const Exchange cases[] = {
        {30, 1, true, L"2.5", L"75"},          {30, 1, false, L"31", L"1.033333"},
        {30000, 1001, true, L"1", L"30"},      {30, 1, true, L"a", L""},
        {30, 1, false, L"", L""},             {30000, 1001, false, L"300", L"10.01"},
    };
    for (const Exchange& c : cases) {
        Dialog::FrameLengthDialog dialog;
        dialog.title = L"指定時間に移動";
        dialog.frames = 12;
        dialog.videoRate = c.rate;
        dialog.videoScale = c.scale;
        std::wstring startSeconds, other;
        drive([&](Ui::DialogHandle d) {
            startSeconds = Ui::controlText(dialog.secondsRow->hwnd);
            Ui::ControlHandle into = c.intoSeconds ? dialog.secondsRow->hwnd : dialog.framesRow->hwnd;
            Drive::replaceText(into, c.typed);
            other = Ui::controlText(c.intoSeconds ? dialog.framesRow->hwnd : dialog.secondsRow->hwnd);
            Drive::keyToDialog(d, Key::Escape);
        });
        EXPECT_FALSE(dialog.show());
        EXPECT_EQ(startSeconds, c.rate == 30 ? L"0.4" : L"0.4004");
        EXPECT_EQ(other, c.other) << System::wideToUtf8(c.typed);
    }
}

TEST_F(Inputs, EnterSubmitsBothRowsAndTheSecondsLimitHoldsPast32Bits)
{
    Dialog::FrameLengthDialog dialog;
    dialog.videoRate = 30000;
    dialog.videoScale = 1001;
    // 2000000000 frames at 29.97 fps; the product 2000000000 × 1001 passes 32 bits.
    EXPECT_NEAR(dialog.secondsLimit(), 66733333.333, 0.001);
    bool refused = false;
    bool hasOk = true;
    drive([&](Ui::DialogHandle d) {
        hasOk = Ui::findControl(d, Dialog::IdSubmit) != nullptr;
        Drive::replaceText(dialog.secondsRow->hwnd, L"66733334");
        Drive::keyToDialog(d, Key::Return);
        refused = Ui::dialogOpen(d) && hint() == L"値が不正です (0 - 66733333.33333334)";
        Drive::replaceText(dialog.secondsRow->hwnd, L"66733333");
        Drive::keyToDialog(d, Key::Return);
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_FALSE(hasOk);
    EXPECT_TRUE(refused);
    EXPECT_EQ(dialog.frames, 1999999990);
}

TEST_F(Inputs, SceneDialogRowsFollowWhatIsAsked)
{
    Dialog::SceneDialog nameOnly;
    nameOnly.title = L"シーンを作成";
    nameOnly.withSize = nameOnly.withRate = nameOnly.withAudio = false;
    bool ok = true;
    drive([&](Ui::DialogHandle d) {
        ok = Ui::findControl(d, Dialog::IdSubmit) != nullptr;
        Drive::replaceText(nameOnly.items[0]->hwnd, L"Scene 2");
        Drive::keyToDialog(d, Key::Return);
    });
    ASSERT_TRUE(nameOnly.show());
    EXPECT_FALSE(ok);
    EXPECT_EQ(nameOnly.values.name, L"Scene 2");

    Dialog::SceneDialog all;
    all.title = L"シーンの設定";
    all.values.name = L"Root";
    std::wstring rateHint;
    drive([&](Ui::DialogHandle d) {
        ok = Ui::findControl(d, Dialog::IdSubmit) != nullptr;
        Drive::keyToDialog(d, Key::Return); // no effect with an OK button
        EXPECT_TRUE(Ui::dialogOpen(d));
        auto* size = static_cast<Dialog::DialogItemImageSize*>(all.items[1].get());
        Drive::replaceText(size->heightControl, L"720");
        Drive::replaceText(all.items[2]->hwnd, L"0.0005");
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
        rateHint = hint();
        Drive::replaceText(all.items[2]->hwnd, L"29.97");
        Drive::replaceText(all.items[3]->hwnd, L"48000");
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
    });
    ASSERT_TRUE(all.show());
    EXPECT_TRUE(ok);
    EXPECT_EQ(all.items.size(), 4u);
    EXPECT_EQ(rateHint, L"値が不正です (0.001 - 1000)");
    EXPECT_EQ(all.values.height, 720);
    EXPECT_EQ(all.values.width, 1920);
    EXPECT_NEAR(Edit::getFrameRateValue(all.values.videoRate, all.values.videoScale), 29.97, 1e-9);
    EXPECT_EQ(all.values.audioRate, 48000);
}

TEST_F(Inputs, TheTrustPromptEndsOnlyThroughItsButtonsEscapeAndTheCloseBox)
{
    const std::wstring path = L"/home/user/.local/share/velmora2/Plugin/" + std::wstring(60, L'x') + L".vmi2";
    struct Case {
        int action; // 0 accept, 1 decline, 2 Escape, 3 close box
        bool trusted;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}, Case{2, false}, Case{3, false}}) {
        Dialog::ConfirmTrustModule prompt;
        bool openAfterEnter = false;
        int clientWidth = 0, pathWidth = 0, pathHeight = 0;
        drive([&](Ui::DialogHandle d) {
            Drive::keyToDialog(d, Key::Return);
            openAfterEnter = Ui::dialogOpen(d);
            int h = 0;
            Ui::dialogClientSize(d, clientWidth, h);
            Ui::measureDialogText(d, path, true, pathWidth, pathHeight);
            switch (c.action) {
            case 0: Drive::click(Ui::findControl(d, Dialog::IdSubmit)); break;
            case 1: Drive::click(Ui::findControl(d, Dialog::IdCancel)); break;
            case 2: Drive::keyToDialog(d, Key::Escape); break;
            default: Drive::closeBox(d);
            }
        });
        EXPECT_EQ(prompt.show(path), c.trusted) << c.action;
        EXPECT_TRUE(openAfterEnter);
        EXPECT_GE(clientWidth, pathWidth + 24 + 8); // the whole path, in its frame
        EXPECT_TRUE(prompt.centre && prompt.ignoreEnter && !prompt.showOk);
    }
}

namespace {
struct Grid : EditTest::EditFixture {
    ~Grid() override { Ui::setDialogDriver(nullptr); }
};
} // namespace

TEST_F(Grid, GridDialogStoresNormalisedAxesAndItsCancelOpensNoTransaction)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    ASSERT_TRUE(settings);
    int transactions = 0;
    events().editChanged.push_back([&](const auto&...) { ++transactions; });
    std::wstring widthHint;
    Ui::setDialogDriver([&](Ui::DialogHandle d) {
        std::vector<Ui::ControlHandle> edits;
        for (Ui::ControlHandle c : Ui::dialogControls(d))
            if (Ui::controlType(c) == Ui::ControlType::Edit)
                edits.push_back(c);
        ASSERT_EQ(edits.size(), 4u);
        Drive::replaceText(edits[0], L"7");
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
        widthHint = DialogTest::DialogFixture::hint();
        Drive::replaceText(edits[0], L"64");
        Drive::replaceText(edits[2], L"10,-20,x,5");
        Drive::replaceText(edits[3], L"");
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
    });
    ASSERT_TRUE(Dialog::GridDialog().show());
    EXPECT_EQ(widthHint, L"値が不正です (8 - 10000)");
    EXPECT_EQ(scene().gridWidth, 64);
    EXPECT_EQ(scene().gridX, (std::vector<int>{10, -20}));
    EXPECT_TRUE(scene().gridY.empty());
    EXPECT_EQ(settings->gridWidth, 64);
    EXPECT_EQ(settings->gridX, Edit::intListToString(scene().gridX));
    EXPECT_EQ(settings->gridY, L"");
    EXPECT_EQ(transactions, 1);

    Ui::setDialogDriver([&](Ui::DialogHandle d) { Drive::keyToDialog(d, Key::Escape); });
    EXPECT_FALSE(Dialog::GridDialog().show());
    EXPECT_EQ(transactions, 1);
    EXPECT_EQ(scene().gridWidth, 64);
}
