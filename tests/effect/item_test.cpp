// Text forms, copies and comparisons of the parameter items other than numbers.
#include "effect/effect_item_button.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effect/item_sources.h"
#include "media/yuv_format.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "media/direct2d_service.h"
#include "render/render_object.h"
#include "core/text.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <typeinfo>

using namespace Effect;

namespace {

std::shared_ptr<EffectItemSelect::SharedList> listAB()
{
    auto list = EffectItemSelect::SharedList::create();
    list->insert(0, L"A");
    list->insert(1, L"B");
    return list;
}

} // namespace

TEST(IntegerItem, TextIsDecimalUnclampedAndCloneKeepsEveryField)
{
    EffectItemList items;
    EffectItemInteger item(items, L"数", 5, 0, 100, EffectItemKind::Integer, L"---");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0], &item);
    EXPECT_EQ(item.toString(), "5");
    item.fromString("500");
    EXPECT_EQ(item.value, 500); // not clamped
    item.fromString(" -7xyz");
    EXPECT_EQ(item.value, -7);
    EXPECT_EQ(TestKit::errorText([&] { item.fromString("abc"); }), "invalid stoi argument");
    EXPECT_EQ(TestKit::errorText([&] { item.fromString("99999999999"); }), "stoi argument out of range");
    EXPECT_EQ(item.value, -7);

    item.visible = false;
    auto copy = item.clone();
    auto& c = dynamic_cast<EffectItemInteger&>(*copy);
    EXPECT_EQ(items.size(), 1u); // a clone joins no list
    EXPECT_EQ(c.value, -7);
    EXPECT_EQ(c.defaultValue, 5);
    EXPECT_STREQ(c.zeroText, L"---");
    EXPECT_FALSE(c.visible);
    EXPECT_TRUE(c.isEqual(item));
    c.value = 1;
    EXPECT_FALSE(c.isEqual(item));
    item.setData(c);
    EXPECT_EQ(item.value, 1);
}

// Every item class with a value: setData carries a changed value across and makes
// the two equal; a clone is of the item's own class, equals it and joins no list.
TEST(EveryItem, SetDataAndCloneCarryTheWholeValue)
{
    auto list = listAB();
    EffectItemList spare;
    struct Case {
        std::unique_ptr<EffectItem> target;
        std::unique_ptr<EffectItem> source;
        const char* text;
    };
    auto pair = [&](auto make, const char* text) {
        return Case{make(spare), make(spare), text};
    };
    Case cases[] = {
        pair([](auto& l) { return std::make_unique<EffectItemInteger>(l, L"i", 0, 0, 9); }, "7"),
        pair([](auto& l) { return std::make_unique<EffectItemCheck>(l, L"c", false); }, "1"),
        pair([](auto& l) { return std::make_unique<EffectItemCheckButton>(l, L"c", false, 0.f, 1.f); }, "1"),
        pair([](auto& l) { return std::make_unique<EffectItemText>(l, L"t", L""); }, "a\\nb"),
        pair([](auto& l) { return std::make_unique<EffectItemString>(l, L"s", L""); }, "s"),
        pair([](auto& l) { return std::make_unique<EffectItemColor>(l, L"c", 0, 0, 0); }, "102030"),
        pair([](auto& l) { return std::make_unique<EffectItemColor>(l, L"c", 0, 0, 0, EffectItemKind::ColorOrNone); },
             ""),
        pair([](auto& l) { return std::make_unique<EffectItemFile>(l, L"f", nullptr); }, "/tmp/f.png"),
        pair([&](auto& l) { return std::make_unique<EffectItemComboFile>(l, L"f", EffectItemKind::Figure, list, 0); },
             "B"),
        pair([](auto& l) { return std::make_unique<EffectItemScene>(l, L"s"); }, "3"),
        pair([](auto& l) { return std::make_unique<EffectItemLayerRange>(l, L"r"); }, "4"),
        pair([](auto& l) { return std::make_unique<EffectItemMaskSelect>(l, L"m", -1); }, "*buffer"),
        pair([&](auto& l) { return std::make_unique<EffectItemSelect>(l, L"s", 0, list); }, "B"),
        pair([&](auto& l) { return std::make_unique<EffectItemSelectButton>(l, L"s", 0, list, 0.f, 1.f); }, "B"),
    };
    for (auto& c : cases) {
        SCOPED_TRACE(typeid(*c.target).name());
        c.source->fromString(c.text);
        EXPECT_FALSE(c.target->isEqual(*c.source));
        c.target->setData(*c.source);
        EXPECT_TRUE(c.target->isEqual(*c.source));
        EXPECT_EQ(c.target->toString(), c.text);
        auto copy = c.target->clone();
        EXPECT_EQ(typeid(*copy), typeid(*c.target));
        EXPECT_TRUE(copy->isEqual(*c.target));
        EXPECT_EQ(copy->toString(), c.text);
    }
    EXPECT_EQ(spare.size(), std::size(cases) * 2); // clones joined no list
}

