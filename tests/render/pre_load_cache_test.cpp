// The pre-load cache: shared loads, order and eviction, claims released by
// put, and the failure paths (throwing and empty loads, a stale load ending
// after the key was loaded again, gets during and after stop), and loads on
// a few threads: different strands at once, each strand in turn.
#include "render/cache/cache_key.h"
#include "render/cache/pre_load_cache.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <list>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Cache::CacheKey;
using Value = std::shared_ptr<int>;
using TestCache = System::PreLoadCache<CacheKey, int, Cache::CacheKeyHash>;

CacheKey key(int n, const wchar_t* name = L"a.png")
{
    return CacheKey{name, n};
}

Value value(int v)
{
    return std::make_shared<int>(v);
}

class PreLoadCacheTest : public ::testing::Test {
protected:
    PreLoadCacheTest() { cache.setLimit(1000); }

    // A loader that counts its runs and puts v with the size.
    TestCache::Loader loader(const CacheKey& k, int v, int64_t size = 10)
    {
        return [this, k, v, size] {
            ++loads;
            cache.put(k, value(v), size);
        };
    }
    std::list<CacheKey> order() { return cache.keys(); }

    TestCache cache;
    std::atomic<int> loads{0};
};

void within(const std::function<void()>& f)
{
    TestKit::finishWithin(20000, f, "pre-load cache");
}

} // namespace

TEST_F(PreLoadCacheTest, TwoThreadsShareOneLoad)
{
    within([&] {
        std::latch entered(1), release(1);
        // The first load holds the worker until both gets asked.
        cache.preload(key(0), [&] {
            entered.count_down();
            release.wait();
        });
        entered.wait();
        Value a, b;
        std::thread t1([&] { a = cache.get(key(1), loader(key(1), 7)); });
        std::thread t2([&] { b = cache.get(key(1), loader(key(1), 8)); });
        // Both are waiting on key 1 once it is pending and its load is queued.
        while (cache.worker.queuedCount() < 1)
            std::this_thread::yield();
        release.count_down();
        t1.join();
        t2.join();
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a, b);
        EXPECT_EQ(loads, 1);
    });
}

TEST_F(PreLoadCacheTest, OrderAndEviction)
{
    within([&] {
        for (int i = 0; i < 3; ++i)
            cache.put(key(i), value(i), 100);
        EXPECT_EQ(order(), (std::list<CacheKey>{key(2), key(1), key(0)}));
        cache.preload(key(0), loader(key(0), 9)); // cached: neither loads nor moves
        EXPECT_EQ(order(), (std::list<CacheKey>{key(2), key(1), key(0)}));
        EXPECT_EQ(*cache.find(key(0)), 0);
        EXPECT_EQ(*cache.get(key(1), loader(key(1), 9)), 1);
        EXPECT_EQ(order(), (std::list<CacheKey>{key(1), key(0), key(2)}));
        EXPECT_EQ(loads, 0);

        // A put of a key that is not pending replaces its entry; the old size leaves the total.
        cache.put(key(2), value(22), 50);
        EXPECT_EQ(cache.getTotal(), 250);
        EXPECT_EQ(*cache.find(key(2)), 22);
        // Lowering the limit drops the least recently used first.
        cache.setLimit(160);
        EXPECT_EQ(order(), (std::list<CacheKey>{key(2), key(1)}));
        EXPECT_EQ(cache.getTotal(), 150);

        // Keys differ by number and by name, case included; removeIf matches by key.
        cache.put(key(1, L"A.png"), value(5), 1);
        cache.removeIf([](const CacheKey& k) { return k.name == L"a.png"; });
        EXPECT_EQ(order(), (std::list<CacheKey>{key(1, L"A.png")}));
    });
}

TEST_F(PreLoadCacheTest, ValuesOverTheLimitReachTheirWaitersAndLeave)
{
    within([&] {
        cache.put(key(0), value(0), 10);
        Value big = cache.get(key(1), loader(key(1), 1, 5000));
        ASSERT_TRUE(big);
        EXPECT_EQ(*big, 1);
        // It was the most recent entry, so everything older went first.
        EXPECT_EQ(cache.size(), 0u);
        cache.setLimit(0);
        Value zero = cache.get(key(2), loader(key(2), 2, 1));
        ASSERT_TRUE(zero);
        EXPECT_EQ(cache.size(), 0u);
        EXPECT_EQ(cache.getTotal(), 0);
    });
}

TEST_F(PreLoadCacheTest, ClaimedKeyWaitsForItsPut)
{
    within([&] {
        // A get without loader claims an absent key and answers at once.
        EXPECT_FALSE(cache.get(key(3), nullptr));
        EXPECT_FALSE(cache.find(key(3)));
        Value withLoader, without, found;
        std::thread a([&] { withLoader = cache.get(key(3), loader(key(3), 99)); });
        std::thread b([&] { without = cache.get(key(3), nullptr); });
        std::thread c([&] { found = cache.findOrWait(key(3)); });
        std::this_thread::yield();
        cache.put(key(3), value(3), 1);
        a.join();
        b.join();
        c.join();
        ASSERT_TRUE(withLoader && without && found);
        EXPECT_EQ(*withLoader, 3);
        EXPECT_EQ(without, withLoader);
        EXPECT_EQ(found, withLoader);
        EXPECT_EQ(loads, 0); // the claim's waiters never load themselves
    });
}

