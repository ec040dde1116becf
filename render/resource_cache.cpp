#include "render/resource_cache.h"

#include "media/resource_buffer.h"

#include <algorithm>

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

std::shared_ptr<Media::ResourceBuffer> ResourceCache::getOrCreate(const std::string& name, int width, int height)
{
    // Scripts ask for any size: clamp as the picture does before comparing or
    // counting, so a stored picture is found again and the cost cannot wrap.
    int64_t w = std::min<int64_t>(width, Media::ResourceBuffer::MaxSize);
    int64_t h = std::min<int64_t>(height, Media::ResourceBuffer::MaxSize);
    if (w < 1 || h < 1)
        w = h = 0; // an empty picture
    std::shared_ptr<Media::ResourceBuffer> buffer = findBuffer(name);
    if (!buffer || buffer->getWidth() != w || buffer->getHeight() != h)
        buffer = std::make_shared<Media::ResourceBuffer>(static_cast<int>(w), static_cast<int>(h));
    put(name, buffer, w * h);
    return buffer;
}

} // namespace Render
