// Panels and separators: the default layout of the system's panes, repairs,
// making room, the window menu, and separator drags with real mouse events.
#include "tests/ui/window_fixture.h"
#include "ui/window/base_menu.h"

#include <cmath>
#include <memory>

using namespace WindowTest;
using Window::WindowClient;

namespace {

struct Pane {
    const char* section;
    WindowClient::Placement placement;
};

// The panes of the system with their default placements.
const Pane DefaultPanes[] = {
    {"Window.explorer", {0, 0, 0.2f, 0.7f, 0, true}},       {"Window.scene.list", {0, 0.7f, 0.2f, 1, 0, true}},
    {"Window.object.list", {0.8f, 0, 1, 0.3f, 1, true}},    {"Window.setting", {0.8f, 0.3f, 1, 0.7f, 1, true}},
    {"Window.setting.color", {0.8f, 0.7f, 1, 1, 1, false}}, {"Window.preview", {0.2f, 0, 0.8f, 0.7f, 2, true}},
    {"Window.edit", {0.2f, 0.7f, 0.5f, 1, 3, true}},        {"Window.setting.time", {0.5f, 0.7f, 0.8f, 1, 3, false}},
    {"Window.setting.text", {0.5f, 0.7f, 0.8f, 1, 3, false}}, {"Window.log", {0, 0.7f, 1, 1, 4, false}},
};
enum { Explorer, SceneList, ObjectList, SettingPane, Color, Preview, EditPane, Time, Text, Log };

class Panels : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        int brush = Window::ColorBrushList::ButtonBody;
        for (const Pane& p : DefaultPanes)
            panes.push_back(std::make_unique<TestPanel>(p.section, p.placement, brush++));
        window->updateWindowLayout();
    }
    void TearDown() override
    {
        panes.clear();
        WindowFixture::TearDown();
    }
    TestPanel& pane(int i) { return *panes[size_t(i)]; }
    // The rectangle the fractions give, as the layout computes it.
    Window::Rect expected(float l, float t, float r, float b) const
    {
        const int s = Setting::Layout::WindowSeparatorSize, w = window->areaWidth, h = window->areaHeight;
        return {int(w * l) + 1, int(h * t), std::max(int(w * r) - s - int(w * l), 0),
                std::max(int(h * b) - s - int(h * t), 0)};
    }
    void expectPlacement(int i, float l, float t, float r, float b)
    {
        SCOPED_TRACE(DefaultPanes[i].section);
        EXPECT_NEAR(pane(i).left, l, 1e-5);
        EXPECT_NEAR(pane(i).top, t, 1e-5);
        EXPECT_NEAR(pane(i).right, r, 1e-5);
        EXPECT_NEAR(pane(i).bottom, b, 1e-5);
        if (pane(i).isVisible())
            EXPECT_EQ(pane(i).clientRect, expected(pane(i).left, pane(i).top, pane(i).right, pane(i).bottom));
    }
    // Chooses the item at the path of positions in a panel's window menu.
    void chooseWindowMenu(TestPanel& panel, std::vector<int> path)
    {
        Window::PopupMenu::setChooser([path](const Window::PopupMenu& menu) {
            Window::BaseMenu at = menu;
            for (size_t i = 0; i + 1 < path.size(); ++i)
                at = at.subMenu(path[i]);
            return at.item(path.back()).enabled ? at.item(path.back()).id : 0;
        });
        panel.procContextMenu(0, 0);
    }
    std::vector<std::unique_ptr<TestPanel>> panes;
};

} // namespace

TEST_F(Panels, TheDefaultLayoutDocksTheVisiblePanesAndHiddenOnesTakeNoSpace)
{
    expectPlacement(Explorer, 0, 0, 0.2f, 0.7f);
    expectPlacement(SceneList, 0, 0.7f, 0.2f, 1);
    expectPlacement(ObjectList, 0.8f, 0, 1, 0.3f / 0.7f);
    expectPlacement(SettingPane, 0.8f, 0.3f / 0.7f, 1, 1);
    expectPlacement(Preview, 0.2f, 0, 0.8f, 0.7f);
    expectPlacement(EditPane, 0.2f, 0.7f, 0.8f, 1); // the only visible panel of the bottom spans the middle
    for (int hidden : {Color, Time, Text, Log})
        EXPECT_EQ(pane(hidden).clientRect, (Window::Rect{65536, 65536, 0, 0}));
    // Pixel edges: the left area starts at x = 1, the right one ends a pixel
    // before the client's edge, the bottom ends above the footer.
    EXPECT_EQ(pane(Explorer).clientRect.x, 1);
    const Window::Rect& list = pane(ObjectList).clientRect;
    EXPECT_EQ(list.x + list.width, window->width - 1);
    const Window::Rect& edit = pane(EditPane).clientRect;
    EXPECT_EQ(edit.y + edit.height, window->height - Setting::Layout::FooterHeight);
    // Neighbours are a separator apart.
    EXPECT_EQ(pane(Preview).clientRect.x - (pane(Explorer).clientRect.x + pane(Explorer).clientRect.width),
              Setting::Layout::WindowSeparatorSize);
    // Each panel painted itself at its place.
    const Window::Rect& p = pane(Preview).clientRect;
    EXPECT_EQ(pixel(p.x + 5, p.y + 5), colour(pane(Preview).brush));
}

