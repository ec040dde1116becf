#include "effect/movement.h"

#include "core/curve.h"
#include "core/failure.h"
#include "effect/effect_item_number.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>

namespace Effect {

MovementBase* NoMove::instance = nullptr;
MovementBase* LinearSpeed::instance = nullptr;
MovementBase* MovieRange::instance = nullptr;

namespace {

double bezier(double p0, double p1, double p2, double p3, double x)
{
    const double r = 1.0 - x;
    return r * r * r * p0 + 3.0 * r * r * x * p1 + 3.0 * r * x * x * p2 + x * x * x * p3;
}

// The item and the members of its group that hold the second and third
// coordinate of its point; a member with another movement or other flags is
// replaced by the item itself. A group of two has no third coordinate: taking
// the item again there would weigh its own distances twice, so that the two
// members of an X/Y pair measured different path lengths and their point left
// the straight line between its points.
struct Coordinates {
    const EffectItemNumber* c[3];

    explicit Coordinates(const EffectItemNumber& item)
    {
        c[0] = c[1] = c[2] = &item;
        const EffectItemNumber::Group* group = item.group;
        if (!group || group->empty())
            return;
        const size_t n = group->size();
        size_t k = 0;
        while (k < n && (*group)[k] != &item)
            ++k;
        if (k == n)
            return;
        for (size_t j = 1; j <= 2; ++j) {
            const EffectItemNumber* member = (*group)[(k + j) % n];
            if (member->movement == item.movement && member->flags == item.flags)
                c[j] = member;
        }
        if (n == 2)
            c[2] = nullptr;
    }

    // Coordinate c of stored point i, 0 for an absent coordinate.
    double value(int coordinate, int i) const { return c[coordinate] ? c[coordinate]->getIndexValue(i) : 0.0; }

    double distance(int a, int b) const
    {
        return std::hypot(value(0, a) - value(0, b), value(1, a) - value(1, b), value(2, a) - value(2, b));
    }
};

// Finds the section k and the fraction u inside it at which a share x of the
// whole path length is reached; length(b) gives the length of section b.
template <class Length>
void walkSections(int count, double x, Length length, int& k, double& u)
{
    if (count <= 1) {
        k = 0;
        u = x;
        return;
    }
    double total = 0.0;
    for (int b = 0; b < count; ++b)
        total += length(b);
    double d = x * total;
    for (int b = 0; b < count; ++b) {
        const double l = length(b);
        if (d <= l) {
            k = b;
            u = l != 0.0 ? d / l : 0.0;
            return;
        }
        d -= l;
    }
    k = count - 1;
    const double last = length(count - 1);
    u = last != 0.0 ? 1.0 + d / last : 1.0;
}

// Section and fraction of "直線移動(時間制御)" at a position.
void linearSpeedSection(const EffectItemNumber& item, const Render::SectionPosition& position, int& k, double& u)
{
    const Coordinates coords(item);
    const int count = position.sectionCount;
    const bool accelerate = item.flags & EffectItemNumber::FlagAccelerate;
    const bool decelerate = item.flags & EffectItemNumber::FlagDecelerate;
    auto length = [&](int b) {
        double l = coords.distance(b + 1, b);
        if ((accelerate && b == 0) || (decelerate && b == count - 1))
            l *= 2.0;
        return l;
    };
    walkSections(count, item.applyCurve(position.progress), length, k, u);
}

// The point list of "補間移動(時間制御)": V(j) = P(j - 1), with an extrapolated
// point before the start and after the end (count + 3 entries in all).
struct SpeedCurve {
    const Coordinates& coords;
    int last; // index of the last entry: count + 2

