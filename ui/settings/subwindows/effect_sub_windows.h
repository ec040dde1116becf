#pragma once
// The settings window's sub-windows that edits refresh: the colour window
// and the time window (the easing curve of one number item). The text window
// is text_window.h.
#include "ui/settings/subwindows/color_window.h"

#include <memory>
#include <string>
#include <vector>

namespace Edit { class Object; }
namespace Effect {
class EffectBase;
class EffectItemNumber;
} // namespace Effect

namespace Component {

// The curve editor of the time window and its target.
class EffectTimeSettingControl {
public:
    // Loads the handles from the item's curve.
    void loadControlAnchors();
    // Forgets the target; whether there was one.
    bool clearTarget();

    std::shared_ptr<Edit::Object> object;
    std::shared_ptr<Effect::EffectBase> effect;
    Effect::EffectItemNumber* item = nullptr;
    std::vector<double> anchors;
};

class EffectTimeSettingComponent {
public:
    // Edits the item's curve; shows the window when it is hidden.
    void setTarget(std::shared_ptr<Edit::Object> object, std::shared_ptr<Effect::EffectBase> effect,
                   Effect::EffectItemNumber* item);
    // The header names the target item, or nothing.
    void updateHeader();
    // After an edit: reloads while the target exists and its movement has a
    // curve to edit, else drops the target.
    void update();

    EffectTimeSettingControl control;
    bool shown = false;
    std::wstring header;
};

} // namespace Component
