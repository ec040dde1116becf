// The dialog framework and its rows, driven for real.
#include "core/text.h"
#include "tests/support/test_support.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/menus/dialogs/dialog_template.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

using namespace DialogTest;
using Dialog::DialogTemplate;
namespace Key = Platform::Ui::Key;

namespace {
struct Framework : DialogFixture {};

int clientWidth(Ui::DialogHandle dialog)
{
    int w = 0, h = 0;
    Ui::dialogClientSize(dialog, w, h);
    return w;
}
} // namespace

TEST_F(Framework, AnEmptyDialogIsSmallAndEnterSubmitsItEscapeAndTheCloseBoxCancel)
{
    int w = 0, h = 0;
    bool hasButton = true;
    drive([&](Ui::DialogHandle dialog) {
        Ui::dialogClientSize(dialog, w, h);
        hasButton = Ui::findControl(dialog, Dialog::IdSubmit) != nullptr;
        Drive::keyToDialog(dialog, Key::Return);
    });
    DialogTemplate empty(L"空");
    EXPECT_TRUE(empty.create());
    EXPECT_EQ(w, 324);
    EXPECT_EQ(h, 18);
    EXPECT_FALSE(hasButton);
    EXPECT_FALSE(empty.showOk);

    drive([](Ui::DialogHandle dialog) { Drive::keyToDialog(dialog, Key::Escape); });
    EXPECT_FALSE(empty.create());
    drive([](Ui::DialogHandle dialog) { Drive::closeBox(dialog); });
    EXPECT_FALSE(empty.create());
    EXPECT_EQ(driven, 3);
}

TEST_F(Framework, OneIntegerRowSubmitsOnEnterOnlyWhenValidAndShowsTheRangeHint)
{
    DialogTemplate dialog(L"数値");
    auto* row = dialog.addItem<Dialog::DialogItemInteger>(L"値", 5, 1, 100);
    std::wstring shownHint;
    bool openAfterBadEnter = false;
    drive([&](Ui::DialogHandle d) {
        Drive::replaceText(row->hwnd, L"0");
        Drive::keyToDialog(d, Key::Return);
        openAfterBadEnter = Ui::dialogOpen(d);
        shownHint = hint();
        Drive::replaceText(row->hwnd, L"50abc");
        Drive::keyToDialog(d, Key::Return);
    });
    ASSERT_TRUE(dialog.create());
    EXPECT_TRUE(openAfterBadEnter);
    EXPECT_EQ(shownHint, L"値が不正です (1 - 100)");
    EXPECT_EQ(row->value, 50);
    EXPECT_FALSE(dialog.showOk);
    EXPECT_FALSE(dialog.ignoreEnter);
}

TEST_F(Framework, ThreeRowsCloseOnlyThroughOkAfterEveryRowPassed)
{
    DialogTemplate dialog(L"三行");
    auto* name = dialog.addItem<Dialog::DialogItemNameText>(L"名前", L"ab");
    auto* count = dialog.addItem<Dialog::DialogItemInteger>(L"数", 3, 1, 9);
    auto* ratio = dialog.addItem<Dialog::DialogItemNumber>(L"比", 0.5, 0.0, 1.0);
    bool openAfterEnter = false, openAfterBadOk = false;
    drive([&](Ui::DialogHandle d) {
        Drive::key(name->hwnd, Key::Return);
        openAfterEnter = Ui::dialogOpen(d);
        Drive::replaceText(count->hwnd, L"12");
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
        openAfterBadOk = Ui::dialogOpen(d);
        Drive::replaceText(count->hwnd, L"7");
        Drive::replaceText(ratio->hwnd, L"  0.25  ");
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
    });
    ASSERT_TRUE(dialog.create());
    EXPECT_TRUE(openAfterEnter);
    EXPECT_TRUE(openAfterBadOk);
    EXPECT_TRUE(dialog.showOk && dialog.ignoreEnter && dialog.centre);
    EXPECT_EQ(name->value, L"ab");
    EXPECT_EQ(count->value, 7);
    EXPECT_DOUBLE_EQ(ratio->value, 0.25);
}

