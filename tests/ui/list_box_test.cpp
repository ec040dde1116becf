// The drop-down list: placement and height, clicks with and without Ctrl,
// Escape, the wheel and the hovered selection, on the real pop-up.
#include "tests/ui/window_fixture.h"

#include "platform/ui/popup_list.h"

using namespace WindowTest;
using Window::ListBox;

namespace {
class List : public WindowFixture {
protected:
    void open(int entries, int y = 40)
    {
        ListBox::initialize();
        ListBox::list->setItemHeight(16);
        for (int i = 0; i < entries; ++i)
            ListBox::addItem(L"項目" + std::to_wstring(i), [this, i] { chosen.push_back(i); }, i == 1);
        ListBox::show(20, y, 150, 22, this);
        Input::wait();
    }
    std::vector<int> chosen;
};
} // namespace

TEST_F(List, ItOpensBelowTheControlAtItsHeight)
{
    open(3);
    ASSERT_TRUE(ListBox::isOpen);
    EXPECT_TRUE(Input::listShown());
    EXPECT_EQ(ListBox::list->height(), 52) << "3 entries of 16 pixels and the border";
    int x = 20, y = 40;
    window->surface->clientToScreen(x, y);
    EXPECT_EQ(ListBox::list->x(), x);
    EXPECT_EQ(ListBox::list->y(), y + 22);
    EXPECT_EQ(ListBox::list->width(), 150);
    EXPECT_EQ(ListBox::list->currentIndex(), 1) << "the current choice";
    ListBox::show(0, 0, 10, 10, nullptr); // ignored while open
    EXPECT_EQ(ListBox::list->width(), 150);
    ListBox::hide();

    // Many entries: a quarter of the window, at least 256; near the bottom it opens above.
    Input::resizeWindow(800, 600);
    open(100, window->height - 30);
    EXPECT_EQ(ListBox::list->height(), 260);
    int bx = 20, by = window->height - 30;
    window->surface->clientToScreen(bx, by);
    int left, top, width, height;
    Platform::Ui::virtualScreen(left, top, width, height);
    if (by + 22 + 260 > top + height)
        EXPECT_EQ(ListBox::list->y(), by - 260);
}

TEST_F(List, ClicksRunTheirEntryAndOnlyCtrlKeepsItOpen)
{
    open(4);
    Input::clickListEntry(2, Input::Control);
    EXPECT_EQ(chosen, std::vector<int>{2});
    EXPECT_TRUE(ListBox::isOpen);
    Input::clickListEntry(3);
    EXPECT_EQ(chosen, (std::vector<int>{2, 3}));
    EXPECT_FALSE(ListBox::isOpen);
    EXPECT_FALSE(Input::listShown());

    open(4);
    Input::keyList(Platform::Ui::Key::Escape);
    EXPECT_FALSE(ListBox::isOpen);
    EXPECT_EQ(chosen.size(), 2u) << "Escape runs nothing";
}

TEST_F(List, HoverSelectsTheWheelScrollsAndMovingStaysAtTheEnds)
{
    open(40);
    Input::hoverListEntry(3);
    EXPECT_EQ(ListBox::list->currentIndex(), 3);
    EXPECT_TRUE(chosen.empty()) << "hovering runs nothing";
    Input::wheelList(-120);
    EXPECT_EQ(ListBox::list->topIndex(), 2);
    EXPECT_EQ(ListBox::list->currentIndex(), 3) << "the wheel leaves the selection";
    Input::wheelList(120);
    Input::wheelList(120);
    EXPECT_EQ(ListBox::list->topIndex(), 0);

    ListBox::list->setCurrentIndex(39);
    ListBox::moveSelection(1);
    ListBox::moveSelection(1);
    EXPECT_EQ(chosen, (std::vector<int>{39, 39}));
    EXPECT_EQ(ListBox::list->currentIndex(), 39);
}
