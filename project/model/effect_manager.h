#pragma once
// An object's effect chain and its rules: which effect may stand where, which
// media fit together, and the chain operations editing, file reading,
// splitting and joining use.
//
// Positions: an input object holds its input at 0, its output at 1 and its
// filters from 2 on in the order they are applied; a filter object holds only
// filters; a control object its control effect at 0, then filters.
#include "core/ini_file.h"
#include "effect/effect_item_number.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace Effect {
class EffectBase;
class EffectDefine;
class EffectService;
} // namespace Effect

namespace Edit {

class Object;
class Scene;

struct ObjectType {
    enum : int {
        Video = 1,
        Audio = 2,
        VideoAudio = 3,
        VideoFilter = 4,
        AudioFilter = 5,
        VideoAudioFilter = 6,
        Control = 7,
    };
};

// Whether media x may stand against media y (Effect::MediaType values): equal,
// x any, both media against one of them, or anything but camera against both.
bool fits(uint8_t x, uint8_t y);

class EffectManager {
public:
    using EffectPtr = std::shared_ptr<Effect::EffectBase>;
    using EffectList = std::vector<EffectPtr>;
    // Values of number items in display units, keyed by item.
    using ValueMap = Effect::EffectItemNumber::SplitMap;

    EffectManager();
    ~EffectManager();
    EffectManager(const EffectManager&) = delete;
    EffectManager& operator=(const EffectManager&) = delete;

    // Each setter puts a new instance of the definition into the chain and
    // returns its slot (valid until the chain changes). A refusal throws and
    // leaves the chain as it was. Parameter values are the callers' business.
    EffectPtr* setEffectByDefine(Effect::EffectDefine& define);
    EffectPtr* setInputEffect(Effect::EffectDefine& define);
    EffectPtr* setOutputEffect(Effect::EffectDefine& define);
    EffectPtr* setFilterEffect(Effect::EffectDefine& define);
    EffectPtr* setControlEffect(Effect::EffectDefine& define);
    // After the input changed: removes the effects that no longer fit and
    // restores the output.
    void fixEffectList();

    // Swap a filter with the filter before (after) it; anything else stays.
    void moveEffectUp(const Effect::EffectBase* effect);
    void moveEffectDown(const Effect::EffectBase* effect);
    // Removes the effect; a top effect only when it is a filter followed by another filter.
    void removeEffect(const Effect::EffectBase* effect);
    void removeEffectIf(const std::function<bool(const EffectPtr&)>& predicate);
    // Adds the named effect with the values of the section, sized for the
    // object's sections; a new last filter moves up to stand right behind
    // `after` (or behind the nearest effect that is no filter).
    EffectPtr* insertEffectAfter(const wchar_t* name, const System::IniFile::SectionRef& section,
                                 const Object& object, const Effect::EffectBase* after);
    // As insertEffectAfter, with the definition's saved default values.
    EffectPtr* setEffectByName(const wchar_t* name, const Object& object, const Effect::EffectBase* after);
    // Replaces the target's chain with copies of this one (values, flags and the layer-control flag).
    void copyEffectList(EffectManager& target) const;

    // Values of every number item at a frame of the object (which holds this
    // chain). Time-control movements give, with interpolate, the straight line
    // between the points of the frame's section; without it their value and
    // the section the movement reports.
    ValueMap getValuesAtFrame(Scene* scene, const Object& object, int frame, bool interpolate) const;
    // The stored values at a section point of the object; keyed by the items of
    // `other` at the same effect and item position when it is given.
    static ValueMap getPointValues(const Object& object, int point, const Object* other);

    // ObjectType of the chain; throws for an empty chain or an output on top.
    int getObjectType() const;

    Effect::EffectService* effectService;
    bool layerControl = false; // the top effect is a camera, group or time control
    EffectList effects;

    // The effect service the chain creates its effects through; throws when none runs.
    Effect::EffectService& registry() const;

private:
    EffectPtr newInstance(Effect::EffectDefine& define) const;
    // Sizes the new effect for the object's sections and moves a new last filter behind `after`.
    EffectPtr* placeAfter(EffectPtr* slot, const Object& object, const Effect::EffectBase* after);
    uint8_t objectMedia() const;
};

} // namespace Edit
