#pragma once
// What the editing commands share: the running services, groups, gap
// closing and the steps that cut one object into kept and clipboard pieces.
#include "project/model/object_list.h"

#include <map>
#include <memory>
#include <vector>

namespace Undo { class UndoService; }

namespace Edit {

class EditService;
class Group;
class Object;
class Scene;
class UpdateSection;

namespace CommandSteps {

// The running edit service (throws "edit service not running." naming the place).
EditService& service(const char* place);
// The undo service the commands record into (throws when none runs).
Undo::UndoService& undo(const char* place);

// What a changing command works with: the running services and the current scene.
// Commands bind its members to named references (not a structured binding), since
// their lambdas capture them and not every compiler lets a lambda capture a binding.
struct Context {
    EditService& edit;
    Undo::UndoService& undo;
    Scene& scene;
};
Context context(const char* place);

// Each opens the transaction's undo step and raises the flags of its kind of change:
// objects placed or removed (re-index, editChanged);
void openPlacement(UpdateSection& update);
// frames moved (also the settings window's section state and the time window);
void openShift(UpdateSection& update);
// mid points or movements (the effect panels, the time, colour and text windows);
void openChainChange(UpdateSection& update);
// enable, lock or layer-range values (the panels' values and the colour window).
void openValueChange(UpdateSection& update);

// Group membership.
void leaveGroup(Object& object);
void joinGroup(Object& object, const std::shared_ptr<Group>& group);

// Drops the selected objects that are no longer placed (their flags cleared).
void dropUnplacedSelection(Scene& scene);
// Marks the object's layer list for sorting (and its control ranges for a rebuild).
void markMoved(Scene& scene, const Object& object);

// Spans to close per layer.
using LayerSpans = std::map<int, std::vector<ObjectListRange::Span>>;
// Re-indexes the scene, then moves every object of a layer that lies after
// a span left by the spans before it (recorded with addObjectUpdate).
void closeLayerGaps(Scene& scene, Undo::UndoService& undo, LayerSpans& spans);
// closeLayerGaps over the layers and frames of the list's objects.
void closeObjectListGap(Scene& scene, Undo::UndoService& undo, const ObjectList& list);

// One object cut into pieces inside an open transaction with its undo step:
// the kept pieces are recorded as created and join the object's group, the
// clipboard pieces go to the clipboard as copies and are removed, every new
// piece hears item event 3, and the object is recorded and removed. Each
// returns false, leaving the object as it was, when a cut is refused.
struct PieceContext {
    Scene& scene;
    Undo::UndoService& undo;
    UpdateSection& update;
    ObjectList& clipboard;
};
// Keeps [start, a - 1] and [b, end] (the focus goes right); [a, b - 1] to the clipboard.
bool cutObjectMiddle(PieceContext& c, const std::shared_ptr<Object>& object, int a, int b);
// Keeps [a, b - 1]; [start, a - 1] and [b, end] to the clipboard.
bool trimObjectMiddle(PieceContext& c, const std::shared_ptr<Object>& object, int a, int b);
// Keeps [start, x - 1]; [x, end] to the clipboard.
bool cutObjectRight(PieceContext& c, const std::shared_ptr<Object>& object, int x);
// Keeps [x, end]; [start, x - 1] to the clipboard.
bool cutObjectLeft(PieceContext& c, const std::shared_ptr<Object>& object, int x);

} // namespace CommandSteps

} // namespace Edit
