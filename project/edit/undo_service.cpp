#include "project/edit/undo_service.h"

#include "core/ini_file.h"
#include "core/log.h"
#include "effect/effect_base.h"
#include "project/edit/undo_items.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "project/model/object.h"

namespace Undo {

namespace {

template <class Kind, class Target>
std::unique_ptr<UndoItemTemplate<Target, Kind>> makeItem(const std::shared_ptr<Target>& target)
{
    auto item = std::make_unique<UndoItemTemplate<Target, Kind>>(target);
    item->storeBefore();
    return item;
}

using EffectItemUpdate = UndoItemTemplate<Effect::EffectBase, Effect::EffectUndoUpdate>;

} // namespace

UndoService::UndoService()
{
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
}

UndoService::~UndoService() = default;

void UndoService::record(std::unique_ptr<UndoItem> item)
{
    pending.push_back(std::move(item));
}

void UndoService::addObjectUpdate(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoUpdate>(object));
}

void UndoService::addObjectCreate(const std::shared_ptr<Edit::Object>& object)
{
    auto item = makeItem<Edit::ObjectUndoCreateDelete>(object);
    item->before.layer = -1;
    record(std::move(item));
}

void UndoService::addObjectCreateDelete(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoCreateDelete>(object));
}

void UndoService::addObjectSection(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoSection>(object));
    for (const auto& effect : object->effects)
        addEffectUpdate(effect);
}

void UndoService::addObjectGroup(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoGroup>(object));
}

void UndoService::addObjectEffect(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoEffect>(object));
}

void UndoService::addObjectFlag(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoFlag>(object));
}

void UndoService::addObjectLayerRange(const std::shared_ptr<Edit::Object>& object)
{
    record(makeItem<Edit::ObjectUndoLayerRange>(object));
}

void UndoService::addEffectUpdate(const std::shared_ptr<Effect::EffectBase>& effect)
{
    record(makeItem<Effect::EffectUndoUpdate>(effect));
}

void UndoService::addLayerUpdate(const std::shared_ptr<Edit::Layer>& layer)
{
    record(makeItem<Edit::LayerUndoUpdate>(layer));
}

void UndoService::addLayerMove(const std::shared_ptr<Edit::Layer>& layer)
{
    record(makeItem<Edit::LayerUndoMove>(layer));
}

void UndoService::addLayerCreate(const std::shared_ptr<Edit::Layer>& layer)
{
    auto item = makeItem<Edit::LayerUndoCreateDelete>(layer);
    item->before.index = -1;
    record(std::move(item));
}

void UndoService::addLayerCreateDelete(const std::shared_ptr<Edit::Layer>& layer)
{
    record(makeItem<Edit::LayerUndoCreateDelete>(layer));
}

void UndoService::addColorSettingUpdate(const std::shared_ptr<Component::ColorSetting>& setting)
{
    record(makeItem<Component::ColorSettingUndoUpdate>(setting));
}

void UndoService::commitUndo()
{
    recording = false;
    std::vector<std::unique_ptr<UndoItem>> items = std::move(pending);
    pending.clear();
    UndoStep step;
    for (auto& item : items) {
        try {
            if (item->commit())
                step.push_back(std::move(item));
        } catch (const std::exception& e) {
            // One broken snapshot must not cost the others, nor end the program
            // from a transaction's end.
            System::Log::warn("Undo::UndoService::commitUndo", "undo item dropped.\n%s", e.what());
        }
    }
    if (step.empty() || !history)
        return;
    while (history->position > 0) {
        history->steps.pop_front();
        --history->position;
    }
    history->steps.push_front(std::move(step));
    const size_t limit = undoMax >= 1 ? static_cast<size_t>(undoMax) : 0;
    while (history->steps.size() > limit)
        history->steps.pop_back();
    modified = true;
}

bool UndoService::hasOnlyEffectItem(const UndoStep& step, const Effect::EffectItem* item) const
{
    if (step.size() != 1)
        return false;
    const auto* update = dynamic_cast<const EffectItemUpdate*>(step.front().get());
    return update && Effect::EffectUndoUpdate::hasOnlyEffectItem(*update->target, update->before, update->after, item);
}

bool UndoService::restore(bool redo, const Effect::EffectItem* textItem)
{
    if (!history)
        return false;
    const int index = redo ? history->position - 1 : history->position;
    if (index < 0 || index >= static_cast<int>(history->steps.size()))
        return false;
    const UndoStep& step = history->steps[static_cast<size_t>(index)];
    if (textItem && !hasOnlyEffectItem(step, textItem))
        return false;
    history->position += redo ? -1 : 1;
    const int count = static_cast<int>(step.size());
    if (redo)
        System::Log::info(textItem ? "Undo::UndoService::redoText" : "Undo::UndoService::redo", "Redo: %d", count);
    else if (textItem)
        System::Log::info("Undo::UndoService::undoText", "UndoText: %d", count);
    else
        System::Log::info("Undo::UndoService::undo", "Undo: %d", count);

    Edit::UpdateSection update;
    update.notifyEdit = true;
    // A restored step is a change the file does not have yet.
    modified = true;
    if (redo) {
        for (const auto& item : step)
            item->restoreAfter(update);
    } else {
        for (auto it = step.rbegin(); it != step.rend(); ++it)
            (*it)->restoreBefore(update);
    }
    if (textItem) {
        update.updateSettingList = false;
        update.updateTimeSetting = false;
        update.updateColorSetting = false;
    }
    return true;
}

bool UndoService::undo()
{
    return restore(false, nullptr);
}

bool UndoService::redo()
{
    return restore(true, nullptr);
}

bool UndoService::undoText(const Effect::EffectItem* item)
{
    return item && restore(false, item);
}

bool UndoService::redoText(const Effect::EffectItem* item)
{
    return item && restore(true, item);
}

} // namespace Undo
