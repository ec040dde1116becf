// The text window: following the focus object, tags and value menus, dropped
// text files, the item's own undo; and the text control of a panel showing a
// change made elsewhere.
#include "core/text.h"
#include "tests/ui/settings_fixture.h"
#include "ui/settings/controls/file_controls.h"
#include "ui/settings/subwindows/text_window.h"

#include <fstream>

using namespace SettingsTest;

namespace {

class TextWindow : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        setting().bottom = 0.6f;
        text().left = 0.0f;
        text().right = 1.0f;
        text().top = 0.6f;
        text().bottom = 1.0f;
        text().area = Window::WindowClient::AreaCenter;
    }
    Component::EffectTextSettingComponent& text() { return *windows->text; }
    Component::EffectTextSettingControl& editor() { return text().control; }
    void show()
    {
        text().setVisible(true);
        window->updateWindowLayout();
        Input::wait();
    }
    std::shared_ptr<Edit::Object> placeText(int layer, const std::wstring& content)
    {
        auto object = scene().createObject(TextSource::Name, layer, 0, 99);
        dynamic_cast<TextSource&>(*object->effects[0]).text.text = content;
        return object;
    }
    static std::wstring itemText(const std::shared_ptr<Edit::Object>& object)
    {
        return dynamic_cast<TextSource&>(*object->effects[0]).text.text;
    }
    // The entries of the next popup menu.
    std::vector<std::wstring> nextMenu(const std::function<void()>& open, const std::wstring& choose = {})
    {
        std::vector<std::wstring> seen;
        Window::PopupMenu::setChooser([&](const Window::PopupMenu& menu) {
            int chosen = 0;
            for (int i = 0; i < menu.itemCount(); ++i) {
                seen.push_back(menu.item(i).text);
                if (!choose.empty() && menu.item(i).text.rfind(choose, 0) == 0)
                    chosen = menu.item(i).id;
            }
            return chosen;
        });
        open();
        Window::PopupMenu::setChooser(nullptr);
        return seen;
    }
    void clickEditor()
    {
        Input::click(editor().rect.x + 20, editor().rect.y + 10);
        Input::wait();
    }
};

} // namespace

TEST_F(TextWindow, ItFollowsTextObjectsWhileShownAndOpensOnlyWithItsOption)
{
    auto image = placeAll(0);
    auto first = placeText(1, L"最初の文");
    EXPECT_FALSE(text().isVisible()) << "hidden by default";
    focus(first);
    EXPECT_FALSE(text().isVisible()) << "the option is off";
    EXPECT_FALSE(editor().hasTarget());

    show();
    EXPECT_EQ(editor().text, L"最初の文");
    EXPECT_EQ(editor().caret, 0);
    EXPECT_TRUE(editor().enabled);
    focus(image);
    EXPECT_FALSE(editor().hasTarget());
    EXPECT_EQ(editor().text, L"");
    EXPECT_FALSE(editor().enabled);

    text().setVisible(false);
    window->updateWindowLayout();
    text().showWindowFocusTextObject = 1;
    focus(image);
    EXPECT_FALSE(text().isVisible()) << "not a text object";
    focus(first);
    EXPECT_TRUE(text().isVisible());
    EXPECT_EQ(editor().text, L"最初の文");

    // The object leaves the scene: the editor lets go at the end of that edit.
    {
        Edit::UpdateSection update;
        update.updateTextSetting = true;
        update.updateLayerObject = true;
        scene().removeObject(*first);
    }
    EXPECT_FALSE(editor().hasTarget());
}

