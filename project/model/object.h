#pragma once
// An object on a layer: an inclusive frame range cut into sections by its mid
// points, its effect chain (Edit::EffectManager), its group and its flags.
#include "project/model/effect_manager.h"

#include <memory>
#include <unordered_set>
#include <vector>

namespace Effect { struct ItemEvent; }

namespace Edit {

class Object;
class Scene;

// Objects edited together. Each member holds the group, so it lives as long
// as any member; a member leaves the set when it is destroyed.
class Group {
public:
    // The scene's pointers to the members that are placed; members not found are skipped.
    std::vector<std::shared_ptr<Object>> getObjectList(const Scene& scene) const;

    std::unordered_set<Object*> members;
};

class Object : public EffectManager {
public:
    // The effect chain creates its effects through the running effect service.
    Object();
    ~Object();

    // ---- sections: n mid points cut the object into n + 1 sections ----
    // The section that holds the frame: the number of mid points at or before it.
    int getSectionIndex(int frame) const;
    // First frame of section i (end + 1 past the last).
    int getSectionStart(int index) const;
    // The distance from section i's start to the next boundary; the last
    // section's length stops at the end frame.
    int getSectionLength(int index) const;
    // The frame lies strictly inside its section.
    bool canAddSectionAt(int frame) const;
    // Some section from the frame's on is at least 2 frames long.
    bool canSplitSection(int frame) const;
    // Adds a mid point at the frame, or at the nearest place inside the first
    // section from the frame's on that is longer than 1; every number item gets
    // a point there, from values when given, else its default.
    void addMidPoint(int frame, const ValueMap* values = nullptr);
    // Removes mid point index (1 .. n) and its point from every item that keeps one value per point.
    void removeMidPoint(int index);
    // Fills left and right as the two pieces of this object cut before frame
    // (start < frame <= end); false and nothing changed otherwise.
    bool splitAt(int frame, Object& left, Object& right, Scene& scene) const;
    // Called on the right object: extends left over this one, which touches it
    // on the same layer, with a mid point at the seam; false when they do not touch.
    bool joinWith(Object& left) const;
    // Copies flags, layer, frames, mid points and the effect chain (not the group).
    void copyObjectTo(Object& target) const;

    // Passes an item event to the input effect, when the object has one.
    bool sendInputItemEvent(Effect::ItemEvent& event);

    // Reads the effect sections "<section>.0", "<section>.1", ... into the chain.
    void loadEffectIniFile(System::IniFile& ini, const char* section);
    // Reads the older object file's effect sections "<section>.0", ... and the
    // object's "camera" flag.
    void loadEffectTsoFile(System::IniFile& ini, const char* section);
    // Adds the effects of an effect alias (sections "Effect.0", ...) in file
    // order, the first behind `after` (when given), each next one behind the one before.
    void loadEffectAliasFile(System::IniFile& ini, const Effect::EffectBase* after);
    // Saves this object's flags and effects as an object alias, asking for its
    // name and label (the settings window's "全体").
    void saveObjectAliasFile();

    std::shared_ptr<Group> group;
    int start = 0; // first frame
    int end = 0;   // last frame, inclusive
    std::vector<int> midPoints; // offsets from start, strictly ascending, inside (0, end - start)
    int layer = -1;             // -1 while the object is not placed
    bool clipping = false;
    bool camera = true;
    bool selected = false;
};

} // namespace Edit
