#pragma once
// A push button and the YUV setting of movie sources.
#include "effect/effect_item.h"

#include <functional>

namespace Component { class EffectItemButtonControl; }

namespace Effect {

// A push button in a row (kind 18); it has no value and an empty text form.
class EffectItemButton : public EffectItemBase<EffectItemButton> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    using Action = std::function<void(Component::EffectItemButtonControl&)>;

    EffectItemButton(EffectItemList& owner, std::wstring name, float left, float right, Action action = {});

    std::string toString() const override;
    void fromString(const std::string& text) override;

    Action action; // called by the button control with itself when pressed
    float left;
    float right;

    // No value: setData copies nothing and every button equals another.
    static auto valueFields(auto&) { return std::tie(); }
};

// YUV colour space and range of a movie source (kind 19): "<space>[,<range>]",
// empty when both are automatic (0).
class EffectItemYUV : public EffectItemBase<EffectItemYUV> {
public:
    EffectItemYUV(EffectItemList& owner, std::wstring name);

    std::string toString() const override;
    // An unknown colour space reads as automatic; a bad range is ignored.
    void fromString(const std::string& text) override;

    int colorSpace = 0; // 0 automatic, n for colour space n - 1
    int colorRange = 0;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.colorSpace, item.colorRange); }
};

} // namespace Effect
