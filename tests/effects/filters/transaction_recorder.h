#pragma once
// A real edit transaction for item events: the event, undo and edit services
// started over the test's services, and settings windows that record which
// refreshes the end of each transaction asked for. A panel rebuild first asks
// the shown effect for its items' states, as the settings window does.
#include "core/event_service.h"
#include "core/service.h"
#include "effect/effect_base.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"

#include <functional>
#include <string>
#include <vector>

namespace FilterTest {

class TransactionRecorder : public Edit::SettingHost {
public:
    explicit TransactionRecorder(System::ServiceStack& services)
    {
        services.acquire<Event::EventService>();
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        install(this);
    }
    ~TransactionRecorder() override { install(nullptr); }

    // Sends item event 1 for the item inside one transaction; returns the
    // effect's answer. The refreshes it caused are in calls afterwards.
    bool changeItem(const std::shared_ptr<Effect::EffectBase>& effect, const Effect::EffectItem& item,
                    const std::function<void()>& change)
    {
        calls.clear();
        shown = effect;
        Edit::UpdateSection update(*edit);
        change();
        Effect::ItemEvent event;
        event.code = Effect::ItemEvent::ItemChanged;
        event.update = &update;
        event.effect = effect;
        event.payload = &item;
        return effect->itemEvent(event);
    }

    void resetSettingSection() override { calls.push_back("section"); }
    void clearSettingList() override
    {
        calls.push_back("list");
        if (shown)
            shown->updateItemState();
    }
    void updateSettingValue() override { calls.push_back("value"); }
    void updateTimeSetting() override { calls.push_back("time"); }
    void updateColorSetting() override { calls.push_back("color"); }
    void updateTextSetting() override { calls.push_back("text"); }

    Edit::EditService* edit = nullptr;
    std::shared_ptr<Effect::EffectBase> shown;
    std::vector<std::string> calls;
};

} // namespace FilterTest
