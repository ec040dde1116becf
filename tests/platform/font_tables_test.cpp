// Font tables read by our own code, on crafted tables: the substitutions a
// well-formed table gives, and broken or hostile tables that must neither
// crash nor hold start-up (every installed font's table is read at start).
#include "platform/draw/font_tables.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using Platform::Draw::TableReader;

namespace {

// Writes a table: values appended big-endian, offsets patched in later.
struct TableWriter {
    std::vector<uint8_t> bytes;
    int64_t at() const { return static_cast<int64_t>(bytes.size()); }
    int64_t u16(uint32_t v)
    {
        bytes.push_back(static_cast<uint8_t>(v >> 8));
        bytes.push_back(static_cast<uint8_t>(v));
        return at() - 2;
    }
    void u32(uint32_t v)
    {
        u16(v >> 16);
        u16(v & 0xFFFF);
    }
    void tag(const char* t) { bytes.insert(bytes.end(), t, t + 4); }
    void patch16(int64_t where, int64_t v)
    {
        bytes[static_cast<size_t>(where)] = static_cast<uint8_t>(v >> 8);
        bytes[static_cast<size_t>(where) + 1] = static_cast<uint8_t>(v);
    }
    void patch32(int64_t where, uint32_t v)
    {
        patch16(where, v >> 16);
        patch16(where + 2, v & 0xFFFF);
    }
    TableReader reader() const { return {bytes.data(), bytes.size()}; }
};

std::map<uint16_t, uint16_t> read(const TableWriter& w)
{
    auto found = Platform::Draw::readVerticalSubstitutions(w.reader());
    return {found.begin(), found.end()};
}

// "liga" uses lookup 2; "vert" uses lookups 1, 0 and 3 in that order:
//   1: format 2 over the range 10..12 -> 100..102
//   0: format 1, +50, over 10 and 20 (10 is already taken by lookup 1)
//   3: an extension holding format 1, +1, over 40
//   2: 30 -> 31 (another feature's: never read)
struct Fixture {
    TableWriter w;
    int64_t extensionOffset = 0; // where lookup 3's 32-bit offset is written
};

Fixture wellFormed()
{
    Fixture f;
    TableWriter& w = f.w;
    w.u32(0x00010000);
    w.u16(0);                        // script list (not read)
    const int64_t featureListAt = w.u16(0), lookupListAt = w.u16(0);

    const int64_t featureList = w.at();
    w.patch16(featureListAt, featureList);
    w.u16(2);
    w.tag("liga");
    const int64_t liga = w.u16(0);
    w.tag("vert");
    const int64_t vert = w.u16(0);
    w.patch16(liga, w.at() - featureList);
    w.u16(0), w.u16(1), w.u16(2);
    w.patch16(vert, w.at() - featureList);
    w.u16(0), w.u16(3), w.u16(1), w.u16(0), w.u16(3);

    const int64_t lookupList = w.at();
    w.patch16(lookupListAt, lookupList);
    w.u16(4);
    int64_t lookupAt[4];
    for (auto& l : lookupAt)
        l = w.u16(0);
    // A lookup with one subtable; returns where the subtable's offset is written.
    auto lookup = [&](int index, uint32_t type) {
        const int64_t start = w.at();
        w.patch16(lookupAt[index], start - lookupList);
        w.u16(type), w.u16(0), w.u16(1);
        return std::pair{start, w.u16(0)};
    };
    // Format 1 subtable with a format 1 coverage of the given glyphs.
    auto deltaSubtable = [&](int64_t origin, int64_t offsetAt, int delta, std::vector<uint16_t> glyphs) {
        const int64_t sub = w.at();
        w.patch16(offsetAt, sub - origin);
        w.u16(1);
        const int64_t coverageAt = w.u16(0);
        w.u16(static_cast<uint16_t>(delta));
        w.patch16(coverageAt, w.at() - sub);
        w.u16(1), w.u16(static_cast<uint32_t>(glyphs.size()));
        for (uint16_t g : glyphs)
            w.u16(g);
    };
    auto [l0, s0] = lookup(0, 1);
    deltaSubtable(l0, s0, 50, {10, 20});
    auto [l1, s1] = lookup(1, 1);
    const int64_t sub1 = w.at();
    w.patch16(s1, sub1 - l1);
    w.u16(2);
    const int64_t coverage1 = w.u16(0);
    w.u16(3), w.u16(100), w.u16(101), w.u16(102);
    w.patch16(coverage1, w.at() - sub1);
    w.u16(2), w.u16(1), w.u16(10), w.u16(12), w.u16(0);
    auto [l2, s2] = lookup(2, 1);
    deltaSubtable(l2, s2, 1, {30});
    auto [l3, s3] = lookup(3, 7);
    const int64_t extension = w.at();
    w.patch16(s3, extension - l3);
    w.u16(1), w.u16(1);
    f.extensionOffset = w.at();
    w.u32(0);
    const int64_t inner = w.at();
    w.patch32(f.extensionOffset, static_cast<uint32_t>(inner - extension));
    w.u16(1);
    const int64_t coverage3 = w.u16(0);
    w.u16(1);
    w.patch16(coverage3, w.at() - inner);
    w.u16(1), w.u16(1), w.u16(40);
    return f;
}

} // namespace

