// シーンチェンジ through the real render plan: a red picture fills the frame
// up to frame 9 and a blue one from frame 10, and the scene change below them
// runs over frames 10 to 19, so the before picture is red, the after blue and
// frame f has progress (f - 9) / 10.
#include "core/log.h"
#include "effects/objects/scene_change.h"
#include "render/pre_input_buffer.h"
#include "render/render_video_worker.h"
#include "tests/effects/objects/control_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace {

using ControlTest::Blue;
using ControlTest::Picture;
using ControlTest::Pixel;
using ControlTest::Red;
using Effect::SceneChange;

const Pixel Empty{0, 0, 0, 0};

class SceneChangeTest : public ControlTest::ControlFixture {
protected:
    SceneChange& change(int kind)
    {
        picture(0, 0, 9, Red, 0, 0, 64);
        picture(0, 10, 99, Blue, 0, 0, 64);
        SceneChange& s = controlAt<SceneChange>(1, 10, 19);
        s.kind.value = kind;
        return s;
    }
    static ::testing::AssertionResult near(const Pixel& got, const Pixel& want, float tolerance = 4e-3f)
    {
        for (int c = 0; c < 4; ++c)
            if (!(std::fabs(got[c] - want[c]) <= tolerance))
                return ::testing::AssertionFailure() << "channel " << c << ": got " << got[c] << ", want " << want[c]
                                                     << " (" << got[0] << ", " << got[1] << ", " << got[2] << ", "
                                                     << got[3] << ")";
        return ::testing::AssertionSuccess();
    }
    static Pixel mix(const Pixel& a, float ka, const Pixel& b, float kb)
    {
        return {a[0] * ka + b[0] * kb, a[1] * ka + b[1] * kb, a[2] * ka + b[2] * kb, a[3] * ka + b[3] * kb};
    }
    // Whether the pixel is mostly the before (red) or the after (blue).
    bool isBefore(const Picture& p, int x, int y) const { return pixel(p, x, y)[0] > 0.5f && pixel(p, x, y)[2] < 0.5f; }
    bool isAfter(const Picture& p, int x, int y) const { return pixel(p, x, y)[2] > 0.5f && pixel(p, x, y)[0] < 0.5f; }
    Pixel centre(const Picture& p) const { return pixel(p, Width / 2, Height / 2); }
};

TEST_F(SceneChangeTest, ProgressRunsFromOneOverTheLengthToOne)
{
    change(0);
    const auto& object = objectAt(1);
    EXPECT_FLOAT_EQ(SceneChange::getProgress(renderAt(object, 10)), 0.1f);
    EXPECT_FLOAT_EQ(SceneChange::getProgress(renderAt(object, 14)), 0.5f);
    EXPECT_FLOAT_EQ(SceneChange::getProgress(renderAt(object, 19)), 1.0f);
    object->end = object->start;
    EXPECT_FLOAT_EQ(SceneChange::getProgress(renderAt(object, 10)), 1.0f);
}

TEST_F(SceneChangeTest, CrossFadeAndTheFadesThroughAColour)
{
    change(0);
    EXPECT_TRUE(near(centre(renderPlan(14)), mix(Red, 0.5f, Blue, 0.5f)));
    EXPECT_TRUE(near(centre(renderPlan(19)), Blue));
    const Pixel black{0, 0, 0, 1}, white{1, 1, 1, 1};
    struct Case {
        int kind;
        Pixel colour;
    };
    for (const Case c : {Case{1, black}, Case{2, white}}) {
        SCOPED_TRACE(c.kind);
        dynamic_cast<SceneChange&>(*objectAt(1)->effects[0]).kind.value = c.kind;
        // First half (t 0.3, x 0.6): the before fades into the colour.
        EXPECT_TRUE(near(centre(renderPlan(12)), mix(Red, 0.4f, c.colour, 0.6f)));
        // Second half (t 0.8, x 1.6): the colour fades into the after.
        EXPECT_TRUE(near(centre(renderPlan(17)), mix(c.colour, 0.4f, Blue, 0.6f)));
    }
}