TEST(CheckItem, ReadsAnyNonZeroIntegerAsSetAndWritesOneOrZero)
{
    EffectItemList items;
    EffectItemCheck check(items, L"反転", false);
    EffectItemCheckButton button(items, L"B", true, 0.8f, 0.9f);
    EXPECT_EQ(check.kind, EffectItemKind::Check);
    EXPECT_EQ(button.kind, EffectItemKind::CheckButton);
    check.fromString("2");
    EXPECT_TRUE(check.value);
    EXPECT_EQ(check.toString(), "1");
    check.fromString("0");
    EXPECT_EQ(check.toString(), "0");
    EXPECT_EQ(TestKit::errorText([&] { check.fromString("yes"); }), "invalid stoi argument");

    auto copy = button.clone();
    auto& b = dynamic_cast<EffectItemCheckButton&>(*copy);
    EXPECT_FLOAT_EQ(b.left, 0.8f);
    EXPECT_FLOAT_EQ(b.right, 0.9f);
    EXPECT_TRUE(b.value);
    // Items of different classes do not pair.
    EXPECT_NE(TestKit::errorText([&] { check.setData(EffectItemInteger(items, L"x", 0, 0, 1)); }).find("different item class."),
              std::string::npos);
}

TEST(TextItem, SavesOneLineAndReadsBackWithLineFeeds)
{
    EffectItemList items;
    EffectItemText item(items, L"テキスト", L"a\\b\r\nc\rd\ne");
    EXPECT_EQ(item.toString(), "a\\\\b\\nc\\nd\\ne");
    item.fromString(item.toString());
    EXPECT_EQ(item.text, L"a\\b\nc\nd\ne");

    item.fromString("x\\ty\\"); // an unknown escape and a trailing backslash stay
    EXPECT_EQ(item.text, L"x\\ty\\");
    item.fromString("日本語\\n");
    EXPECT_EQ(item.text, L"日本語\n");
}

TEST(TextItem, OlderFileHoldsHexadecimalUtf16UnderTheKeyText)
{
    EffectItemList items;
    EffectItemText item(items, L"テキスト", L"");
    item.fromTsoString("4100420043", L"text", L"テキスト", false);
    EXPECT_EQ(item.text, L"AB"); // the unfinished group is ignored
    item.fromTsoString("3dd800de", L"text", L"テキスト", false);
    EXPECT_EQ(item.text, std::wstring(1, static_cast<wchar_t>(0x1F600))); // a surrogate pair
    item.fromTsoString("41000000", L"text", L"テキスト", false);
    EXPECT_EQ(item.text, std::wstring(L"A\0", 2)); // zero units stay
    item.fromTsoString("41004200", L"name", L"テキスト", false);
    EXPECT_EQ(item.text, L"41004200");
}

TEST(TextItem, DifferenceKeepsOnlyTheChangedMiddleAndAppliesBothWays)
{
    EffectItemList items;
    EffectItemText before(items, L"t", L"abcXdef");
    EffectItemText after(items, L"t", L"abcYYdef");
    EffectItemText::makeDifference(before, after);
    EXPECT_EQ(before.text, L"X");
    EXPECT_EQ(after.text, L"YY");
    EXPECT_EQ(before.prefixLength, 3);
    EXPECT_EQ(after.suffixLength, 3);

    EffectItemText target(items, L"t", L"abcXdef");
    target.setData(after);
    EXPECT_EQ(target.text, L"abcYYdef");
    target.setData(before);
    EXPECT_EQ(target.text, L"abcXdef");

    // Prefix and suffix never overlap: "aa" to "aaa" differs by one "a".
    EffectItemText a(items, L"t", L"aa"), b(items, L"t", L"aaa");
    EffectItemText::makeDifference(a, b);
    EXPECT_EQ(a.text, L"");
    EXPECT_EQ(b.text, L"a");
    EXPECT_EQ(a.prefixLength + a.suffixLength, 2);

    EffectItemText same1(items, L"t", L"same"), same2(items, L"t", L"same");
    EffectItemText::makeDifference(same1, same2);
    EXPECT_EQ(same1.text, L"same");
    EXPECT_EQ(same1.prefixLength, 0);
}

