// The render plan of a frame on the software driver, against a processor
// model of the same placement and compositing rules: layer order, group,
// camera and time controls, clipping groups, the preview tint, pre-rendered
// frames and scenes that show themselves.
#include "tests/render/render_fixture.h"

#include <algorithm>

using RenderTest::Canvas;
using RenderTest::effectLog;
using RenderTest::RenderFixture;
using TestKit::Pixel;

namespace {

const Pixel Red{1, 0, 0, 1}, Green{0, 1, 0, 1}, Blue{0, 0, 1, 1}, White{1, 1, 1, 1};
const Pixel HalfYellow{0.5f, 0.5f, 0, 0.5f};

std::vector<std::string> only(const std::vector<std::string>& lines, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0)
            out.push_back(l);
    return out;
}

using Lines = std::vector<std::string>;

} // namespace

class RenderPlan : public RenderFixture {};

TEST_F(RenderPlan, EmptyFrameIsTransparentAtTheScenesSize)
{
    image(0, 50, 60, Red); // not at the frame
    const TestKit::Picture frame = renderPlan(10);
    ASSERT_EQ(frame.size(), size_t(Width) * Height);
    EXPECT_TRUE(TestKit::nearPicture(frame, Canvas(Width, Height).pixels, Width));
    EXPECT_TRUE(effectLog().take().empty());
}

TEST_F(RenderPlan, HigherLayersCoverLowerOnes)
{
    image(0, 0, 99, Blue, 0, 0, 40);
    image(1, 0, 99, Red, -6, 2, 16);
    image(3, 0, 99, HalfYellow, 4, -2, 12);
    Canvas want(Width, Height);
    want.draw(0, 0, 40, 40, Blue);
    want.draw(-6, 2, 16, 16, Red);
    want.draw(4, -2, 12, 12, HalfYellow);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(5), want.pixels, Width));
    EXPECT_EQ(only(effectLog().take(), "draw"), (Lines{"draw L0 f5", "draw L1 f5", "draw L3 f5"}));
}

TEST_F(RenderPlan, GroupControlsGovernTheirRangeOfLayers)
{
    struct Case {
        int range;
        bool governsLayer6;
    };
    for (const Case c : {Case{3, false}, Case{0, true}}) {
        SCOPED_TRACE(c.range);
        clearScene();
        control<RenderTest::TestGroup>(2, 0, 99, c.range)->dx = 10;
        for (int layer = 3; layer <= 6; ++layer)
            image(layer, 0, 99, Red, -20, -14 + 7 * (layer - 3), 6);
        Canvas want(Width, Height);
        for (int layer = 3; layer <= 6; ++layer) {
            const bool governed = layer <= 5 || c.governsLayer6;
            want.draw(governed ? -10.0f : -20.0f, -14.0f + 7 * (layer - 3), 6, 6, Red);
        }
        EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), want.pixels, Width));
    }
}

TEST_F(RenderPlan, NestedGroupsRecordTheirParentAndAddUp)
{
    control<RenderTest::TestGroup>(1, 0, 99, 0)->dx = 10;
    control<RenderTest::TestGroup>(3, 0, 99, 1)->dy = 6;
    image(4, 0, 99, Red, 0, 0, 4);
    image(5, 0, 99, Green, -20, 0, 4);
    Canvas want(Width, Height);
    want.draw(10, 6, 4, 4, Red);
    want.draw(-10, 0, 4, 4, Green);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), want.pixels, Width));
    EXPECT_EQ(only(effectLog().take(), "group"), (Lines{"group L1 f0 parent -1", "group L3 f0 parent 1"}));
}

