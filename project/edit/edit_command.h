#pragma once
// The editing commands: free functions that menus, shortcut keys, the
// timeline and the settings window run on the current scene of the running
// edit service (the preview options are in preview_commands.h).
//
// A command that acts on "the targets" takes the scene's selection when it
// holds a placed object, else the placed focus object; without either it does
// nothing. A command that changes the model opens one edit transaction, opens
// its undo step before the first change, records every element before
// changing it, raises the flags that describe the change and logs one INFO
// line at "Edit::EditCommand::" + its name. Dialogs and the timeline are
// reached through Edit::EditHost and Edit::TimelineHost.
#include "project/edit/preview_commands.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace Effect {
class EffectBase;
class EffectItemNumber;
} // namespace Effect

namespace Edit {

class Object;
class Scene;
class UpdateSection;

namespace EditCommand {

using ObjectVector = std::vector<std::shared_ptr<Object>>;
// Called by createObject with the new object inside its transaction.
using CreateCallback = std::function<void(const std::shared_ptr<Object>& object, UpdateSection& update)>;

// The target record of a command on the scene, kept for the command's duration.
class Targets {
public:
    explicit Targets(const Scene& scene);
    ~Targets();
    Targets(const Targets&) = delete;
    Targets& operator=(const Targets&) = delete;

    const ObjectVector& targets() const { return selection_ ? *selection_ : own_; }
    bool empty() const { return targets().empty(); }
    size_t count() const { return targets().size(); }

private:
    const ObjectVector* selection_ = nullptr; // the scene's selection, when it is used
    ObjectVector own_;                         // otherwise the focus object, or the placed selected objects
};

// ---- placing, removing, copying and grouping whole objects ----
// A new object of the named effect on the layer from the frame on, for
// 800000 / zoom frames, after the objects covering the frame and before
// the next one; it becomes the focus object.
void createObject(const wchar_t* effectName, int layer, int frame, const CreateCallback& callback = {});
void deleteObject();
// The clipboard holds copies of the targets (no transaction).
void copyObject();
// Copies and removes the targets; with a frame selection only the range is cut.
void cutObject(bool closeGap);
void pasteObject(int layer, int frame);
// At the mouse over the timeline, else at the copies' own frames (or the
// cursor when it lies outside them) on the first free layers.
void pasteObject();
// Copies of the targets at their frames on the first free layers below.
void duplicateObject();
// Each target and the later objects of its layer move left over the gap before it.
void removeObjectLeftGap();
// Asks for a length and moves every object that starts at or after the frame by it.
void insertNullFrame(int frame);
// The selected objects (two or more) form one new group.
void setGroup();
void clearGroup();
// Each selected layer-control object reaches down to the lowest selected layer.
void adjustLayerRange();

// ---- cutting objects into pieces ----
void splitObject(int frame);
// Cuts the scene's frame selection out of the targets into the clipboard.
void cutRangeObject(bool closeGap);
// Keeps only the part of each target inside the frame selection, at the target's start.
void trimObject();
bool canSeparateAudioObject();
// Each sound track of the movie target becomes a sound object of its own.
void separateAudioObject();
// Enable test of the split item: the frame lies inside a target.
bool canSplitObject(int frame);

// ---- mid points, lengths, enable and lock, movements ----
void createSection(const std::shared_ptr<Object>& object, int frame);
void createSection(int frame);
void deleteSection(const std::shared_ptr<Object>& object, int section);
void deleteSection(int frame);
void changeObjectLength();
void changeSectionLength(const std::shared_ptr<Object>& object, int section);
void setEnableObject(bool enable);
void setLockObject(bool lock);
// With Ctrl held and the object among the targets: every target; else the object alone.
void setEnableClickedObject(const std::shared_ptr<Object>& object, bool enable);
void setLockClickedObject(const std::shared_ptr<Object>& object, bool lock);
// The item (and the items linked with it) moves by the named movement.
void setMovement(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item, const wchar_t* movementName);
void toggleMovementFlag(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item, int bit);
void setMovementSettings(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item,
                         const std::vector<double>& values);
// Asks for the first movement parameter.
void showMovementSettings(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item);

// ---- the effect panels' toggles and commands ----
void setEnableEffect(const std::shared_ptr<Object>& object, const std::shared_ptr<Effect::EffectBase>& effect,
                     bool enable);
// An input's lock is its output's too.
void setLockEffect(const std::shared_ptr<Object>& object, const std::shared_ptr<Effect::EffectBase>& effect, bool lock);
// Clipping and camera target exclude each other: turning one on turns the other off.
void setEnableClippingObject(const std::shared_ptr<Object>& object, bool enable);
void setEnableCameraObject(const std::shared_ptr<Object>& object, bool enable);
void removeEffect(const std::shared_ptr<Object>& object, const std::shared_ptr<Effect::EffectBase>& effect);
// The mid-points at equal distances: offset i = (i + 1) x length / sections.
void changeSectionSpaceEvenly(const std::shared_ptr<Object>& object);

// ---- the cursor ----
void moveToTime();
// To the next (previous) section boundary of the focus object.
void moveToNextSection();
void moveToPrevSection();
// Enable tests of the preview's mid-point items at the frame.
bool canAddSection(int frame);
bool canDeleteSection(int frame);

// ---- effects ----
// Adds the named effect to the object behind `after` (null: where it belongs);
// with replace, `after` goes. One undoable edit; a failure leaves the chain.
void setEffect(const std::shared_ptr<Object>& object, const wchar_t* name, const Effect::EffectBase* after,
               bool replace);

// ---- aliases ----
// Saves the targets as an object alias (asks for its name and label).
void saveObjectAlias();
// Places the object alias (or an effect alias, as a new object) of the file
// at the layer and frame of the current scene, as one undoable edit.
void loadObjectAlias(const wchar_t* path, int layer, int frame);
// Adds the effects of the effect alias to the focus object behind `after`
// (null: where each belongs); with replace, `after` goes.
void loadEffectAlias(const wchar_t* path, const Effect::EffectBase* after, bool replace);
// Saves one effect of the settings window as an effect alias.
void saveEffectAliasFile(const std::shared_ptr<Effect::EffectBase>& effect);

// ---- scenes ----
// A new scene for a media file dropped on the scene list: its size and rates
// from the file (an SVG figure 256 x 256, rate 1/1), named after the file,
// with the file's object at layer 0, frame 0. An unsupported file is
// reported; false for it and for a cancelled scene dialog.
bool createSceneFromFile(const wchar_t* path);

} // namespace EditCommand

} // namespace Edit
