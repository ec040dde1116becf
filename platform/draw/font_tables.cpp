#include "platform/draw/font_tables.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace Platform::Draw {

int TableReader::entriesInside(int64_t offset, int count, int entryBytes) const
{
    if (count <= 0 || entryBytes <= 0 || !fits(offset, 0))
        return 0;
    return static_cast<int>(std::min<int64_t>(count, (static_cast<int64_t>(size) - offset) / entryBytes));
}

namespace {

constexpr uint32_t tagOf(const char (&name)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(name[0])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(name[1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(name[2])) << 8 | static_cast<uint8_t>(name[3]);
}

// Entries read (lookup indices, subtable offsets, covered glyphs) before the
// walk stops. A valid coverage table holds each glyph once, so a real font's
// vertical forms take a small part of this; counts and offsets that point the
// walk back over the same bytes again and again exhaust it instead.
constexpr int64_t StepBudget = 4 * 65536;

struct Walk {
    const TableReader& t;
    int64_t steps = StepBudget;
    bool step() { return steps-- > 0; }

    // Calls visit(coverage index, glyph) in coverage order until it returns false.
    template <class Visit>
    void forEachCovered(int64_t offset, Visit visit)
    {
        const int format = t.u16(offset);
        if (format == 1) {
            const int count = t.entriesInside(offset + 4, t.u16(offset + 2), 2);
            for (int i = 0; i < count; ++i)
                if (!step() || !visit(i, t.u16(offset + 4 + int64_t(i) * 2)))
                    return;
        } else if (format == 2) {
            const int ranges = t.entriesInside(offset + 4, t.u16(offset + 2), 6);
            int index = 0;
            for (int r = 0; r < ranges; ++r) {
                const int64_t record = offset + 4 + int64_t(r) * 6;
                const int start = t.u16(record), end = t.u16(record + 2);
                for (int g = start; g <= end; ++g, ++index)
                    if (!step() || !visit(index, static_cast<uint16_t>(g)))
                        return;
            }
        }
    }
};

} // namespace

std::unordered_map<uint16_t, uint16_t> readVerticalSubstitutions(const TableReader& t)
{
    std::unordered_map<uint16_t, uint16_t> out;
    if (!t.fits(0, 10))
        return out;
    Walk walk{t};
    const int64_t featureList = t.u16(6), lookupList = t.u16(8);
    const int lookupCount = t.entriesInside(lookupList + 2, t.u16(lookupList), 2);
    const int featureCount = t.entriesInside(featureList + 2, t.u16(featureList), 6);

    // The feature's lookups in the order found, each once.
    std::vector<int> lookups;
    std::vector<bool> listed(static_cast<size_t>(lookupCount), false);
    for (uint32_t wanted : {tagOf("vert"), tagOf("vrt2")}) {
        if (!lookups.empty())
            break; // "vrt2" only stands in for a missing "vert"
        for (int i = 0; i < featureCount; ++i) {
            const int64_t record = featureList + 2 + int64_t(i) * 6;
            if (t.u32(record) != wanted)
                continue;
            const int64_t feature = featureList + t.u16(record + 4);
            const int count = t.entriesInside(feature + 4, t.u16(feature + 2), 2);
            for (int k = 0; k < count && walk.step(); ++k) {
                const int index = t.u16(feature + 4 + int64_t(k) * 2);
                if (index < lookupCount && !listed[static_cast<size_t>(index)]) {
                    listed[static_cast<size_t>(index)] = true;
                    lookups.push_back(index);
                }
            }
        }
    }
    if (lookups.empty())
        return out;

    // Substitutions by glyph (-1: none yet); the first one found wins.
    std::vector<int32_t> vertical(65536, -1);
    auto add = [&](uint16_t from, uint16_t to) {
        if (vertical[from] < 0)
            vertical[from] = to;
        return true;
    };
    std::unordered_set<int64_t> subtables; // a subtable shared by lookups is read once
    for (int index : lookups) {
        const int64_t lookup = lookupList + t.u16(lookupList + 2 + int64_t(index) * 2);
        const int type = t.u16(lookup);
        const int count = t.entriesInside(lookup + 6, t.u16(lookup + 4), 2);
        for (int s = 0; s < count && walk.step(); ++s) {
            int64_t sub = lookup + t.u16(lookup + 6 + int64_t(s) * 2);
            int subType = type;
            if (type == 7) { // extension: the real subtable lies at a 32-bit offset from this one
                subType = t.u16(sub + 2);
                sub += t.u32(sub + 4);
            }
            if (subType != 1 || !t.fits(sub, 6) || !subtables.insert(sub).second)
                continue;
            const int format = t.u16(sub);
            const int64_t coverage = sub + t.u16(sub + 2);
            if (format == 1) {
                const int16_t delta = t.s16(sub + 4);
                walk.forEachCovered(coverage, [&](int, uint16_t g) { return add(g, static_cast<uint16_t>(g + delta)); });
            } else if (format == 2) {
                const int glyphs = t.entriesInside(sub + 6, t.u16(sub + 4), 2);
                walk.forEachCovered(coverage, [&](int i, uint16_t g) {
                    return i < glyphs && add(g, t.u16(sub + 6 + int64_t(i) * 2));
                });
            }
        }
        if (walk.steps <= 0)
            break;
    }
    for (size_t g = 0; g < vertical.size(); ++g)
        if (vertical[g] >= 0)
            out.emplace(static_cast<uint16_t>(g), static_cast<uint16_t>(vertical[g]));
    return out;
}

} // namespace Platform::Draw
