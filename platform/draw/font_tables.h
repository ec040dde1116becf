#pragma once
// Readers of the font tables the font faces parse themselves. Font files come
// from outside: every count and offset is checked against the table, and a
// broken or hostile table gives less data, never a crash or a long walk.
#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace Platform::Draw {

// Big-endian reads from a table that give 0 past either end.
struct TableReader {
    const uint8_t* data = nullptr;
    size_t size = 0;

    bool fits(int64_t offset, int64_t bytes) const
    {
        return offset >= 0 && bytes >= 0 && offset <= static_cast<int64_t>(size) &&
               bytes <= static_cast<int64_t>(size) - offset;
    }
    uint8_t u8(int64_t o) const { return fits(o, 1) ? data[o] : 0; }
    uint16_t u16(int64_t o) const { return static_cast<uint16_t>(u8(o) << 8 | u8(o + 1)); }
    int16_t s16(int64_t o) const { return static_cast<int16_t>(u16(o)); }
    uint32_t u32(int64_t o) const { return static_cast<uint32_t>(u16(o)) << 16 | u16(o + 2); }
    // How many of count entries of entryBytes each, the first at offset, lie in the table.
    int entriesInside(int64_t offset, int count, int entryBytes) const;
};

// The single substitutions of the glyph substitution table's vertical-writing
// feature ("vert", or "vrt2" when the font has no "vert"): glyph to vertical
// form. Where two lookups substitute one glyph, the first one found wins. Each
// feature, lookup and subtable is read once and the glyphs read from coverage
// tables are bounded, so any table is read in a few milliseconds.
std::unordered_map<uint16_t, uint16_t> readVerticalSubstitutions(const TableReader& gsub);

} // namespace Platform::Draw
