// The text editor control on real key, mouse, clipboard and input-method
// events: typing, caret keys, selection, deleting, the filter, paste, word
// and line selection, whole characters beyond the basic plane, Tab groups, the
// edit menu, centring and the bound scroll bar.
#include "platform/ui/clipboard.h"
#include "tests/ui/controls_fixture.h"
#include "ui/window/base_menu.h"
#include "ui/window/controls/edit_control.h"

using namespace ControlsTest;
using namespace Control;
namespace Key = Platform::Ui::Key;

namespace {
class EditFields : public ControlsFixture {
protected:
    // A field at (20, 20), 300 × h, focused by a click at its end.
    std::unique_ptr<EditControl> field(const std::wstring& text = L"", int height = 30)
    {
        auto edit = std::make_unique<EditControl>(box());
        edit->placeX = 20, edit->placeY = 20, edit->placeWidth = 300, edit->placeHeight = height;
        edit->text = text;
        edit->updateTextLayout();
        show();
        Input::click(edit->rect.x + edit->rect.width - 6, edit->rect.y + edit->rect.height - 6);
        Input::wait(600); // past the double-click time
        return edit;
    }
    std::wstring selected(const EditControl& e) const
    {
        return e.text.substr(size_t(e.selectionStart), size_t(e.selectionEnd - e.selectionStart));
    }
};
} // namespace

TEST_F(EditFields, TypingCaretKeysAndDeletingEditTheText)
{
    auto edit = field();
    int changes = 0;
    edit->onChange = [&](EditControl&) { ++changes; };
    ASSERT_TRUE(edit->focused);
    type(L"abc");
    EXPECT_EQ(edit->text, L"abc");
    EXPECT_EQ(changes, 3);
    key(Key::Return);
    type(L"de");
    EXPECT_EQ(edit->text, L"abc\nde") << "Enter starts a new line";
    key(Key::Home);
    EXPECT_EQ(edit->caret, 4);
    key(Key::Up);
    EXPECT_EQ(edit->caret, 0) << "up from the start of the second line";
    key(Key::Up);
    EXPECT_EQ(edit->caret, 0) << "up on the first line stays";
    key(Key::End, Input::Control);
    EXPECT_EQ(edit->caret, 6);
    key(Key::Down);
    EXPECT_EQ(edit->caret, 6) << "down on the last line stays";
    key(Key::Left, Input::Shift);
    key(Key::Left, Input::Shift);
    EXPECT_EQ(selected(*edit), L"de");
    key(Key::Back);
    EXPECT_EQ(edit->text, L"abc\n") << "Backspace removes the selection";
    key(Key::Home, Input::Control);
    key(Key::Delete, Input::Control);
    EXPECT_EQ(edit->text, L"\n") << "Ctrl+Delete: to the end of the line";
    type(L"xy");
    key(Key::Delete, Input::Shift);
    EXPECT_EQ(edit->text, L"x\n") << "Shift+Delete without a selection removes the character before";
    key(Key::Delete);
    EXPECT_EQ(edit->text, L"x") << "Delete removes the line break after the caret, once";
    EXPECT_EQ(edit->caret, 1);
    key(Key::Escape);
    EXPECT_EQ(edit->text, L"x") << "other control characters are swallowed";
}

TEST_F(EditFields, TheClipboardCutsCopiesAndPastesNormalisedText)
{
    auto edit = field(L"XY");
    edit->caret = edit->anchor = 1;
    ASSERT_EQ(Platform::Ui::setClipboardText(L"a\r\nb"), 0);
    key('V', Input::Control);
    EXPECT_EQ(edit->text, L"Xa\nbY");
    EXPECT_EQ(edit->caret, 4) << "after the b";
    key('A', Input::Control);
    EXPECT_EQ(selected(*edit), L"Xa\nbY");
    key('C', Input::Control);
    std::wstring clip;
    ASSERT_EQ(Platform::Ui::getClipboardText(clip), 0);
    EXPECT_EQ(clip, L"Xa\nbY");
    key(Key::Home, Input::Control);
    key(Key::End, Input::Shift);
    key('X', Input::Control);
    EXPECT_EQ(edit->text, L"\nbY");
    ASSERT_EQ(Platform::Ui::getClipboardText(clip), 0);
    EXPECT_EQ(clip, L"Xa");
}

TEST_F(EditFields, TheFilterKeepsOnlyMatchingCharacters)
{
    auto edit = field(L"5");
    edit->charFilter = L"[0-9+-.]";
    int changes = 0;
    edit->onChange = [&](EditControl&) { ++changes; };
    key('A', Input::Control);
    type(L"a");
    EXPECT_EQ(edit->text, L"") << "a rejected character still replaces the selection";
    EXPECT_EQ(changes, 1) << "and completes the edit";
    Platform::Ui::setClipboardText(L"1a2");
    key('V', Input::Control);
    EXPECT_EQ(edit->text, L"12");
}

TEST_F(EditFields, InputMethodTextAndCharactersBeyondTheBasicPlaneStayWhole)
{
    auto edit = field(L"ab");
    edit->caret = edit->anchor = 1;
    Input::imeCompose(L"にほん");
    Input::imeCommit(L"日本😀");
    Input::wait();
    EXPECT_EQ(edit->text, L"a日本😀b");
    EXPECT_EQ(edit->caret, 4) << "the emoji is one character";
    key(Key::Left);
    EXPECT_EQ(edit->caret, 3);
    key(Key::Right);
    key(Key::Back);
    EXPECT_EQ(edit->text, L"a日本b") << "Backspace removes the whole emoji";
    // The halves of a pair arriving one by one make one character.
    edit->procChar(wchar_t(0xD83D));
    edit->procChar(wchar_t(0xDE00));
    EXPECT_EQ(edit->text, L"a日本😀b");
    // Hit tests and caret cells count characters too.
    float x = 0, y = 0;
    const float before = edit->textLayout->hitTestTextPosition(4, false, x, y).left;
    const float after = edit->textLayout->hitTestTextPosition(5, false, x, y).left;
    EXPECT_GT(after, before) << "the emoji has a width";
    EXPECT_EQ(edit->getTextPosition(int(after) - 1, 5), 5) << "its trailing half places the caret after it";
}

