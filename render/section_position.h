#pragma once
// Where a time lies inside an object's sections.

namespace Edit { class Object; }

namespace Render {

struct SectionPosition {
    int section = 0;      // index of the section holding the time, 0 for the first
    int count = 1;        // number of sections: mid points + 1
    double offset = 0.0;  // frames since the section's first frame
    int length = 1;       // the section's length in frames, at least 1
    double progress = 0.0; // (time - start) / max(end - start, 1)

    void setPosition(const Edit::Object& object, int frame, double time);
};

} // namespace Render
