#pragma once
// A scene's undo history: the steps that edit transactions recorded, newest
// first. The undo service fills and replays it; the scene only owns it.
#include <deque>
#include <memory>
#include <vector>

namespace Edit { class UpdateSection; }

namespace Undo {

// A snapshot of one model element, taken before a change and again after it.
class UndoItem {
public:
    virtual ~UndoItem() = default;
    // Stores the after state; whether it differs from the before state.
    virtual bool commit() = 0;
    virtual void storeBefore() = 0;
    virtual void storeAfter() = 0;
    // Write the stored state back into the element and raise the transaction's flags.
    virtual void restoreBefore(Edit::UpdateSection& update) = 0;
    virtual void restoreAfter(Edit::UpdateSection& update) = 0;
};

using UndoStep = std::vector<std::unique_ptr<UndoItem>>;

struct UndoHistory {
    std::deque<UndoStep> steps; // the newest step at the front
    // Steps currently undone: steps[position] is the next to undo, steps[position - 1] the next to redo.
    int position = 0;
};

} // namespace Undo
