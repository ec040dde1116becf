#pragma once
// The settings window's sub-windows that edits refresh: the colour window (its
// two colours are shared with the undo items that restore them), the text
// window (one text item being typed into) and the time window (the easing
// curve of one number item).
#include <memory>
#include <string>
#include <vector>

namespace Component { struct ColorSetting; }
namespace Edit { class Object; }
namespace Effect {
class EffectBase;
class EffectItemNumber;
class EffectItemText;
} // namespace Effect

namespace Component {

class EffectColorSettingComponent {
public:
    EffectColorSettingComponent();
    ~EffectColorSettingComponent();

    // Reloads the colours from the shared record and repaints.
    void updateColor();

    std::shared_ptr<ColorSetting> colors; // what undo records and restores
    float shown[2][4] = {};              // what the window shows
};

// The editor of the text window and its target.
class EffectTextSettingControl {
public:
    void setTarget(std::shared_ptr<Edit::Object> object, std::shared_ptr<Effect::EffectBase> effect,
                   Effect::EffectItemText* item);
    void clearTarget();
    bool hasTarget() const { return item != nullptr; }
    // Copies the item's text into the editor, lays it out and keeps the caret visible.
    void reloadText();

    std::shared_ptr<Edit::Object> object;
    std::shared_ptr<Effect::EffectBase> effect;
    Effect::EffectItemText* item = nullptr;
    std::wstring editText;
    size_t caret = 0;
};

class EffectTextSettingComponent {
public:
    // After an edit: reloads the text while its object is placed and its
    // effect still in the chain, else drops the target.
    void update();

    EffectTextSettingControl control;
};

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
