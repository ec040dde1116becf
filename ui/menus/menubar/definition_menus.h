#pragma once
// Popup menus filled from the registered definitions: effects and aliases to
// place or add, the effect to switch to, movements, movement presets, preset
// colours and fonts. Every builder only appends items (and the sub-menus of
// the entries' label groups) to a menu the caller owns; an item runs its
// command when chosen. Entries appear in their `order`, hidden ones not at
// all, grouped by their label: a path of group names joined by "\". Main
// thread only.
#include "ui/window/base_menu.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

namespace Edit {
class Object;
}
namespace Effect {
class EffectBase;
class EffectItemNumber;
class PresetColorDefine;
} // namespace Effect
namespace Media {
class FontDefine;
}

namespace Menu {

// Whole group paths (exact text) to the sub-menus made for them, for one build.
using GroupTable = std::unordered_map<std::wstring, Window::BaseMenu>;

// The menu of the label's group under root, made (with its parents) when missing.
Window::BaseMenu getGroupMenu(const std::wstring& label, Window::BaseMenu& root, GroupTable& groups);

// Effects and aliases of the selector (200 objects, 201 filters) made as an object there.
void insertObjectMenu(Window::BaseMenu& menu, int layer, int frame, uint8_t selector);
// Effects and aliases of the selector and media added to the object behind `after`;
// selector 1 (2) checks the object's input (output) effect.
void insertEffectMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object, uint8_t selector,
                      uint8_t media, const Effect::EffectBase* after);
// The visible effects of the current one's kind and menu group: the chosen one
// takes the current one's place (filters) or becomes the object's input or
// control effect. The current one is checked.
void insertFilterChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                            const Effect::EffectBase* current);
void insertInputChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                           const Effect::EffectBase* current);
void insertControlChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                             const Effect::EffectBase* current);
// The movements the item takes; its current one is checked.
void insertMovementMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                        Effect::EffectItemNumber* item);
// The movement presets, applied to the time-control window's curve.
void insertMovementParamsMenu(Window::BaseMenu& menu);
void insertPresetColorMenu(Window::BaseMenu& menu, std::function<void(Effect::PresetColorDefine*)> callback);
// The fonts; the one named exactly as current is checked.
void insertFontMenu(Window::BaseMenu& menu, std::function<void(Media::FontDefine*)> callback,
                    const std::wstring& current);

// Whether a definition of media kind m fits a request for kind r.
bool mediaFits(uint8_t definition, uint8_t requested);

} // namespace Menu
