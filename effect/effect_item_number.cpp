#include "effect/effect_item_number.h"

#include "core/curve.h"
#include "core/failure.h"
#include "core/hash.h"
#include "core/text.h"
#include "effect/effect_define.h"
#include "effect/effect_service.h"
#include "effect/item_text.h"
#include "effect/movement.h"
#include "project/model/object.h"
#include "project/files/tso_convert.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Effect {

namespace {

bool isPowerOfTen(int32_t scale, int& digits)
{
    int64_t p = 1;
    digits = 0;
    while (p < scale) {
        p *= 10;
        ++digits;
    }
    return p == scale;
}

// A stored value as display text. For a power-of-ten scale the digits of the
// stored integer with the point set before the last log10(scale) of them; for
// any other scale the display value with the fewest decimals that read back to
// the same stored integer.
std::string formatStoredValue(int32_t v, int32_t scale)
{
    int d;
    if (isPowerOfTen(scale, d)) {
        std::string digits = std::to_string(std::llabs(static_cast<long long>(v)));
        if (static_cast<int>(digits.size()) < d + 1)
            digits.insert(0, d + 1 - digits.size(), '0');
        if (d > 0)
            digits.insert(digits.size() - d, 1, '.');
        if (v < 0)
            digits.insert(0, 1, '-');
        return digits;
    }
    const double x = static_cast<double>(v) / scale;
    char buffer[64];
    for (int precision = 0; precision <= 9; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*f", precision, x);
        if (std::strtod(buffer, nullptr) == x)
            return buffer;
    }
    for (int precision = d; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*f", precision, x);
        if (EffectItemNumber::roundValue(std::strtod(buffer, nullptr) * scale) == v)
            break;
    }
    return buffer;
}

std::vector<std::string> splitText(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t begin = 0;
    for (;;) {
        size_t at = text.find(separator, begin);
        parts.push_back(text.substr(begin, at == std::string::npos ? std::string::npos : at - begin));
        if (at == std::string::npos)
            return parts;
        begin = at + 1;
    }
}

std::vector<double> parseDoubleList(const std::string& text)
{
    std::vector<double> list;
    for (const std::string& field : splitText(text, ','))
        list.push_back(parseDouble(field));
    return list;
}

void appendList(std::string& text, const std::vector<double>& list)
{
    text += '|';
    for (size_t i = 0; i < list.size(); ++i) {
        if (i)
            text += ',';
        text += formatTrimmedDouble(list[i]);
    }
}

double cubicBezier(double p0, double p1, double p2, double p3, double x)
{
    const double r = 1.0 - x;
    return r * r * r * p0 + 3.0 * r * r * x * p1 + 3.0 * r * x * x * p2 + x * x * x * p3;
}

// FNV-1a 64 over the UTF-16 bytes of a text, low byte first.
uint64_t hashUtf16(const std::wstring& text)
{
    uint64_t h = System::Fnv1aBasis;
    auto addUnit = [&h](uint32_t unit) {
        const char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>((unit >> 8) & 0xFF)};
        h = System::fnv1a(std::string_view(bytes, 2), h);
    };
    for (wchar_t c : text) {
        uint32_t cp = static_cast<uint32_t>(c);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            addUnit(0xD800 + (cp >> 10));
            addUnit(0xDC00 + (cp & 0x3FF));
        } else {
            addUnit(cp);
        }
    }
    return h;
}

// The editing scale of a step: values are stored as round(v / step) units. A
// step above 2, zero, negative or not finite would give no usable scale; such
// steps store whole numbers.
int32_t scaleOfStep(double step)
{
    if (!(step > 0.0) || !std::isfinite(step))
        return 1;
    return std::max<int32_t>(1, EffectItemNumber::roundValue(1.0 / step));
}

// The frame a time falls in, saturated to the int range; a time that is no number is frame 0.
int frameOfTime(double time)
{
    if (!(time == time))
        return 0;
    return static_cast<int>(std::clamp(time, -2147483648.0, 2147483647.0));
}

void wholeObjectPosition(Render::SectionPosition& position, const Edit::Object& object, double time)
{
    position.sectionIndex = 0;
    position.sectionCount = 1;
    position.sectionTime = time - object.start;
    const int length = object.end - object.start;
    position.sectionLength = length >= 2 ? length : 1;
    position.progress = position.sectionTime / position.sectionLength;
}