TEST_F(PreLoadCacheTest, FailedClaimAndFailedLoadsReleaseTheirWaiters)
{
    within([&] {
        // The claimer's render failed: an empty put releases whoever waits, with nothing.
        EXPECT_FALSE(cache.get(key(4), nullptr));
        Value waited = value(-1);
        std::thread waiter([&] { waited = cache.findOrWait(key(4)); });
        cache.put(key(4), nullptr, 0);
        waiter.join();
        EXPECT_FALSE(waited);
        EXPECT_EQ(cache.size(), 0u);
        // Nothing is pending any more: a lookup does not wait.
        EXPECT_FALSE(cache.findOrWait(key(4)));

        // A loader that throws, and one that finds nothing: empty results, the
        // worker goes on, and the next get loads again.
        EXPECT_FALSE(cache.get(key(5), [] { throw std::runtime_error("unreadable"); }));
        EXPECT_FALSE(cache.get(key(6), [] {}));
        EXPECT_EQ(*cache.get(key(5), loader(key(5), 5)), 5);
    });
}

TEST_F(PreLoadCacheTest, StaleLoadDoesNotReleaseANewerLoadOfItsKey)
{
    within([&] {
        std::latch delivered(1), finish(1);
        // Load 1 delivers its value, then is held before it ends.
        cache.preload(key(7), [&] {
            cache.put(key(7), value(1), 10);
            delivered.count_down();
            finish.wait();
        });
        delivered.wait();
        // Evicted, and asked for again: load 2 queues behind the running load 1.
        cache.setLimit(0);
        cache.setLimit(1000);
        Value got;
        std::thread waiter([&] { got = cache.get(key(7), loader(key(7), 2)); });
        while (cache.worker.queuedCount() < 1)
            std::this_thread::yield();
        finish.count_down(); // load 1 ends while key 7 is pending for load 2
        waiter.join();
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, 2);
    });
}

TEST_F(PreLoadCacheTest, StopReleasesWaitersAndLaterGetsAnswerAtOnce)
{
    within([&] {
        std::latch entered(1), release(1);
        cache.preload(key(0), [&] {
            entered.count_down();
            release.wait();
        });
        entered.wait();
        Value queued = value(-1), claimed = value(-1);
        std::thread a([&] { queued = cache.get(key(8), loader(key(8), 8)); }); // queued behind key 0
        EXPECT_FALSE(cache.get(key(9), nullptr));
        std::thread b([&] { claimed = cache.findOrWait(key(9)); });
        while (cache.worker.queuedCount() < 1)
            std::this_thread::yield();
        std::thread stopper([&] { cache.stop(); });
        while (cache.worker.isRunning()) // stop has begun: the queued load never runs
            std::this_thread::yield();
        release.count_down();
        stopper.join();
        a.join();
        b.join();
        EXPECT_FALSE(queued);
        EXPECT_FALSE(claimed);
        // After stop nothing loads and nothing waits.
        EXPECT_FALSE(cache.get(key(10), loader(key(10), 10)));
        EXPECT_FALSE(cache.get(key(11), nullptr));
        cache.preload(key(12), loader(key(12), 12));
        EXPECT_EQ(loads, 0);
    });
}

TEST_F(PreLoadCacheTest, LoadThreadsRunStrandsAtOnceAndEachStrandInTurn)
{
    // Keys named alike share a strand; three strands on three threads.
    cache.runOnThreads("TestLoads", 3, 16, [](const CacheKey& k) { return uint64_t(std::hash<std::wstring>()(k.name)); });
    const wchar_t* names[3] = {L"a.avi", L"b.avi", L"c.avi"};
    std::latch together(3);
    std::mutex mutex;
    std::map<std::wstring, int> running, most;
    std::map<std::wstring, std::vector<int>> ran;
    auto load = [&](const CacheKey& k, bool meet) {
        return [&, k, meet] {
            {
                std::lock_guard lock(mutex);
                most[k.name] = std::max(most[k.name], ++running[k.name]);
                ran[k.name].push_back(k.number);
            }
            // The first load of each strand returns only once all three run:
            // one thread for all would never get past here.
            if (meet)
                together.arrive_and_wait();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            {
                std::lock_guard lock(mutex);
                --running[k.name];
            }
            cache.put(k, value(k.number), 1);
        };
    };
    within([&] {
        for (int n = 0; n < 4; ++n)
            for (const wchar_t* name : names)
                cache.preload(key(n, name), load(key(n, name), n == 0));
        for (const wchar_t* name : names)
            for (int n = 0; n < 4; ++n)
                EXPECT_EQ(*cache.get(key(n, name), nullptr), n);
        cache.clear(); // waits for the threads to be idle
    });
    for (const wchar_t* name : names) {
        EXPECT_EQ(most[name], 1) << "one file read by two threads at once";
        EXPECT_EQ(ran[name], (std::vector<int>{0, 1, 2, 3}));
    }

    // Stopping with a load running and one queued behind it on its strand:
    // the waiter of the queued one is released, and nothing loads after.
    within([&] {
        std::latch entered(1), release(1);
        cache.preload(key(0, L"d.avi"), [&] {
            entered.count_down();
            release.wait();
        });
        entered.wait();
        cache.preload(key(1, L"d.avi"), loader(key(1, L"d.avi"), 1));
        Value queued = value(-1);
        std::thread waiter([&] { queued = cache.findOrWait(key(1, L"d.avi")); });
        std::thread stopper([&] { cache.stop(); });
        for (int i = 0; cache.claim(key(i, L"e.avi")); ++i) // until the stop has begun
            std::this_thread::yield();
        release.count_down();
        stopper.join();
        waiter.join();
        EXPECT_TRUE(!queued || *queued == 1);
        EXPECT_FALSE(cache.get(key(2, L"d.avi"), loader(key(2, L"d.avi"), 2)));
        EXPECT_LE(loads, 1);
    });
}
