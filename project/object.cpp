#include "project/object.h"

#include <algorithm>

namespace Edit {

int Object::getSectionIndex(int frame) const
{
    return static_cast<int>(std::upper_bound(midPoints.begin(), midPoints.end(), frame - start) - midPoints.begin());
}

int Object::getSectionLength(int index) const
{
    const int n = static_cast<int>(midPoints.size());
    if (n == 0)
        return end - start;
    if (index <= 0)
        return midPoints[0];
    if (index < n)
        return midPoints[index] - midPoints[index - 1];
    return end - start - midPoints[n - 1];
}

} // namespace Edit