TEST_F(RenderPlan, TimeControlShiftsItsLayersThenTheFrameComesBack)
{
    control<RenderTest::TestTime>(1, 0, 99, 1)->shift = 45;
    image(2, 50, 60, Red, -10, 0, 6);   // only at the shifted frame
    image(3, 0, 20, Green, 10, 0, 6);   // only at the requested frame
    image(4, 50, 60, Blue, 0, 10, 6);   // past the range: not at the requested frame
    Canvas want(Width, Height);
    want.draw(-10, 0, 6, 6, Red);
    want.draw(10, 0, 6, 6, Green);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(10), want.pixels, Width));
    EXPECT_EQ(only(effectLog().take(), "input"), (Lines{"input L2 f55 o0", "input L3 f10 o0"}));

    // A second time control restores the requested frame before shifting again.
    clearScene();
    control<RenderTest::TestTime>(0, 0, 99, 0)->shift = 45;
    control<RenderTest::TestTime>(1, 0, 99, 0)->shift = 5;
    image(2, 0, 99, Red);
    renderPlan(10);
    EXPECT_EQ(only(effectLog().take(), "input"), (Lines{"input L2 f15 o0"}));
}

TEST_F(RenderPlan, CameraBatchesAreDepthSortedAndFlushedAtTheNextCamera)
{
    control<RenderTest::TestCamera>(1, 0, 99, 0);
    image(2, 0, 99, Red, -4, 0, 12).output->z = 30;
    image(3, 0, 99, Green, 0, 0, 12).output->z = 10;
    image(4, 0, 99, Blue, 4, 0, 12).output->z = 20;
    auto flat = image(5, 0, 99, White, 0, 12, 4);
    flat.object->camera = false; // drawn flat over the camera's result
    control<RenderTest::TestCamera>(6, 0, 99, 0);
    image(7, 0, 99, HalfYellow, 0, -12, 4);

    Canvas want(Width, Height);
    want.draw(-4, 0, 12, 12, Red);
    want.draw(4, 0, 12, 12, Blue);
    want.draw(0, 0, 12, 12, Green);
    want.draw(0, 12, 4, 4, White);
    want.draw(0, -12, 4, 4, HalfYellow);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), want.pixels, Width));

    const Lines log = effectLog().take();
    Lines order;
    for (const std::string& l : log)
        if (l.rfind("draw", 0) == 0 || l.rfind("camera", 0) == 0)
            order.push_back(l);
    EXPECT_EQ(order, (Lines{"camera L1 f0 met", "draw L2 f0", "draw L4 f0", "draw L3 f0", "camera L1 f0 flush",
                            "draw L5 f0", "camera L6 f0 met", "draw L7 f0", "camera L6 f0 flush"}));
}

TEST_F(RenderPlan, EqualDepthsKeepLayerOrderUnderACamera)
{
    control<RenderTest::TestCamera>(0, 0, 99, 0);
    constexpr int Count = 40; // enough for the sort to partition
    Lines want;
    for (int layer = 1; layer <= Count; ++layer) {
        const float shade = static_cast<float>(layer) / Count;
        image(layer, 0, 99, Pixel{shade, 0, 1 - shade, 1}, 0, 0, 8);
        want.push_back("draw L" + std::to_string(layer) + " f0");
    }
    const TestKit::Picture frame = renderPlan(0);
    EXPECT_EQ(only(effectLog().take(), "draw"), want);
    const Pixel centre = frame[size_t(Height / 2) * Width + Width / 2];
    EXPECT_FLOAT_EQ(centre[0], 1.0f); // the last layer is on top
}

TEST_F(RenderPlan, ClippingObjectCutsTheNextObjectToItsShape)
{
    image(0, 0, 99, Blue, 0, 0, 64);
    image(1, 0, 99, White, 0, 0, 10).object->clipping = true;
    image(2, 0, 99, Red, 4, 0, 20);
    // Drawn into the mask, never into the frame.
    Canvas want(Width, Height);
    want.draw(0, 0, 64, 64, Blue);
    Canvas mask(Width, Height);
    mask.draw(0, 0, 10, 10, White);
    Canvas drawn = want;
    drawn.draw(4, 0, 20, 20, Red);
    for (size_t i = 0; i < want.pixels.size(); ++i)
        if (mask.pixels[i][3] > 0)
            want.pixels[i] = drawn.pixels[i];
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), want.pixels, Width));
    EXPECT_EQ(only(effectLog().take(), "draw"), (Lines{"draw L0 f0", "draw L1 f0 mask", "draw L2 f0"}));
}

