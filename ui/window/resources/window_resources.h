#pragma once
// The window's built-in pictures (32 x 32 PNG files of this folder, embedded
// by the build): the 22 button bitmaps, the program icon 107 and the cursors
// 129, 130 and 143, by resource id.
#include <cstddef>

namespace Window::Resources {

struct Data {
    const void* bytes = nullptr;
    size_t size = 0;
};

// The PNG of a resource id; empty when there is none.
Data find(int id);
// Registers every picture with the imaging service as "#" and its id, so
// that Media::ImageService::loadFromResource finds it. Done once.
void registerPictures();

} // namespace Window::Resources