    double raw(int c, int j) const { return coords.value(c, j - 1); }
    double point(int c, int j) const
    {
        if (j == 0)
            return 5.0 / 3.0 * raw(c, 1) - raw(c, 2) + raw(c, 3) / 3.0;
        if (j == last)
            return 5.0 / 3.0 * raw(c, last - 1) - raw(c, last - 2) + raw(c, last - 3) / 3.0;
        return raw(c, j);
    }
    double gap(int j) const // W(j) = |V(j + 1) - V(j)|
    {
        return std::hypot(point(0, j + 1) - point(0, j), point(1, j + 1) - point(1, j),
                          point(2, j + 1) - point(2, j));
    }
};

void interpolationSpeedSection(const EffectItemNumber& item, const Render::SectionPosition& position,
                               const SpeedCurve& curve, int& k, double& u)
{
    walkSections(position.sectionCount, item.applyCurve(position.progress), [&](int b) { return curve.gap(b + 1); }, k,
                 u);
}

// Random fraction in [0, 1] of an integer j under a 64-bit seed.
double randomFraction(int32_t j, uint64_t seed)
{
    const uint64_t C1 = 0x137bd137bd137bd1ull, C2 = 0x37bd137bd137bd13ull, C3 = 0x7bd137bd137bd137ull,
                   C4 = 0xbd137bd137bd137bull;
    const uint64_t J = static_cast<uint64_t>(static_cast<int64_t>(j));
    const uint64_t S = seed;
    const uint64_t a = J * 97553u + S * 135829u;
    const uint64_t b = ((a << 17) ^ a ^ C1) + S;
    const uint64_t c = ((b >> 19) ^ b ^ C2) + J;
    const uint64_t d = ((c << 41) ^ c ^ C3) + S;
    const uint64_t e = ((d >> 47) ^ d ^ C4) + J;
    const uint64_t m = e * 97555u - (e / 135829u) * 135829u;
    const uint64_t p = (m << 17) ^ m ^ C1;
    const uint64_t q = (p >> 19) ^ p ^ C2;
    const uint64_t r = (q << 41) ^ q ^ C3;
    const uint64_t w = (r >> 47) ^ r ^ C4;
    const float f = static_cast<float>(w % 4294967297ull) * (1.0f / 4294967296.0f);
    return static_cast<double>(f);
}

} // namespace

// ---- MovementBase ----

MovementBase::MovementBase(const wchar_t* name) : name(name) {}

MovementBase::~MovementBase() = default;

double MovementBase::getValue(const EffectItemNumber&, const Render::SectionPosition&,
                              const Render::RenderObject&) const
{
    throw System::makeException("Effect::MovementBase::getValue", "not implement.", nullptr);
}

int MovementBase::getCurrentSection(const EffectItemNumber&, const Render::SectionPosition&) const
{
    return -1;
}

bool MovementBase::usesPointValue(const EffectItemNumber&, int) const
{
    return true;
}

bool MovementBase::hasPath(const EffectItemNumber&) const
{
    return true;
}

// ---- 移動無し ----

NoMove::NoMove() : MovementBase(L"移動無し")
{
    valueCount = 1;
}

double NoMove::getValue(const EffectItemNumber& item, const Render::SectionPosition&,
                        const Render::RenderObject&) const
{
    return item.getIndexValue(0);
}

// ---- 直線移動 ----

LinearMove::LinearMove() : MovementBase(L"直線移動")
{
    accelerate = 0;
    decelerate = 0;
}

double LinearMove::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                            const Render::RenderObject&) const
{
    const int s = position.sectionIndex;
    const double a = item.getIndexValue(s);
    const double b = item.getIndexValue(s + 1);
    const bool easeIn = s == 0 && (item.flags & EffectItemNumber::FlagAccelerate);
    const bool easeOut = s == position.sectionCount - 1 && (item.flags & EffectItemNumber::FlagDecelerate);
    if (!easeIn && !easeOut)
        return (b - a) * position.sectionTime / position.sectionLength + a;
    const double m = (a + b) * 0.5;
    return bezier(a, easeIn ? a : m, easeOut ? b : m, b, position.sectionTime / position.sectionLength);
}

// ---- 直線移動(時間制御) ----

LinearSpeed::LinearSpeed() : MovementBase(L"直線移動(時間制御)")
{
    accelerate = 0;
    decelerate = 0;
    ignoreMidPoints = -1;
    passesPoints = false;
    timeControl = true;
}