TEST(StringItem, KeepsTextUnchanged)
{
    EffectItemList items;
    EffectItemString item(items, L"s", L"", EffectItemKind::ScriptString);
    item.fromString("a\\nb 日本");
    EXPECT_EQ(item.text, L"a\\nb 日本");
    EXPECT_EQ(item.toString(), "a\\nb 日本");
    EXPECT_EQ(item.kind, 100);
}

TEST(SelectItem, ReadsLabelsAndOldNumbers)
{
    EffectItemList items;
    EffectItemSelect item(items, L"合成モード", 0, listAB());
    EXPECT_EQ(item.toString(), "A");
    item.fromString("B");
    EXPECT_EQ(item.value, 1);
    item.fromString("C"); // unknown label: no change
    EXPECT_EQ(item.value, 1);
    item.fromTsoString("0", L"k", L"e", false);
    EXPECT_EQ(item.value, 0);
    item.fromTsoString("1", L"k", L"e", false);
    EXPECT_EQ(item.value, 1);
    item.fromTsoString("7", L"k", L"e", false); // not in the list: the smallest value
    EXPECT_EQ(item.value, 0);
    item.fromTsoString("B", L"k", L"e", false); // not a number: a label
    EXPECT_EQ(item.value, 1);
    item.value = 9;
    EXPECT_EQ(TestKit::errorText([&] { item.toString(); }), "invalid map<K, T> key");

    EffectItemSelectButton buttons(items, L"方向", 1, item.holder, 0.5f, 1.0f);
    EXPECT_EQ(buttons.kind, EffectItemKind::SelectButton);
    EXPECT_EQ(buttons.toString(), "B");
    auto copy = buttons.clone();
    auto& b = dynamic_cast<EffectItemSelectButton&>(*copy);
    EXPECT_EQ(b.list, buttons.list);
    EXPECT_FLOAT_EQ(b.left, 0.5f);
    EXPECT_TRUE(b.isEqual(buttons));
}

TEST(SelectItem, SharedListKeepsFirstLabelAndSmallerValueOfTwins)
{
    auto list = EffectItemSelect::SharedList::create();
    list->insert(3, L"X");
    list->insert(3, L"Y"); // a known value keeps its label
    list->insert(1, L"Z");
    list->add(0, std::wstring(L"Z").c_str());
    EXPECT_STREQ(list->getLabel(3), L"X");
    EXPECT_FALSE(list->contains(L"Y"));
    EXPECT_EQ(list->getValue(L"Z"), 1);
    EXPECT_EQ(TestKit::errorText([&] { list->getValue(L"W"); }), "invalid unordered_map<K, T> key");
    // The list shows its entries in value order.
    std::vector<int> order;
    for (auto& [v, l] : list->labels)
        order.push_back(v);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 3}));
}

TEST(FontItem, UnknownFamilyFallsBackToTheDefaultFamily)
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    auto* fonts = services.acquire<Media::Direct2DService>();
    const auto installed = fonts->getFontListByName();
    ASSERT_GE(installed.size(), 2u);
    ASSERT_NE(fonts->findFont(Setting::Font::DefaultFamily), nullptr) << "the default family is installed";

    auto& list = EffectItemFontSelect::getFontList();
    EXPECT_EQ(list.labels.size(), installed.size());
    EXPECT_STREQ(list.getLabel(0), installed[0]->getName()); // in display-name order

    EffectItemList items;
    EffectItemFontSelect unknown(items, L"フォント", L"Not Installed Family");
    EXPECT_EQ(unknown.toString(), System::wideToUtf8(Setting::Font::DefaultFamily));
    EffectItemFontSelect unnamed(items, L"フォント");
    EXPECT_EQ(unnamed.value, unknown.value);
    EffectItemFontSelect named(items, L"フォント", installed[1]->getName());
    EXPECT_EQ(named.value, 1);
    named.fromString(System::wideToUtf8(installed[0]->getName()));
    EXPECT_EQ(named.value, 0);
    EXPECT_EQ(named.kind, EffectItemKind::Font);
    EXPECT_EQ(named.clone()->toString(), System::wideToUtf8(installed[0]->getName()));
}

