// The control each kind of item gets in an effect panel.
#include "ui/settings/controls/button_controls.h"
#include "ui/settings/controls/color_control.h"
#include "ui/settings/controls/file_controls.h"
#include "ui/settings/controls/integer_controls.h"
#include "ui/settings/controls/number_control.h"
#include "ui/settings/controls/select_controls.h"
#include "ui/settings/window/setting_windows.h"

namespace Component {

namespace {

template <class Control>
ItemControlFactory::Make maker()
{
    return [](Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
              Effect::EffectItem& item) -> std::shared_ptr<EffectItemBaseControl> {
        return std::make_shared<Control>(container, owner, item);
    };
}

} // namespace

void installControlMakers(bool install)
{
    using F = ItemControlFactory;
    struct Entry {
        F::Kind kind;
        F::Make make;
    };
    const Entry entries[] = {
        {F::Number, maker<NumberItemControl>()},
        {F::Integer, maker<EffectItemIntegerControl>()},
        {F::LayerRange, maker<EffectItemLayerRangeControl>()},
        {F::Check, maker<EffectItemCheckControl>()},
        {F::CheckButton, maker<EffectItemCheckButtonControl>()},
        {F::Button, maker<ButtonItemControl>()},
        {F::SelectButton, maker<EffectItemSelectButtonControl>()},
        {F::Select, maker<EffectItemSelectControl>()},
        {F::FontSelect, maker<EffectItemFontSelectControl>()},
        {F::MaskSelect, maker<EffectItemMaskSelectControl>()},
        {F::ComboFile, maker<EffectItemComboFileControl>()},
        {F::Color, maker<EffectItemColorControl>()},
        {F::File, maker<FileItemControl>()},
        {F::Scene, maker<EffectItemSceneControl>()},
        {F::String, maker<EffectItemStringControl>()},
        {F::Text, maker<EffectItemTextControl>()},
    };
    for (const Entry& e : entries)
        F::install(e.kind, install ? e.make : F::Make());
}

} // namespace Component
