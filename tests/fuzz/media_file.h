#pragma once
// Media readers take files: an input becomes the content of one file per
// fuzzing process, rewritten for every input and removed at exit.
#include "core/text.h"
#include "render/cache/cache_service.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace Fuzz {

inline std::wstring mediaFile(const uint8_t* data, size_t size, const char* extension)
{
    static const std::string path = [&] {
        std::string p = (std::filesystem::temp_directory_path() /
                         ("velmora-fuzz-" + std::to_string(::getpid()) + "." + extension))
                            .string();
        static std::string removed;
        removed = p;
        std::atexit([] { std::remove(removed.c_str()); });
        return p;
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
    return System::fromLocalPath(path);
}

// The scratch buffers readers lock, published once for the process.
inline void publishScratchBuffers()
{
    static Cache::ScratchBuffers* const buffers = new Cache::ScratchBuffers;
    (void)buffers;
}

} // namespace Fuzz