TEST(FontItem, FirstItemsMadeOnSeveralThreadsSeeTheWholeList)
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    auto* fonts = services.acquire<Media::Direct2DService>();
    const auto installed = fonts->getFontListByName();
    ASSERT_GE(installed.size(), 2u);
    const std::wstring last = installed.back()->getName();
    constexpr int Threads = 8;
    int values[Threads] = {};
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < Threads) {
            }
            EffectItemList items;
            EffectItemFontSelect item(items, L"フォント", last.c_str());
            values[t] = item.value;
        });
    for (auto& thread : threads)
        thread.join();
    for (int v : values)
        EXPECT_EQ(v, static_cast<int>(installed.size()) - 1);
}

TEST(FileItem, ExpandsPathVariablesAndRefusesNothing)
{
    EffectItemList items;
    EffectItemFile item(items, L"ファイル", nullptr);
    item.fromString("%Figure%/star.svg");
    const std::wstring expected = System::FileName::expand(L"%Figure%") + L"/star.svg";
    EXPECT_EQ(item.path, expected);
    EXPECT_STREQ(item.getFilePath(), expected.c_str());
    EXPECT_EQ(item.toString(), System::wideToUtf8(expected));
    item.setFilePath(L"/tmp/a b.png");
    EXPECT_EQ(item.toString(), "/tmp/a b.png");

    EffectItemCheck check(items, L"c", false);
    EXPECT_EQ(check.getFilePath(), nullptr);
    EXPECT_EQ(TestKit::errorText([&] { check.setFilePath(L"x"); }).rfind("not implement.", 0), 0u);
}

TEST(FigureItem, ChoosesBuiltInFiguresOrSvgFiles)
{
    auto& figures = EffectItemFigureSelect::getFigureList();
    figures->insert(0, L"背景");
    figures->insert(1, L"円");
    figures->insert(2, L"四角形");
    EffectItemList items;
    EffectItemFigureSelect item(items, L"図形");
    EXPECT_EQ(item.value, 1);
    EXPECT_EQ(item.toString(), "円");
    item.fromString("/home/u/star.svg");
    EXPECT_EQ(item.value, -1);
    EXPECT_EQ(item.toString(), "/home/u/star.svg");
    item.fromString("noext"); // neither a label nor a file
    EXPECT_EQ(item.toString(), "/home/u/star.svg");
    item.fromString("四角形");
    EXPECT_EQ(item.value, 2);
    EXPECT_TRUE(item.path.empty());
    item.fromTsoString("9", L"k", L"e", false); // not in the list: the first entry
    EXPECT_EQ(item.value, 0);
    item.setFilePath(L"");
    EXPECT_EQ(item.value, 0);
    EXPECT_EQ(TestKit::errorText([&] { EffectItemFigureSelect bad(items, L"x", L"星"); }), "invalid unordered_map<K, T> key");
    EffectItemFigureSelect script(items, L"図形", L"四角形", EffectItemKind::ScriptFigure);
    EXPECT_EQ(script.value, 2);
    EXPECT_EQ(script.kind, 17);
}

TEST(FigureAndMaskItems, SaveAndReadBackBeforeTheirListsAreFilled)
{
    // The lists live as long as the process: before any effect service filled them.
    if (!TestKit::inFreshProcess())
        return;
    ASSERT_TRUE(EffectItemFigureSelect::getFigureList()->empty());
    ASSERT_TRUE(EffectItemMaskSelect::getMaskList()->empty());
    EffectItemList items;
    EffectItemFigureSelect figure(items, L"図形"); // no name: the entry with value 1, not listed yet
    EffectItemMaskSelect mask(items, L"マスク");
    for (EffectItem* item : items) {
        EXPECT_EQ(item->toString(), "");
        auto copy = item->clone();
        copy->fromString(item->toString());
        EXPECT_TRUE(copy->isEqual(*item));
    }
}

