#include "render/section_position.h"

#include "project/model/object.h"

#include <algorithm>

namespace Render {

void SectionPosition::setPosition(const Edit::Object& object, int frame, double time)
{
    const int mids = static_cast<int>(object.midPoints.size());
    section = object.getSectionIndex(frame);
    count = mids + 1;
    int sectionStart;
    if (section == 0)
        sectionStart = object.start;
    else if (section - 1 < mids)
        sectionStart = object.start + object.midPoints[section - 1];
    else
        sectionStart = object.end + 1;
    offset = time - sectionStart;
    length = std::max(object.getSectionLength(section), 1);
    progress = (time - object.start) / std::max(object.end - object.start, 1);
}

} // namespace Render