TEST_F(Panels, HidingTheBottomLetsTheTopTakeTheMiddle)
{
    pane(EditPane).setVisible(false);
    window->updateWindowLayout();
    expectPlacement(Preview, 0.2f, 0, 0.8f, 1);
}

TEST_F(Panels, ShowingAPanelMakesRoomInItsAreaOrBesideIt)
{
    // Into an area of two panels: both shrink toward the area's start, around the shown one's place.
    window->makeRoomForClient(&pane(Color));
    EXPECT_NEAR(pane(ObjectList).top, 0, 1e-6);
    EXPECT_NEAR(pane(ObjectList).bottom, 0.3f, 1e-5);
    EXPECT_NEAR(pane(SettingPane).bottom, 0.7f, 1e-5);
    pane(Color).setVisible(true);
    window->updateWindowLayout();
    expectPlacement(Color, 0.8f, 0.7f, 1, 1);

    // The only panel of the left area: everything else moves right to free its width.
    pane(Explorer).setVisible(false);
    pane(SceneList).setVisible(false);
    window->updateWindowLayout();
    EXPECT_NEAR(pane(Preview).left, 0, 1e-6);
    const float previewRight = pane(Preview).right;
    window->makeRoomForClient(&pane(Explorer));
    EXPECT_NEAR(pane(Preview).left, 0.2f, 1e-6);
    EXPECT_NEAR(pane(Preview).right, (previewRight - 1) * 0.8f + 1, 1e-6);
    pane(Explorer).setVisible(true);
    window->updateWindowLayout();
    expectPlacement(Explorer, 0, 0, 0.2f, 1);
}

TEST_F(Panels, BadStoredFractionsAreRepairedAndAnUnchangedPanelIsLeftAlone)
{
    TestPanel odd("Window.odd", {1.5f, 0, 0.2f, 1, 7, true});
    window->updateWindowLayout();
    EXPECT_FLOAT_EQ(odd.left, 0.999f);
    EXPECT_FLOAT_EQ(odd.right, 0.999f);
    TestPanel& preview = pane(Preview);
    const int moves = preview.moves, paints = preview.paints;
    preview.updateRect(false);
    EXPECT_EQ(preview.moves, moves);
    EXPECT_EQ(preview.paints, paints);
    preview.updateRect(true);
    EXPECT_EQ(preview.moves, moves + 1);
    EXPECT_EQ(preview.paints, paints + 1);
}

TEST_F(Panels, TheWindowMenuMovesPanelsWithinAndBetweenAreas)
{
    // The order items of the first and the last panel of an area, and of a lone one.
    auto greyed = [&](TestPanel& panel) {
        Window::PopupMenu menu;
        panel.procWindowMenu(menu);
        std::wstring flags;
        const Window::BaseMenu moving = menu.subMenu(2);
        for (int i = 0; i < moving.itemCount(); ++i)
            flags += moving.item(i).enabled ? L"o" : L"-";
        return flags;
    };
    EXPECT_EQ(greyed(pane(Explorer)), L"--oo");
    EXPECT_EQ(greyed(pane(SceneList)), L"oo--");
    EXPECT_EQ(greyed(pane(Preview)), L"----");

    // Moving down exchanges the whole placements: the sizes travel with them.
    chooseWindowMenu(pane(Explorer), {2, 2}); // "下に移動"
    expectPlacement(SceneList, 0, 0, 0.2f, 0.7f);
    expectPlacement(Explorer, 0, 0.7f, 0.2f, 1);
    // To the first place: the others move down by its height.
    chooseWindowMenu(pane(Explorer), {2, 0}); // "先頭に移動"
    expectPlacement(Explorer, 0, 0, 0.2f, 0.3f);
    expectPlacement(SceneList, 0, 0.3f, 0.2f, 1);

    chooseWindowMenu(pane(EditPane), {0, 1}); // "右側エリア"
    EXPECT_EQ(pane(EditPane).area, 1);
    EXPECT_EQ(window->getAreaClients(1).size(), 3u);
    EXPECT_FLOAT_EQ(pane(EditPane).left, pane(ObjectList).left) << "stacked in the right area";
    EXPECT_FLOAT_EQ(pane(Preview).bottom, 1.0f) << "the top area takes the emptied bottom";

    chooseWindowMenu(pane(Preview), {4}); // "ウィンドウを閉じる"
    EXPECT_FALSE(pane(Preview).isVisible());
}

