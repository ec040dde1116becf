#include "media/yuv_format.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "core/text.h"

#include <unordered_map>

namespace Media {

namespace {
struct Table {
    std::vector<YUVformat::Entry> entries;
    std::unordered_map<std::wstring, int> names; // the first entry of a name wins
};
Table yuvToRgb, rgbToYuv;

void setRow(float row[4], double a, double b, double c, double scale)
{
    row[0] = static_cast<float>(a * scale);
    row[1] = static_cast<float>(b * scale);
    row[2] = static_cast<float>(c * scale);
    row[3] = 0.0f;
}

void setOffset(YUVformat::Block& block, double a, double b, double c)
{
    block.offset[0] = static_cast<float>(a);
    block.offset[1] = static_cast<float>(b);
    block.offset[2] = static_cast<float>(c);
    block.offset[3] = 0.0f;
}

void lastRow(YUVformat::Block& block)
{
    block.transform[3][0] = block.transform[3][1] = block.transform[3][2] = 0.0f;
    block.transform[3][3] = 1.0f;
}

// (Y, Cb, Cr) to RGB. The shader computes transform x ((texel.rgb, 1) + offset).
YUVformat::Entry fromYuvToRgb(const YUVformat::ColorValues& v)
{
    const double* m = v.m;
    YUVformat::Entry e;
    e.name = v.name;
    e.minimumHeight = v.minimumHeight;
    // YC48 carries Y 0..4096 for 0..1 in a signed-normalised texture (value / 32767).
    const double yc = 32767.0 / 4096.0;
    for (int r = 0; r < 3; ++r)
        setRow(e.yc48.transform[r], m[3 * r], m[3 * r + 1], m[3 * r + 2], yc);
    setOffset(e.yc48, 0, 0, 0);
    lastRow(e.yc48);
    // YUY2 texels arrive as (U, Y, V): the columns are (Cb, Y, Cr).
    for (int r = 0; r < 3; ++r) {
        float* full = e.full.transform[r];
        float* limited = e.limited.transform[r];
        full[0] = static_cast<float>(m[3 * r + 1]);
        full[1] = static_cast<float>(m[3 * r]);
        full[2] = static_cast<float>(m[3 * r + 2]);
        full[3] = 0.0f;
        limited[0] = static_cast<float>(m[3 * r + 1] * 255.0 / 224.0);
        limited[1] = static_cast<float>(m[3 * r] * 255.0 / 219.0);
        limited[2] = static_cast<float>(m[3 * r + 2] * 255.0 / 224.0);
        limited[3] = 0.0f;
    }
    setOffset(e.full, -128.0 / 255.0, 0, -128.0 / 255.0);
    setOffset(e.limited, -128.0 / 255.0, -16.0 / 255.0, -128.0 / 255.0);
    lastRow(e.full);
    lastRow(e.limited);
    return e;
}

// RGB to (Y, Cb, Cr, alpha). The shader computes transform x saturate(texel) + offset.
YUVformat::Entry fromRgbToYuv(const YUVformat::ColorValues& v)
{
    const double* m = v.m;
    YUVformat::Entry e;
    e.name = v.name;
    e.minimumHeight = v.minimumHeight;
    const double yc = 4096.0 / 32767.0;
    for (int r = 0; r < 3; ++r) {
        setRow(e.yc48.transform[r], m[3 * r], m[3 * r + 1], m[3 * r + 2], yc);
        setRow(e.full.transform[r], m[3 * r], m[3 * r + 1], m[3 * r + 2], 1.0);
        setRow(e.limited.transform[r], m[3 * r], m[3 * r + 1], m[3 * r + 2], r == 0 ? 219.0 / 255.0 : 224.0 / 255.0);
    }
    setOffset(e.yc48, 0, 0, 0);
    setOffset(e.full, 0, 128.0 / 255.0, 128.0 / 255.0);
    setOffset(e.limited, 16.0 / 255.0, 128.0 / 255.0, 128.0 / 255.0);
    lastRow(e.yc48);
    lastRow(e.full);
    lastRow(e.limited);
    return e;
}

void readSection(System::IniFile& file, const char* section, Table& table,
                 YUVformat::Entry (*build)(const YUVformat::ColorValues&))
{
    table.entries.clear();
    table.names.clear();
    System::IniFile::SectionRef ref = file.getSection(section);
    // Entries are numbered from "0" without gaps; the first missing key ends them.
    for (int i = 0; i <= 99; ++i) {
        const std::string key = std::to_string(i);
        const System::IniFile::VALUE* value = ref.section().find(key);
        if (!value)
            break;
        YUVformat::ColorValues parsed(*value);
        table.entries.push_back(build(parsed));
        table.names.emplace(parsed.name, i);
        System::Log::info("Media::YUVformat::InitializeColorTable", "[%s] %d: %s", section, i,
                          System::wideToUtf8(parsed.name).c_str());
    }
}
} // namespace

YUVformat::ColorValues::ColorValues(const System::IniFile::VALUE& value)
{
    std::vector<System::IniFile::VALUE> fields = value.split(",");
    if (fields.size() != 11) {
        std::wstring context = value.getContextText();
        throw System::makeFormatException("Media::YUVformat::ColorValues::ColorValues", "yuv color setting invalid",
                                          L"%s", context.c_str());
    }
    name = System::utf8ToWide(fields[0].text);
    minimumHeight = fields[1].toInt();
    for (int i = 0; i < 9; ++i)
        m[i] = fields[2 + i].toDouble();
}

void YUVformat::InitializeColorTable()
{
    auto* settings = Setting::SettingService::Get();
    if (!settings) {
        yuvToRgb = Table{};
        rgbToYuv = Table{};
        return;
    }
    InitializeColorTable(settings->system.file);
}

void YUVformat::InitializeColorTable(System::IniFile& file)
{
    try {
        readSection(file, "YUV2RGB", yuvToRgb, fromYuvToRgb);
        readSection(file, "RGB2YUV", rgbToYuv, fromRgbToYuv);
    } catch (...) {
        yuvToRgb = Table{};
        rgbToYuv = Table{};
        throw;
    }
    if (yuvToRgb.entries.empty() || rgbToYuv.entries.empty()) {
        yuvToRgb = Table{};
        rgbToYuv = Table{};
        throw System::makeException("Media::YUVformat::InitializeColorTable", "no yuv color setting", nullptr);
    }
}

const std::vector<YUVformat::Entry>& YUVformat::yuvToRgbTable() { return yuvToRgb.entries; }
const std::vector<YUVformat::Entry>& YUVformat::rgbToYuvTable() { return rgbToYuv.entries; }

int YUVformat::findColorSpace(const std::wstring& name)
{
    if (name.empty())
        return 0;
    auto found = rgbToYuv.names.find(name);
    return found == rgbToYuv.names.end() ? 0 : found->second + 1;
}

size_t YUVformat::chooseByHeight(const std::vector<Entry>& table, uint32_t height)
{
    size_t choice = 0;
    for (size_t i = 1; i < table.size(); ++i) {
        int minimum = table[i].minimumHeight;
        if (int64_t(height) >= minimum && minimum >= table[choice].minimumHeight)
            choice = i;
    }
    return choice;
}

const YUVformat::Entry& YUVformat::select(const std::vector<Entry>& table, int requested, uint32_t height)
{
    if (table.empty())
        throw System::makeException("Media::YUVformat::InitializeColorTable", "no yuv color setting", nullptr);
    size_t index = requested < 0 ? chooseByHeight(table, height) : static_cast<size_t>(requested);
    return table[std::min(index, table.size() - 1)];
}

} // namespace Media
