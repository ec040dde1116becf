// The list dialogs on a real X display (Xvfb), as a person sees them: the
// shortcut key dialog with a key cell being edited and a menu definition
// dialog with labels and check boxes. Checked region by region; the
// screenshots stay among the test artefacts. Run by on_xvfb.sh (label "xvfb").
#include "core/menu_define.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "tests/ui/screen_capture.h"
#include "ui/menus/dialogs/menu_define_dialog.h"
#include "ui/menus/dialogs/shortcut_key_dialog.h"
#include "ui/window/shortcut_manager.h"

#include <cstdlib>

using namespace DialogTest;
using XvfbTest::Screenshot;
using Platform::Ui::TestInput::Control;
using Platform::Ui::TestInput::Shift;

namespace {

struct OnTheDisplay : ::testing::Environment {
    void SetUp() override
    {
        if (const char* display = std::getenv("DISPLAY"); display && *display)
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new OnTheDisplay);

struct DialogsOnDisplay : DialogFixture {
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no display: run on Xvfb (tests/ui/on_xvfb.sh)";
        DialogFixture::SetUp();
    }
};

// Screen pixels of a point of the dialog's client area.
struct ClientOrigin {
    explicit ClientOrigin(Ui::ControlHandle anyControl)
    {
        int sl = 0, st = 0, sr = 0, sb = 0, cl = 0, ct = 0, cr = 0, cb = 0;
        Ui::controlScreenRect(anyControl, sl, st, sr, sb);
        Ui::controlClientRect(anyControl, cl, ct, cr, cb);
        x = sl - cl;
        y = st - ct;
    }
    int x = 0, y = 0;
};

// Pixels in the rectangle (screen) that differ from its top-left corner's.
int ink(const Screenshot& shot, int left, int top, int right, int bottom)
{
    const uint32_t back = shot.at(left, top);
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += shot.at(x, y) != back;
    return count;
}

// Pixels darker than mid grey in the rectangle (left, top, right, bottom; screen).
int dark(const Screenshot& shot, const int* r)
{
    int count = 0;
    for (int y = r[1]; y < r[3]; ++y)
        for (int x = r[0]; x < r[2]; ++x) {
            const uint32_t c = shot.at(x, y);
            count += ((c >> 16 & 0xFF) * 299 + (c >> 8 & 0xFF) * 587 + (c & 0xFF) * 114) / 1000 < 128;
        }
    return count;
}

class Define final : public Menu::MenuDefineBase {
public:
    Define(const wchar_t* name, int order, const wchar_t* label, bool visible)
        : MenuDefineBase("ShotMenu", name, order, label, visible), name_(name)
    {
    }
    ~Define() = default;
    const wchar_t* getName() const override { return name_.c_str(); }

private:
    std::wstring name_;
};

class ShotMenuDialog : public Dialog::MenuDefineDialog<Define> {
public:
    ShotMenuDialog() : MenuDefineDialog(L"オブジェクト追加メニューの設定", "ShotMenuDialog") {}
    std::vector<Define*> defines;

protected:
    void createLines(std::vector<std::unique_ptr<Dialog::DialogItemListViewBase::Item>>& lines) override
    {
        addLines(lines, defines);
    }
};

} // namespace

TEST_F(DialogsOnDisplay, TheShortcutKeyDialogShowsNamesKeysAndTheKeyFieldOverItsCell)
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Window::ShortcutManager>();
    Window::ShortcutManager& manager = *Window::ShortcutManager::Get();
    const std::pair<const wchar_t*, int> shortcuts[] = {
        {L"ファイル:新規作成", 0x404E}, {L"ファイル:開く", 0x404F},   {L"ファイル:上書き保存", 0x4053},
        {L"編集:元に戻す", 0x405A},     {L"編集:やり直し", 0x605A},   {L"編集:切り取り", 0x4058},
        {L"編集:コピー", 0x4043},       {L"編集:貼り付け", 0x4056},   {L"表示:再生/停止", 0x20},
        {L"表示:次のフレーム", 0x27},   {L"表示:前のフレーム", 0x25}, {L"表示:拡大", 0},
    };
    for (const auto& [name, code] : shortcuts)
        manager.registerShortcut(name, code, [] {}, nullptr, 0);

    Dialog::ShortcutKeyDialog dialog;
    Screenshot shot;
    int okLeft = 0, okTop = 0, okRight = 0, okBottom = 0, clientWidth = 0, clientHeight = 0;
    int nameCell[4] = {}, keyCell[4] = {}, fieldRect[4] = {};
    drive([&](Ui::DialogHandle d) {
        auto* list = dialog.list;
        Ui::ControlHandle field = list->columns[1].editor->hwnd;
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 3, 1, x, y));
        Drive::listClick(list->hwnd, x, y);
        Drive::key(field, 'A', Control | Shift);
        Ui::listCellRect(list->hwnd, 0, 0, nameCell[0], nameCell[1], nameCell[2], nameCell[3]);
        Ui::listCellRect(list->hwnd, 1, 1, keyCell[0], keyCell[1], keyCell[2], keyCell[3]);
        Ui::controlClientRect(field, fieldRect[0], fieldRect[1], fieldRect[2], fieldRect[3]);
        Ui::controlScreenRect(Ui::findControl(d, Dialog::IdSubmit), okLeft, okTop, okRight, okBottom);
        Ui::dialogClientSize(d, clientWidth, clientHeight);
        const ClientOrigin origin(list->hwnd);
        shot = XvfbTest::captureWhen("shortcut_key_dialog", [&](const Screenshot& s) {
            return ink(s, origin.x + nameCell[0], origin.y + nameCell[1], origin.x + nameCell[2],
                       origin.y + nameCell[3]) > 30;
        });
        for (int* r : {nameCell, keyCell, fieldRect}) {
            r[0] += origin.x, r[2] += origin.x;
            r[1] += origin.y, r[3] += origin.y;
        }
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
    });
    ASSERT_TRUE(dialog.show());
    ASSERT_GT(shot.width, 0);
    EXPECT_EQ(clientWidth, 600) << "the dialog's least width";
    // Japanese names and key names drawn in their cells.
    EXPECT_GT(ink(shot, nameCell[0], nameCell[1], nameCell[2], nameCell[3]), 30);
    EXPECT_GT(ink(shot, keyCell[0], keyCell[1], keyCell[2], keyCell[3]), 20);
    // The key field lies over the fourth line's key cell, showing the key pressed.
    EXPECT_GT(ink(shot, fieldRect[0] + 2, fieldRect[1] + 2, fieldRect[2] - 2, fieldRect[3] - 2), 20);
    EXPECT_EQ(manager.shortcuts[3].code, 0x6041);
    // The OK button at the bottom right, 12 pixels in, with its text.
    EXPECT_GT(ink(shot, okLeft + 4, okTop + 4, okRight - 4, okBottom - 4), 10);
}

