#pragma once
// The undo service: records snapshots of what an edit transaction is about to
// change, commits them as one step of the current scene's history when the
// transaction ends, and undoes and redoes steps.
//
// A recorder is called after the transaction opened its undo step
// (Edit::UpdateSection::openUndoStep) and before the element changes; it
// stores the element's state as the item's before state. The commit stores
// the after states and keeps the items that changed, in recording order.
#include "core/config.h"
#include "core/service.h"
#include "project/model/undo_history.h"

#include <memory>
#include <vector>

namespace Component { struct ColorSetting; }
namespace Effect {
class EffectBase;
class EffectItem;
} // namespace Effect
namespace Edit {
class Object;
struct Layer;
} // namespace Edit

namespace Undo {

class UndoService : public System::Singleton<UndoService> {
public:
    // Loads "UndoMax" from section "Undo" of the main ini file, when one is open.
    UndoService();
    // Writes the section back.
    ~UndoService();
    UndoService(const UndoService&) = delete;
    UndoService& operator=(const UndoService&) = delete;

    // ---- recorders ----
    void addObjectUpdate(const std::shared_ptr<Edit::Object>& object);
    // The object is about to be placed: its before state is "not placed".
    void addObjectCreate(const std::shared_ptr<Edit::Object>& object);
    // The object is about to be removed or placed elsewhere.
    void addObjectCreateDelete(const std::shared_ptr<Edit::Object>& object);
    // The mid points, and every effect of the object (their number items keep one value per point).
    void addObjectSection(const std::shared_ptr<Edit::Object>& object);
    void addObjectGroup(const std::shared_ptr<Edit::Object>& object);
    void addObjectEffect(const std::shared_ptr<Edit::Object>& object);
    void addObjectFlag(const std::shared_ptr<Edit::Object>& object);
    void addObjectLayerRange(const std::shared_ptr<Edit::Object>& object);
    void addEffectUpdate(const std::shared_ptr<Effect::EffectBase>& effect);
    void addLayerUpdate(const std::shared_ptr<Edit::Layer>& layer);
    // The layer is about to move to another index.
    void addLayerMove(const std::shared_ptr<Edit::Layer>& layer);
    // A new record is about to be inserted: its before state is "not in the scene".
    void addLayerCreate(const std::shared_ptr<Edit::Layer>& layer);
    // The layer is about to be deleted.
    void addLayerCreateDelete(const std::shared_ptr<Edit::Layer>& layer);
    void addColorSettingUpdate(const std::shared_ptr<Component::ColorSetting>& setting);

    // Called by the end of a transaction that opened an undo step: the items
    // that changed become the newest step (the redo steps are dropped and the
    // history is cut to UndoMax), and the project counts as modified. An item
    // whose commit throws is logged and dropped; the others stay.
    void commitUndo();
    // Whether the step is one effect snapshot whose kept values all belong to the item.
    bool hasOnlyEffectItem(const UndoStep& step, const Effect::EffectItem* item) const;

    // Restores the next step to undo / redo in a transaction of its own;
    // whether there was one. A restored step marks the project modified.
    bool undo();
    bool redo();
    // The text window's own undo and redo: only a step that changed nothing
    // but the item is restored, and only the text window and the listeners refresh.
    bool undoText(const Effect::EffectItem* item);
    bool redoText(const Effect::EffectItem* item);

    int undoMax = 100;
    UndoHistory* history = nullptr; // the current scene's; set by the edit service
    std::vector<std::unique_ptr<UndoItem>> pending;
    bool modified = false;  // changes not yet saved
    bool recording = false; // an undo step is open

private:
    bool restore(bool redo, const Effect::EffectItem* textItem);
    void record(std::unique_ptr<UndoItem> item);

    System::Config::Section settings{"Undo"};
    System::Config::Int undoMaxParameter{settings, "UndoMax", &undoMax, 100};
    System::Config::SectionSaver saver{&settings};
};

} // namespace Undo
