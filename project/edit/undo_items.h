#pragma once
// The undo items. Each is an Undo::UndoItemTemplate: a shared reference to the
// changed element and two states of one kind, taken before and after the
// change. A kind knows how to copy its state out of the element (store),
// whether two states differ, dropping what turned out equal (commit), and how
// to write a state back, raising the transaction's flags (restore).
#include "project/model/undo_history.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Effect {
class EffectBase;
class EffectItem;
} // namespace Effect

namespace Edit {
class Group;
class Object;
class UpdateSection;
struct Layer;
} // namespace Edit

namespace Component {
// The colour window's two colours (four floats each) as undo reads and writes
// them; the colour window shares the record with the items that target it.
struct ColorSetting {
    float colors[2][4] = {};
};
} // namespace Component

namespace Undo {

template <class Target, class Kind>
class UndoItemTemplate final : public UndoItem {
public:
    explicit UndoItemTemplate(std::shared_ptr<Target> target) : target(std::move(target)) {}

    bool commit() override
    {
        storeAfter();
        return Kind::commit(before, after);
    }
    void storeBefore() override { before = Kind::store(*target); }
    void storeAfter() override { after = Kind::store(*target); }
    void restoreBefore(Edit::UpdateSection& update) override { Kind::restore(target, before, update); }
    void restoreAfter(Edit::UpdateSection& update) override { Kind::restore(target, after, update); }

    std::shared_ptr<Target> target;
    Kind before;
    Kind after;
};

} // namespace Undo

namespace Edit {

// Layer and frames; the mid points only when the object has any.
struct ObjectUndoUpdate {
    int layer = -1;
    int start = 0;
    int end = 0;
    std::optional<std::vector<int>> midPoints;

    static ObjectUndoUpdate store(const Object& object);
    // Mid points count only when both lists exist with one length; otherwise
    // both are dropped (a change of their number is an ObjectUndoSection's).
    static bool commit(ObjectUndoUpdate& before, ObjectUndoUpdate& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoUpdate& state, UpdateSection& update);
};

// The layer, -1 while the object is not placed.
struct ObjectUndoCreateDelete {
    int layer = -1;

    static ObjectUndoCreateDelete store(const Object& object);
    static bool commit(ObjectUndoCreateDelete& before, ObjectUndoCreateDelete& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoCreateDelete& state, UpdateSection& update);
};

struct ObjectUndoSection {
    std::vector<int> midPoints;

    static ObjectUndoSection store(const Object& object);
    static bool commit(ObjectUndoSection& before, ObjectUndoSection& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoSection& state, UpdateSection& update);
};

struct ObjectUndoGroup {
    std::shared_ptr<Group> group;

    static ObjectUndoGroup store(const Object& object);
    static bool commit(ObjectUndoGroup& before, ObjectUndoGroup& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoGroup& state, UpdateSection& update);
};

// The effect chain (the effects themselves are shared, not copied).
struct ObjectUndoEffect {
    std::vector<std::shared_ptr<Effect::EffectBase>> effects;

    static ObjectUndoEffect store(const Object& object);
    static bool commit(ObjectUndoEffect& before, ObjectUndoEffect& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoEffect& state, UpdateSection& update);
};

struct ObjectUndoFlag {
    bool clipping = false;
    bool camera = false;

    static ObjectUndoFlag store(const Object& object);
    static bool commit(ObjectUndoFlag& before, ObjectUndoFlag& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoFlag& state, UpdateSection& update);
};

// The layer-range value of a control object's first effect.
struct ObjectUndoLayerRange {
    int value = 0;

    static ObjectUndoLayerRange store(const Object& object);
    static bool commit(ObjectUndoLayerRange& before, ObjectUndoLayerRange& after);
    static void restore(const std::shared_ptr<Object>& object, const ObjectUndoLayerRange& state, UpdateSection& update);
};

struct LayerUndoUpdate {
    bool hide = false;
    bool lock = false;
    std::wstring name;

    static LayerUndoUpdate store(const Layer& layer);
    static bool commit(LayerUndoUpdate& before, LayerUndoUpdate& after);
    static void restore(const std::shared_ptr<Layer>& layer, const LayerUndoUpdate& state, UpdateSection& update);
};

// The layer's index.
struct LayerUndoMove {
    int index = -1;

    static LayerUndoMove store(const Layer& layer);
    static bool commit(LayerUndoMove& before, LayerUndoMove& after);
    static void restore(const std::shared_ptr<Layer>& layer, const LayerUndoMove& state, UpdateSection& update);
};

// The layer's index, -1 while the record is not part of the scene.
struct LayerUndoCreateDelete {
    int index = -1;

    static LayerUndoCreateDelete store(const Layer& layer);
    static bool commit(LayerUndoCreateDelete& before, LayerUndoCreateDelete& after);
    static void restore(const std::shared_ptr<Layer>& layer, const LayerUndoCreateDelete& state, UpdateSection& update);
};

} // namespace Edit

namespace Effect {

// A copy of every item value (null where the item did not change in the
// step), the disable flag and the lock flag.
struct EffectUndoUpdate {
    std::vector<std::unique_ptr<EffectItem>> values;
    bool disable = false;
    bool lock = false;

    static EffectUndoUpdate store(const EffectBase& effect);
    // Keeps only the values that differ (text values cut to their differing
    // middle); an effect whose item count changed throws "different number of items.".
    static bool commit(EffectUndoUpdate& before, EffectUndoUpdate& after);
    // Writes back the kept values and both flags.
    static void restore(const std::shared_ptr<EffectBase>& effect, const EffectUndoUpdate& state, Edit::UpdateSection& update);
    // Whether every kept value of both states belongs to the item, and one does.
    static bool hasOnlyEffectItem(const EffectBase& effect, const EffectUndoUpdate& before,
                                  const EffectUndoUpdate& after, const EffectItem* item);
};

} // namespace Effect

namespace Component {

struct ColorSettingUndoUpdate {
    float colors[2][4] = {};

    static ColorSettingUndoUpdate store(const ColorSetting& setting);
    // A NaN differs from everything, itself included.
    static bool commit(ColorSettingUndoUpdate& before, ColorSettingUndoUpdate& after);
    static void restore(const std::shared_ptr<ColorSetting>& setting, const ColorSettingUndoUpdate& state, Edit::UpdateSection& update);
};

} // namespace Component
