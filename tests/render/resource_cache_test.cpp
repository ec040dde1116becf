// The frame's named temporary pictures: least recently used first out of a pixel budget.
#include "render/resource_cache.h"
#include "tests/media/gpu_fixture.h"

using Render::ResourceCache;

class ResourceCacheTest : public TestKit::GpuFixture {
protected:
    // Distinct pictures; the cache counts the pixels its callers name.
    static std::shared_ptr<Media::ResourceBuffer> picture() { return std::make_shared<Media::ResourceBuffer>(1, 1); }
};

TEST_F(ResourceCacheTest, BudgetEvictsTheLeastRecentlyUsed)
{
    ResourceCache cache(1000000);
    auto first = picture(), second = picture();
    cache.put("first", first, 1000 * 800);
    cache.put("second", second, 500 * 500); // the total now exceeds the budget
    EXPECT_FALSE(cache.findBuffer("first"));
    EXPECT_EQ(cache.findBuffer("second"), second);
    EXPECT_EQ(cache.getTotal(), 500 * 500);
    // A caller's reference outlives the eviction.
    EXPECT_EQ(first.use_count(), 1);
}

TEST_F(ResourceCacheTest, StoringUnderOneNameReplacesTheEntry)
{
    ResourceCache cache(1000);
    auto older = picture(), newer = picture();
    cache.put("a", older, 600);
    cache.put("a", newer, 300);
    EXPECT_EQ(cache.getTotal(), 300);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.findBuffer("a"), newer);
}

TEST_F(ResourceCacheTest, FindingAnEntryKeepsItLongest)
{
    ResourceCache cache(300);
    auto a = picture(), b = picture(), c = picture();
    cache.put("a", a, 100);
    cache.put("b", b, 100);
    cache.put("c", c, 100);
    ASSERT_EQ(cache.findBuffer("a"), a); // now the most recently used
    cache.put("d", picture(), 150);      // 450 > 300: b, then c go
    EXPECT_EQ(cache.findBuffer("a"), a);
    EXPECT_FALSE(cache.findBuffer("b"));
    EXPECT_FALSE(cache.findBuffer("c"));
    EXPECT_EQ(cache.getTotal(), 250);
}

TEST_F(ResourceCacheTest, PictureOverTheBudgetOrNoBudgetKeepsNothing)
{
    for (int64_t limit : {int64_t{100}, int64_t{0}, int64_t{-5}}) {
        SCOPED_TRACE(limit);
        ResourceCache cache(limit);
        cache.put("big", picture(), 101); // evicted by its own put
        cache.put("small", picture(), limit > 0 ? 50 : 1);
        EXPECT_FALSE(cache.findBuffer("big"));
        EXPECT_EQ(cache.findBuffer("small") != nullptr, limit == 100);
        EXPECT_FALSE(cache.findBuffer("never stored"));
    }
}

TEST_F(ResourceCacheTest, GetOrCreateReusesOnlyAPictureOfTheSameSize)
{
    ResourceCache cache(1000000);
    auto first = cache.getOrCreate("tmp", 20, 10);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->getWidth(), 20u);
    EXPECT_EQ(first->getHeight(), 10u);
    EXPECT_EQ(cache.getOrCreate("tmp", 20, 10), first);
    EXPECT_EQ(cache.getTotal(), 200);
    // Another size: a new picture, the old entry released by the replacement.
    auto second = cache.getOrCreate("tmp", 10, 20);
    EXPECT_NE(second, first);
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_EQ(cache.findBuffer("tmp"), second);
    EXPECT_EQ(cache.getTotal(), 200);
    // Over the budget: made, handed out, and evicted at once.
    ResourceCache small(100);
    auto big = small.getOrCreate("big", 11, 10);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->getWidth(), 11u);
    EXPECT_FALSE(small.findBuffer("big"));
    EXPECT_EQ(small.getTotal(), 0);
}

TEST_F(ResourceCacheTest, GetOrCreateClampsBeforeCountingAndComparing)
{
    // 50000 x 50000 asked: a 16384 x 16384 picture counted as such (2^28
    // pixels, no 32-bit wrap), which the budget then evicts; the next call
    // with a budget that holds it finds the same picture and its content.
    ResourceCache tight(1000);
    auto huge = tight.getOrCreate("tmp", 50000, 50000);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->getWidth(), 16384u);
    EXPECT_EQ(huge->getHeight(), 16384u);
    EXPECT_EQ(tight.getTotal(), 0);
    EXPECT_EQ(tight.size(), 0u);

    ResourceCache cache(int64_t{1} << 40);
    auto wide = cache.getOrCreate("cache:wide", 40000, 2);
    ASSERT_EQ(wide->getWidth(), 16384u);
    const float red[4] = {1, 0, 0, 1};
    wide->clearRenderTargetView(red);
    EXPECT_EQ(cache.getOrCreate("cache:wide", 40000, 2), wide);
    EXPECT_EQ(cache.getOrCreate("cache:wide", 16384, 2), wide);
    EXPECT_EQ(cache.getTotal(), 16384 * 2);
    EXPECT_EQ(download(*wide)[5], (TestKit::Pixel{1, 0, 0, 1}));
    // Sides below 1: an empty picture counting nothing.
    for (auto [w, h] : {std::pair{0, 10}, std::pair{-5, 10}, std::pair{10, -1}}) {
        auto none = cache.getOrCreate("none", w, h);
        ASSERT_TRUE(none);
        EXPECT_TRUE(none->empty());
    }
    EXPECT_EQ(cache.getTotal(), 16384 * 2);
}
