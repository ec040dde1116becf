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
