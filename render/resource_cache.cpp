#include "render/resource_cache.h"

#include "media/resource_buffer.h"

namespace Render {

ResourceCache::ResourceCache(int64_t limit) : limit(limit)
{
    evict();
}

ResourceCache::~ResourceCache() = default;

void ResourceCache::put(const std::string& name, std::shared_ptr<Media::ResourceBuffer> buffer, int64_t size)
{
    auto found = index.find(name);
    if (found != index.end()) {
        total -= found->second->size;
        entries.erase(found->second);
        index.erase(found);
    }
    entries.push_front(Entry{size, std::move(buffer), name});
    index.emplace(name, entries.begin());
    total += size;
    evict();
}

std::shared_ptr<Media::ResourceBuffer> ResourceCache::findBuffer(const std::string& name)
{
    auto found = index.find(name);
    if (found == index.end())
        return {};
    entries.splice(entries.begin(), entries, found->second);
    return found->second->buffer;
}

void ResourceCache::evict()
{
    while (limit < total && !entries.empty()) {
        index.erase(entries.back().name);
        total -= entries.back().size;
        entries.pop_back();
    }
}

} // namespace Render
