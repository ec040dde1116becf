#pragma once
// The named YUV colour spaces of "system.conf": [YUV2RGB] turns YUY2 and YC48
// pictures into RGB, [RGB2YUV] turns frames into them. Each entry holds the
// 80-byte constant blocks of the matrix shaders (a 4 x 4 transform as rows,
// then an offset), one per picture kind. Built once at start-up, read after.
#include "core/ini_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Media {

class YUVformat {
public:
    // The constant buffer of the matrix shaders.
    struct Block {
        float transform[4][4];
        float offset[4];
    };
    static_assert(sizeof(Block) == 80);

    // One configuration value: name, minimum frame height, then the 3 x 3
    // matrix m0..m8 in row order.
    struct ColorValues {
        explicit ColorValues(const System::IniFile::VALUE& value);
        std::wstring name;
        int minimumHeight = 0;
        double m[9] = {};
    };

    struct Entry {
        std::wstring name;
        Block limited; // YUY2, 16-235 luma and 16-240 chroma
        Block full;    // YUY2, 0-255
        Block yc48;
        int minimumHeight = 0;
    };

    // Builds both tables from the settings service's system.conf. Without a
    // settings service the tables stay empty (conversions of YUV pictures
    // then fail with "no yuv color setting").
    static void InitializeColorTable();
    // Builds both tables from the given file. Throws "no yuv color setting"
    // when either section has no entry "0", and "yuv color setting invalid"
    // for a malformed entry.
    static void InitializeColorTable(System::IniFile& file);

    static const std::vector<Entry>& yuvToRgbTable();
    static const std::vector<Entry>& rgbToYuvTable();
    // 1 + the index of the name in the RGB-to-YUV table; 0 for an empty or
    // unknown name.
    static int findColorSpace(const std::wstring& name);
    // The entry for a picture of this height: the one with the greatest
    // minimum height not above it (the later one on ties), else entry 0.
    static size_t chooseByHeight(const std::vector<Entry>& table, uint32_t height);
    // requested: an entry index, or negative to choose by height; limited to
    // the last entry. Throws "no yuv color setting" when the table is empty.
    static const Entry& select(const std::vector<Entry>& table, int requested, uint32_t height);
};

} // namespace Media