TEST(FontTables, VerticalFormsOfAWellFormedTable)
{
    Fixture f = wellFormed();
    EXPECT_EQ(read(f.w), (std::map<uint16_t, uint16_t>{{10, 100}, {11, 101}, {12, 102}, {20, 70}, {40, 41}}));
}

TEST(FontTables, BrokenTablesGiveWhatLiesInside)
{
    const std::map<uint16_t, uint16_t> all{{10, 100}, {11, 101}, {12, 102}, {20, 70}, {40, 41}};
    std::map<uint16_t, uint16_t> withoutExtension = all;
    withoutExtension.erase(40);
    struct Case {
        const char* what;
        uint32_t extension; // lookup 3's 32-bit offset; 0 keeps the right one
        size_t keep;        // bytes kept of the table; 0 keeps all
        std::map<uint16_t, uint16_t> expected;
    } cases[] = {
        {"extension offset near 2^31", 0x7FFFFFF8u, 0, withoutExtension},
        {"extension offset 2^32 - 2", 0xFFFFFFFEu, 0, withoutExtension},
        {"extension pointing at the table's end", 0, 0, all},
        {"cut inside the last coverage", 0, 2, withoutExtension},
        {"only the header", 0, 10, {}},
        {"shorter than the header", 0, 9, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f = wellFormed();
        if (c.extension)
            f.w.patch32(f.extensionOffset, c.extension);
        if (c.keep == 2)
            f.w.bytes.resize(f.w.bytes.size() - 2);
        else if (c.keep)
            f.w.bytes.resize(c.keep);
        EXPECT_EQ(read(f.w), c.expected);
    }
}

TEST(FontTables, HostileTableIsReadInBoundedTime)
{
    // Every count at its largest, every offset pointing back at shared data:
    // 65535 "vert" records (most past the end) all naming one feature, whose
    // lookup list names lookup 0 over and over; lookup 0 lists its subtables
    // 65535 times; each subtable covers every glyph in many overlapping
    // ranges. Walked naively this is billions of steps.
    TableWriter w;
    w.u32(0x00010000);
    w.u16(0);
    w.u16(10);   // feature list
    w.u16(1100); // lookup list
    w.u16(0xFFFF);
    for (int i = 0; i < 150; ++i) {
        w.tag("vert");
        w.u16(1000 - 10); // the feature at 1000
    }
    while (w.at() < 1000)
        w.u16(0);
    w.u16(0), w.u16(0xFFFF);
    while (w.at() < 1100)
        w.u16(0); // lookup indices: all 0
    w.u16(0xFFFF);
    const int64_t lookupOffset = w.u16(0);
    const int64_t lookup = w.at();
    w.patch16(lookupOffset, lookup - 1100);
    w.u16(1), w.u16(0), w.u16(0xFFFF);
    std::vector<int64_t> subtables;
    for (int i = 0; i < 300; ++i)
        subtables.push_back(w.u16(0));
    const int64_t coverage = w.at() + 6 * 8; // after eight subtables
    for (int i = 0; i < 8; ++i) {
        const int64_t sub = w.at();
        w.u16(2), w.u16(static_cast<uint32_t>(coverage - sub)), w.u16(0xFFFF);
    }
    w.u16(2), w.u16(0xFFFF);
    while (w.at() < 3400)
        w.u16(0), w.u16(0xFFFF), w.u16(0); // ranges over every glyph
    for (size_t i = 0; i < subtables.size(); ++i)
        w.patch16(subtables[i], coverage - 6 * 8 + static_cast<int64_t>(i % 8) * 6 - lookup);

    std::map<uint16_t, uint16_t> found;
    TestKit::finishWithin(20000, [&] { found = read(w); }, "reading a hostile substitution table");
    EXPECT_LE(found.size(), 65536u);
}
