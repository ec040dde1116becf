#include "ui/window/resources/window_resources.h"

#include "media/image_service.h"

#include <string>

namespace Window::Resources {

// Generated from the PNG files by the build (embed_pictures.cmake).
struct Entry {
    int id;
    const unsigned char* bytes;
    size_t size;
};
extern const Entry entries[];
extern const size_t entryCount;

Data find(int id)
{
    for (size_t i = 0; i < entryCount; ++i)
        if (entries[i].id == id)
            return {entries[i].bytes, entries[i].size};
    return {};
}

void registerPictures()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (size_t i = 0; i < entryCount; ++i)
        Media::ImageService::registerResource((L"#" + std::to_wstring(entries[i].id)).c_str(), entries[i].bytes,
                                              entries[i].size);
}

} // namespace Window::Resources