TEST_F(EditFields, DoubleClicksSelectAWordThenItsLine)
{
    auto edit = field(L"call foo(bar) now\nnext");
    const float cellLeft = [&] {
        float x = 0, y = 0;
        return edit->textLayout->hitTestTextPosition(10, false, x, y).left;
    }();
    const int px = edit->rect.x + 4 + int(cellLeft) + 2 - edit->scrollX, py = edit->rect.y + 4 + 5 - edit->scrollY;
    Input::click(px, py);
    Input::click(px, py);
    EXPECT_EQ(selected(*edit), L"bar");
    Input::click(px, py);
    EXPECT_EQ(selected(*edit), L"call foo(bar) now") << "again at the same place: the line";
}

TEST_F(EditFields, TabCyclesTheGroupAndADestroyedMemberLeavesOnlyItself)
{
    auto group = std::make_shared<FocusGroupArray>();
    std::vector<std::unique_ptr<EditControl>> fields;
    for (int i = 0; i < 3; ++i) {
        fields.push_back(std::make_unique<EditControl>(box()));
        EditControl& e = *fields.back();
        e.placeX = 20, e.placeY = 20 + 40 * i, e.placeWidth = 200, e.placeHeight = 30;
        e.setGroup(group);
    }
    show();
    Input::click(cx(*fields[0]), cy(*fields[0]));
    key(Key::Tab);
    EXPECT_TRUE(fields[1]->focused);
    key(Key::Tab, Input::Shift);
    EXPECT_TRUE(fields[0]->focused);
    EXPECT_EQ(fields[0]->text, L"") << "a Tab in a group inserts nothing";
    fields.erase(fields.begin() + 1);
    EXPECT_EQ(group->size(), 2u) << "the others keep cycling";
    key(Key::Tab);
    EXPECT_TRUE(fields[1]->focused);
    fields[0]->enabled = false;
    key(Key::Tab);
    EXPECT_TRUE(fields[1]->focused) << "nobody else can take it";
    // A field of no group takes the Tab as a character.
    fields[1]->leaveGroup();
    key(Key::Tab);
    EXPECT_EQ(fields[1]->text, L"\t");
}

TEST_F(EditFields, TheEditMenuOffersWhatTheSelectionAllows)
{
    auto edit = field(L"text");
    edit->contextMenu = true;
    std::vector<std::wstring> items;
    Window::PopupMenu::setChooser([&](const Window::PopupMenu& menu) {
        items.clear();
        for (int i = 0; i < menu.itemCount(); ++i)
            items.push_back(menu.item(i).text);
        return 0;
    });
    Input::click(cx(*edit), cy(*edit));
    Input::click(cx(*edit), cy(*edit), Input::Right);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"貼り付け", L"すべてを選択"}));
    key('A', Input::Control);
    Input::click(cx(*edit), cy(*edit), Input::Right);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"切り取り", L"コピー", L"貼り付け", L"削除"}));
    Window::PopupMenu::setChooser({});
}

TEST_F(EditFields, ANarrowTextIsCentredAndTheBarFollowsALongOne)
{
    auto edit = field(L"ab");
    edit->centerHorizontal = true;
    edit->updateScroll();
    EXPECT_LT(edit->scrollX, 0) << "centred: a negative scroll";
    edit->procPaint();
    const uint32_t background = colour(Brushes::Background);
    const Window::Rect inside{edit->rect.x + 4, edit->rect.y + 4, edit->rect.width - 8, edit->rect.height - 8};
    const int first = firstInkColumn(inside, background), last = lastInkColumn(inside, background);
    ASSERT_GE(first, 0);
    EXPECT_NEAR((first + last) / 2, cx(*edit), 3);
    EXPECT_EQ(pixel(edit->rect.x, cy(*edit)), colour(Brushes::BorderFocus)) << "focused frame";

    // A multi-line field with its bar.
    edit = std::make_unique<EditControl>(box());
    edit->placeX = 20, edit->placeY = 80, edit->placeWidth = 280, edit->placeHeight = 100;
    EditScrollBarControl bar(box(), 300, 80, 16, *edit);
    bar.placeHeight = 100;
    for (int i = 0; i < 30; ++i)
        edit->text += L"行 " + std::to_wstring(i) + L"\n";
    edit->caret = int(edit->text.size());
    edit->updateTextLayout();
    show();
    edit->updateScroll();
    EXPECT_GT(edit->scrollY, 0) << "the caret at the end is in view";
    EXPECT_EQ(bar.first, edit->scrollY);
    EXPECT_EQ(bar.last, edit->scrollY + edit->viewHeight());
    EXPECT_EQ(bar.maxPos, edit->layoutHeight + edit->verticalMargin());
    const int end = edit->scrollY;
    Input::click(bar.rect.x + 8, bar.rect.y + 8); // the up arrow
    EXPECT_EQ(edit->scrollY, end - 1);
    EXPECT_EQ(bar.first, edit->scrollY);
    const int before = edit->scrollY;
    Input::wait(600);
    Input::click(bar.rect.x + 8, bar.rect.y + 40); // a page up
    EXPECT_LT(edit->scrollY, before);
    EXPECT_EQ(bar.first, edit->scrollY);
}
