#pragma once
// An object on a layer: an inclusive frame range cut into sections by its mid
// points, and its effect chain (element 0 the top effect, element 1 the output
// effect when the top effect is an input effect).
#include <memory>
#include <vector>

namespace Effect { class EffectBase; }

namespace Edit {

class Object {
public:
    std::vector<std::shared_ptr<Effect::EffectBase>> effects;
    int start = 0; // first frame
    int end = 0;   // last frame, inclusive
    std::vector<int> midPoints; // offsets from start, strictly ascending, inside (0, end - start)
    int layer = -1;             // -1 while the object is not placed
    bool clipping = false;
    bool camera = true;
    bool selected = false;

    // The section that holds the frame: 0 before the first mid point.
    int getSectionIndex(int frame) const;
    // Length of section i: the distance to the next boundary (the last one
    // stops at the end frame).
    int getSectionLength(int index) const;
};

} // namespace Edit
