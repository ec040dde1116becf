// The sources that take their media from the render pipeline: the scene
// source's timing over another scene of its own rate, the frame buffer and
// audio buffer copies with and without clearing, and the previous object's
// picture taken over from the video worker.
#include "tests/effects/objects/source_fixture.h"

#include "effects/objects/scene_load.h"
#include "media/audio_buffer.h"
#include "media/resource_buffer.h"
#include "render/render_audio_object.h"
#include "render/render_video_worker.h"
#include "render/resource_cache.h"

using namespace SourceTest;
using TestKit::Picture;
using TestKit::Pixel;

namespace {

class PipelineSource : public SourceFixture {
protected:
    // Scene 1: 120 frames at 60 frames per second (2 s), named "内側".
    void makeInnerScene()
    {
        Edit::Scene& inner = *edit->project.getScene(1);
        inner.videoRate = 60;
        inner.videoScale = 1;
        inner.name = L"内側";
        inner.createObject(Effect::MovieLoad::Name, 0, 0, 119);
        inner.updateLayerObject();
    }

    // Item event 1 for one of the source's items, inside a transaction.
    bool changed(Effect::SceneLoad& source, const Effect::EffectItem& item)
    {
        Edit::UpdateSection update;
        Effect::ItemEvent event;
        event.code = Effect::ItemEvent::ItemChanged;
        event.update = &update;
        event.object = object.get();
        event.effect = object->effects[0];
        event.payload = &item;
        return source.itemEvent(event);
    }

    int length() const { return object->end - object->start + 1; }

    // The inner scene's seconds shown at an object frame of the outer scene (30/1).
    double at(Effect::SceneLoad& source, int frame)
    {
        render = Render::RenderObject{};
        render.scene = edit->currentScene.get();
        render.frame = object->start + frame;
        render.time = render.frame;
        render.resetObject(object);
        return source.getVideoPosition(render);
    }

    Render::RenderObject render;
};

} // namespace

