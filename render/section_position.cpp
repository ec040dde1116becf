#include "render/section_position.h"

#include "project/model/object.h"

#include <algorithm>

namespace Render {

void SectionPosition::setPosition(const Edit::Object& object, int frame, double time)
{
    const int mids = static_cast<int>(object.midPoints.size());
    sectionIndex = object.getSectionIndex(frame);
    sectionCount = mids + 1;
    int sectionStart;
    if (sectionIndex == 0)
        sectionStart = object.start;
    else if (sectionIndex - 1 < mids)
        sectionStart = object.start + object.midPoints[sectionIndex - 1];
    else
        sectionStart = object.end + 1;
    sectionTime = time - sectionStart;
    sectionLength = std::max(object.getSectionLength(sectionIndex), 1);
    progress = (time - object.start) / std::max(object.end - object.start, 1);
}

} // namespace Render