TEST_F(Framework, ButtonModesDecideTheOkButtonAndEnter)
{
    struct Case {
        int mode;
        int rows;
        bool ok;
        bool enterSubmits;
    };
    for (const Case& c : {Case{0, 1, false, true}, Case{0, 2, true, false}, Case{1, 1, true, false},
                          Case{2, 2, false, true}, Case{3, 1, false, false}}) {
        DialogTemplate dialog(L"モード");
        dialog.buttonMode = c.mode;
        for (int i = 0; i < c.rows; ++i)
            dialog.addItem<Dialog::DialogItemText>(L"行", L"x");
        bool ok = false;
        drive([&](Ui::DialogHandle d) {
            ok = Ui::findControl(d, Dialog::IdSubmit) != nullptr;
            Drive::keyToDialog(d, Key::Return);
        });
        EXPECT_EQ(dialog.create(), c.enterSubmits) << c.mode << "/" << c.rows;
        EXPECT_EQ(ok, c.ok) << c.mode << "/" << c.rows;
    }
}

TEST_F(Framework, CaptionIsCutAt127AndMinWidthHoldsAndCustomButtonsRun)
{
    std::wstring title;
    int w = 0;
    int pressed = 0;
    drive([&](Ui::DialogHandle d) {
        w = clientWidth(d);
        Drive::click(Ui::findControl(d, Dialog::FirstButtonId + 1));
        Drive::keyToDialog(d, Key::Escape);
    });
    DialogTemplate dialog(std::wstring(200, L'あ'));
    dialog.addItem<Dialog::DialogItemText>(L"", L"");
    dialog.addButton(L"一", [&] { pressed += 1; });
    dialog.addButton(L"二", [&] { pressed += 10; });
    TestKit::LogCapture log;
    EXPECT_FALSE(dialog.create(600));
    EXPECT_GE(w, 600);
    EXPECT_EQ(dialog.width, w);
    EXPECT_EQ(pressed, 10);

    // Without a driver and a display the dialog logs its caption (cut) and cancels.
    Ui::setDialogDriver(nullptr);
    EXPECT_FALSE(dialog.create());
    EXPECT_TRUE(log.contains("INFO|Dialog::DialogTemplate::create|" + System::wideToAnsi(std::wstring(127, L'あ'))));
    EXPECT_FALSE(log.contains(System::wideToAnsi(std::wstring(128, L'あ'))));
}

TEST_F(Framework, WhatARowOrActionThrowsEndsTheDialogAndComesOutOfCreate)
{
    DialogTemplate dialog(L"例外");
    dialog.addButton(L"壊す", [] { throw std::runtime_error("broken action"); });
    drive([](Ui::DialogHandle d) { Drive::click(Ui::findControl(d, Dialog::FirstButtonId)); });
    EXPECT_EQ(TestKit::errorText([&] { dialog.create(); }), "broken action");

    DialogTemplate empty(L"空の動作");
    empty.addButton(L"無", nullptr);
    EXPECT_THROW(empty.create(), std::bad_function_call);

    // The base row refuses to be made.
    DialogTemplate bare(L"基底");
    bare.addItem<Dialog::DialogItem>(L"行");
    drive([](Ui::DialogHandle) {});
    EXPECT_NE(TestKit::errorText([&] { bare.create(); }).find("not implement."), std::string::npos);
}

