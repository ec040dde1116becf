// The list of items with its scroll bar, the layout box, and the passive
// text and title controls.
#include "tests/ui/controls_fixture.h"
#include "ui/window/controls/list_controls.h"

using namespace ControlsTest;
using namespace Control;

namespace {
// An item: a filled rectangle with an order and a lock.
class Item : public RectControl, public ListItemBase {
public:
    Item(ListItemControl& list, int height, int order, bool movable)
        : RectControl(list.itemContainer, 0, 0, 0, height), ListItemBase(list, *this), order(order), movable(movable)
    {
    }
    int getOrder() override { return order; }
    void setOrder(int o) override { order = o; }
    bool canMove() override { return movable; }
    int order;
    bool movable;
};

class Lists : public ControlsFixture {
protected:
    void SetUp() override
    {
        ControlsFixture::SetUp();
        list = std::make_unique<ListItemControl>(box(), 30);
        list->placeX = 20, list->placeWidth = 200, list->placeHeight = 150;
        show();
    }
    void TearDown() override
    {
        list.reset();
        ControlsFixture::TearDown();
    }
    Item& add(int height, bool movable = true)
    {
        auto item = std::make_unique<Item>(*list, height, int(list->items.size()), movable);
        item->fill = window->colorBrushList.get(Brushes::ButtonBody + int(list->items.size()) % 3);
        Item& made = *item;
        list->items.push_back(std::move(item));
        list->updateItemLayout();
        show();
        return made;
    }
    std::unique_ptr<ListItemControl> list;
};
} // namespace

TEST_F(Lists, TheBarAppearsWhenItemsExceedTheHeightAndNarrowsThem)
{
    Item& first = add(40);
    add(60);
    const Window::Rect r = list->rect;
    EXPECT_FALSE(list->scrollBar.visible);
    EXPECT_EQ(first.rect.width, r.width);
    EXPECT_EQ(pixel(r.x + 5, r.y + 120), colour(Brushes::Background)) << "below the last item";
    add(40);
    EXPECT_FALSE(list->scrollBar.visible) << "140 of 150";
    add(40);
    ASSERT_TRUE(list->scrollBar.visible);
    for (const auto& item : list->items)
        EXPECT_EQ(item->control.rect.width, r.width - Setting::Layout::ScrollBarSize);
    EXPECT_EQ(list->scrollBar.rect.x, r.x + r.width - Setting::Layout::ScrollBarSize);
    EXPECT_EQ(list->scrollBar.lineStep, 2 * 180 / 4) << "two average items";
    EXPECT_EQ(pixel(r.x + 5, r.y + 5), colour(Brushes::ButtonBody));

    // Scrolled to the end and beyond: the last item's bottom meets the list's.
    list->scrollTo(1000);
    list->itemContainer.updateLayout();
    const Window::Rect last = list->items.back()->control.rect;
    EXPECT_EQ(list->offset(), 30);
    EXPECT_EQ(last.y + last.height, r.y + r.height);
    EXPECT_EQ(list->scrollBar.first, 30);
    EXPECT_EQ(list->scrollBar.last, 180);
    list->scrollTo(-5);
    EXPECT_EQ(list->offset(), 0);
}

TEST_F(Lists, ARightDragAndTheWheelScrollTheContent)
{
    for (int i = 0; i < 10; ++i)
        add(30);
    const Window::Rect r = list->rect;
    const int x = r.x + 50, y = r.y + 100;
    Input::press(x, y, Input::Right);
    Input::move(x, y - 10, Input::None, Input::Right);
    Input::move(x, y - 30, Input::None, Input::Right);
    Input::release(x, y - 30, Input::Right);
    Input::wait();
    EXPECT_EQ(list->offset(), 30) << "the content follows the pointer up";
    EXPECT_EQ(list->items[1]->control.rect.y, r.y) << "the second item at the top";
    Input::wait(600);
    Input::press(x, y, Input::Right);
    Input::move(x, y - 400, Input::None, Input::Right);
    Input::release(x, y - 400, Input::Right);
    Input::wait();
    EXPECT_EQ(list->offset(), 300 - 150) << "held at the end";
    Input::move(x, y);
    Input::wheel(x, y, 120); // away from the user: up
    Input::wait();
    EXPECT_EQ(list->offset(), 150 - list->scrollBar.lineStep);
}

