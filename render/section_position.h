#pragma once
// Where a time lies inside an object's sections.

namespace Edit { class Object; }

namespace Render {

struct SectionPosition {
    int sectionIndex = 0;     // the section holding the frame, 0 for the first
    int sectionCount = 1;     // mid points + 1
    double sectionTime = 0.0; // time minus the section's first frame, in frames
    int sectionLength = 1;    // the section's length in frames, at least 1
    double progress = 0.0;    // (time - start) / max(end - start, 1) over the whole object

    void setPosition(const Edit::Object& object, int frame, double time);
};

} // namespace Render