TEST_F(RenderPlan, TwoClippingObjectsShareOneMask)
{
    image(0, 0, 99, Blue, 0, 0, 64);
    image(1, 0, 99, White, -10, 0, 8).object->clipping = true;
    image(2, 0, 99, Pixel{0.5f, 0.5f, 0.5f, 0.5f}, 10, 0, 8).object->clipping = true;
    image(3, 0, 99, Red, 0, 0, 40);
    Canvas mask(Width, Height);
    mask.draw(-10, 0, 8, 8, White);
    mask.draw(10, 0, 8, 8, Pixel{0.5f, 0.5f, 0.5f, 0.5f});
    Canvas want(Width, Height);
    want.draw(0, 0, 64, 64, Blue);
    Canvas drawn = want;
    drawn.draw(0, 0, 40, 40, Red);
    for (size_t i = 0; i < want.pixels.size(); ++i) {
        const float m = RenderTest::maskLevel(mask.pixels[i][3]);
        for (int c = 0; c < 4; ++c)
            want.pixels[i][c] = want.pixels[i][c] * (1 - m) + drawn.pixels[i][c] * m;
    }
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), want.pixels, Width, 5e-3f));
}

TEST_F(RenderPlan, ClippingWaitsForTheGroupThatFollowsIt)
{
    image(0, 0, 99, Blue, 0, 0, 64);
    image(1, 0, 99, White, 0, 0, 12).object->clipping = true;
    control<RenderTest::TestGroup>(2, 0, 99, 2)->dx = 2;
    image(3, 0, 99, Red, -8, 0, 12);
    image(4, 0, 99, Green, 8, 0, 12);
    image(5, 0, 99, HalfYellow, 0, 10, 30); // after the cut
    Canvas want(Width, Height);
    want.draw(0, 0, 64, 64, Blue);
    Canvas drawn = want;
    drawn.draw(-6, 0, 12, 12, Red);
    drawn.draw(10, 0, 12, 12, Green);
    Canvas mask(Width, Height);
    mask.draw(0, 0, 12, 12, White);
    for (size_t i = 0; i < want.pixels.size(); ++i)
        if (mask.pixels[i][3] > 0)
            want.pixels[i] = drawn.pixels[i];
    want.draw(0, 10, 30, 30, HalfYellow);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), want.pixels, Width));
}

TEST_F(RenderPlan, PreviewFramesTintTheClippingShape)
{
    image(1, 0, 99, White, 0, 0, 10).object->clipping = true;
    image(2, 0, 99, Red, 0, 0, 20);
    Anchor::AnchorList anchors;
    const float* tint = worker->clippingMaskColor; // "ClippingObjectMask" 00000080, premultiplied
    EXPECT_FLOAT_EQ(tint[3], 128.0f / 255);

    Canvas plain(Width, Height);
    plain.draw(0, 0, 10, 10, Red);
    Canvas tinted = plain;
    tinted.draw(0, 0, 10, 10, Pixel{tint[0], tint[1], tint[2], tint[3]});

    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0, &anchors), tinted.pixels, Width, 5e-3f));
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), plain.pixels, Width));
    worker->visibleClippingObject = 0;
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0, &anchors), plain.pixels, Width));
}

TEST_F(RenderPlan, FilterThatEndsTheChainDrawsNothingAndAddsNoHandles)
{
    image(0, 0, 99, Blue, 0, 0, 8);
    auto stopped = image(1, 0, 99, Red, 0, 0, 8);
    addFilter(stopped.object, "a");
    addFilter(stopped.object, "b")->ends = true;
    addFilter(stopped.object, "c");
    Anchor::AnchorList anchors;
    Canvas want(Width, Height);
    want.draw(0, 0, 8, 8, Blue);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0, &anchors), want.pixels, Width));
    Lines objectThread;
    for (const std::string& l : effectLog().take())
        if (l.rfind("prepare", 0) != 0)
            objectThread.push_back(l);
    // The first object's picture is held until the next object's input came.
    EXPECT_EQ(objectThread, (Lines{"input L0 f0 o0", "draw L0 f0", "anchor L0 f0 8x8", "input L1 f0 o0",
                                   "filter a L1 f0 spare 0", "filter b L1 f0 spare 0"}));
}

