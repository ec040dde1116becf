// 時間制御(オブジェクト): the frame its layers show, through the real render
// plan (the in-test picture logs the frame it is asked for), the sound's
// mapping without frame dropping, and frames far into a long object.
#include "effect/movement.h"
#include "effects/objects/time_control.h"
#include "render/render_audio_object.h"
#include "tests/effects/objects/control_fixture.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using ControlTest::Red;
using Effect::TimeControl;

class TimeControlTest : public ControlTest::ControlFixture {
protected:
    // The time control on layer 0 over frames start..end, a picture on layer 1.
    TimeControl& timeControl(int start, int end)
    {
        TimeControl& t = controlAt<TimeControl>(0, start, end);
        picture(1, 0, 1000, Red);
        return t;
    }
    // The frame the picture on layer 1 is asked for when frame renders.
    int shownAt(int frame)
    {
        RenderTest::effectLog().take();
        renderPlan(frame);
        for (const std::string& line : RenderTest::effectLog().take())
            if (line.rfind("input L1 f", 0) == 0)
                return std::stoi(line.substr(10));
        return INT_MIN;
    }
};

TEST_F(TimeControlTest, TheDefaultCurveMapsEveryFrameToItself)
{
    timeControl(10, 40);
    for (int frame : {10, 11, 25, 39, 40})
        EXPECT_EQ(shownAt(frame), frame);
    EXPECT_EQ(shownAt(41), 41) << "past the object the layers are back at their own frame";
}

TEST_F(TimeControlTest, PositionRepeatAndFrameDropping)
{
    TimeControl& t = timeControl(10, 40);
    struct Case {
        const char* what;
        int repeat, drop;
        int frame, shown;
    };
    // The span is 31 frames; with the linear curve start + k shows start + k.
    for (const Case c : {Case{"twice", 2, 1, 11, 12}, Case{"twice", 2, 1, 25, 40}, Case{"twice", 2, 1, 26, 11},
                         Case{"twice", 2, 1, 40, 39}, Case{"held for 3", 1, 3, 12, 10}, Case{"held for 3", 1, 3, 13, 13},
                         Case{"held for 3", 1, 3, 39, 37}, Case{"both", 2, 3, 15, 16}}) {
        SCOPED_TRACE(testing::Message() << c.what << " at " << c.frame);
        t.repeat.value = c.repeat;
        t.drop.value = c.drop;
        EXPECT_EQ(shownAt(c.frame), c.shown);
    }
    // A constant 位置 of 50 freezes the middle frame.
    t.repeat.value = t.drop.value = 1;
    t.position.setMovement(Effect::NoMove::instance);
    t.position.setValue(50, 0);
    for (int frame : {10, 22, 40})
        EXPECT_EQ(shownAt(frame), 25);
}

TEST_F(TimeControlTest, AOneFrameObjectAlwaysShowsItsFrame)
{
    TimeControl& t = timeControl(7, 7);
    t.repeat.value = 5;
    t.drop.value = 4;
    EXPECT_EQ(shownAt(7), 7);
}

TEST_F(TimeControlTest, SoundIgnoresFrameDroppingAndMovesItsSamples)
{
    TimeControl& t = timeControl(10, 40);
    t.repeat.value = 2;
    t.drop.value = 3;
    scene->audioRate = 44100;
    scene->videoRate = 30000;
    scene->videoScale = 1001;
    Render::RenderAudioObject a;
    a.scene = scene;
    a.frame = 15;
    a.time = 15;
    a.resetObject(objectAt(0));
    t.preInputAudio(a);
    // (5 x 2) mod 31 = 10: frame 20, without holding frame 15 back to 13.
    EXPECT_EQ(a.frame, 20);
    EXPECT_EQ(a.firstSample, std::llround(20 * 44100.0 * 1001 / 30000));
    EXPECT_EQ(a.sampleCount, static_cast<int>(std::llround(21 * 44100.0 * 1001 / 30000) - a.firstSample));
}

TEST_F(TimeControlTest, FramesFarIntoALongObjectRepeatWithoutOverflow)
{
    // (n x 100) mod (e - s + 1) with n near 2 x 10^9 needs more than 32 bits.
    const int end = 2147483000;
    TimeControl& t = controlAt<TimeControl>(0, 0, end);
    t.repeat.value = 100;
    const int frame = 2000000000;
    Render::RenderObject r = renderAt(objectAt(0), frame);
    const long double k = std::fmod(static_cast<long double>(frame) * 100, static_cast<long double>(end) + 1);
    const double time = t.mapTime(r, 100, 1);
    EXPECT_NEAR(time, static_cast<double>(k), 1.0);
    EXPECT_GE(time, 0.0);
    t.preInputVideo(r);
    EXPECT_EQ(r.frame, static_cast<int>(time));
}

} // namespace
