#pragma once
// A cache of decoded media values under a budget: a missing value is loaded
// on the cache's own worker thread (or its owner's few load threads), and
// every thread that asks for the same key waits on one shared load. Least recently used entries go first once
// the total size passes the limit. Producers outside the cache (renders of
// other scenes) hand finished values in with put.
//
// Lock order: the mutex is the innermost lock of the program and is never
// held while a loader runs, while a load is submitted, or while a caller waits.
#include "core/sync.h"
#include "core/worker_thread.h"
#include "render/cache/load_pool.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace System {

template <class Key, class Value, class Hash = std::hash<Key>>
class PreLoadCache {
public:
    // Runs on the worker, obtains the value and hands it to put.
    using Loader = std::function<void()>;
    using ValuePtr = std::shared_ptr<Value>;

    // One load (or one claimed render) of a key; each waiter holds it.
    struct LoadTask {
        Sync::Event event; // set once the result is final
        ValuePtr result;   // empty until put delivers a value
    };

    PreLoadCache() : pending(8, Hash()), index(8, Hash())
    {
        pending.max_load_factor(1.0f);
        index.max_load_factor(1.0f);
    }
    ~PreLoadCache() { stop(); }
    PreLoadCache(const PreLoadCache&) = delete;
    PreLoadCache& operator=(const PreLoadCache&) = delete;

    // The cached value, or the value of the load this call starts or joins,
    // waited for (empty when the load produced nothing). With an empty loader
    // it claims an absent key and returns empty at once: the caller must then
    // put the key's value, or an empty value to release the claim.
    // After stop: empty at once.
    ValuePtr get(const Key& key, Loader loader)
    {
        std::shared_ptr<LoadTask> task;
        bool inserted = false;
        {
            std::unique_lock lock(mutex);
            if (stopped)
                return nullptr;
            if (ValuePtr value = touch(key))
                return value;
            auto found = pending.find(key);
            if (found != pending.end()) {
                task = found->second;
            } else {
                task = std::make_shared<LoadTask>();
                pending.emplace(key, task);
                inserted = true;
            }
        }
        if (inserted && !loader)
            return nullptr;
        if (inserted)
            submitLoad(key, task, std::move(loader));
        else
            loader = nullptr;
        return waitFor(*task);
    }

    // Starts a load of the key unless it is cached or pending; never waits
    // for the load (it may wait for room in the worker's queue).
    void preload(const Key& key, Loader loader)
    {
        std::shared_ptr<LoadTask> task;
        {
            std::lock_guard lock(mutex);
            if (stopped || index.count(key) || pending.count(key))
                return;
            task = std::make_shared<LoadTask>();
            pending.emplace(key, task);
        }
        submitLoad(key, task, std::move(loader));
    }

    // The cached value (it becomes the most recently used) or empty; never
    // loads, never waits.
    ValuePtr find(const Key& key)
    {
        std::lock_guard lock(mutex);
        return touch(key);
    }

    // The cached value; else the value of the load or render pending for the
    // key, waited for; else empty at once. Never claims the key.
    ValuePtr findOrWait(const Key& key)
    {
        std::shared_ptr<LoadTask> task;
        {
            std::lock_guard lock(mutex);
            if (stopped)
                return nullptr;
            if (ValuePtr value = touch(key))
                return value;
            auto found = pending.find(key);
            if (found == pending.end())
                return nullptr;
            task = found->second;
        }
        return waitFor(*task);
    }

    // Claims an absent key for a producer outside the cache, which must then
    // put its value (or an empty value to release the claim). False when the
    // key is cached or already pending, or after stop; never waits.
    bool claim(const Key& key)
    {
        std::lock_guard lock(mutex);
        if (stopped || index.count(key) || pending.count(key))
            return false;
        pending.emplace(key, std::make_shared<LoadTask>());
        return true;
    }

    // Stores a produced value as the most recently used entry (replacing the
    // key's entry), evicts, and wakes the key's waiters with it. An empty value
    // stores nothing but still releases the waiters (with nothing).
    void put(const Key& key, ValuePtr value, int64_t size)
    {
        std::lock_guard lock(mutex);
        if (value) {
            erase(key);
            entries.push_front(Entry{size, value, key});
            index.emplace(key, entries.begin());
            total += size;
            evict();
        }
        auto found = pending.find(key);
        if (found != pending.end()) {
            found->second->result = std::move(value);
            found->second->event.set();
            pending.erase(found);
        }
    }

    void setLimit(int64_t newLimit)
    {
        std::lock_guard lock(mutex);
        limit = newLimit;
        evict();
    }

    // Removes every entry whose key satisfies the predicate; pending loads stay.
    template <class Predicate>
    void removeIf(Predicate predicate)
    {
        std::lock_guard lock(mutex);
        for (auto it = entries.begin(); it != entries.end();) {
            if (predicate(it->key)) {
                total -= it->size;
                index.erase(it->key);
                it = entries.erase(it);
            } else {
                ++it;
            }
        }
    }

