// Menus, shortcuts and the tooltip: command ids, sub-menus, the menu bar's
// callbacks and numbered lists opened with real clicks, keyboard.ini, key
// names, and the tooltip's times and place.
#include "core/file_name.h"
#include "core/text.h"
#include "platform/ui/tip_window.h"
#include "tests/ui/window_fixture.h"
#include "ui/window/base_menu.h"
#include "ui/window/window_menu.h"

using namespace WindowTest;
using Window::Shortcut;

namespace {
class Menus : public WindowFixture {};
} // namespace

TEST_F(Menus, PopupIdsStartAt40000AndTheChoiceRunsAfterOnClosed)
{
    std::vector<std::string> order;
    Window::PopupMenu menu;
    const Window::MenuItem first = menu.insertItem(L"一", [&] { order.push_back("first"); });
    menu.insertSeparator();
    Window::BaseMenu sub = menu.insertSubMenu(L"下");
    const Window::MenuItem inner = sub.insertItem(L"中", [&] { order.push_back("inner"); });
    EXPECT_EQ(first.commandId, 40000);
    EXPECT_EQ(inner.commandId, 40001);
    EXPECT_EQ(menu.findSubMenu(sub), 2);

    Window::PopupMenu::setChooser([&](const Window::PopupMenu& shown) {
        EXPECT_TRUE(Window::PopupMenu::active);
        return shown.subMenu(2).item(0).id; // an item of a sub-menu
    });
    EXPECT_TRUE(menu.show([&] { order.push_back("closed"); }));
    EXPECT_EQ(order, (std::vector<std::string>{"closed", "inner"}));
    EXPECT_FALSE(Window::PopupMenu::active);

    order.clear();
    Window::PopupMenu::setChooser([](const Window::PopupMenu&) { return 0; });
    EXPECT_FALSE(menu.show([&] { order.push_back("closed"); }));
    EXPECT_EQ(order, std::vector<std::string>{"closed"}) << "closed without a choice";

    Window::PopupMenu other;
    EXPECT_EQ(other.insertItem(L"新", nullptr).commandId, 40000) << "each popup counts anew";
}

TEST_F(Menus, TheBarsCallbacksAndListsRunWhenAMenuOpens)
{
    Window::WindowMenu& file = *window->menus[0];
    const int firstId = window->nextId();
    bool enabled = false;
    Window::MenuItem save = file.insertItem(L"保存", [] {});
    save.setShortcut(0x4053).setEnable([&] { return enabled; }).setText([] { return L"上書き保存"; });
    EXPECT_EQ(save.commandId, firstId);
    EXPECT_EQ(save.getShortcutName(), L"ファイル:保存\tCtrl+S");
    std::vector<std::wstring> recent = {L"a.vmp2", L"b.vmp2", L"c.vmp2"};
    std::vector<int> opened;
    Window::BaseMenu history(file, L"最近使ったファイル");
    Window::WindowMenu::ItemList* list = file.insertItemList(history, 5, [&](int i) { opened.push_back(i); }, [&] {
        std::vector<const wchar_t*> texts;
        for (const std::wstring& r : recent)
            texts.push_back(r.c_str());
        return texts;
    });
    EXPECT_EQ(list->firstId, firstId + 1);
    EXPECT_EQ(window->nextId(), firstId + 6) << "the list reserved its ids";

    ASSERT_TRUE(Input::openMenuBarMenu(0));
    EXPECT_EQ(Input::openMenuItems(), (std::vector<std::wstring>{L"(上書き保存\tCtrl+S)", L"最近使ったファイル"}));
    Input::closePopups();
    EXPECT_EQ(history.itemCount(), 3);
    EXPECT_EQ(history.item(0).text, L"&1 a.vmp2");
    EXPECT_EQ(history.item(2).text, L"&3 c.vmp2");
    EXPECT_EQ(history.item(2).id, list->firstId + 2);
    enabled = true;
    ASSERT_TRUE(Input::openMenuBarMenu(0));
    ASSERT_TRUE(Input::clickMenuItem(list->firstId + 1));
    EXPECT_EQ(opened, std::vector<int>{1});

    // A frozen list keeps its entries without numbers and registers their shortcuts.
    Window::BaseMenu targets(file, L"出力");
    Window::WindowMenu::ItemList* frozen =
        file.insertItemList(targets, 2, [](int) {}, [] { return std::vector<const wchar_t*>{L"AVI", L"PNG"}; });
    frozen->registerShortcuts(file);
    window->initMenuPopup();
    EXPECT_EQ(targets.item(1).text, L"PNG");
    EXPECT_EQ(shortcuts->shortcuts.back().name, L"ファイル:PNG");
    EXPECT_EQ(shortcuts->shortcuts.back().commandId, frozen->firstId + 1);
}

