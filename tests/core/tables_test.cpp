#include "core/expressions.h"
#include "core/file_name.h"
#include "core/setting_service.h"
#include "core/static_tables.h"
#include "core/vocabulary_tables.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(StaticTables, ColoursFiltersZoomStepsAndPlacements)
{
    ASSERT_EQ(std::size(Tables::presetColors), 8u);
    EXPECT_STREQ(Tables::presetColors[0].name, L"white");
    EXPECT_STREQ(Tables::presetColors[4].name, L"aqua");
    const auto& aqua = Tables::presetColors[4];
    EXPECT_EQ((std::vector<float>{aqua.r, aqua.g, aqua.b, aqua.a}), (std::vector<float>{0, 1, 1, 1}));
    EXPECT_STREQ(Tables::presetColors[7].name, L"black");

    // The filters read back through the file-name code that consumes them.
    std::wstring project(Tables::projectFileFilter);
    EXPECT_EQ(System::FileName::getFilterExtensionList(project), (std::vector<std::wstring>{L"vmp2"}));
    EXPECT_EQ(System::FileName::getFilterIndex(project, L"/a/b.VMP2"), 1);
    EXPECT_EQ(System::FileName::getFilterIndex(std::wstring(Tables::figureFileFilter), L"x.svg"), 1);
    EXPECT_EQ(Tables::allFileFilter, std::wstring_view(L"AllFile (*.*)\0*.*\0\0", 19));

    ASSERT_EQ(std::size(Tables::timelineZoomSteps), 27u);
    EXPECT_EQ(Tables::timelineZoomSteps[0], 20);
    EXPECT_EQ(Tables::timelineZoomSteps[5], 100);
    EXPECT_EQ(Tables::timelineZoomSteps[26], 100000);
    EXPECT_TRUE(std::is_sorted(std::begin(Tables::timelineZoomSteps), std::end(Tables::timelineZoomSteps)));

    const auto* preview = Tables::panePlacements[Tables::PanePreview];
    EXPECT_EQ((std::vector<float>{preview->left, preview->top, preview->right, preview->bottom}),
              (std::vector<float>{0.2f, 0.0f, 0.8f, 0.7f}));
    EXPECT_EQ(preview->group, 2);
    EXPECT_TRUE(preview->shown);
    EXPECT_FALSE(Tables::panePlacements[Tables::PaneLog]->shown);
    EXPECT_EQ(Tables::panePlacements[Tables::PaneTimeSetting]->left, 0.5f);
    int shown = 0;
    for (const auto* p : Tables::panePlacements)
        shown += p->shown;
    EXPECT_EQ(shown, 6);

    EXPECT_STREQ(Tables::aviVideoTypeNames[2], L"YUY2");
    EXPECT_STREQ(Tables::aviAudioTypeNames[1], L"PCM(float)32bit");
}

TEST(StaticTables, StyleValuesReadZeroUntilTheSettingsServiceExists)
{
    // In a process where no settings service was built yet.
    if (!TestKit::inFreshProcess())
        return;
    for (int value : {Setting::Layout::WindowSeparatorSize, Setting::Layout::FooterHeight,
                      Setting::Layout::ScrollBarSize, Setting::Layout::SettingItemHeight,
                      Setting::Layout::SettingItemHeightPlus2, Setting::Layout::ExplorerHeaderHeight,
                      Setting::Layout::TitleHeaderHeight, Setting::Layout::ListItemHeight})
        EXPECT_EQ(value, 0);
    EXPECT_TRUE(Setting::Font::DefaultFamily.empty());
}

TEST(StaticTables, KeyNames)
{
    const auto& keys = Tables::keyNames();
    EXPECT_EQ(keys.size(), 78u);
    struct Case {
        uint32_t code;
        const wchar_t* name;
    } cases[] = {{0, L""},          {0x41, L"A"},         {0x5A, L"Z"},  {0x30, L"0"},
                 {0x0D, L"Enter"},  {0x26, L"\u2191"},    {0x60, L"0 (NumPad)"},
                 {0x6E, L". (NumPad)"}, {0x70, L"F1"},    {0x7B, L"F12"}, {0x22, L"PageDown"}};
    for (const Case& c : cases) {
        auto it = keys.find(c.code);
        ASSERT_NE(it, keys.end()) << c.code;
        EXPECT_EQ(it->second, c.name);
    }
    for (uint32_t modifier : {0x10u, 0x11u, 0x12u, 0x7Cu})
        EXPECT_EQ(keys.count(modifier), 0u) << modifier;
}