TEST_F(SceneChangeTest, SlicesMoveAlternateBandsAndAreNoFinerThanTwoRows)
{
    SceneChange& s = change(3);
    s.division.setValue(1000, 0); // limited to 18 bands of 2 rows
    const Picture half = renderPlan(14); // offset 32
    for (int row : {0, 1}) {
        EXPECT_TRUE(isBefore(half, 40, row)) << row; // even band: moved right
        EXPECT_TRUE(isAfter(half, 10, row)) << row;
    }
    for (int row : {2, 3}) {
        EXPECT_TRUE(isBefore(half, 10, row)) << row; // odd band: moved left
        EXPECT_TRUE(isAfter(half, 40, row)) << row;
    }
    // Reversed: the after slices in over the before.
    s.reverse.value = true;
    const Picture reversed = renderPlan(12); // t' 0.7: offset 44
    EXPECT_TRUE(isAfter(reversed, 50, 0));
    EXPECT_TRUE(isBefore(reversed, 20, 0));
    // Vertical bands travel the frame's width too, along y: on a 36-row frame
    // an offset of 32 leaves 4 rows.
    s.reverse.value = false;
    s.vertical.value = true;
    s.division.setValue(2, 0);
    const Picture vertical = renderPlan(14);
    EXPECT_TRUE(isBefore(vertical, 5, 35));  // band 0: moved down by 32
    EXPECT_TRUE(isAfter(vertical, 5, 30));
    EXPECT_TRUE(isBefore(vertical, 40, 0));  // band 1: moved up by 32
    EXPECT_TRUE(isAfter(vertical, 40, 5));
}

TEST_F(SceneChangeTest, RandomLinesVanishInRandomOrderAndIgnoreReverse)
{
    SceneChange& s = change(4);
    s.division.setValue(18, 0);
    int previous = Height + 1;
    for (int frame = 10; frame <= 19; ++frame) {
        const Picture p = renderPlan(frame);
        int before = 0;
        for (int y = 0; y < Height; ++y) {
            const bool line = isBefore(p, 0, y);
            for (int x = 1; x < Width; ++x)
                ASSERT_EQ(isBefore(p, x, y), line) << "a line is one piece, row " << y;
            before += line;
        }
        EXPECT_LE(before, previous) << "frame " << frame;
        previous = before;
        s.reverse.value = true;
        EXPECT_TRUE(TestKit::nearPicture(renderPlan(frame), p, Width, 0));
        s.reverse.value = false;
    }
    EXPECT_LT(previous, Height);
}

TEST_F(SceneChangeTest, SlideFollowsTheAngle)
{
    SceneChange& s = change(5);
    struct Case {
        int angle;
        int bx, by; // a pixel still showing the before at t 0.5
        int ax, ay; // a pixel showing the after
    };
    for (const Case c : {Case{0, 30, 18, 34, 18}, Case{180, 34, 18, 30, 18}, Case{90, 32, 16, 32, 20},
                         Case{270, 32, 20, 32, 16}, Case{45, 44, 16, 48, 20}}) {
        SCOPED_TRACE(c.angle);
        s.angle.setValue(c.angle, 0);
        const Picture p = renderPlan(14);
        EXPECT_TRUE(isBefore(p, c.bx, c.by));
        EXPECT_TRUE(isAfter(p, c.ax, c.ay));
    }
    // Reversed, the after slides in from the other side.
    s.angle.setValue(0, 0);
    s.reverse.value = true;
    const Picture p = renderPlan(14);
    EXPECT_TRUE(isAfter(p, 30, 18));
    EXPECT_TRUE(isBefore(p, 34, 18));
}

TEST_F(SceneChangeTest, PushMovesBothPicturesTogether)
{
    SceneChange& s = change(6);
    struct Case {
        bool vertical, reverse;
        int bx, by, ax, ay;
    };
    for (const Case c : {Case{false, false, 31, 18, 32, 18}, Case{false, true, 32, 18, 31, 18},
                         Case{true, false, 32, 18, 32, 17}, Case{true, true, 32, 17, 32, 18}}) {
        SCOPED_TRACE(testing::Message() << c.vertical << c.reverse);
        s.vertical.value = c.vertical;
        s.reverse.value = c.reverse;
        const Picture p = renderPlan(14);
        EXPECT_TRUE(isBefore(p, c.bx, c.by));
        EXPECT_TRUE(isAfter(p, c.ax, c.ay));
        EXPECT_TRUE(ControlTest::finitePicture(p));
    }
}