double LinearSpeed::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                             const Render::RenderObject&) const
{
    int k;
    double u;
    linearSpeedSection(item, position, k, u);
    const double a = item.getIndexValue(k);
    const double b = item.getIndexValue(k + 1);
    const bool easeIn = k == 0 && (item.flags & EffectItemNumber::FlagAccelerate);
    const bool easeOut = k == position.sectionCount - 1 && (item.flags & EffectItemNumber::FlagDecelerate);
    if (!easeIn && !easeOut)
        return a + (b - a) * u;
    const double m = (a + b) * 0.5;
    return bezier(a, easeIn ? a : m, easeOut ? b : m, b, u);
}

int LinearSpeed::getCurrentSection(const EffectItemNumber& item, const Render::SectionPosition& position) const
{
    int k;
    double u;
    linearSpeedSection(item, position, k, u);
    return k;
}

// ---- 補間移動 ----

InterpolationMove::InterpolationMove() : MovementBase(L"補間移動")
{
    accelerate = 1;
    decelerate = 1;
    ignoreMidPoints = -1;
}

double InterpolationMove::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                                   const Render::RenderObject& object) const
{
    const Coordinates coords(item);
    const int s = position.sectionIndex;
    const int count = position.sectionCount;
    double prev[3], cur[3], next[3], next2[3];
    for (int c = 0; c < 3; ++c) {
        prev[c] = coords.value(c, s - 1);
        cur[c] = coords.value(c, s);
        next[c] = coords.value(c, s + 1);
        next2[c] = coords.value(c, s + 2);
    }
    if (s <= 0 && !(item.flags & EffectItemNumber::FlagAccelerate)) {
        for (int c = 0; c < 3; ++c)
            prev[c] = 5.0 / 3.0 * cur[c] - next[c] + next2[c] / 3.0;
    }
    if (s >= count - 1 && !(item.flags & EffectItemNumber::FlagDecelerate)) {
        for (int c = 0; c < 3; ++c)
            next2[c] = 5.0 / 3.0 * next[c] - cur[c] + coords.value(c, s - 1) / 3.0;
    }

    // Lengths in frames of this section and its neighbours, for the time warp.
    const double F = position.sectionLength;
    double G = F, H = F;
    if (const Edit::Object* o = object.object.get()) {
        const std::vector<int>& m = o->midPoints;
        const int M = static_cast<int>(m.size());
        const int S = o->start, E = o->end;
        if (s > 0) {
            G = M == 0 ? E - S : s == 1 ? m[0] : s - 1 < M ? m[s - 1] - m[s - 2] : E - m[M - 1] - S;
        }
        if (s < count - 1) {
            H = M == 0 ? E - S : s < 0 ? m[0] : s + 1 < M ? m[s + 1] - m[s] : E - m[M - 1] - S;
        }
    }
    const double x = position.sectionTime / F;
    double g = F + G, h = F + H;
    if (g < 2.0)
        g = 1.0;
    if (h < 2.0)
        h = 1.0;
    const double q = bezier(0.0, 0.75 * F / g, 1.0 - 0.75 * F / h, 1.0, x);

    auto chord = [](const double* a, const double* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    const double R = chord(cur, prev), D = chord(next, cur), U = chord(next2, next);
    const double c1 = cur[0] + (R * (next[0] - cur[0]) + D * (cur[0] - prev[0])) / std::max(D + R, 0.0001) / 3.0;
    const double c2 = next[0] - (D * (next2[0] - next[0]) + U * (next[0] - cur[0])) / std::max(U + D, 0.0001) / 3.0;
    return bezier(cur[0], c1, c2, next[0], q);
}

// ---- 補間移動(時間制御) ----

InterpolationSpeed::InterpolationSpeed() : MovementBase(L"補間移動(時間制御)")
{
    ignoreMidPoints = -1;
    passesPoints = false;
    timeControl = true;
}

double InterpolationSpeed::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                                    const Render::RenderObject&) const
{
    const Coordinates coords(item);
    const SpeedCurve curve{coords, position.sectionCount + 2};
    int k;
    double u;
    interpolationSpeedSection(item, position, curve, k, u);
    const double Lk = curve.gap(k + 1), Lp = curve.gap(k), Ln = curve.gap(k + 2);
    const double f = curve.point(0, k + 1), g = curve.point(0, k), h = curve.point(0, k + 2),
                 l = curve.point(0, k + 3);
    const double before = std::max(Lk + Lp, 0.0001), after = std::max(Lk + Ln, 0.0001);
    const double warped = bezier(0.0, 2.0 * Lk / (3.0 * before), 1.0 - 2.0 * Lk / (3.0 * after), 1.0, u);
    const double c1 = f + ((h - f) * Lp + Lk * (f - g)) / before / 3.0;
    const double c2 = h - ((h - f) * Ln + Lk * (l - h)) / after / 3.0;
    return bezier(f, c1, c2, h, warped);
}