TEST(StaticTables, IconShapesStayInTheUnitSquare)
{
    EXPECT_EQ(std::vector<float>(Tables::PlayerIcon::play[0].begin(), Tables::PlayerIcon::play[0].end()),
              (std::vector<float>{0.3f, 0.2f, 0.3f, 0.8f, 0.75f, 0.5f}));
    for (const auto& shape : Tables::iconShapes) {
        ASSERT_GE(shape.size(), 5u); // at least a line and its width, or a triangle
        for (float v : shape) {
            EXPECT_GE(v, 0.0f);
            EXPECT_LE(v, 1.0f);
        }
    }
    EXPECT_EQ(Tables::PlayerIcon::pause.size(), 2u);
    EXPECT_EQ(Tables::HeaderIcon::close.size(), 2u);
}

TEST(StaticTables, CompiledExpressions)
{
    EXPECT_TRUE(std::regex_match(std::wstring(L"_"), System::Expressions::inputPluginCharacter()));
    EXPECT_FALSE(std::regex_match(std::wstring(L"."), System::Expressions::inputPluginCharacter()));

    std::wsmatch m;
    std::wstring name = L"shot.v2_0012.png";
    ASSERT_TRUE(std::regex_match(name, m, System::Expressions::numberedFileName()));
    EXPECT_EQ(m[1].str(), L"shot.v2_");
    EXPECT_EQ(m[2].str(), L"0012");
    EXPECT_EQ(m[3].str(), L".png");

}

namespace {
// The scripts of every block, in order, and the text between them.
std::vector<std::wstring> scriptBlocks(std::wstring_view text, std::wstring* rest = nullptr)
{
    std::vector<std::wstring> scripts;
    System::Expressions::TextScriptBlock block;
    size_t at = 0;
    while (System::Expressions::findTextScriptBlock(text, at, block)) {
        EXPECT_EQ(text.substr(block.begin, 2), L"<?");
        EXPECT_EQ(text.substr(block.end - 2, 2), L"?>");
        scripts.emplace_back(text.substr(block.scriptBegin, block.scriptLength));
        if (rest)
            *rest += text.substr(at, block.begin - at);
        at = block.end;
    }
    if (rest)
        *rest += text.substr(at);
    return scripts;
}
} // namespace