TEST_F(RenderPlan, SceneChangePreRendersTheLayersAboveItAtTheFrameBefore)
{
    for (int layer = 0; layer <= 3; ++layer)
        image(layer, 0, 200, Pixel{0.25f * layer, 0, 1, 1}, -20 + 10 * layer, 0, 6);
    auto* change = control<RenderTest::TestSceneChange>(4, 100, 150, 0);
    image(5, 0, 200, Red, 0, 10, 6);
    renderPlan(104);
    Lines inputs = only(effectLog().take(), "input");
    EXPECT_EQ(inputs, (Lines{"input L0 f104 o0", "input L1 f104 o0", "input L2 f104 o0", "input L3 f104 o0",
                             "input L0 f99 o5", "input L1 f99 o5", "input L2 f99 o5", "input L3 f99 o5",
                             "input L5 f104 o0"}));
    ASSERT_TRUE(change->last);
    auto& before = static_cast<Render::RenderVideoWorker::RenderingBuffer&>(*change->last).buffer;
    Canvas want(Width, Height);
    for (int layer = 0; layer <= 3; ++layer)
        want.draw(-20.0f + 10 * layer, 0, 6, 6, Pixel{0.25f * layer, 0, 1, 1});
    EXPECT_TRUE(TestKit::nearPicture(readBuffer(before), want.pixels, Width));
}

TEST_F(RenderPlan, SceneShowingItselfWarnsOncePerNestingAndShowsNothingOfIt)
{
    Edit::Scene* inner = project->getScene(1).get();
    inner->width = Width;
    inner->height = Height;
    image(0, 0, 99, Blue, 0, 0, 10, inner);
    for (int layer : {1, 2}) {
        auto& shown = inner->createObject(RenderTest::TestScene::Name, layer, 0, 99);
        dynamic_cast<RenderTest::TestScene*>(shown->effects[0].get())->shown = inner;
    }
    // Scene 0 shows scene 1, which shows itself twice.
    auto& outer = scene->createObject(RenderTest::TestScene::Name, 0, 0, 99);
    dynamic_cast<RenderTest::TestScene*>(outer->effects[0].get())->shown = inner;
    inner->updateLayerObject();

    TestKit::LogCapture log;
    const TestKit::Picture frame = renderPlan(0);
    const auto warnings = std::count_if(log.lines().begin(), log.lines().end(), [](const std::string& l) {
        return l.find("recursive scene. index=1 num=2") != std::string::npos;
    });
    EXPECT_EQ(warnings, 2);
    Canvas want(Width, Height);
    want.draw(0, 0, 10, 10, Blue);
    EXPECT_TRUE(TestKit::nearPicture(frame, want.pixels, Width));
    EXPECT_TRUE(worker->planningScenes.empty());
}

TEST_F(RenderPlan, PreRenderingOffThePlanningThreadThrows)
{
    EXPECT_NE(TestKit::errorText([&] { worker->renderSceneFrame(scene, 0, [](std::shared_ptr<Media::ImageBuffer>) {}); })
                  .find("Render::RenderVideoWorker::renderSceneFrame"),
              std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { worker->preRenderFrame(scene, 0, 0, 0); })
                  .find("Render::RenderVideoWorker::preRenderFrame"),
              std::string::npos);
}

TEST_F(RenderPlan, PreparationThatThrowsEndsThePlanAndFreesTheScene)
{
    image(0, 0, 99, Blue, 0, 0, 8);
    auto failing = image(1, 0, 99, Red, 0, 0, 8);
    addFilter(failing.object, "x")->prepareThrows = true;
    image(2, 0, 99, Green, 0, 0, 4);
    TestKit::LogCapture log;
    renderPlan(0);
    EXPECT_TRUE(log.contains("prepare failed"));
    EXPECT_TRUE(worker->planningScenes.empty());
    // What was queued before the failure ran; nothing after it was planned.
    EXPECT_EQ(only(effectLog().take(), "draw"), (Lines{"draw L0 f0"}));
}