TEST(ColorItem, TextFormsOfAllSources)
{
    EffectItemList items;
    EffectItemColor item(items, L"色", 255, 255, 255, EffectItemKind::ColorOrNone);
    item.r = 255, item.g = 128, item.b = 0;
    EXPECT_EQ(item.toString(), "ff8000");
    item.fromString("");
    EXPECT_TRUE(item.none);
    EXPECT_EQ(item.toString(), "");
    item.fromString("00FF0a");
    EXPECT_FALSE(item.none);
    EXPECT_EQ(item.toString(), "00ff0a");
    // Any other length is refused, and the item keeps its colour (or its "none").
    for (const char* bad : {"0ff8", "0ff80", "00ff0a00"})
        EXPECT_EQ(TestKit::errorText([&] { item.fromString(bad); }), "RGB argument is invalid.") << bad;
    EXPECT_EQ(item.toString(), "00ff0a");
    EffectItemColor none(items, L"色", 0, 0, 0, EffectItemKind::ColorOrNone, true);
    EXPECT_THROW(none.fromString("0ff80"), std::exception);
    EXPECT_TRUE(none.none);
    EXPECT_EQ(TestKit::errorText([&] { item.fromString("   "); }), "RGB argument is invalid.");
    item.fromScriptString("16711680");
    EXPECT_EQ(item.toString(), "ff0000");
    item.fromScriptString("ff8000"); // not a decimal number: hexadecimal
    EXPECT_EQ(item.toString(), "ff8000");

    ColorF c = item.getColor(Render::RenderObject{});
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.a, 1.0f);
}

TEST(ColorItem, OlderFileKeys)
{
    EffectItemList items;
    EffectItemColor item(items, L"色", 1, 2, 3);
    item.fromTsoString("0", L"no_color", L"e", false);
    EXPECT_FALSE(item.none);
    item.fromTsoString("1", L"no_color", L"e", false);
    EXPECT_TRUE(item.none);
    EXPECT_EQ(TestKit::errorText([&] { item.fromTsoString("x", L"no_color", L"e", false); }), "invalid stoi argument");

    item.fromTsoString("102030", L"color", L"e", false);
    EXPECT_EQ(item.toString(), "102030");
    item.fromTsoString("255", L"color", L"e", true);
    EXPECT_EQ(item.toString(), "0000ff");

    // Y=4096 (0x1000), Cb=0, Cr=0: white.
    item.fromTsoString("001000000000", L"color_yc", L"e", false);
    EXPECT_EQ(item.toString(), "ffffff");
    // Y=2048, Cb=-512 (0xfe00), Cr=1024 (0x0400).
    item.fromTsoString("000800fe0004", L"color_yc2", L"e", false);
    EXPECT_EQ(item.r, 217); // (2048 + 1.402 * 1024) * 255 / 4096 = 216.9
    EXPECT_EQ(item.g, 93);  // (2048 + 0.344 * 512 - 0.714 * 1024) * 255 / 4096 = 92.9
    EXPECT_EQ(item.b, 73);  // (2048 - 1.722 * 512) * 255 / 4096 = 72.6
    item.fromTsoString("00100000000", L"color_yc", L"e", false); // 11 characters: ignored
    item.fromTsoString("0010000000000", L"color_yc", L"e", false);
    EXPECT_EQ(item.r, 217);
}

TEST(MaskItem, MasksScenesFilesAndTemporaryBuffers)
{
    auto& masks = EffectItemMaskSelect::getMaskList();
    masks->insert(0, L"円");
    masks->insert(1, L"四角形");
    ItemSources::sceneName = [](int id) { return id == 3 ? std::wstring(L"Scene3") : std::wstring(); };
    ItemSources::findScene = [](const std::wstring& n) { return n == L"Scene3" ? 3 : -1; };

    EffectItemList items;
    EffectItemMaskSelect item(items, L"マスク");
    EXPECT_EQ(item.toString(), "四角形");
    item.fromString("Scene3");
    EXPECT_EQ(item.sceneId, 3);
    EXPECT_EQ(item.toString(), "Scene3");
    item.fromString("*buffer");
    EXPECT_EQ(item.value, -1);
    EXPECT_EQ(item.sceneId, -1);
    EXPECT_EQ(item.toString(), "*buffer");
    item.fromString("plain"); // no label, scene, point or star: no change
    EXPECT_EQ(item.toString(), "*buffer");
    item.fromString("円");
    EXPECT_EQ(item.value, 0);
    EXPECT_TRUE(item.path.empty());
    item.setSceneId(7); // no such scene: the first mask
    EXPECT_EQ(item.toString(), "円");
    item.setFilePath(L"/tmp/m.png");
    EXPECT_EQ(item.toString(), "/tmp/m.png");

    EffectItemMaskSelect other(items, L"マスク");
    EXPECT_FALSE(other.isEqual(item));
    other.setData(item);
    EXPECT_TRUE(other.isEqual(item));
    item.sceneId = 4; // a scene that no longer exists
    EXPECT_EQ(item.toString(), "");
}

