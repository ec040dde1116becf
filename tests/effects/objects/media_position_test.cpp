// The media sources' play positions (range, speed, loop, reverse) over a
// 10-second sound file, and the image source's numbered series in a folder.
#include "tests/effects/objects/draw_fixture.h"

#include "effect/movement.h"
#include "effects/objects/image_load.h"
#include "effects/objects/movie_load.h"
#include "io/input/input_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "tests/io/io_fixture.h"

namespace {

class MediaPositionTest : public DrawTest::DrawFixture {
protected:
    void SetUp() override
    {
        DrawFixture::SetUp();
        services.acquire<Plugin::InputService>();
        scene->videoRate = 30;
        scene->videoScale = 1;
        tone = IoTest::makeMedia("ten.wav", "-f lavfi -i sine=sample_rate=44100:duration=10 -c:a pcm_s16le");
    }
    double videoAt(Effect::AudioLoad& source, double time)
    {
        render.frame = static_cast<int>(time);
        render.time = time;
        render.resetObject(object);
        return source.getVideoPosition(render);
    }
    std::string tone;
};

} // namespace

TEST_F(MediaPositionTest, RangeSpeedLoopAndReverse)
{
    auto source = std::dynamic_pointer_cast<Effect::AudioLoad>(effects->createEffect(Effect::AudioLoad::Name));
    ASSERT_TRUE(source);
    source->file.path = IoTest::widePath(tone);
    Effect::InputMovieEffect::MediaInfo info;
    ASSERT_TRUE(source->updateMediaInfo(&info));
    EXPECT_DOUBLE_EQ(info.duration, 10.0);
    ASSERT_EQ(source->position.movement, Effect::MovieRange::instance);
    source->position.resizeValues(2);
    object->start = 0;
    object->end = 299;

    // Speed 200 over [2, 6]: 3 s at frame 15; the sound stops at the range end.
    source->position.setValue(2, 0);
    source->position.setValue(6, 1);
    source->speed.setValue(200, 0);
    EXPECT_NEAR(videoAt(*source, 15), 3.0, 1e-9);
    EXPECT_NEAR(videoAt(*source, 100), 6.0, 1e-9); // held at the range end
    EXPECT_GT(source->getAudioPosition(render), info.duration);

    // Loop at speed 100: 5 s after the start shows 2 + fmod(5, 4).
    source->speed.setValue(100, 0);
    source->loop.value = true;
    EXPECT_NEAR(videoAt(*source, 150), 3.0, 1e-9);
    source->position.setValue(2, 1); // a range of no length shows its start
    EXPECT_NEAR(videoAt(*source, 150), 2.0, 1e-9);

    // Reverse over [0, 10] without loop: from 10 s down, held at the start.
    source->loop.value = false;
    source->position.setValue(0, 0);
    source->position.setValue(10, 1);
    source->speed.setValue(-100, 0);
    EXPECT_NEAR(videoAt(*source, 0), 10.0, 1e-9);
    EXPECT_NEAR(videoAt(*source, 30), 9.0, 1e-9);
    EXPECT_NEAR(videoAt(*source, 330), 0.0, 1e-9);
    EXPECT_GT(source->getAudioPosition(render), info.duration); // silent below the start
}

TEST_F(MediaPositionTest, NumberedSeriesPicksTheNearestLowerFile)
{
    const std::string folder = TestKit::tempDir() + "/series";
    TestKit::runCommand("mkdir -p '" + folder + "'");
    for (const char* name : {"img0005.png", "img0006.png", "img0009.png", "img0010.png", "a001.png", "a1.png"})
        IoTest::writeBytes(folder + "/" + name, "x");
    auto source = std::dynamic_pointer_cast<Effect::ImageLoad>(effects->createEffect(Effect::ImageLoad::Name));
    ASSERT_TRUE(source);
    source->file.path = IoTest::widePath(folder + "/img0005.png");
    object->start = 100;
    object->end = 200;
    auto at = [&](int offset) {
        render.frame = 100 + offset;
        render.time = render.frame;
        render.resetObject(object);
        const std::wstring name = source->getFileName(render);
        return name.substr(name.size() - 11);
    };
    EXPECT_EQ(at(3), L"img0005.png") << "series off";
    source->sequence.value = true;
    Effect::ItemEvent event;
    event.code = Effect::ItemEvent::ItemChanged;
    event.payload = &source->sequence;
    source->itemEvent(event);
    EXPECT_EQ(at(0), L"img0005.png");
    EXPECT_EQ(at(5), L"img0005.png");
    EXPECT_EQ(at(6), L"img0006.png");
    EXPECT_EQ(at(8), L"img0006.png"); // the gap shows the nearest lower file
    EXPECT_EQ(at(9), L"img0009.png");
    EXPECT_EQ(at(50), L"img0010.png");
    source->number.setValue(7, 0);
    EXPECT_EQ(at(0), L"img0006.png");
    source->number.setValue(3, 0);
    EXPECT_EQ(at(0), L"img0005.png");

    // A name without digits shows itself.
    source->file.path = IoTest::widePath(folder + "/logo.png");
    source->itemEvent(event);
    source->number.setValue(0, 0);
    EXPECT_EQ(source->getFileName(render), IoTest::widePath(folder + "/logo.png"));
}
