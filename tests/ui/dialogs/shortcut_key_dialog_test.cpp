// The shortcut key dialog, driven for real: keys taken in the key cell, the
// resets of the context menu, what OK applies and writes to keyboard.ini.
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "tests/support/test_support.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialogs/shortcut_key_dialog.h"
#include "ui/window/shortcut_manager.h"

using namespace DialogTest;
namespace Key = Platform::Ui::Key;
using Platform::Ui::TestInput::Control;
using Platform::Ui::TestInput::Shift;
using Window::Shortcut;

namespace {

struct ShortcutKeys : DialogFixture {
    void SetUp() override
    {
        DialogFixture::SetUp();
        TestKit::runCommand("mkdir -p '" + TestKit::tempDir() + "/velmora2'");
        std::remove(keyboardIni().c_str());
        services.acquire<Setting::SettingService>();
        services.acquire<Window::ShortcutManager>();
        Window::ShortcutManager& m = manager();
        fileItem = menu.insertItem(L"新規作成", [] {});
        m.registerShortcut(L"ファイル:新規作成", 0x404E, nullptr, fileItem.menu, fileItem.commandId);
        m.registerShortcut(L"編集:元に戻す", 0x405A, [] {}, nullptr, 0);
        m.registerShortcut(L"編集:やり直し", 0x605A, [] {}, nullptr, 0);
    }
    void TearDown() override
    {
        Window::PopupMenu::setChooser(nullptr);
        services.releaseAll();
        DialogFixture::TearDown();
    }
    static Window::ShortcutManager& manager() { return *Window::ShortcutManager::Get(); }
    static std::string keyboardIni() { return TestKit::tempDir() + "/velmora2/keyboard.ini"; }
    static void clickCell(Dialog::DialogItemListViewBase* list, int line, int column)
    {
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, line, column, x, y));
        Drive::listClick(list->hwnd, x, y);
    }
    static void clickOk(Ui::DialogHandle d) { Drive::click(Ui::findControl(d, Dialog::IdSubmit)); }

    System::ServiceStack services;
    Window::PopupMenu menu;
    Window::MenuItem fileItem;
};

} // namespace