TEST(SceneAndLayerItems, AreIntegersOfTheirKinds)
{
    EffectItemList items;
    EffectItemScene scene(items, L"シーン");
    EffectItemLayerRange range(items, L"対象レイヤー数", 0, 0, 1000, L"---");
    EXPECT_EQ(scene.kind, EffectItemKind::Scene);
    EXPECT_EQ(scene.maxValue, 1000000);
    EXPECT_EQ(range.kind, EffectItemKind::LayerRange);
    range.fromString("12");
    EXPECT_EQ(range.toString(), "12");
    auto copy = range.clone();
    EXPECT_NE(dynamic_cast<EffectItemLayerRange*>(copy.get()), nullptr);
}

TEST(ButtonItem, HasNoValue)
{
    EffectItemList items;
    int pressed = 0;
    EffectItemButton button(items, L"波形のプリセット", 0.0f, 1.0f,
                            [&](Component::EffectItemButtonControl&) { ++pressed; });
    button.fromString("whatever");
    EXPECT_EQ(button.toString(), "");
    auto copy = button.clone();
    auto& c = dynamic_cast<EffectItemButton&>(*copy);
    EXPECT_TRUE(c.isEqual(button));
    EXPECT_TRUE(static_cast<bool>(c.action));
    EXPECT_FLOAT_EQ(c.right, 1.0f);
}

TEST(YuvItem, ColourSpacesOfTheGraphicsDeviceRoundTrip)
{
    System::IniFile conf;
    conf.loadText("[YUV2RGB]\n"
                  "0=BT.601,0,1,0,1.402,1,-0.344136,-0.714136,1,1.772,0\n"
                  "[RGB2YUV]\n"
                  "0=BT.601,0,0.299,0.587,0.114,-0.168736,-0.331264,0.5,0.5,-0.418688,-0.0813124\n"
                  "1=BT.709,720,0.2126,0.7152,0.0722,-0.114572,-0.385428,0.5,0.5,-0.454153,-0.0458471\n"
                  "2=BT.2020,99999,0.2627,0.678,0.0593,-0.13963,-0.36037,0.5,0.5,-0.459786,-0.0402143\n",
                  L"system.conf", false);
    Media::YUVformat::InitializeColorTable(conf);
    ItemSources::installColorSpaces();

    EffectItemList items;
    EffectItemYUV saved(items, L"YUV");
    EffectItemYUV read(items, L"YUV");
    const struct {
        int space, range;
        const char* text;
    } cases[] = {{1, 0, "BT.601"}, {2, 1, "BT.709,1"}, {3, 2, "BT.2020,2"}, {0, 1, ",1"}};
    for (auto& c : cases) {
        saved.colorSpace = c.space;
        saved.colorRange = c.range;
        EXPECT_EQ(saved.toString(), c.text);
        read.fromString(saved.toString());
        EXPECT_TRUE(read.isEqual(saved)) << c.text;
    }
    saved.colorSpace = 4; // beyond the list: automatic
    EXPECT_EQ(saved.toString(), "自動,1");
    read.fromString(saved.toString());
    EXPECT_EQ(read.colorSpace, 0);
}

TEST(YuvItem, TextOfSpaceAndRange)
{
    const std::vector<std::wstring> spaces = {L"BT.601", L"BT.709"};
    ItemSources::colorSpaceName = [&](int i) { return i >= 0 && i < 2 ? spaces[i] : std::wstring(); };
    ItemSources::findColorSpace = [&](const std::wstring& n) {
        for (int i = 0; i < 2; ++i)
            if (spaces[i] == n)
                return i + 1;
        return 0;
    };
    EffectItemList items;
    EffectItemYUV item(items, L"YUV");
    EXPECT_EQ(item.toString(), "");
    item.colorRange = 2;
    EXPECT_EQ(item.toString(), ",2");
    item.fromString(",2");
    EXPECT_EQ(item.colorSpace, 0);
    EXPECT_EQ(item.colorRange, 2);
    item.fromString("BT.709,1");
    EXPECT_EQ(item.colorSpace, 2);
    EXPECT_EQ(item.toString(), "BT.709,1");
    item.colorSpace = 9;
    item.colorRange = 0;
    EXPECT_EQ(item.toString(), "自動");
    item.fromString("unknown,x"); // unknown space and a bad range read as automatic
    EXPECT_EQ(item.colorSpace, 0);
    EXPECT_EQ(item.colorRange, 0);
    item.fromString("");
    EXPECT_EQ(item.colorSpace, 0);
}
