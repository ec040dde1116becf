#pragma once
// The menus the settings window fills from the registered definitions
// (movements, filters, objects, preset colours, fonts). Each has a plain
// built-in form here; the menu layer may install its own at start.
#include <functional>
#include <memory>
#include <string>

namespace Edit { class Object; }
namespace Effect {
class EffectBase;
class EffectItemColor;
class EffectItemNumber;
} // namespace Effect
namespace Window { class BaseMenu; }

namespace Component {

struct SettingHooks {
    static SettingHooks& get();

    // The movements offered for the item, the current one checked; a choice sets it.
    std::function<void(Window::BaseMenu&, const std::shared_ptr<Edit::Object>&, Effect::EffectItemNumber*)>
        insertMovementMenu;
    // The effects that can take the effect's place in the chain (same label); a choice replaces it.
    std::function<void(Window::BaseMenu&, const std::shared_ptr<Edit::Object>&, const std::shared_ptr<Effect::EffectBase>&)>
        insertChangeMenu;
    // Filters to add after `after` (null: at the end of the chain).
    std::function<void(Window::BaseMenu&, const std::shared_ptr<Edit::Object>&, const Effect::EffectBase* after)>
        insertFilterMenu;
    // Preset colours: the handler gets red, green and blue in 0..1.
    std::function<void(Window::BaseMenu&, const std::function<void(float, float, float)>&)> insertPresetColorMenu;
    // The colour window takes the item as its target and shows itself.
    std::function<void(const std::shared_ptr<Edit::Object>&, const std::shared_ptr<Effect::EffectBase>&,
                       Effect::EffectItemColor*)>
        openColorWindow;
    // The open-file box starting at path with the filter; true with the chosen path.
    std::function<bool(std::wstring& path, const wchar_t* filter)> showOpenFileDialog;
    // The slider settings dialog: the move mode and ratio in and out; true for OK.
    std::function<bool(int& moveMode, int& moveRatio)> showSliderSettingDialog;
};

} // namespace Component