TEST_F(PipelineSource, TheSceneSourcePlaysTheInnerSceneInItsSeconds)
{
    makeInnerScene();
    object = edit->currentScene->createObject(Effect::SceneLoad::Name, 0, 100, 109);
    auto source = std::dynamic_pointer_cast<Effect::SceneLoad>(object->effects[0]);
    ASSERT_TRUE(source);

    // Scene 0 (the root) gives no media and leaves the object as it is.
    EXPECT_FALSE(changed(*source, source->scene));
    EXPECT_EQ(length(), 10);
    EXPECT_FALSE(source->updateMediaInfo());
    EXPECT_FALSE(source->inputVideo(render));
    EXPECT_FALSE(source->inputAudio(render));
    EXPECT_EQ(source->getAudioInfo(0), 1) << "a scene object always carries audio";

    // Choosing the 2-second scene: 60 frames of the outer scene over [0, 2] s.
    source->scene.value = 1;
    ASSERT_TRUE(changed(*source, source->scene));
    EXPECT_EQ(length(), 60);
    EXPECT_STREQ(source->getName(), L"内側");
    Effect::InputMovieEffect::MediaInfo info;
    ASSERT_TRUE(source->updateMediaInfo(&info));
    EXPECT_DOUBLE_EQ(info.duration, 2.0);
    EXPECT_DOUBLE_EQ(info.frameRate, 60.0);
    ASSERT_EQ(source->position.values.size(), 2u);
    EXPECT_EQ(source->position.getIndexValue(1), 2.0);

    struct Case {
        const char* name;
        double speed, start, end;
        bool loop;
        int frame;
        double seconds;
    };
    const Case cases[] = {
        {"normal speed: frame 15 is 0.5 s (inner frame 30)", 100, 0, 2, false, 15, 0.5},
        {"the last frame stays past the end", 100, 0, 2, false, 75, 2.0},
        {"double speed", 200, 0, 2, false, 15, 1.0},
        {"a range from 0.5 s starts there", 100, 0.5, 2, false, 0, 0.5},
        {"looped over [0.5, 2]: 2.5 s later", 100, 0.5, 2, true, 75, 0.5 + std::fmod(2.5, 1.5)},
        {"backwards from the range end", -100, 0, 2, false, 15, 1.5},
        {"backwards below the start keeps the start", -100, 0, 2, false, 90, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        source->speed.setValue(c.speed, 0);
        source->position.setValue(c.start, 0);
        source->position.setValue(c.end, 1);
        source->loop.value = c.loop;
        EXPECT_NEAR(at(*source, c.frame), c.seconds, 1e-9);
    }

    // A new speed fits the length to the range: [0, 2] at 200 % is 30 frames.
    source->loop.value = false;
    source->position.setValue(0, 0);
    source->position.setValue(2, 1);
    source->speed.setValue(200, 0);
    EXPECT_TRUE(changed(*source, source->speed));
    EXPECT_EQ(length(), 30);

    // The sound is silent outside the range.
    at(*source, 45);
    EXPECT_GT(source->getAudioPosition(render), info.duration);
}

TEST_F(PipelineSource, TheFrameBufferSourceCopiesTheFrameSoFar)
{
    constexpr int W = 8, H = 6;
    const Picture content = fixture(W, H, 3); // premultiplied, alpha varying
    Effect::FrameLoad source;
    EXPECT_FALSE(source.inputVideo(render)) << "no frame, no picture";

    struct Case {
        bool keepAlpha, clear;
    };
    for (const Case c : {Case{true, false}, Case{false, false}, Case{true, true}}) {
        SCOPED_TRACE(testing::Message() << "keep alpha " << c.keepAlpha << ", clear " << c.clear);
        auto frame = makeFrame(W, H, content);
        const Picture before = readFrame(*frame);
        render.drawState.target = frame.get();
        source.keepAlpha.value = c.keepAlpha;
        source.clear.value = c.clear;
        std::unique_ptr<Media::ResourceBuffer> copy = source.inputVideo(render);
        ASSERT_TRUE(copy);
        const Picture got = download(*copy);
        for (size_t i = 0; i < got.size(); ++i) {
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_EQ(got[i][ch], before[i][ch]) << i;
            ASSERT_EQ(got[i][3], c.keepAlpha ? before[i][3] : 1.0f) << i;
        }
        const Picture after = readFrame(*frame);
        if (c.clear)
            EXPECT_EQ(after, Picture(before.size(), Pixel{0, 0, 0, 0}));
        else
            EXPECT_EQ(after, before);
    }
}

TEST_F(PipelineSource, TheAudioBufferSourceCopiesTheMixSoFar)
{
    Render::RenderAudioObject audio;
    Effect::AudioBufferLoad source;
    EXPECT_FALSE(source.inputAudio(audio)) << "no block, no sound";
    for (bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "cleared" : "kept");
        Media::AudioBlockBuffer mix;
        mix.allocate(13, 2);
        for (uint32_t i = 0; i < 13; ++i) {
            mix.getChannel(0)[i] = 0.25f * float(i);
            mix.getChannel(1)[i] = -0.5f * float(i);
        }
        audio.block = &mix;
        source.clear.value = clear;
        std::unique_ptr<Media::AudioBlockBuffer> copy = source.inputAudio(audio);
        ASSERT_TRUE(copy);
        ASSERT_EQ(copy->samples, 13u);
        ASSERT_EQ(copy->channels, 2u);
        for (uint32_t i = 0; i < 13; ++i) {
            EXPECT_EQ(copy->getChannel(0)[i], 0.25f * float(i));
            EXPECT_EQ(copy->getChannel(1)[i], -0.5f * float(i));
            EXPECT_EQ(mix.getChannel(0)[i], clear ? 0.0f : 0.25f * float(i));
            EXPECT_EQ(mix.getChannel(1)[i], clear ? 0.0f : -0.5f * float(i));
        }
    }
}

TEST_F(PipelineSource, ThePreviousObjectsPictureIsTakenOnce)
{
    Render::RenderVideoWorker worker(edit);
    Render::ResourceCache cache(1 << 20);
    Effect::BeforeObjectLoad source;
    const Picture content = fixture(4, 4, 5);
    worker.spareImage = upload(content, 4, 4);
    Media::ResourceBuffer* kept = worker.spareImage.get();

    // Only an object the video worker renders (with a resource cache) takes it.
    render.videoWorker = &worker;
    EXPECT_FALSE(source.inputVideo(render));
    EXPECT_TRUE(worker.spareImage);

    render.resourceCache = &cache;
    std::unique_ptr<Media::ResourceBuffer> taken = source.inputVideo(render);
    ASSERT_EQ(taken.get(), kept);
    EXPECT_EQ(download(*taken), content);
    EXPECT_FALSE(worker.spareImage) << "the worker's slot empties";
    EXPECT_FALSE(source.inputVideo(render)) << "nothing rendered before: no picture";
}