TEST_F(DialogsOnDisplay, AMenuDefinitionDialogShowsChecksLabelsAndTheSortedOrder)
{
    std::vector<std::unique_ptr<Define>> defines;
    const std::tuple<const wchar_t*, const wchar_t*, bool> entries[] = {
        {L"ぼかし", L"フィルタ\\ぼかし系", true}, {L"縁取り", L"フィルタ", true},
        {L"グロー", L"フィルタ\\光", false},      {L"色調補正", L"", true},
        {L"クロマキー", L"合成", true},           {L"図形", L"", true},
        {L"テキスト", L"", true},                 {L"音声波形表示", L"音声", false},
    };
    ShotMenuDialog dialog;
    int order = 0;
    for (const auto& [name, label, visible] : entries) {
        defines.push_back(std::make_unique<Define>(name, order++, label, visible));
        dialog.defines.push_back(defines.back().get());
    }
    Screenshot shot;
    int checked[4] = {}, unchecked[4] = {}, labelCell[4] = {};
    drive([&](Ui::DialogHandle d) {
        auto* list = dialog.list;
        Drive::clickListHeader(list->hwnd, 1); // by label
        const ClientOrigin origin(list->hwnd);
        // After the sort: "", "", "", フィルタ, フィルタ\ぼかし系, フィルタ\光, 音声, 合成 (kana before kanji,
        // kanji in the Japanese collation's order, where 音 comes before 合).
        const auto labels = Drive::listTexts(list->hwnd, 1);
        ASSERT_EQ(labels.size(), 8u);
        // Inside a line's check box, ±3 pixels around its middle, in screen pixels.
        auto box = [&](int line, int* r) {
            int x = 0, y = 0;
            ASSERT_TRUE(Drive::listCheckPoint(list->hwnd, line, x, y));
            Drive::listPointToClient(list->hwnd, x, y);
            x += origin.x;
            y += origin.y;
            r[0] = x - 3, r[1] = y - 3, r[2] = x + 4, r[3] = y + 4;
        };
        for (int line = 0; line < 8; ++line) {
            const bool shown = dialog.list->getItem(line)->getCheck();
            if (shown && !checked[3])
                box(line, checked);
            if (!shown && !unchecked[3])
                box(line, unchecked);
        }
        Ui::listCellRect(list->hwnd, 5, 1, labelCell[0], labelCell[1], labelCell[2], labelCell[3]);
        for (int* r : {labelCell}) {
            r[0] += origin.x, r[2] += origin.x;
            r[1] += origin.y, r[3] += origin.y;
        }
        shot = XvfbTest::captureWhen("menu_define_dialog", [&](const Screenshot& s) {
            return ink(s, labelCell[0], labelCell[1], labelCell[2], labelCell[3]) > 30;
        });
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
    });
    ASSERT_TRUE(dialog.show());
    ASSERT_GT(shot.width, 0);
    EXPECT_GT(ink(shot, labelCell[0], labelCell[1], labelCell[2], labelCell[3]), 30);
    // A checked box holds a dark mark; an unchecked one is light inside.
    EXPECT_GT(dark(shot, checked), 4);
    EXPECT_EQ(dark(shot, unchecked), 0);
    // The sort by label is what OK stored.
    EXPECT_EQ(defines[1]->order, 3);
    EXPECT_EQ(defines[0]->order, 4);
    EXPECT_EQ(defines[7]->order, 6);
    EXPECT_EQ(defines[4]->order, 7);
    EXPECT_EQ(defines[2]->hide, 1);
}