TEST_F(Menus, MenuCommandsAndShortcutsRunTheSameHandler)
{
    int saved = 0;
    Window::MenuItem save = window->menus[0]->insertItem(L"保存", [&] { ++saved; });
    save.setShortcut(0x4053);
    Input::keyClick('S', Input::Control);
    EXPECT_EQ(saved, 1);
    ASSERT_TRUE(Input::openMenuBarMenu(0));
    ASSERT_TRUE(Input::clickMenuItem(save.commandId));
    EXPECT_EQ(saved, 2);
}

TEST_F(Menus, TheTooltipTimesOutFollowsTheMouseAndStaysOnScreen)
{
    Window::ToolTips& tips = Window::ToolTips::get();
    tips.show({100, 100}, L"三秒", 100);
    ASSERT_TRUE(tips.shown);
    ASSERT_TRUE(tips.window);
    EXPECT_TRUE(tips.window->isVisible());
    Input::wait(300);
    EXPECT_FALSE(tips.shown);

    Input::move(10, 10);
    tips.showAtCursor(L"次の移動まで");
    EXPECT_TRUE(tips.shown);
    Input::move(10, 10); // no move: stays
    EXPECT_TRUE(tips.shown);
    Input::move(20, 10);
    EXPECT_FALSE(tips.shown);

    int left, top, width, height;
    Platform::Ui::virtualScreen(left, top, width, height);
    tips.show({left + width - 10, 50}, L"右端に近いツールチップ", 0);
    EXPECT_EQ(tips.point.x + tips.window->width(), left + width) << "moved left to fit";
    EXPECT_EQ(tips.point.y, 50);
    tips.hide();

    const std::wstring longText(2000, L'x');
    tips.show({0, 0}, longText, 0);
    EXPECT_EQ(tips.text.size(), 1023u);
}

TEST_F(Menus, ShortcutKeysFollowModifiersDefaultsAndTheUndoStep)
{
    std::vector<std::string> ran;
    shortcuts->registerShortcut(L"x", 'X', [&] { ran.push_back("x"); }, nullptr, 0);
    shortcuts->registerShortcut(L"first", 0x4041, [&] { ran.push_back("first"); }, nullptr, 0);
    shortcuts->registerShortcut(L"second", 0x4041, [&] { ran.push_back("second"); }, nullptr, 0);
    EXPECT_EQ(shortcuts->shortcuts[2].code, 0) << "the first registration wins a contested key";

    Input::keyClick('X', Input::Control | Input::Shift);
    EXPECT_EQ(ran, std::vector<std::string>{"x"}) << "Ctrl and Shift are dropped on the retry";
    Input::keyDown('X', Input::Alt);
    Input::keyUp('X', Input::Alt);
    EXPECT_EQ(ran.size(), 1u) << "Alt is kept";
    for (int key : {Platform::Ui::Key::Shift, Platform::Ui::Key::Control, Platform::Ui::Key::Menu})
        Platform::Ui::setKeyDown(key, false); // the keys let go
    EXPECT_EQ(shortcuts->getCommandCode('A'), 0);
    Platform::Ui::setKeyDown(Platform::Ui::Key::Control, true);
    EXPECT_EQ(shortcuts->getCommandCode('A'), 0x4041);
    Platform::Ui::setKeyDown(Platform::Ui::Key::Control, false);

    // A shortcut cancels a drag first; while an edit records its undo step nothing runs.
    Probe target({0, 0, 200, 200}, 200);
    target.onLButtonDown = [this] { mouse->beginDrag(0, 0, &Window::Cursors::SizeAll); };
    Input::press(20, 20);
    Input::keyDown('X');
    EXPECT_TRUE(target.has("dragcancel"));
    EXPECT_EQ(ran.size(), 2u);
    Input::release(20, 20);
    shortcuts->isRecording = [] { return true; };
    Input::keyClick('X');
    EXPECT_EQ(ran.size(), 2u);
}

