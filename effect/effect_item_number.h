#pragma once
// The track parameter: a number that may change over the object's length. It
// keeps one stored value per section point (or as many as its movement needs)
// as integers in units of its step, and the movement that interpolates them.
// Evaluating it is the innermost loop of rendering: it reads only, and never
// allocates.
#include "effect/effect_item.h"

#include <functional>
#include <initializer_list>
#include <unordered_map>

namespace Edit { class Object; }
namespace Render {
class RenderObject;
struct SectionPosition;
}

namespace Effect {

class MovementBase;
class MovementDefine;

class EffectItemNumber : public EffectItemBase<EffectItemNumber> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    enum Flags : int32_t {
        FlagAccelerate = 1,      // menu "加速"
        FlagDecelerate = 2,      // menu "減速"
        FlagIgnoreMidPoints = 4, // menu "中間点無視": the movement runs over the whole object
    };
    // Point index that addresses every stored value.
    static constexpr int AllPoints = 100000000;

    // A value an editing command gives an item when it splits an object: in
    // display units, and the point index it belongs at (-1 for the given point).
    struct SplitValue {
        double value;
        int index;
    };
    using SplitMap = std::unordered_map<const EffectItemNumber*, SplitValue>;
    using Group = std::vector<EffectItemNumber*>;
    using MovementFilter = std::function<void(std::vector<MovementDefine*>&)>;

    // default, min and max are display values; step is the editing step (1,
    // 0.1, 0.01, 0.001 for the built-in effects). Starts with the movement
    // "移動無し" and one value equal to the default.
    EffectItemNumber(EffectItemList& owner, std::wstring name, double defaultValue, double minValue,
                     double maxValue, double step, uint8_t kind = EffectItemKind::Number);

    std::string toString() const override;
    // Reads the text form; a text that fails leaves the item unchanged.
    void fromString(const std::string& text) override;
    void fromScriptString(const std::string& text) override;
    // Unconverted older-file texts go through convertTsoTrackValue first.
    void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                       bool converted) override;

    // ---- values ----
    // 0 at or below 0, count - 1 at or above the count.
    int clampValueIndex(int index) const;
    // Stored value at the clamped index, in display units.
    double getIndexValue(int index) const;
    // Stores round(scale * v) clamped to [minValue, maxValue]; an index outside the list does nothing.
    void setValue(double v, int index);
    // Round half away from zero, saturated to the 32-bit range (NaN gives 0).
    static int32_t roundValue(double v);
    int32_t clampStored(int64_t v) const;

    // ---- values over time ----
    double getValue(const Render::RenderObject& object) const;
    double getValueAtFrame(const Render::RenderObject& object, int frame) const;
    double getValueAtTime(const Render::RenderObject& object, double time) const;
    // The time as section index plus fraction.
    double getSectionPosition(const Render::RenderObject& object, double time) const;
    // The easing curve applied to a progress in 0..1.
    double applyCurve(double progress) const;
    // The movement parameters; the movement's defaults while the item holds a
    // list of another length.
    const std::vector<double>& getMovementParams() const;
    // Identifies the item's definition independently of its values.
    int32_t getDefineHash() const;

    // ---- movement and value count ----
    // A movement with a fixed value count; the list is cut or extended with the default.
    void setMovement(MovementBase* movement);
    // Sizes the list for that many section points; returns the new count.
    int resizeValues(int pointCount);
    // After a new movement was set: takes over its flags, curve and parameters.
    void updateMovement(const Edit::Object& object);

    // ---- section points and handles ----
    bool isAnchorEditable(const Render::RenderObject& object) const;
    static bool isAnchorGroupEditable(const Group& group, const Render::RenderObject& object);
    // point is the section point of the dragged handle (AllPoints for every
    // value), object the handle's object. Both return whether a value changed.
    bool setAnchorValue(int point, const Edit::Object& object, double x);
    bool addAnchorValue(int point, const Edit::Object& object, double delta);
    void insertSectionValue(int point, const SplitMap* split);
    void setSectionValue(int point, const SplitMap* split);

    // Makes the items one group (edited and dragged together); group is owned by the effect.
    static void makeGroup(Group& group, std::initializer_list<EffectItemNumber*> items);

    std::vector<int32_t> values;
    int32_t defaultValue;
    int32_t minValue;
    int32_t maxValue;
    int32_t scale;
    MovementBase* movement = nullptr;
    std::vector<double> curve;
    std::vector<double> params;
    int32_t flags = 0;
    Group* group = nullptr;
    MovementFilter movementFilter;
    bool visible = true;
    const wchar_t* zeroText = nullptr;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item)
    {
        return std::tie(item.values, item.defaultValue, item.minValue, item.maxValue, item.scale, item.movement,
                        item.curve, item.params, item.flags);
    }

private:
    double evaluate(const Render::RenderObject& object, double time, bool ownPosition) const;
    // Replaces params by the movement's defaults when their lengths differ.
    void normalizeParams();
    int anchorIndex(int point, const Edit::Object& object) const;
};

} // namespace Effect
