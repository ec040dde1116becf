#pragma once
// The parameter control base: one row of an effect panel in the settings
// window that edits one item. The row takes a span of the panel's width
// (controls whose span ends short of 1 share a row with the next), holds
// its parts in an inner box inset by the margin, paints the hover
// background when the row itself can be pressed, and writes changes back to
// the project in one edit transaction each. Main thread only.
//
// Write-back: a change opens an Edit::UpdateSection with notifyEdit and the
// focus object as target, opens the undo step (or finds the gesture's step
// open), stores the value, tells the effect (sendItemChangedEvent) where the
// kind asks for it and, for number, check and colour items, stores the same
// value in the same item of every other selected object carrying the same
// effect (gatherSameEffects); closing the section commits and refreshes.
#include "effect/item_control.h"
#include "project/edit/update_section.h"
#include "ui/window/controls/list_controls.h"

#include <memory>
#include <vector>

namespace Effect { class EffectBase; }

namespace Component {

class SettingComponent;

class EffectItemRowControl : public Window::WindowControlRenderTarget, public virtual EffectItemBaseControl {
public:
    // owner: the panel's effect pointer, which outlives the control.
    EffectItemRowControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                         int height);
    ~EffectItemRowControl() override;

    void updateRect() override;
    void procMove() override;
    void procPaint() override;
    void procLButtonDown(int x, int y) override;
    void procMouseEnter() override;
    void procMouseLeave() override;
    void procMouseHover() override;

    // The settings window's shown object (the focus object).
    std::shared_ptr<Edit::Object> focusObject() const;
    // The same effect as the owner in every other selected object, in selection order.
    std::vector<std::shared_ptr<Effect::EffectBase>> gatherSameEffects() const;
    // The position of the item in the owner's item list, -1 when absent.
    int itemPosition() const;
    // The item at the same position of another effect when it has the same
    // kind and name and is of class T; else null.
    template <class T>
    T* sameItem(Effect::EffectBase& effect) const;

    // Opens the undo step of a gesture: recording on, pending cleared, the
    // owner recorded (and its same effects with withSameEffects).
    void beginGesture(bool withSameEffects);
    // Commits the gesture's step.
    void endGesture();

    // Pane row height: the item height + 2.
    static int rowHeight();

    const std::shared_ptr<Effect::EffectBase>& owner;
    SettingComponent* setting;
    int headerWidth;
    int marginWidth;
    Window::ControlContainer children;
    Control::LayoutControl box;

private:
    Effect::EffectItem* findSameItem(Effect::EffectBase& effect) const;
    void paintRowBackground(bool always);
};

template <class T>
T* EffectItemRowControl::sameItem(Effect::EffectBase& effect) const
{
    return dynamic_cast<T*>(findSameItem(effect));
}

// The middle class of each kind: the item as its class.
template <class T>
class EffectItemControl : public EffectItemRowControl {
public:
    EffectItemControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                      Effect::EffectItem& item, int height)
        : EffectItemRowControl(container, owner, height), edited(&item), item(dynamic_cast<T*>(&item))
    {
    }
    Effect::EffectItem* getEffectItem() const override { return edited; }

    Effect::EffectItem* const edited;
    T* item;
};

// Item event 1 to the owner when the item asks to be told of changes.
void sendItemChangedEvent(Edit::UpdateSection& update, const std::shared_ptr<Edit::Object>& object,
                          const std::shared_ptr<Effect::EffectBase>& effect, Effect::EffectItem& item);

// The transaction of one change: notifyEdit, the focus object as target, and
// with perChange the undo step opened and the owner recorded.
struct ItemWrite {
    ItemWrite(EffectItemRowControl& control, bool perChange);
    Edit::UpdateSection update;
};

// A translated item name or label through the "Effect" table.
std::wstring effectText(const std::wstring& text);

} // namespace Component