namespace {
// keyboard.ini and system.conf's key names are read when the manager is made.
class ShortcutFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestKit::runCommand("mkdir -p '" + TestKit::tempDir() + "/velmora2'");
        TestKit::writeFile(TestKit::tempDir() + "/velmora2/system.conf",
                           "[KeyCode]\r\n200=Custom\r\n4298=Cut\r\nabc=No number\r\n201=\r\n");
        services.acquire<Setting::SettingService>();
    }
    void writeKeyboard(const std::string& text)
    {
        TestKit::writeFile(TestKit::tempDir() + "/velmora2/keyboard.ini", text);
    }
    System::ServiceStack services;
};
} // namespace

TEST_F(ShortcutFiles, KeyNamesComeFromTheTableAndSystemConf)
{
    System::ServiceReference<Window::ShortcutManager> manager;
    TestKit::LogCapture log;
    struct Case {
        int code;
        const wchar_t* name;
    };
    // The installed system.conf names many keys already; the user's adds more
    // (a number past 12 bits names its low 12 bits).
    for (const Case& c : {Case{0x6053, L"Ctrl+Shift+S"}, Case{0x1000 | 'Q', L"Alt+Q"}, Case{0x4000 | 200, L"Ctrl+Custom"},
                          Case{4298 & 0xFFF, L"Cut"}, Case{0, L""}}) {
        EXPECT_EQ(Shortcut::getCodeName(c.code), c.name) << c.code;
    }
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(Shortcut::getCodeName(0x4000 | 201), L"") << "an empty name was skipped: no name for the key";
    EXPECT_TRUE(log.contains("WARN|Window::Shortcut::getCodeName|invalid shortcut key code. 000040c9"));
}

TEST_F(ShortcutFiles, KeyboardIniMovesKeysAndIsWrittenByteForByte)
{
    writeKeyboard("[shortcut.0]\r\nname=編集:元に戻す\r\ncode=16467\r\n[shortcut.1]\r\nname=編集:やり直し\r\ncode=0\r\n"
                  "[shortcut.2]\r\nname=ファイル:閉じる\r\n[shortcut.3]\r\nname=ファイル:開く\r\ncode=16463\r\n");
    System::ServiceReference<Window::ShortcutManager> reference;
    Window::ShortcutManager& manager = *Window::ShortcutManager::Get();
    EXPECT_EQ(manager.savedCodes.size(), 2u) << "the section without a code ended the reading";
    manager.registerShortcut(L"ファイル:保存", 0x4053, [] {}, nullptr, 0);
    manager.registerShortcut(L"編集:元に戻す", 0x405A, [] {}, nullptr, 0);
    manager.registerShortcut(L"編集:やり直し", 0x605A, [] {}, nullptr, 0);
    manager.registerShortcut(L"ファイル:開く", 0x404F, [] {}, nullptr, 0);
    EXPECT_EQ(manager.shortcuts[0].code, 0) << "the saved Ctrl+S moved to undo";
    EXPECT_EQ(manager.shortcuts[1].code, 0x4053);
    EXPECT_EQ(manager.shortcuts[2].code, 0) << "a saved 0 is no key";
    EXPECT_EQ(manager.shortcuts[3].code, 0x404F);
    manager.shortcuts[3].code = 0x604F;
    manager.saveShortcutFile();
    const std::string golden = "[shortcut.0]\r\nname=ファイル:保存\r\ncode=0\r\n"
                               "[shortcut.1]\r\nname=編集:元に戻す\r\ncode=16467\r\n"
                               "[shortcut.2]\r\nname=編集:やり直し\r\ncode=0\r\n"
                               "[shortcut.3]\r\nname=ファイル:開く\r\ncode=24655\r\n";
    EXPECT_EQ(TestKit::readFile(TestKit::tempDir() + "/velmora2/keyboard.ini"), golden);

    for (Shortcut& s : manager.shortcuts)
        s.code = s.defaultCode;
    manager.saveShortcutFile();
    EXPECT_EQ(TestKit::readFile(TestKit::tempDir() + "/velmora2/keyboard.ini"), "") << "every key at its default";
}

TEST_F(ShortcutFiles, AMenuItemShowsItsKeyAfterATab)
{
    System::ServiceReference<Window::ShortcutManager> manager;
    Window::PopupMenu menu;
    Window::MenuItem item = menu.insertItem(L"新規作成", [] {});
    Window::ShortcutManager::Get()->registerShortcut(L"ファイル:新規作成", 0x404E, nullptr, item.menu, item.commandId);
    EXPECT_EQ(menu.item(0).text, L"新規作成\tCtrl+N");
    Window::BaseMenu::setShortcutText(item.menu, item.commandId, L"");
    EXPECT_EQ(menu.item(0).text, L"新規作成");
}