TEST(StaticTables, TextScriptBlocks)
{
    using namespace std::string_literals;
    struct Case {
        std::wstring text;
        std::vector<std::wstring> scripts;
        std::wstring rest;
    } cases[] = {
        {L"a<?x=1\ny=2?>b<?" L"?>c", {L"x=1\ny=2", L""}, L"abc"},
        {L"<?=1+2?>", {L"=1+2"}, L""},
        {L"<?a?>?>", {L"a"}, L"?>"},                    // the first "?>" ends the block
        {L"<?<?a?>", {L"<?a"}, L""},                    // a second opening is script
        {L"<?>", {}, L"<?>"},                           // "?" of the opening cannot close it
        {L"<?" L"?>", {L""}, L""},
        {L"<?a", {}, L"<?a"},                           // never closed
        {L"<?a\0b?>"s, {}, L"<?a\0b?>"s},                // a NUL ends no block and is no script
        {L"<?a\0<?b?>"s, {L"b"}, L"<?a\0"s},
        {L"?><?x?><?", {L"x"}, L"?><?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        std::wstring rest;
        EXPECT_EQ(scriptBlocks(c.text, &rest), c.scripts);
        EXPECT_EQ(rest, c.rest);
    }

    // Long blocks (this length overflowed the stack of a regular-expression
    // search), and many unclosed openings, which must not make the scan quadratic.
    const std::wstring script(1000000, L'x');
    EXPECT_TRUE(scriptBlocks(L"<?" + script + L"?>") == std::vector<std::wstring>{script});
    std::wstring openings;
    for (int i = 0; i < 200000; ++i)
        openings += L"<?\0"s;
    EXPECT_TRUE(scriptBlocks(openings + L"<?y?>") == std::vector<std::wstring>{L"y"});
}

TEST(VocabularyTables, ChoiceLists)
{
    struct Case {
        Vocabulary::ChoiceTable table;
        size_t size;
        int32_t lastValue;
        const wchar_t* lastName;
    } cases[] = {
        {Vocabulary::blendModes, 13, 12, L"差分"},
        {Vocabulary::textDecorations, 7, 6, L"縁取り文字(角)"},
        {Vocabulary::textAlignments, 18, 17, L"縦書 下寄[左]"},
        {Vocabulary::flashSyntheses, 3, 2, L"光成分のみ"},
        {Vocabulary::glowShapes, 7, 6, L"ライン"},
        {Vocabulary::luminanceKeyModes, 6, 5, L"基準部分を透過(補間無し)"},
        {Vocabulary::displacementModes, 3, 2, L"回転変形"},
        {Vocabulary::noiseBlendings, 2, 1, L"明るさと乗算"},
        {Vocabulary::noiseTypes, 6, 5, L"Type6"},
        {Vocabulary::colorShiftKinds, 6, 5, L"緑青B"},
        {Vocabulary::gradationShapes, 4, 3, L"凸形"},
        {Vocabulary::deinterlaceMethods, 3, 2, L"二重化"},
        {Vocabulary::objectFacings, 2, 3, L"カメラの方を向く"}, // the second choice stores 3
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.table.size(), c.size) << c.lastName;
        EXPECT_EQ(c.table.back().value, c.lastValue);
        EXPECT_STREQ(c.table.back().name, c.lastName);
        EXPECT_TRUE(std::is_sorted(c.table.begin(), c.table.end(),
                                   [](auto& a, auto& b) { return a.value < b.value; }));
    }
    EXPECT_STREQ(Vocabulary::blendModes[0].name, L"通常");
    EXPECT_STREQ(Vocabulary::blendModes[6].name, L"比較(明)");
    EXPECT_STREQ(Vocabulary::textAlignments[9].name, L"縦書 上寄[右]");
}

TEST(VocabularyTables, TransitionsPresetsAndScriptNames)
{
    using namespace Vocabulary;
    ASSERT_EQ(sceneChangeTransitions.size(), 13u);
    EXPECT_STREQ(sceneChangeTransitions[0].name, L"クロスフェード");
    EXPECT_STREQ(sceneChangeTransitions[12].name, L"ぼかし");
    // "スライド" shows the angle and reverse items and nothing else.
    EXPECT_STREQ(sceneChangeTransitions[5].name, L"スライド");
    EXPECT_EQ(transitionFlags(5), TransitionAngle | TransitionReverse);
    EXPECT_EQ(transitionFlags(3), 37);
    EXPECT_EQ(transitionFlags(4), 36);
    EXPECT_EQ(transitionFlags(10), 33);
    // A transition listed after the built-in ones shows reverse and keep-aspect only.
    EXPECT_EQ(transitionFlags(13), 17);
    EXPECT_EQ(transitionFlags(40), TransitionReverse | TransitionKeepAspect);

    ASSERT_EQ(waveformPresets.size(), 5u);
    const auto& type5 = waveformPresets[4];
    EXPECT_EQ((std::vector<int>{type5.horizontalResolution, type5.verticalResolution, type5.horizontalSpace,
                                type5.verticalSpace, type5.spectrum, type5.mirror}),
              (std::vector<int>{40, 40, 80, 0, 1, 1}));
    EXPECT_EQ(waveformPresets[1].horizontalResolution, 200);
    EXPECT_TRUE(waveformPresets[2].spectrum);
    EXPECT_FALSE(waveformPresets[2].mirror);

    const auto& blends = scriptBlendNames();
    EXPECT_EQ(blends.size(), 17u);
    EXPECT_EQ(blends.at("none"), 0);
    EXPECT_EQ(blends.at("light_dark"), 11);
    EXPECT_EQ(blends.at("diff"), 12);
    EXPECT_EQ(blends.at("alpha_sub"), 23);
    EXPECT_EQ(blends.count("normal"), 0u);
    ASSERT_EQ(scriptPictureSources.size(), 9u);
    EXPECT_STREQ(scriptPictureSources[0], "movie");
    EXPECT_STREQ(scriptPictureSources[8], "before");
}