TEST_F(SceneChangeTest, TheThreeDimensionalTransitions)
{
    SceneChange& s = change(7);
    // スワップ: the before moves aside and back in front of the after, which
    // is small and far away early on.
    Picture p = renderPlan(11); // t 0.2
    EXPECT_TRUE(isBefore(p, Width / 2, Height / 2));
    EXPECT_TRUE(isAfter(p, Width / 2 + 25, Height / 2));
    EXPECT_TRUE(near(pixel(p, Width - 1, Height / 2), Empty));
    p = renderPlan(18); // t 0.9: the after in front
    EXPECT_TRUE(isAfter(p, Width / 2, Height / 2));

    // 縮小回転: at t 0.5 the before is a third of its size at alpha 0.75 over the after.
    s.kind.value = 8;
    p = renderPlan(14);
    EXPECT_TRUE(near(centre(p), mix(Red, 0.75f, Blue, 0.25f)));
    EXPECT_TRUE(isAfter(p, 2, 2));

    // 回転: the before turned away, then the after turned in; the corners
    // of the cleared frame stay empty.
    s.kind.value = 9;
    for (bool vertical : {false, true}) {
        SCOPED_TRACE(vertical);
        s.vertical.value = vertical;
        p = renderPlan(11);
        EXPECT_TRUE(isBefore(p, Width / 2, Height / 2));
        EXPECT_TRUE(near(vertical ? pixel(p, Width / 2, 0) : pixel(p, 0, Height / 2), Empty));
        p = renderPlan(16);
        EXPECT_TRUE(isAfter(p, Width / 2, Height / 2));
    }

    // キューブ回転: two faces of a cube; halfway both show, one on each side.
    s.kind.value = 10;
    s.vertical.value = false;
    EXPECT_TRUE(isBefore(renderPlan(10), Width / 2, Height / 2));
    p = renderPlan(14);
    EXPECT_NE(isBefore(p, 10, Height / 2), isBefore(p, Width - 10, Height / 2));
    EXPECT_NE(isAfter(p, 10, Height / 2), isAfter(p, Width - 10, Height / 2));
    EXPECT_TRUE(isAfter(renderPlan(19), Width / 2, Height / 2));
}

TEST_F(SceneChangeTest, BlursShowTheBeforeThenTheAfter)
{
    for (int kind : {11, 12}) {
        SCOPED_TRACE(kind);
        clearScene();
        change(kind);
        EXPECT_TRUE(isBefore(renderPlan(11), Width / 2, Height / 2));
        EXPECT_TRUE(isAfter(renderPlan(17), Width / 2, Height / 2));
        const Picture last = renderPlan(19); // no blur left
        EXPECT_TRUE(near(centre(last), Blue));
        EXPECT_TRUE(ControlTest::finitePicture(last));
    }
}

TEST_F(SceneChangeTest, WipesBothWays)
{
    SceneChange& s = change(SceneChange::BuiltInCount); // the first wipe of the list
    const Picture early = renderPlan(10);
    const Picture late = renderPlan(18);
    int beforeEarly = 0, beforeLate = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            beforeEarly += isBefore(early, x, y);
            beforeLate += isBefore(late, x, y);
        }
    EXPECT_GT(beforeEarly, beforeLate);
    EXPECT_TRUE(isAfter(renderPlan(19), Width / 2, Height / 2)) << "fully open at the end";
    // Reversed, the mask closes instead: the same road from the before to
    // the after, by the inverse shape.
    const Picture middle = renderPlan(14);
    s.reverse.value = true;
    EXPECT_TRUE(isBefore(renderPlan(10), Width / 2, Height / 2));
    EXPECT_FALSE(TestKit::nearPicture(renderPlan(14), middle, Width));
    EXPECT_TRUE(isAfter(renderPlan(19), Width / 2, Height / 2));
}

