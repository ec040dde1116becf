// Frames of another scene in the image cache: rendered by the video worker's
// planning thread when a preload claims them, waited for by the get that
// follows, never rendered by a get.
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "tests/render/render_fixture.h"

#include <gtest/gtest.h>

using namespace RenderTest;

namespace {

class ImageCacheScene : public RenderFixture {
protected:
    void SetUp() override
    {
        RenderFixture::SetUp();
        caches = services.acquire<Cache::CacheService>();
    }
    void TearDown() override
    {
        worker->requestThread.wait();
        worker->objectThread.wait();
        RenderFixture::TearDown();
    }
    Cache::CacheService* caches = nullptr;
};

TEST_F(ImageCacheScene, SceneFrameRendersOnlyFromItsPreload)
{
    Edit::Scene* other = project->getScene(2).get();
    other->width = Width;
    other->height = Height;
    image(0, 0, 99, {1, 0, 0, 1}, 0, 0, 8, other);
    other->updateLayerObject();
    Cache::ImageCache& images = *caches->imageCache;
    TestKit::finishWithin(60000, [&] {
        // Never preloaded: empty at once; a preload off the planning thread does nothing.
        EXPECT_FALSE(images.getMovieImage(L"*2", 0, 0.5));
        images.preloadMovieImage(L"*2", 0, 0.5);
        EXPECT_EQ(images.cache.size(), 0u);

        worker->requestThread.request(3, [&] {
            worker->planningScenes.clear();
            images.preloadMovieImage(L"*2", 0, 0.5);
        });
        worker->requestThread.wait(); // claimed and queued; the render may still run
        std::shared_ptr<Media::ImageBuffer> frame = images.getMovieImage(L"*2", 0, 0.51);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->width, uint32_t(Width));
        EXPECT_EQ(frame->height, uint32_t(Height));
        const auto* centre = reinterpret_cast<const uint16_t*>(frame->row(Height / 2)) + 4 * (Width / 2);
        const auto* corner = reinterpret_cast<const uint16_t*>(frame->row(0));
        EXPECT_EQ(TestKit::halfToFloat(centre[0]), 1.0f);
        EXPECT_EQ(TestKit::halfToFloat(centre[3]), 1.0f);
        EXPECT_EQ(TestKit::halfToFloat(corner[3]), 0.0f);
        const std::list<Cache::ImageCacheKey> keys = images.cache.keys();
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(keys.front().number, 15);

        // A render that gives no picture releases its claim: the get answers empty.
        other->width = 0;
        Event::EventService::Get()->sceneChanged(2);
        worker->requestThread.request(3, [&] {
            worker->planningScenes.clear();
            try {
                images.preloadMovieImage(L"*2", 0, 1.0);
            } catch (const std::exception&) {
            }
        });
        worker->requestThread.wait();
        worker->objectThread.wait();
        EXPECT_FALSE(images.getMovieImage(L"*2", 0, 1.0));
    }, "scene frames");
}

} // namespace