// Number items start with the registered "移動無し"; checked before the item joins its list.
std::wstring&& requireMovements(std::wstring&& name)
{
    if (!NoMove::instance)
        throw System::makeException("Effect::EffectItemNumber::EffectItemNumber", "movements not registered.", nullptr);
    return std::move(name);
}

} // namespace

EffectItemNumber::EffectItemNumber(EffectItemList& owner, std::wstring name, double defaultValue, double minValue,
                                   double maxValue, double step, uint8_t kind)
    : EffectItemBase(owner, kind, requireMovements(std::move(name))), scale(scaleOfStep(step))
{
    // Stored values mean value / scale. For the usual steps (1, 0.1, 0.01, ...)
    // scale is 1 / step and the bounds are divided by the step; for any other
    // step they are counted in the units of the scale, so that they read back
    // as given.
    const bool reciprocal = step > 0.0 && std::isfinite(step) && std::fabs(scale * step - 1.0) < 1e-9;
    auto stored = [&](double v) { return reciprocal ? roundValue(v / step) : roundValue(v * scale); };
    this->defaultValue = stored(defaultValue);
    this->minValue = stored(minValue);
    this->maxValue = stored(maxValue);
    setMovement(NoMove::instance);
}

int32_t EffectItemNumber::roundValue(double v)
{
    if (std::isnan(v))
        return 0;
    const double r = std::round(v); // halves away from zero
    if (r >= 2147483647.0)
        return INT32_MAX;
    if (r <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(r);
}

int32_t EffectItemNumber::clampStored(int64_t v) const
{
    // The maximum wins when the range is upside down.
    if (v < minValue)
        v = minValue;
    if (v > maxValue)
        v = maxValue;
    return static_cast<int32_t>(v);
}

std::string EffectItemNumber::toString() const
{
    if (movement == NoMove::instance)
        return formatStoredValue(values[clampValueIndex(0)], scale);
    std::string text;
    for (int32_t v : values) {
        text += formatStoredValue(v, scale);
        text += ',';
    }
    text += System::wideToUtf8(movement->name);
    text += ',';
    text += std::to_string(flags);
    if (!params.empty())
        appendList(text, params);
    if (!curve.empty())
        appendList(text, curve);
    return text;
}

void EffectItemNumber::fromString(const std::string& text)
{
    constexpr const char* Place = "Effect::EffectItemNumber::fromString";
    const std::vector<std::string> parts = splitText(text, '|');
    const std::vector<std::string> fields = splitText(parts[0], ',');

    // Everything is read into a copy first, so a text that fails changes nothing.
    EffectItemNumber next(*this);
    if (fields.size() < 2) {
        const double v = parseDouble(fields[0]);
        next.setMovement(NoMove::instance);
        next.flags = 0;
        next.curve.clear();
        next.params.clear();
        next.setValue(v, 0);
    } else {
        const int n = static_cast<int>(fields.size()) - 2;
        if (n <= 0)
            throw System::makeException(Place, "invalid effect parameter.", nullptr);
        std::wstring movementName = System::utf8ToWide(fields[fields.size() - 2]);
        next.movement = EffectService::findMovementInstance(movementName.c_str());
        next.curve.clear();
        next.params.clear();
        next.flags = parseInt(fields.back());
        next.resizeValues(n);
        for (int i = 0; i < n; ++i)
            next.setValue(parseDouble(fields[i]), i);
        size_t curvePart = 1;
        if (parts.size() > 1 && !next.movement->defaultParams.empty()) {
            next.params = parseDoubleList(parts[1]);
            curvePart = 2;
        }
        if (parts.size() > curvePart && next.movement->timeControl)
            next.curve = parseDoubleList(parts[curvePart]);
        next.normalizeParams();
    }
    setData(next);
}

void EffectItemNumber::fromScriptString(const std::string& text)
{
    fromString(text);
}

void EffectItemNumber::fromTsoString(const std::string& text, const std::wstring&, const wchar_t*, bool converted)
{
    fromString(converted ? text : convertTsoTrackValue(text));
}

// ---- values ----

int EffectItemNumber::clampValueIndex(int index) const
{
    if (index <= 0)
        return 0;
    const int count = static_cast<int>(values.size());
    if (index < count)
        return index;
    if (count == 0)
        throw System::makeException("Effect::EffectItemNumber::clampValueIndex", "item value index out of range.",
                                    nullptr);
    return count - 1;
}

double EffectItemNumber::getIndexValue(int index) const
{
    return static_cast<double>(values[clampValueIndex(index)]) / scale;
}

void EffectItemNumber::setValue(double v, int index)
{
    if (index < 0 || index >= static_cast<int>(values.size()))
        return;
    values[index] = clampStored(roundValue(scale * v));
}

// ---- values over time ----

double EffectItemNumber::evaluate(const Render::RenderObject& object, double time, bool ownPosition) const
{
    if (object.object && (flags & FlagIgnoreMidPoints)) {
        Render::SectionPosition position;
        wholeObjectPosition(position, *object.object, time);
        return movement->getValue(*this, position, object);
    }
    if (ownPosition || !object.object)
        return movement->getValue(*this, object.sectionPosition, object);
    Render::SectionPosition position;
    position.setPosition(*object.object, frameOfTime(time), time);
    return movement->getValue(*this, position, object);
}

double EffectItemNumber::getValue(const Render::RenderObject& object) const
{
    return evaluate(object, object.time, true);
}

double EffectItemNumber::getValueAtFrame(const Render::RenderObject& object, int frame) const
{
    return evaluate(object, frame, false);
}

double EffectItemNumber::getValueAtTime(const Render::RenderObject& object, double time) const
{
    return evaluate(object, time, false);
}

double EffectItemNumber::getSectionPosition(const Render::RenderObject& object, double time) const
{
    if (!object.object)
        return 0.0;
    Render::SectionPosition position;
    if (flags & FlagIgnoreMidPoints) {
        wholeObjectPosition(position, *object.object, time);
        return position.sectionTime / position.sectionLength;
    }
    position.setPosition(*object.object, frameOfTime(time), time);
    return position.sectionIndex + position.sectionTime / position.sectionLength;
}

double EffectItemNumber::applyCurve(double x) const
{
    if (!movement->timeControl)
        return x;
    const size_t n = curve.size();
    if (n < 4 || n % 4 != 0)
        return x;
    const double* c = curve.data();
    if (n == 4) {
        const double s = solveCubicBezier(0.0, c[0], 1.0 - c[2], 1.0, x, 1e-6);
        return 3.0 * s * (1.0 - s) * (1.0 - s) * c[1] + 3.0 * (1.0 - s) * s * s * (1.0 - c[3]) + s * s * s;
    }
    // Points (X, Y) with handles (A, B): outgoing control (X + A, Y + B), incoming (X - A, Y - B).
    const size_t points = n / 4;
    for (size_t i = 1; i < points; ++i) {
        const double* p = c + 4 * (i - 1);
        const double* q = c + 4 * i;
        if (q[0] >= x) {
            const double s = solveCubicBezier(p[0], p[0] + p[2], q[0] - q[2], q[0], x, 1e-6);
            return cubicBezier(p[1], p[1] + p[3], q[1] - q[3], q[1], s);
        }
    }
    return c[4 * (points - 1) + 1];
}

const std::vector<double>& EffectItemNumber::getMovementParams() const
{
    return params.size() == movement->defaultParams.size() ? params : movement->defaultParams;
}

void EffectItemNumber::normalizeParams()
{
    if (params.size() != movement->defaultParams.size())
        params = movement->defaultParams;
}

int32_t EffectItemNumber::getDefineHash() const
{
    const uint64_t h = hashUtf16(name);
    uint32_t v = static_cast<uint32_t>(scale);
    v = (v << 8) ^ static_cast<uint32_t>(maxValue);
    v = (v << 8) ^ static_cast<uint32_t>(h >> 32);
    v ^= static_cast<uint32_t>(minValue);
    v ^= static_cast<uint32_t>(h);
    return static_cast<int32_t>(v);
}

// ---- movement and value count ----

void EffectItemNumber::setMovement(MovementBase* m)
{
    movement = m;
    if (m->valueCount > 0)
        values.resize(m->valueCount, defaultValue);
    else if (values.empty())
        values.push_back(defaultValue);
    normalizeParams();
}

int EffectItemNumber::resizeValues(int pointCount)
{
    int target = movement->valueCount >= 0 ? movement->valueCount
                 : (flags & FlagIgnoreMidPoints) ? 2
                                                 : pointCount;
    target = std::max(target, 1);
    if (values.empty())
        values.push_back(defaultValue);
    while (static_cast<int>(values.size()) > target) {
        values[values.size() - 2] = values.back(); // the end value survives
        values.pop_back();
    }
    while (static_cast<int>(values.size()) < target)
        values.push_back(values.back());
    return static_cast<int>(values.size());
}

void EffectItemNumber::updateMovement(const Edit::Object& object)
{
    const int points = static_cast<int>(object.midPoints.size()) + 2;
    auto setFlag = [&](int32_t bit, bool on) {
        if (((flags & bit) != 0) == on)
            return;
        flags = on ? (flags | bit) : (flags & ~bit);
        resizeValues(points);
    };
    setFlag(FlagAccelerate, movement->accelerate == 1);
    setFlag(FlagDecelerate, movement->decelerate == 1);
    setFlag(FlagIgnoreMidPoints, movement->ignoreMidPoints > 0);
    curve = movement->defaultCurve;
    params = movement->defaultParams;
}

// ---- section points and handles ----

namespace {
bool editableAt(const Render::RenderObject& object, size_t valueCount)
{
    const Render::SectionPosition& position = object.sectionPosition;
    const int mids = position.sectionCount - 1;
    int point;
    if (object.object && object.frame == object.object->end)
        point = mids + 1;
    else if (position.sectionTime == 0.0)
        point = position.sectionIndex;
    else
        return valueCount < 2;
    if (point < 0)
        return valueCount < 2;
    if (point == 0 || point >= mids + 1)
        return true;
    return valueCount < 2 || valueCount == static_cast<size_t>(mids + 2);
}
} // namespace

bool EffectItemNumber::isAnchorEditable(const Render::RenderObject& object) const
{
    return editableAt(object, values.size());
}

bool EffectItemNumber::isAnchorGroupEditable(const Group& group, const Render::RenderObject& object)
{
    size_t largest = 0;
    for (const EffectItemNumber* item : group)
        largest = std::max(largest, item->values.size());
    return editableAt(object, largest);
}

int EffectItemNumber::anchorIndex(int point, const Edit::Object& object) const
{
    const int mids = static_cast<int>(object.midPoints.size());
    const int count = static_cast<int>(values.size());
    int index;
    if (count <= 1 || point <= 0)
        index = 0;
    else if (point >= mids + 1)
        index = count - 1;
    else if (count == mids + 2)
        index = point;
    else
        return -1;
    return index < count ? index : -1;
}

bool EffectItemNumber::setAnchorValue(int point, const Edit::Object& object, double x)
{
    const int32_t stored = clampStored(roundValue(scale * x));
    bool changed = false;
    if (point == AllPoints) {
        for (int32_t& v : values) {
            changed |= v != stored;
            v = stored;
        }
        return changed;
    }
    const int index = anchorIndex(point, object);
    if (index < 0)
        return false;
    changed = values[index] != stored;
    values[index] = stored;
    return changed;
}

bool EffectItemNumber::addAnchorValue(int point, const Edit::Object& object, double delta)
{
    const int64_t step = roundValue(scale * delta);
    bool changed = false;
    auto add = [&](int32_t& v) {
        const int32_t next = clampStored(static_cast<int64_t>(v) + step);
        changed |= next != v;
        v = next;
    };
    if (point == AllPoints) {
        for (int32_t& v : values)
            add(v);
        return changed;
    }
    const int index = anchorIndex(point, object);
    if (index < 0)
        return false;
    add(values[index]);
    return changed;
}

void EffectItemNumber::insertSectionValue(int point, const SplitMap* split)
{
    if (movement->valueCount >= 0 || (flags & FlagIgnoreMidPoints))
        return;
    int32_t value = defaultValue;
    if (split) {
        auto it = split->find(this);
        if (it != split->end()) {
            value = roundValue(scale * it->second.value);
            if (it->second.index != -1)
                point = it->second.index;
        }
    }
    const int count = static_cast<int>(values.size());
    int position = point < 0 ? 0 : point + 1 < count ? point + 1 : std::max(count - 1, 0);
    values.insert(values.begin() + position, value);
}

void EffectItemNumber::setSectionValue(int point, const SplitMap* split)
{
    if (movement->valueCount >= 0 || (flags & FlagIgnoreMidPoints))
        return;
    int32_t value = defaultValue;
    if (split) {
        auto it = split->find(this);
        if (it != split->end())
            value = roundValue(scale * it->second.value);
    }
    values[clampValueIndex(point)] = value;
}

void EffectItemNumber::makeGroup(Group& group, std::initializer_list<EffectItemNumber*> items)
{
    group.assign(items.begin(), items.end());
    for (EffectItemNumber* item : group)
        item->group = &group;
}

} // namespace Effect