TEST_F(SceneChangeTest, TheFourWarningsLeaveTheAfter)
{
    SceneChange& s = change(0);
    Render::RenderObject r = renderAt(objectAt(1), 14);
    TestKit::LogCapture log;
    Picture frame;
    const auto run = [&](std::shared_ptr<Render::PreInputBuffer> before) {
        worker->requestThread.request(3, [&] {
            Media::RenderBuffer target(d3d->PixelFormat);
            target.createTexture2D(Width, Height);
            auto picture = upload(Picture(size_t(Width) * Height, Blue), Width, Height);
            Shader::ShaderList::published()->copyShader.copyToRenderBuffer(target, *picture);
            r.drawState.target = &target;
            r.preInput = std::move(before);
            s.controlVideo(r);
            frame = readBuffer(target);
        });
        worker->requestThread.wait();
        EXPECT_TRUE(near(centre(frame), Blue));
    };
    struct Other : Render::PreInputBuffer {};
    run(nullptr);
    run(std::make_shared<Other>());
    std::shared_ptr<Render::PreInputBuffer> red;
    worker->requestThread.request(3, [&] {
        auto buffer = std::make_shared<Render::RenderVideoWorker::RenderingBuffer>();
        buffer->buffer.createTexture2D(Width, Height);
        auto picture = upload(Picture(size_t(Width) * Height, Red), Width, Height);
        Shader::ShaderList::published()->copyShader.copyToRenderBuffer(buffer->buffer, *picture);
        red = buffer;
    });
    worker->requestThread.wait();
    s.kind.value = 10000; // a wipe the list does not have
    run(red);
    auto& entry = SceneChange::sceneChangeList()[0];
    const SceneChange::Function kept = entry.function;
    entry.function = nullptr;
    s.kind.value = 0;
    run(red);
    entry.function = kept;
    EXPECT_TRUE(log.contains("WARN|Effect::SceneChange::controlVideo|no before frame buffer"));
    EXPECT_TRUE(log.contains("WARN|Effect::SceneChange::controlVideo|invalid before frame buffer"));
    EXPECT_TRUE(log.contains("WARN|Effect::SceneChange::wipe|no scene change mask"));
    EXPECT_TRUE(log.contains("WARN|Effect::SceneChange::controlVideo|no scene change func"));
}

TEST_F(SceneChangeTest, OnLayerZeroTheBeforeIsEmpty)
{
    controlAt<SceneChange>(0, 10, 19);
    picture(1, 0, 99, Red, 0, 0, 64); // below the scene change: never part of the before
    Render::RenderObject r = renderAt(objectAt(0), 12);
    Picture before;
    worker->requestThread.request(3, [&] {
        r.videoWorker = worker;
        SceneChange::requestBeforeFrame(r);
        worker->objectThread.wait();
        auto* rendered = dynamic_cast<Render::RenderVideoWorker::RenderingBuffer*>(r.preInput.get());
        ASSERT_TRUE(rendered);
        before = readBuffer(rendered->buffer);
    });
    worker->requestThread.wait();
    EXPECT_TRUE(TestKit::nearPicture(before, Picture(size_t(Width) * Height, Empty), Width, 0));
}

TEST_F(SceneChangeTest, EachEntryEnablesTheItemsItUses)
{
    SceneChange& s = change(0);
    struct Case {
        int kind;
        bool reverse, angle, division, blur, keepAspect, vertical;
    };
    const Case cases[] = {
        {0, false, false, false, false, false, false}, {1, false, false, false, false, false, false},
        {3, true, false, true, false, false, true},    {4, false, false, true, false, false, true},
        {5, true, true, false, false, false, false},   {6, true, false, false, false, false, true},
        {8, true, false, false, false, false, false},  {10, true, false, false, false, false, true},
        {12, false, false, false, false, false, false}, {13, true, false, false, false, true, false},
        {500, true, false, false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        s.kind.value = c.kind;
        s.updateItemState();
        EXPECT_EQ(s.reverse.visible, c.reverse);
        EXPECT_EQ(s.angle.visible, c.angle);
        EXPECT_EQ(s.division.visible, c.division);
        EXPECT_EQ(s.blur.visible, c.blur);
        EXPECT_EQ(s.keepAspect.visible, c.keepAspect);
        EXPECT_EQ(s.vertical.visible, c.vertical);
    }
    // A change of 種類 rebuilds the settings panels.
    Effect::ItemEvent event;
    event.code = Effect::ItemEvent::ItemChanged;
    EXPECT_TRUE(s.itemEvent(event));
    event.code = Effect::ItemEvent::FileSet;
    EXPECT_FALSE(s.itemEvent(event));
    // The list holds the built-in transitions, then the wipes from 13.
    const auto list = SceneChange::kindList();
    EXPECT_STREQ(list->getLabel(0), L"クロスフェード");
    EXPECT_STREQ(list->getLabel(12), L"ぼかし");
    EXPECT_TRUE(list->labels.count(SceneChange::BuiltInCount));
}

} // namespace
