// The control base: the layout rule, clipping to the parent, and measured text.
#include "media/text_format.h"
#include "tests/ui/window_fixture.h"

using namespace WindowTest;

namespace {
class Control : public Window::WindowControlRenderTarget {
public:
    using WindowControlRenderTarget::WindowControlRenderTarget;
    void procPaint() override { ++paints; }
    int paints = 0;
};
} // namespace

TEST(ControlLayout, TheRuleCountsNegativesFromTheFarEdges)
{
    struct Case {
        int x, y, w, h;
        Window::Rect rect;
    };
    const Window::Rect area{0, 0, 100, 50};
    Window::ControlContainer container(0, 0, 200, &area, &area);
    for (const Case& c : {Case{-30, 10, 0, -10, {70, 10, 30, 30}}, Case{-20, 0, 20, 0, {80, 0, 20, 50}},
                          Case{0, 22, 0, 0, {0, 22, 100, 28}}, Case{0, 0, -20, 0, {0, 0, 80, 50}},
                          Case{10, 5, -150, 10, {10, 5, 0, 10}}}) {
        struct Plain : Window::WindowControl {
            using WindowControl::WindowControl;
            void procPaint() override {}
        } control(container, c.x, c.y, c.w, c.h);
        EXPECT_EQ(control.rect, c.rect) << c.x << " " << c.y << " " << c.w << " " << c.h;
        EXPECT_EQ(control.priority, 201);
    }
    EXPECT_TRUE(container.controls.empty()) << "each control left its container";
}

TEST(ControlLayout, AControlIsClippedToItsParentAndMovesWithIt)
{
    Window::Rect owner{10, 10, 100, 60};
    Window::ControlContainer container(0, 0, 200, &owner, &owner);
    struct Plain : Window::WindowControl {
        using WindowControl::WindowControl;
        void procPaint() override {}
        void procMove() override { ++moves; }
        int moves = 0;
    };
    Plain parent(container, 0, 0, 50, 40);
    Plain inside(parent, 30, 30, 40, 40); // sticks out at the right and bottom
    Plain outside(parent, 60, 0, 10, 10); // entirely beyond the parent
    EXPECT_EQ(inside.priority, parent.priority + 1);
    EXPECT_EQ(inside.rect, (Window::Rect{40, 40, 40, 40}));
    EXPECT_EQ(inside.visibleRect, (Window::Rect{40, 40, 20, 10}));
    EXPECT_EQ(outside.visibleRect.width, 0);
    owner = {20, 30, 100, 60};
    container.updateLayout();
    EXPECT_EQ(parent.rect, (Window::Rect{20, 30, 50, 40}));
    EXPECT_EQ(inside.rect, (Window::Rect{50, 60, 40, 40}));
    EXPECT_EQ(inside.moves, 1);
}

namespace {
class Controls : public WindowFixture {};
} // namespace

TEST_F(Controls, OnlyTheVisiblePartIsHitAndTextIsMeasuredInWholePixels)
{
    Window::Rect owner{0, 0, 200, 100};
    Window::ControlContainer container(0, 0, 200, &owner, &owner);
    Control parent(container, 0, 0, 100, 50);
    Control child(parent, 80, 10, 40, 20);
    Probe behind({0, 0, 300, 300}, 100);
    Input::click(110, 20); // over the child's clipped-off part
    EXPECT_TRUE(behind.has("ldown 110 20"));
    Input::click(90, 20);
    EXPECT_FALSE(behind.has("ldown 90 20")) << "the child took it";

    Platform::Draw::TextFormat* format =
        Resource::ResourceService::Get()->textFormats.get(Resource::TextFormatList::Control);
    EXPECT_EQ(Resource::TextLayout::getSize(*format, L""), 0);
    const int width = Resource::TextLayout::getSize(*format, L"日本語 text");
    const float exact = Resource::TextLayout::create(*format, L"日本語 text", 0)->getMetrics().width;
    EXPECT_GE(width, exact);
    EXPECT_LT(width, exact + 1);
    EXPECT_GT(width, Resource::TextLayout::getSize(*format, L"日本語"));
    EXPECT_EQ(child.bodyBrush(), Window::ColorBrushList::ButtonBodyHover) << "the pointer is over it";
    child.hovered = false;
    EXPECT_EQ(child.bodyBrush(), Window::ColorBrushList::ButtonBody);
    child.enabled = false;
    EXPECT_EQ(child.bodyBrush(), Window::ColorBrushList::ButtonBodyDisable);
}
