#pragma once
// Named temporary pictures of one render request: effects and scripts of
// different objects of a frame hand pictures to each other by name. Least
// recently used entries go first once the pixels stored exceed the budget.
// Used by the object thread of one request only: no lock.
#include "core/hash.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

namespace Media { class ResourceBuffer; }

namespace Render {

class ResourceCache {
public:
    // An empty cache with a budget in pixels.
    explicit ResourceCache(int64_t limit);
    ~ResourceCache();
    ResourceCache(const ResourceCache&) = delete;
    ResourceCache& operator=(const ResourceCache&) = delete;

    // Stores the picture under the name (replacing an entry of that name) as
    // the most recently used entry, counting size pixels, then evicts.
    void put(const std::string& name, std::shared_ptr<Media::ResourceBuffer> buffer, int64_t size);
    // The picture stored under the name, which becomes the most recently used;
    // empty when there is none. A caller's reference survives eviction.
    std::shared_ptr<Media::ResourceBuffer> findBuffer(const std::string& name);
    // Drops least recently used entries while the total exceeds the budget.
    void evict();
    // The picture of the name at that size (sides clamped to 16384 first; a
    // side below 1 makes an empty picture):
    // the stored one when its size is that, else a new working-format picture,
    // not cleared. Either way it is stored again as the most recently used,
    // counting width x height pixels.
    std::shared_ptr<Media::ResourceBuffer> getOrCreate(const std::string& name, int width, int height);

    int64_t getTotal() const { return total; }
    size_t size() const { return entries.size(); }

private:
    struct Entry {
        int64_t size;
        std::shared_ptr<Media::ResourceBuffer> buffer;
        std::string name;
    };
    std::list<Entry> entries; // most recently used first
    struct NameHash {
        size_t operator()(const std::string& name) const { return static_cast<size_t>(System::fnv1a(name)); }
    };
    std::unordered_map<std::string, std::list<Entry>::iterator, NameHash> index;
    int64_t limit;
    int64_t total = 0;
};

} // namespace Render
