// Palettes and preset colours: the files, the default palette, unique colour
// names, and the names reaching the colour tags of text objects.
#include "core/event_service.h"
#include "core/file_name.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/resource_service.h"
#include "media/text_draw.h"
#include "platform/draw/target.h"
#include "platform/os/folder.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

#include <array>

using namespace Effect;

namespace {

std::string defaultFolder()
{
    return System::toLocalPath(System::FileName::expand(L"%Default%"));
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        out.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return out;
}

class Palettes : public EffectTest::ServiceTest {
protected:
    PaletteManager& manager() { return services.effects().palette; }
    Palette& palette(const wchar_t* name) { return *manager().palettes.at(name).palette; }
    static std::string file(const std::string& name) { return TestKit::readFile(defaultFolder() + "/" + name); }
};

} // namespace

TEST_F(Palettes, WithoutAPaletteFileTheDefaultPaletteIsWritten)
{
    const std::vector<std::string> l = lines(file("default.palette"));
    ASSERT_EQ(l.size(), 64u);
    EXPECT_EQ(file("default.palette").substr(file("default.palette").size() - 2), "\r\n");
    const char* names[] = {"white", "red", "yellow", "green", "aqua", "blue", "magenta", "black"};
    for (int k = 0; k < 8; ++k)
        EXPECT_NE(l[k * 8].find(std::string("|") + names[k]), std::string::npos) << l[k * 8];
    EXPECT_EQ(l[0], "0=ffffff|white");
    EXPECT_EQ(l[1], "1=dfdfdf"); // 7/8 of white: 223.125 rounds to 223
    EXPECT_EQ(l[15], "15=200000");
    EXPECT_EQ(l[44], "44=000080");
    EXPECT_EQ(l[63], "63=000000");

    // The preset colours are the named swatches, in palette order.
    std::vector<std::wstring> presets;
    for (PresetColorDefine* d : manager().getPresetColorList())
        presets.push_back(d->getName());
    EXPECT_EQ(presets, (std::vector<std::wstring>{L"white", L"red", L"yellow", L"green", L"aqua", L"blue", L"magenta",
                                                  L"black"}));
    EXPECT_EQ(manager().presetColors.at(L"aqua").sectionName, "Color.aqua");
}