int InterpolationSpeed::getCurrentSection(const EffectItemNumber& item,
                                          const Render::SectionPosition& position) const
{
    const Coordinates coords(item);
    const SpeedCurve curve{coords, position.sectionCount + 2};
    int k;
    double u;
    interpolationSpeedSection(item, position, curve, k, u);
    return k;
}

// ---- ランダム移動 ----

RandomMove::RandomMove() : MovementBase(L"ランダム移動")
{
    ignoreMidPoints = 2;
    defaultParams = {15.0};
}

double RandomMove::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                            const Render::RenderObject& object) const
{
    const std::vector<double>& params = item.getMovementParams();
    // The period and the time come from texts and may be anything (1e300, NaN,
    // a time of 1e12 frames): both are range-checked before the conversions to
    // int, and the random index n stays where n - 1 .. n + 2 are ints.
    const double period = params.empty() ? 15.0 : std::trunc(params[0]);
    const double x = position.sectionTime / (period >= 1.0 ? std::min(period, 2147483647.0) : 1.0);
    const bool known = x == x;
    const int n = known ? static_cast<int>(std::clamp(x, -2147483647.0, 2147483645.0)) : 0;
    const double f = known ? std::clamp(x - n, -1.0, 1.0) : 0.0;
    const double lo = item.getIndexValue(0), hi = item.getIndexValue(1);

    const uint32_t start = object.object ? static_cast<uint32_t>(object.object->start) : 0u;
    uint32_t s = ((static_cast<uint32_t>(object.index) << 8) ^ start) << 8;
    s ^= static_cast<uint32_t>(object.layer);
    s ^= static_cast<uint32_t>(item.getDefineHash());
    const uint64_t seed = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(s)));

    double R[4];
    for (int i = 0; i < 4; ++i)
        R[i] = lo + (hi - lo) * randomFraction(n - 1 + i, seed);
    const double c1 = smoothRandomValue(R[0], R[1], R[2]);
    const double c2 = smoothRandomValue(R[3], R[2], R[1]);
    // The smoothed curve may overshoot its points a little; never past what the item can hold.
    const double v = bezier(R[1], c1, c2, R[2], f);
    return std::min(std::max(v, static_cast<double>(item.minValue) / item.scale),
                    static_cast<double>(item.maxValue) / item.scale);
}

bool RandomMove::hasPath(const EffectItemNumber&) const
{
    return false;
}

// ---- 瞬間移動 ----

TeleportationMove::TeleportationMove() : MovementBase(L"瞬間移動")
{
    ignoreMidPoints = -1;
}

double TeleportationMove::getValue(const EffectItemNumber& item, const Render::SectionPosition& position,
                                   const Render::RenderObject&) const
{
    return item.getIndexValue(position.sectionIndex);
}

bool TeleportationMove::usesPointValue(const EffectItemNumber& item, int point) const
{
    return point < static_cast<int>(item.values.size()) - 1;
}

// ---- 再生範囲 ----

MovieRange::MovieRange() : MovementBase(L"再生範囲")
{
    valueCount = 2;
    listed = false;
}

double MovieRange::getValue(const EffectItemNumber& item, const Render::SectionPosition&,
                            const Render::RenderObject&) const
{
    return item.getIndexValue(0);
}

} // namespace Effect