TEST_F(Lists, SwappingNeedsTwoMovableItems)
{
    Item& a = add(30);
    Item& b = add(40);
    Item& locked = add(30, false);
    b.swapItems(locked);
    EXPECT_EQ(list->getItemIndex(&b), 1);
    EXPECT_EQ(locked.order, 2);
    b.swapItems(a);
    EXPECT_EQ(list->getItemIndex(&b), 0);
    EXPECT_EQ(list->getItemIndex(&a), 1);
    EXPECT_EQ(b.rect.y, list->rect.y);
    EXPECT_EQ(a.rect.y, list->rect.y + 40);
    EXPECT_EQ(list->getItemIndex(nullptr), -1);
}

TEST_F(Lists, TheLayoutBoxPlacesByFractions)
{
    LayoutControl layout(box(), 10, 10, 200, 100);
    layout.fractionLeft = 0.25f, layout.fractionTop = 0.5f, layout.fractionRight = 0.755f, layout.fractionBottom = 1;
    show();
    EXPECT_EQ(layout.rect, (Window::Rect{box().area.x + 10 + 50, box().area.y + 10 + 50, 101, 50}));
    EXPECT_EQ(std::find(mouse->targets.begin(), mouse->targets.end(), &layout), mouse->targets.end())
        << "not a hit target";
}

TEST_F(Lists, AFramedTextStandsTwoPixelsInAndIsNeverHit)
{
    Probe behind({0, 0, 600, 600}, 150);
    std::vector<int> firstInk;
    for (bool framed : {false, true}) {
        TextControl text(box(), 300, 200, L"テキスト"); // beside the list
        text.placeY = 40, text.placeHeight = 30;
        text.frame = framed ? window->colorBrushList.get(Brushes::Border) : nullptr;
        text.background = window->colorBrushList.get(Brushes::ButtonBody);
        show();
        const Window::Rect r = text.rect;
        // The first column with text ink: neither the fill nor the frame.
        int first = -1;
        for (int x = r.x; x < r.x + r.width && first < 0; ++x)
            for (int y = r.y + 2; y < r.y + r.height - 2; ++y)
                if (pixel(x, y) != colour(Brushes::ButtonBody) && pixel(x, y) != colour(Brushes::Border)) {
                    first = x;
                    break;
                }
        firstInk.push_back(first - r.x);
        EXPECT_EQ(pixel(r.x + 1, r.y + 15) == colour(Brushes::Border), framed);
        Input::click(r.x + 20, r.y + 15);
        EXPECT_TRUE(behind.has("ldown " + std::to_string(r.x + 20) + " " + std::to_string(r.y + 15)));
        Input::wait(600);
    }
    EXPECT_EQ(firstInk[1] - firstInk[0], 2) << firstInk[0] << " " << firstInk[1];
}

TEST_F(Lists, ATitleIsClippedAtThePaneAndTheSubTitleFollowsNinePixelsOn)
{
    Window::Rect pane{40, 300, 120, 60};
    Window::ControlContainer container(0, 0, 200, &pane, &pane);
    TitleHeaderControl header(container, L"とても長いタイトルの文字列がペインの幅を超えて続きます");
    container.updateLayout();
    header.procPaint();
    EXPECT_EQ(header.rect.height, Setting::Layout::TitleHeaderHeight + 2);
    EXPECT_EQ(pixel(pane.x + 1, pane.y + 1), colour(Brushes::TitleHeader));
    EXPECT_EQ(pixel(pane.x + 1, pane.y + Setting::Layout::TitleHeaderHeight), colour(Brushes::Background));
    const uint32_t strip = colour(Brushes::TitleHeader);
    EXPECT_TRUE(hasInk({pane.x + pane.width - 20, pane.y, 20, Setting::Layout::TitleHeaderHeight}, strip))
        << "the title runs to the edge";
    const Window::Rect beyond{pane.x + pane.width, pane.y, 40, Setting::Layout::TitleHeaderHeight};
    EXPECT_EQ(countColour(beyond, colour(Brushes::Background)), beyond.width * beyond.height)
        << "and is clipped there";

    pane.width = 400;
    header.title = L"タイトル";
    header.subTitle = L"副題";
    container.updateLayout();
    header.procPaint();
    Platform::Draw::TextFormat& small =
        *Resource::ResourceService::Get()->textFormats.get(Resource::TextFormatList::ControlSmall);
    const int titleWidth = Resource::TextLayout::getSize(small, L"タイトル");
    const Window::Rect after{pane.x + 3 + titleWidth + 1, pane.y, 60, Setting::Layout::TitleHeaderHeight};
    EXPECT_NEAR(firstInkColumn(after, strip) - pane.x, titleWidth + 9, 2);
    saveShot("title_header");
}
