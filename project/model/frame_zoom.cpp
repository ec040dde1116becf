#include "project/model/frame_zoom.h"

#include <algorithm>

namespace Edit {

int FrameZoom::indexOf(int value)
{
    auto it = std::lower_bound(ZoomTable.begin(), ZoomTable.end(), value);
    return it != ZoomTable.end() && *it == value ? static_cast<int>(it - ZoomTable.begin()) : -1;
}

int FrameZoom::validate(int value)
{
    return indexOf(value) >= 0 ? value : DefaultZoom;
}

FrameZoom FrameZoom::stepZoomLevel(int current, int steps)
{
    const long long last = static_cast<long long>(ZoomTable.size()) - 1;
    const long long index = std::clamp(static_cast<long long>(indexOf(current)) + steps, 0LL, last);
    return FrameZoom(ZoomTable[static_cast<size_t>(index)]);
}

} // namespace Edit