    // Waits until everything queued has loaded, then drops every entry.
    void clear()
    {
        worker.wait();
        if (pool_)
            pool_->wait();
        std::lock_guard lock(mutex);
        index.clear();
        entries.clear();
        total = 0;
    }

    // Stops the worker (queued loads never run) and releases every waiter
    // with nothing; later calls find nothing to wait for.
    void stop()
    {
        {
            std::lock_guard lock(mutex);
            stopped = true;
        }
        worker.stop();
        if (pool_)
            pool_->stop();
        std::lock_guard lock(mutex);
        for (auto& [key, task] : pending)
            task->event.set();
        pending.clear();
    }

    int64_t getTotal()
    {
        std::lock_guard lock(mutex);
        return total;
    }
    int64_t getLimit()
    {
        std::lock_guard lock(mutex);
        return limit;
    }
    size_t size()
    {
        std::lock_guard lock(mutex);
        return entries.size();
    }
    // The cached keys, most recently used first.
    std::list<Key> keys()
    {
        std::lock_guard lock(mutex);
        std::list<Key> out;
        for (const Entry& e : entries)
            out.push_back(e.key);
        return out;
    }

    // Runs the loads one at a time; its owner bounds its queue
    // (worker.semaphore.setMax) and may wait for it.
    Worker::WorkerThread worker{"PreLoadCache"};

    // Called by the owner before the first load: the loads run on `threads`
    // threads named `name` instead of the worker, those of one strand (the
    // strand of their key) one after another, those of different strands at
    // once; at most `bound` wait to run.
    void runOnThreads(const char* name, int threads, int bound, std::function<uint64_t(const Key&)> strandOf)
    {
        pool_ = std::make_unique<LoadPool>(name, threads, bound);
        strandOf_ = std::move(strandOf);
    }

private:
    struct Entry {
        int64_t size;
        ValuePtr value; // never empty
        Key key;
    };
    using EntryList = std::list<Entry>;

    // With the mutex held: the cached value, moved to the front; or empty.
    ValuePtr touch(const Key& key)
    {
        auto found = index.find(key);
        if (found == index.end())
            return nullptr;
        entries.splice(entries.begin(), entries, found->second);
        return found->second->value;
    }

    // With the mutex held.
    void erase(const Key& key)
    {
        auto found = index.find(key);
        if (found == index.end())
            return;
        total -= found->second->size;
        entries.erase(found->second);
        index.erase(found);
    }

    // With the mutex held: least recently used entries go while over the limit.
    void evict()
    {
        while (total > limit && !entries.empty()) {
            total -= entries.back().size;
            index.erase(entries.back().key);
            entries.pop_back();
        }
    }

    ValuePtr waitFor(LoadTask& task)
    {
        task.event.wait();
        std::lock_guard lock(mutex);
        return task.result;
    }

    // A queued load. However it ends (run, dropped by a stopping worker, or
    // never queued) its waiters are released once it is gone, with nothing
    // unless the loader delivered a value through put.
    class LoadJob {
    public:
        LoadJob(PreLoadCache& cache, const Key& key, std::shared_ptr<LoadTask> task, Loader loader)
            : cache(cache), key(key), task(std::move(task)), loader(std::move(loader))
        {
        }
        ~LoadJob() { cache.release(key, task); }
        LoadJob(const LoadJob&) = delete;
        LoadJob& operator=(const LoadJob&) = delete;

        void run()
        {
            try {
                if (loader)
                    loader();
            } catch (const std::exception&) {
                // The waiters get nothing; the next request loads again.
            }
            loader = nullptr;
        }

    private:
        PreLoadCache& cache;
        Key key;
        std::shared_ptr<LoadTask> task;
        Loader loader;
    };

    void submitLoad(const Key& key, std::shared_ptr<LoadTask> task, Loader loader)
    {
        auto job = std::make_shared<LoadJob>(*this, key, std::move(task), std::move(loader));
        if (pool_)
            pool_->submit(strandOf_(key), [job] { job->run(); });
        else
            worker.request(0, [job] { job->run(); });
    }

    // Releases the waiters of this load's own task when the key is still
    // pending for it. Only that task: after a put, an eviction and a new
    // request the key may be pending again for a newer load.
    void release(const Key& key, const std::shared_ptr<LoadTask>& task)
    {
        std::lock_guard lock(mutex);
        auto found = pending.find(key);
        if (found != pending.end() && found->second == task) {
            task->event.set();
            pending.erase(found);
        }
    }

    std::mutex mutex;
    std::unordered_map<Key, std::shared_ptr<LoadTask>, Hash> pending;
    EntryList entries; // most recently used first
    std::unordered_map<Key, typename EntryList::iterator, Hash> index;
    int64_t limit = 0;
    int64_t total = 0;
    bool stopped = false;
    std::unique_ptr<LoadPool> pool_;
    std::function<uint64_t(const Key&)> strandOf_;
};

} // namespace System