TEST(PaletteFile, LinesThatDoNotParseAreSkipped)
{
    struct Case {
        const char* text;
        size_t index;
        ColorBytes color;
        const wchar_t* name;
    };
    const Case cases[] = {
        {"5=ff0000|\r\n", 5, {255, 0, 0}, L""},
        {"5=ff0000|赤|濃い\n", 5, {255, 0, 0}, L"赤|濃い"},
        {"5=ff0000|a\n5=00ff00\n", 5, {0, 255, 0}, L""},
        {" 7 = 0000ff |x\n", 7, {0, 0, 255}, L"x"},
        {"70=ff0000\n-1=ff0000\n", 0, {0, 0, 0}, L""},
        {"x=ff0000\n3=ff00\n3=gg0000\n3==ff0000\n;3=ff0000\n", 3, {0, 0, 0}, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto colors = PaletteDefine::readPaletteText(c.text);
        ASSERT_EQ(colors.size(), 64u);
        const ColorBytes b = colorToBytes(colors[c.index].color.r, colors[c.index].color.g, colors[c.index].color.b);
        EXPECT_EQ(b.r, c.color.r);
        EXPECT_EQ(b.g, c.color.g);
        EXPECT_EQ(b.b, c.color.b);
        EXPECT_EQ(colors[c.index].color.a, 1.0f);
        EXPECT_EQ(colors[c.index].name, c.name);
    }
}

TEST_F(Palettes, FilesRegisterByTheirNameUpToTheLastDot)
{
    TestKit::writeFile(defaultFolder() + "/a.b.palette", "0=102030|first\r\n");
    TestKit::writeFile(defaultFolder() + "/empty.palette", "");
    manager().reloadPalette();
    ASSERT_EQ(manager().palettes.count(L"a.b"), 1u);
    EXPECT_EQ(palette(L"a.b").colors[0].name, L"first");
    EXPECT_EQ(manager().palettes.count(L"empty"), 1u); // all black
    std::vector<std::wstring> names;
    for (PaletteDefine* d : manager().getPaletteList())
        names.push_back(d->palette->name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a.b", L"default", L"empty"}));
}

TEST_F(Palettes, AColourNameIsUniqueAcrossPalettes)
{
    TestKit::writeFile(defaultFolder() + "/mine.palette", "0=123456|mine\r\n1=654321\r\n");
    manager().reloadPalette();
    System::ServiceStack events;
    events.acquire<Event::EventService>();
    int edits = 0;
    Event::EventService::Get()->editChanged.push_back([&](std::shared_ptr<Edit::Object>& target) {
        EXPECT_FALSE(target);
        ++edits;
    });
    manager().setPresetColorName(palette(L"mine"), 1, L"red");

    // The default palette lost its "red" and was saved; so was the named one.
    EXPECT_EQ(palette(L"default").colors[8].name, L"");
    EXPECT_EQ(lines(file("default.palette"))[8], "8=ff0000");
    EXPECT_EQ(file("mine.palette").substr(0, 28), "0=123456|mine\r\n1=654321|red\r");
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(manager().presetColors.count(L"red"), 1u);
    const ColorF red = manager().presetColors.at(L"red").color;
    EXPECT_EQ(colorToBytes(red.r, red.g, red.b).g, 0x43);

    manager().setPresetColorName(palette(L"mine"), 1, nullptr);
    EXPECT_EQ(palette(L"mine").colors[1].name, L"");
    EXPECT_EQ(manager().presetColors.count(L"red"), 0u);
    EXPECT_EQ(edits, 2);
}

TEST_F(Palettes, PresetAndLabelListsFollowTheMenuOrder)
{
    PresetColorDefine& blue = manager().presetColors.at(L"blue");
    blue.order = -10;
    blue.label = L"寒色";
    manager().presetColors.at(L"aqua").label = L"寒色";
    manager().presetColors.at(L"red").label = L"暖色";
    EXPECT_STREQ(manager().getPresetColorList().front()->getName(), L"blue");
    std::vector<std::wstring> labels;
    for (const wchar_t* l : manager().getPresetColorLabelList())
        labels.push_back(l);
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"寒色", L"暖色"}));
}

TEST_F(Palettes, AFailedSaveIsReportedAndThePaletteStays)
{
    TestKit::ReportCapture reports;
    ASSERT_EQ(Platform::Os::createFolders(defaultFolder() + "/blocked.palette"), 0);
    Palette blocked(L"blocked", std::vector<PaletteColor>(64));
    blocked.colors[0].name = L"kept";
    manager().savePalette(blocked);
    EXPECT_EQ(reports.messages(), std::vector<std::string>{"パレットの保存に失敗しました"});
    EXPECT_EQ(blocked.colors[0].name, L"kept");
    // A palette name is no path: it stays a file of the folder.
    EXPECT_EQ(PaletteManager::getPaletteFilePath(L"../x"), System::FileName::expand(L"%Default%") + L"/%2E.%2Fx.palette");
}

TEST_F(Palettes, ARenamedSwatchReachesTheColourTagsOfText)
{
    System::ServiceStack draw;
    draw.acquire<Media::Direct2DService>();
    draw.acquire<Resource::ResourceService>();
    auto centre = [](const wchar_t* text) {
        Media::TextDraw t;
        t.text = text;
        t.fontName = L"Noto Sans CJK JP";
        t.size = 60;
        t.time = 1000;
        t.layout(nullptr);
        auto target = Platform::Draw::Target::createPicture(t.blockWidth(), t.blockHeight());
        t.drawToTarget(*target);
        const uint8_t* p = target->bits() + (target->height() / 2) * target->stride() + (target->width() / 2) * 4;
        return std::array<int, 3>{p[2], p[1], p[0]}; // premultiplied BGRA, opaque in the middle of the square
    };
    TestKit::writeFile(defaultFolder() + "/mine.palette", "0=00ff00\r\n");
    manager().reloadPalette();
    EXPECT_EQ(centre(L"<#leaf>■"), (std::array<int, 3>{255, 255, 255})); // not a colour yet: white stays
    manager().setPresetColorName(palette(L"mine"), 0, L"leaf");
    EXPECT_EQ(centre(L"<#leaf>■"), (std::array<int, 3>{0, 255, 0}));
}