TEST_F(TextWindow, TagsSelectTheirValueAndCtrlSpaceOpensTheMenuOfTheField)
{
    auto object = placeText(0, L"ab");
    show();
    focus(object);
    editor().caret = 2;
    editor().insertTag(L"<s40>", L"<s>");
    EXPECT_EQ(itemText(object), L"ab<s40>");
    EXPECT_EQ(editor().selectionStart, 4);
    EXPECT_EQ(editor().selectionEnd, 6) << "\"40\" selected";
    // With a selection the tag wraps it.
    editor().selectionStart = 0;
    editor().selectionEnd = 2;
    editor().insertTag(L"<#ffffff>", L"<#>");
    EXPECT_EQ(itemText(object), L"<#ffffff>ab<#><s40>");

    // The caret in the second field of a size tag: the font menu; in the size field: the tag menu.
    editor().text = L"x<s40,Sans>y";
    editor().updateTextLayout();
    editor().caret = 8;
    editor().selectionStart = editor().selectionEnd = 0;
    auto menu = nextMenu([&] { editor().openTagMenu(); });
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(menu.front().find(L"色変更"), std::wstring::npos) << "fonts, not tags";
    EXPECT_EQ(editor().selectionStart, 6);
    EXPECT_EQ(editor().selectionEnd, 10) << "the font field selected";
    editor().caret = 4;
    EXPECT_EQ(nextMenu([&] { editor().openTagMenu(); }).front(), L"色変更(&C)\t<#ffffff>");
    editor().caret = 1; // on '<' itself
    EXPECT_EQ(nextMenu([&] { editor().openTagMenu(); }).size(), 7u);
    // Ctrl+Space through the keyboard with the editor focused.
    clickEditor();
    std::vector<std::wstring> seen = nextMenu([&] {
        Input::keyClick(0x20, Input::Control);
        Input::wait();
    });
    EXPECT_FALSE(seen.empty());
}

TEST_F(TextWindow, DroppedTextFilesAreReadAsUtf8OrCp932)
{
    auto object = placeText(0, L"");
    show();
    focus(object);
    const std::string utf8 = TestKit::tempDir() + "/a.TXT";
    std::ofstream(utf8) << "日本語";
    const std::string sjisSource = TestKit::tempDir() + "/src.txt", sjis = TestKit::tempDir() + "/b.txt";
    std::ofstream(sjisSource) << "漢字かな";
    ASSERT_EQ(TestKit::runCommand("iconv -f UTF-8 -t CP932 '" + sjisSource + "' > '" + sjis + "'"), 0);
    const int x = editor().rect.x + 20, y = editor().rect.y + 10;
    EXPECT_TRUE(Input::dropFiles({System::utf8ToWide(utf8)}, x, y));
    Input::wait();
    EXPECT_EQ(itemText(object), L"日本語") << "\"TXT\" in capitals is a text file";
    EXPECT_TRUE(Input::dropFiles({System::utf8ToWide(sjis)}, x, y));
    Input::wait();
    EXPECT_EQ(itemText(object), L"日本語漢字かな");
    const std::string other = TestKit::tempDir() + "/c.text";
    std::ofstream(other) << "no";
    Input::dropFiles({System::utf8ToWide(other)}, x, y);
    Input::wait();
    EXPECT_EQ(itemText(object), L"日本語漢字かな") << "\"text\" is refused";
}

TEST_F(TextWindow, TypingIsUndoneOneCharacterAtATime)
{
    auto object = placeText(0, L"");
    show();
    focus(object);
    clickEditor();
    for (int key : {'A', 'B', 'C'})
        Input::keyClick(key);
    Input::wait();
    EXPECT_EQ(itemText(object), L"abc");
    // Each typed character is one step of the item alone: undone one at a time.
    Effect::EffectItem* item = &dynamic_cast<TextSource&>(*object->effects[0]).text;
    for (const wchar_t* expected : {L"ab", L"a", L""}) {
        EXPECT_TRUE(undo->undoText(item));
        EXPECT_EQ(itemText(object), expected);
        EXPECT_EQ(editor().text, expected) << "the editor follows";
    }
    EXPECT_TRUE(undo->redoText(item));
    EXPECT_EQ(itemText(object), L"a");
    // Variation selectors are not taken.
    editor().procChar(L'\uFE0F');
    EXPECT_EQ(itemText(object), L"a");
}

TEST_F(TextWindow, ThePanelsTextControlShowsASameLengthChangeMadeElsewhere)
{
    auto object = placeAll(0);
    focus(object);
    auto* control = this->control<Component::EffectItemTextControl>(kinds(object).text);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->edit.text, L"abc");
    {
        Edit::UpdateSection update;
        update.updateSettingValue = true;
        update.notifyEdit = true;
        kinds(object).text.text = L"xyz"; // as the text window or an undo would
    }
    EXPECT_EQ(control->edit.text, L"xyz");
    control->edit.caret = 3;
    control->edit.procChar(L'!');
    EXPECT_EQ(kinds(object).text.text, L"xyz!") << "the next keystroke keeps the change";
}