TEST_F(ShortcutKeys, KeysPressedInTheCellAreTakenTabAndEscapeIncluded)
{
    const int escape = Shortcut::keyNameTable().count(Key::Escape) ? Key::Escape : 0;
    ASSERT_EQ(Shortcut::keyNameTable().count(Key::F24), 0u) << "F24 stands for a key without a name";
    Dialog::ShortcutKeyDialog dialog;
    std::vector<std::wstring> namesShown, keysShown, keysAfter;
    std::wstring emptyOnOpen = L"?", afterCtrlShiftA, afterTab, afterEscape, afterNameless, afterCtrlAlone;
    bool keptFocus = false, openAfterEscape = false;
    drive([&](Ui::DialogHandle d) {
        auto* list = dialog.list;
        Ui::ControlHandle field = list->columns[1].editor->hwnd;
        namesShown = Drive::listTexts(list->hwnd, 0);
        keysShown = Drive::listTexts(list->hwnd, 1);
        clickCell(list, 1, 1);
        emptyOnOpen = Ui::controlText(field);
        Drive::key(field, 'A', Control | Shift);
        afterCtrlShiftA = Ui::controlText(field);
        Drive::key(field, Key::Control, Control);
        afterCtrlAlone = Ui::controlText(field);
        Drive::key(field, Key::Tab);
        afterTab = Ui::controlText(field);
        keptFocus = Ui::controlHasFocus(field);
        Drive::key(field, Key::Escape);
        afterEscape = Ui::controlText(field);
        openAfterEscape = Ui::dialogOpen(d);
        Drive::key(field, 'A', Control | Shift);
        // Another shortcut gets the same key; the third a key without a name.
        clickCell(list, 0, 1);
        Drive::key(field, 'A', Control | Shift);
        clickCell(list, 2, 1);
        Drive::key(field, Key::F24);
        afterNameless = Ui::controlText(field);
        clickCell(list, 0, 0);
        keysAfter = Drive::listTexts(list->hwnd, 1);
        clickOk(d);
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(namesShown, (std::vector<std::wstring>{L"ファイル:新規作成", L"編集:元に戻す", L"編集:やり直し"}));
    EXPECT_EQ(keysShown, (std::vector<std::wstring>{L"Ctrl+N", L"Ctrl+Z", L"Ctrl+Shift+Z"}));
    EXPECT_EQ(emptyOnOpen, L"");
    EXPECT_EQ(afterCtrlShiftA, L"Ctrl+Shift+A");
    EXPECT_EQ(afterCtrlAlone, L"Ctrl+Shift+A") << "a modifier alone changes nothing";
    EXPECT_EQ(afterTab, L"Tab");
    EXPECT_TRUE(keptFocus);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(afterEscape, Shortcut::getCodeName(escape));
    EXPECT_EQ(afterNameless, L"");
    EXPECT_EQ(keysAfter, (std::vector<std::wstring>{L"Ctrl+Shift+A", L"Ctrl+Shift+A", L""}));

    EXPECT_EQ(manager().shortcuts[0].code, 0x6041);
    EXPECT_EQ(manager().shortcuts[1].code, 0x6041);
    EXPECT_EQ(manager().shortcuts[2].code, 0);
    EXPECT_EQ(menu.item(0).text, L"新規作成\tCtrl+Shift+A");
    EXPECT_EQ(TestKit::readFile(keyboardIni()), "[shortcut.0]\r\nname=ファイル:新規作成\r\ncode=24641\r\n"
                                                "[shortcut.1]\r\nname=編集:元に戻す\r\ncode=24641\r\n"
                                                "[shortcut.2]\r\nname=編集:やり直し\r\ncode=0\r\n");
}

TEST_F(ShortcutKeys, ResetsFromTheContextMenuAndResetAllWritesAFileWithoutSections)
{
    manager().shortcuts[0].code = 0x4041;
    manager().shortcuts[2].code = 0x4042;
    Window::BaseMenu::setShortcutText(fileItem.menu, fileItem.commandId, L"Ctrl+A");
    Dialog::ShortcutKeyDialog dialog;
    std::vector<std::wstring> afterOne, afterAll;
    drive([&](Ui::DialogHandle d) {
        auto* list = dialog.list;
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 2, 0, x, y));
        Window::PopupMenu::setChooser([](const Window::PopupMenu& m) { return m.item(0).id; });
        Drive::listClick(list->hwnd, x, y, Ui::TestInput::Right);
        afterOne = Drive::listTexts(list->hwnd, 1);
        Window::PopupMenu::setChooser([](const Window::PopupMenu& m) { return m.item(2).id; });
        Drive::listClick(list->hwnd, x, y, Ui::TestInput::Right);
        afterAll = Drive::listTexts(list->hwnd, 1);
        clickOk(d);
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(afterOne, (std::vector<std::wstring>{L"Ctrl+A", L"Ctrl+Z", L"Ctrl+Shift+Z"}));
    EXPECT_EQ(afterAll, (std::vector<std::wstring>{L"Ctrl+N", L"Ctrl+Z", L"Ctrl+Shift+Z"}));
    for (const Shortcut& s : manager().shortcuts)
        EXPECT_EQ(s.code, s.defaultCode) << System::wideToUtf8(s.name);
    EXPECT_EQ(menu.item(0).text, L"新規作成\tCtrl+N");
    EXPECT_EQ(TestKit::readFile(keyboardIni()), "");
}

TEST_F(ShortcutKeys, CancelLeavesTheKeysAndTheFileAlone)
{
    TestKit::writeFile(keyboardIni(), "kept");
    Dialog::ShortcutKeyDialog dialog;
    drive([&](Ui::DialogHandle d) {
        clickCell(dialog.list, 0, 1);
        Drive::key(dialog.list->columns[1].editor->hwnd, 'Q', Control);
        clickCell(dialog.list, 0, 0);
        Drive::keyToDialog(d, Key::Escape);
    });
    EXPECT_FALSE(dialog.show());
    EXPECT_EQ(manager().shortcuts[0].code, 0x404E);
    EXPECT_EQ(menu.item(0).text, L"新規作成\tCtrl+N");
    EXPECT_EQ(TestKit::readFile(keyboardIni()), "kept");
}
