#pragma once
// Movements: how a number item changes between the values it stores at the
// section points of its object. A movement holds no per-item state; it reads
// the item's values, flags, group, curve and parameters, and never changes them.
#include <vector>

namespace Render {
class RenderObject;
struct SectionPosition;
}

namespace Effect {

class EffectItemNumber;

class MovementBase {
public:
    virtual ~MovementBase();
    MovementBase(const MovementBase&) = delete;
    MovementBase& operator=(const MovementBase&) = delete;

    // The value in display units at the section position.
    virtual double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                            const Render::RenderObject& object) const;
    // The section whose values the result lies between; -1 for the position's own.
    virtual int getCurrentSection(const EffectItemNumber& item, const Render::SectionPosition& position) const;
    // Whether section point p carries a value this movement shows.
    virtual bool usesPointValue(const EffectItemNumber& item, int point) const;
    // Whether the preview may draw the path of a point along its values.
    virtual bool hasPath(const EffectItemNumber& item) const;

    const wchar_t* name;
    int valueCount = -1; // fixed count (1 or 2), or -1 for one value per section point
    std::vector<double> defaultCurve;
    std::vector<double> defaultParams;
    // Item flags offered: -1 not offered, 0 offered and off, 1 offered and on;
    // ignoreMidPoints 2 means always on and not offered.
    int accelerate = -1;
    int decelerate = -1;
    int ignoreMidPoints = 0;
    bool passesPoints = true; // reaches each point's value at that point's frame
    bool listed = true;       // offered in the movement menu
    bool timeControl = false; // the item's easing curve applies

protected:
    explicit MovementBase(const wchar_t* name);
};

// "移動無し": the first value, whatever the time.
class NoMove : public MovementBase {
public:
    NoMove();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
    static MovementBase* instance;
};

// "直線移動"
class LinearMove : public MovementBase {
public:
    LinearMove();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
};

// "直線移動(時間制御)": straight lines at constant speed along the path.
class LinearSpeed : public MovementBase {
public:
    LinearSpeed();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
    int getCurrentSection(const EffectItemNumber& item, const Render::SectionPosition& position) const override;
    static MovementBase* instance;
};

// "補間移動": a smooth curve through the points.
class InterpolationMove : public MovementBase {
public:
    InterpolationMove();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
};

// "補間移動(時間制御)": the smooth curve traversed at constant speed.
class InterpolationSpeed : public MovementBase {
public:
    InterpolationSpeed();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
    int getCurrentSection(const EffectItemNumber& item, const Render::SectionPosition& position) const override;
};

// "ランダム移動": smooth random values between the two stored values.
class RandomMove : public MovementBase {
public:
    RandomMove();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
    bool hasPath(const EffectItemNumber& item) const override;
};

// "瞬間移動": constant inside a section, jumping at the next point.
class TeleportationMove : public MovementBase {
public:
    TeleportationMove();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
    bool usesPointValue(const EffectItemNumber& item, int point) const override;
};

// "再生範囲": start and end of a play range, read by the movie sources themselves.
class MovieRange : public MovementBase {
public:
    MovieRange();
    double getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                    const Render::RenderObject& object) const override;
    static MovementBase* instance;
};

} // namespace Effect