TEST_F(Panels, ASeparatorIsFoundWhereTwoPanelsMeet)
{
    const Window::Rect& explorer = pane(Explorer).clientRect;
    const int gapX = explorer.x + explorer.width + 2;
    EXPECT_TRUE(window->findSeparator(gapX, explorer.y + 10));
    EXPECT_FALSE(window->dragHorizontal);
    EXPECT_EQ(window->dragClients, (std::vector<WindowClient*>{&pane(Explorer), &pane(Preview)}));
    const int gapY = explorer.y + explorer.height + 2;
    EXPECT_TRUE(window->findSeparator(explorer.x + 10, gapY));
    EXPECT_TRUE(window->dragHorizontal);
    // Hovering sets the sizing cursor; far from any gap there is none.
    Input::move(gapX, explorer.y + 10);
    EXPECT_EQ(mouse->mouseCursor.appliedCursor, &Window::Cursors::SizeWE);
    Input::move(explorer.x + 30, gapY);
    EXPECT_EQ(mouse->mouseCursor.appliedCursor, &Window::Cursors::SizeNS);
    EXPECT_FALSE(window->findSeparator(window->width / 2, 5)) << "inside a panel";
}

TEST_F(Panels, DraggingTheLeftLineMovesEveryEdgeOnIt)
{
    const Window::Rect& explorer = pane(Explorer).clientRect;
    const int gapX = explorer.x + explorer.width + 2, y = explorer.y + 20;
    Input::move(gapX, y);
    Input::press(gapX, y);
    ASSERT_EQ(window->dragClients.size(), 4u) << "explorer, preview, scene list and timeline";
    EXPECT_EQ(pixel(explorer.x - 1, explorer.y + 5), colour(Window::ColorBrushList::BorderFocus));
    Input::move(gapX + 40, y, Input::None, Input::Left);
    Input::move(gapX + 60, y, Input::None, Input::Left);
    Input::release(gapX + 60, y);
    const float moved = 0.2f + 60.0f / window->areaWidth;
    for (int i : {Explorer, SceneList})
        EXPECT_NEAR(pane(i).right, moved, 1e-5) << i;
    for (int i : {Preview, EditPane})
        EXPECT_NEAR(pane(i).left, moved, 1e-5) << i;
    EXPECT_TRUE(window->dragClients.empty());
    EXPECT_EQ(pixel(explorer.x - 1, explorer.y + 5), colour(Window::ColorBrushList::WindowBorder));
}

TEST_F(Panels, AStackStopsAtTwentyFourPixelsThenTradesPlaces)
{
    const Window::Rect explorer = pane(Explorer).clientRect;
    const int x = explorer.x + 30, gapY = explorer.y + explorer.height + 2;
    Input::move(x, gapY);
    Input::press(x, gapY);
    ASSERT_EQ(window->dragClients.size(), 2u);
    // Down toward the scene list's far edge: blocked 24 pixels before it.
    const int below = window->areaHeight - gapY;
    Input::move(x, gapY + below - 10, Input::None, Input::Left);
    EXPECT_EQ(mouse->mouseCursor.appliedCursor, &Window::Cursors::System32652);
    EXPECT_NEAR(pane(Explorer).bottom, 0.7f, 1e-6) << "the blocked step moves nothing";
    Input::move(x, gapY + 40, Input::None, Input::Left);
    EXPECT_NEAR(pane(Explorer).bottom, 0.7f + 40.0f / window->areaHeight, 1e-5);
    // Up past the explorer's top: the scene list travels above it.
    Input::move(x, gapY - explorer.height - 30, Input::None, Input::Left);
    EXPECT_LT(pane(SceneList).top, pane(Explorer).top) << "swapped";
    EXPECT_NEAR(pane(SceneList).top, 0, 1e-6);
    Input::release(x, 5);
    EXPECT_TRUE(window->dragClients.empty());
    EXPECT_LT(pane(SceneList).clientRect.y, pane(Explorer).clientRect.y);
}