TEST_F(Framework, IntegerAndNumberRowsReadTextsAsStrtolAndStrtod)
{
    // The libc's narrow readers are the reference.
    for (const char* text : {"50abc", "  42", "-7", "+8", "abc", "2147483647", "2147483648", "-2147483649", "0x10",
                             "12 34", ""}) {
        int value = -1;
        const bool ours = Dialog::Rule::parseInteger(System::ansiToWide(text), value);
        char* end = nullptr;
        errno = 0;
        const long expected = std::strtol(text, &end, 10);
        const bool valid = end != text && errno != ERANGE && expected >= INT_MIN && expected <= INT_MAX;
        EXPECT_EQ(ours, valid) << text;
        if (valid) {
            EXPECT_EQ(value, expected) << text;
        }
    }
    for (const char* text : {" 2.5 ", "1e3x", "nan", "-inf", "1e400", "1e-400", ".5", "x", "0x1p3", "   "}) {
        double value = -1;
        const bool ours = Dialog::Rule::parseNumber(System::ansiToWide(text), value);
        char* end = nullptr;
        errno = 0;
        const std::string trimmed = std::string(text).substr(std::string(text).find_first_not_of(' ') == std::string::npos
                                                                  ? std::string(text).size()
                                                                  : std::string(text).find_first_not_of(' '));
        const double expected = std::strtod(trimmed.c_str(), &end);
        const bool valid = end != trimmed.c_str() && !(errno == ERANGE && std::isinf(expected));
        EXPECT_EQ(ours, valid) << text;
        if (valid && !std::isnan(expected)) {
            EXPECT_EQ(value, expected) << text;
        }
        if (valid && std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(value)) << text;
        }
    }
    EXPECT_EQ(Dialog::Rule::formatNumber(30.0), L"30");
    EXPECT_EQ(Dialog::Rule::formatNumber(29.97), L"29.97");
    EXPECT_EQ(Dialog::Rule::formatNumber(31.0 / 30.0), L"1.033333");
}

TEST_F(Framework, RowRulesAsOneTable)
{
    enum Kind { Text, Required, Name, Folder, Move, Integer, Negative, Number };
    struct Case {
        Kind kind;
        const wchar_t* typed;
        bool passes;
        const wchar_t* hint;
    };
    const std::wstring nameHint = std::wstring(Dialog::HintInvalidChars) + L" " + Dialog::NameCharList;
    const std::wstring folderHint = std::wstring(Dialog::HintInvalidChars) + L" " + Dialog::FolderCharList;
    const Case cases[] = {
        {Text, L"", true, L""},
        {Required, L"", false, L"必須項目です"},
        {Name, L"ab", true, L""},
        {Name, L"a.b", false, nameHint.c_str()},
        {Folder, L"A\\B", true, L""},
        {Folder, L"\\A", false, L"フォーマットが正しくありません"},
        {Folder, L"A\\", false, L"フォーマットが正しくありません"},
        {Folder, L"A\\\\B", false, L"フォーマットが正しくありません"},
        {Folder, L"A/B", false, folderHint.c_str()},
        {Folder, L"", true, L""},
        {Move, L"15f", true, L""},
        {Move, L"1.25", true, L""},
        {Move, L"30", true, L""},
        {Move, L"1.", false, L"値が不正です"},
        {Move, L"f", false, L"値が不正です"},
        {Move, L"1/2", false, L"値が不正です"},
        {Integer, L"0", false, L"値が不正です (1 - 100)"},
        {Integer, L"-5", true, L""}, // typed "-" is refused: "5" stays
        {Negative, L"-60", true, L""},
        {Negative, L"-61", false, L"値が不正です (-60 - 0)"},
        {Number, L" 2.5 ", true, L""},
        {Number, L"nan", false, L"値が不正です (0 - 10)"},
        {Number, L"", false, L"値が不正です (0 - 10)"},
    };
    for (const Case& c : cases) {
        DialogTemplate dialog(L"規則");
        Dialog::DialogItem* row = nullptr;
        switch (c.kind) {
        case Text: row = dialog.addItem<Dialog::DialogItemText>(L"文字", L"x"); break;
        case Required: row = dialog.addItem<Dialog::DialogItemText>(L"名前", L"x", true); break;
        case Name: row = dialog.addItem<Dialog::DialogItemNameText>(L"名前", L"x"); break;
        case Folder: row = dialog.addItem<Dialog::DialogItemNameFolderComboBox>(L"ラベル", L"x"); break;
        case Move: row = dialog.addItem<Dialog::DialogItemMoveFrameText>(L"移動", L"x"); break;
        case Integer: row = dialog.addItem<Dialog::DialogItemInteger>(L"整数", 3, 1, 100); break;
        case Negative: row = dialog.addItem<Dialog::DialogItemInteger>(L"整数", -3, -60, 0); break;
        case Number: row = dialog.addItem<Dialog::DialogItemNumber>(L"数", 1.0, 0.0, 10.0); break;
        }
        std::wstring shown;
        std::wstring text;
        drive([&](Ui::DialogHandle d) {
            Drive::replaceText(row->hwnd, c.typed);
            text = Ui::controlText(row->hwnd);
            Drive::keyToDialog(d, Key::Return);
            shown = hint();
            Window::ToolTips::get().hide();
        });
        EXPECT_EQ(dialog.create(), c.passes) << System::wideToAnsi(c.typed);
        EXPECT_EQ(shown, c.hint) << System::wideToAnsi(c.typed);
        if (c.kind == Integer && c.passes) {
            EXPECT_EQ(text, L"5"); // a digits-only field
        }
        if (c.kind == Negative) {
            EXPECT_EQ(text, c.typed);
        }
    }
}

