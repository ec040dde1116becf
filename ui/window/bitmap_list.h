#pragma once
// The 22 bitmaps of buttons and toggles (32 x 32 with alpha), decoded from
// the program's PNG resources on first use. Main thread only.
#include "media/com_resource.h"

namespace Platform::Draw {
class Bitmap;
class Target;
} // namespace Platform::Draw

namespace Window {

class BitmapList {
public:
    static constexpr int Count = 22;
    // The PNG resource id of each index.
    static const int resourceIds[Count];

    BitmapList();
    ~BitmapList();
    BitmapList(const BitmapList&) = delete;
    BitmapList& operator=(const BitmapList&) = delete;

    Platform::Draw::Bitmap* get(int index);

    Platform::Draw::Target* target = nullptr;

private:
    Media::ComResource<Platform::Draw::Bitmap> entries_[Count];
};

} // namespace Window
