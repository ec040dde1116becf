#include "effect/item_control.h"

#include "core/failure.h"
#include "effect/effect_base.h"
#include "effect/effect_item_button.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"

#include <array>

namespace Component {

namespace {
// Installed by the settings window when it starts; main thread only.
std::array<ItemControlFactory::Make, ItemControlFactory::KindCount> makers;
} // namespace

EffectItemBaseControl::~EffectItemBaseControl() = default;

void EffectItemBaseControl::updateFile(const std::wstring&)
{
    throw System::makeException("Component::EffectItemBaseControl::updateFile", "not implement.", nullptr);
}

void EffectItemBaseControl::updateFrame() {}

void EffectItemBaseControl::updateValue() {}

bool EffectItemBaseControl::requestInformation()
{
    if (!hoverCallback)
        return false;
    hoverCallback();
    return true;
}

ItemControlPanel::~ItemControlPanel() = default;

void ItemControlPanel::bindInformation(const Effect::EffectItem& item, Effect::EffectBase& effect)
{
    EffectItemBaseControl* control = findItemControl(&item);
    if (!control)
        return;
    // The panel holds the effect for as long as its controls live.
    control->hoverCallback = [&effect] {
        Effect::ItemEvent event;
        event.code = Effect::ItemEvent::ToolTip;
        effect.itemEvent(event);
    };
}

void ItemControlFactory::install(Kind kind, Make make)
{
    makers.at(kind) = std::move(make);
}

std::shared_ptr<EffectItemBaseControl> ItemControlFactory::make(Kind kind, Window::ControlContainer& container,
                                                                const std::shared_ptr<Effect::EffectBase>& owner,
                                                                Effect::EffectItem& item)
{
    const Make& maker = makers.at(kind);
    return maker ? maker(container, owner, item) : nullptr;
}

} // namespace Component

// Which control each item class gets, and when.
namespace Effect {

using Component::ItemControlFactory;
using ControlPtr = std::shared_ptr<Component::EffectItemBaseControl>;

ControlPtr EffectItem::createControl(Window::ControlContainer&, const std::shared_ptr<EffectBase>&)
{
    return nullptr; // the YUV setting and any item without a row
}

ControlPtr EffectItemNumber::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return visible ? ItemControlFactory::make(ItemControlFactory::Number, container, owner, *this) : nullptr;
}

ControlPtr EffectItemInteger::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    if (kind == EffectItemKind::HiddenInteger || !visible)
        return nullptr;
    return ItemControlFactory::make(ItemControlFactory::Integer, container, owner, *this);
}

ControlPtr EffectItemLayerRange::createControl(Window::ControlContainer& container,
                                               const std::shared_ptr<EffectBase>& owner)
{
    return visible ? ItemControlFactory::make(ItemControlFactory::LayerRange, container, owner, *this) : nullptr;
}

ControlPtr EffectItemScene::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::Scene, container, owner, *this);
}

ControlPtr EffectItemCheck::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return visible ? ItemControlFactory::make(ItemControlFactory::Check, container, owner, *this) : nullptr;
}

ControlPtr EffectItemCheckButton::createControl(Window::ControlContainer& container,
                                                const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::CheckButton, container, owner, *this);
}

ControlPtr EffectItemButton::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::Button, container, owner, *this);
}

ControlPtr EffectItemSelectButton::createControl(Window::ControlContainer& container,
                                                 const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::SelectButton, container, owner, *this);
}

ControlPtr EffectItemSelect::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::Select, container, owner, *this);
}

ControlPtr EffectItemFontSelect::createControl(Window::ControlContainer& container,
                                               const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::FontSelect, container, owner, *this);
}

ControlPtr EffectItemMaskSelect::createControl(Window::ControlContainer& container,
                                               const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::MaskSelect, container, owner, *this);
}

ControlPtr EffectItemComboFile::createControl(Window::ControlContainer& container,
                                              const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::ComboFile, container, owner, *this);
}

ControlPtr EffectItemColor::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::Color, container, owner, *this);
}

ControlPtr EffectItemFile::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::File, container, owner, *this);
}

ControlPtr EffectItemString::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::String, container, owner, *this);
}

ControlPtr EffectItemText::createControl(Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner)
{
    return ItemControlFactory::make(ItemControlFactory::Text, container, owner, *this);
}

} // namespace Effect