TEST_F(Framework, KeyRowTakesTheNextKeyWithItsModifiers)
{
    struct Case {
        int key;
        uint32_t modifiers;
        int code;
    };
    const Case cases[] = {
        {'A', Platform::Ui::TestInput::Control | Platform::Ui::TestInput::Shift, 0x6041},
        {Key::Control, Platform::Ui::TestInput::Control, 0x77}, // a modifier alone: unchanged
        {Key::Tab, 0, Key::Tab},
        {Key::Escape, 0, 0}, // taken as a key (it has no name): the dialog stays
        {Key::Space, Platform::Ui::TestInput::Shift, 0x2000 | Key::Space},
        {Key::Return, Platform::Ui::TestInput::Alt, 0x1000 | Key::Return},
    };
    for (const Case& c : cases) {
        DialogTemplate dialog(L"キー");
        auto* row = dialog.addItem<Dialog::DialogItemKeyCode>(L"キー", 0x77);
        dialog.addItem<Dialog::DialogItemText>(L"次", L"");
        std::wstring focusedText, placeholderShownText;
        bool stillOpen = false;
        drive([&](Ui::DialogHandle d) {
            focusedText = Ui::controlText(row->hwnd); // the first row has the focus: emptied
            Drive::key(row->hwnd, c.key, c.modifiers);
            stillOpen = Ui::dialogOpen(d);
            Drive::click(Ui::findControl(d, Dialog::IdSubmit));
        });
        ASSERT_TRUE(dialog.create());
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(focusedText, L"");
        EXPECT_EQ(row->code, c.code) << c.key;
    }
    // A key without a name stores no key and shows nothing.
    DialogTemplate dialog(L"キー");
    auto* row = dialog.addItem<Dialog::DialogItemKeyCode>(L"キー", 0x41);
    std::wstring shown = L"?";
    drive([&](Ui::DialogHandle d) {
        Drive::key(row->hwnd, 0xFF);
        shown = Ui::controlText(row->hwnd);
        Drive::keyToDialog(d, Key::Escape); // consumed by the row: the dialog stays
        EXPECT_TRUE(Ui::dialogOpen(d));
    });
    EXPECT_FALSE(dialog.create());
    EXPECT_EQ(row->code, 0);
    EXPECT_EQ(shown, L"");
}

TEST_F(Framework, ListRowsKeepTheirChoiceAndStaticRowsMeasureTheirText)
{
    DialogTemplate dialog(L"一覧");
    auto* list = dialog.addItem<Dialog::DialogItemListBox>(L"種類", 0);
    for (const wchar_t* choice : {L"甲", L"乙", L"丙"})
        list->addString(choice);
    list->selectString(L"乙");
    list->selectString(L"丁"); // no such choice: kept
    auto* text = dialog.addItem<Dialog::DialogItemStatic>(L"説明\n二行目");
    text->style = Platform::Ui::ControlStyle::Border;
    auto* margin = dialog.addItem<Dialog::DialogItemMargin>(8);
    int shownIndex = -1;
    drive([&](Ui::DialogHandle d) {
        shownIndex = Ui::selectedChoice(list->hwnd);
        Ui::selectChoice(list->hwnd, 2);
        Drive::click(Ui::findControl(d, Dialog::IdSubmit));
    });
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(shownIndex, 1);
    EXPECT_EQ(list->index, 2);
    EXPECT_EQ(margin->height, 8);
    EXPECT_GT(text->height, 2 * dialog.lineHeight - 8); // two lines and the border
}
