// The rules of an object's effect chain and the values taken from it.
#include "core/text.h"
#include "effect/movement.h"
#include "tests/project/project_fixture.h"
#include "tests/support/test_support.h"

using namespace ProjectTest;
using Edit::Object;
using Edit::Scene;

namespace {

std::string chain(const Object& object)
{
    std::string text;
    for (const auto& effect : object.effects)
        text += System::wideToUtf8(effect->name) + " ";
    return text;
}

} // namespace

TEST(Fits, MediaAgainstMedia)
{
    // Rows: the media tested against (y); columns: x = 0..5.
    const char* table[] = {
        /* y=1 */ "110100",
        /* y=2 */ "101100",
        /* y=3 */ "111101",
        /* y=4 */ "100010",
        /* y=5 */ "100001",
    };
    for (int y = 1; y <= 5; ++y)
        for (int x = 0; x <= 5; ++x)
            EXPECT_EQ(Edit::fits(static_cast<uint8_t>(x), static_cast<uint8_t>(y)), table[y - 1][x] == '1')
                << "x=" << x << " y=" << y;
}

TEST_F(ModelTest, ObjectTypes)
{
    Scene scene(0, 0);
    const struct {
        const wchar_t* top;
        const wchar_t* more;
        int type;
    } cases[] = {
        {L"画像ファイル", nullptr, 1},     {L"音声ファイル", nullptr, 2}, {L"動画ファイル", nullptr, 3},
        {L"ぼかし", nullptr, 4},           {L"音量調整", nullptr, 5},     {L"両用フィルタ", nullptr, 6},
        {L"カメラ制御", nullptr, 7},       {L"画像ファイル", L"映像再生", 3}, // the output decides
    };
    for (const auto& c : cases) {
        auto object = place(scene, 0, 0, 9, c.top);
        if (c.more)
            object->setOutputEffect(define(c.more));
        EXPECT_EQ(object->getObjectType(), c.type) << System::wideToUtf8(c.top);
    }
    Object empty;
    EXPECT_NE(TestKit::errorText([&] { empty.getObjectType(); }).find("not exist effect."), std::string::npos);
    empty.effects.push_back(define(L"標準描画").createEffect());
    EXPECT_NE(TestKit::errorText([&] { empty.getObjectType(); }).find("illegal top effect."), std::string::npos);
}

TEST_F(ModelTest, FiltersFitTheObjectMedia)
{
    Scene scene(0, 0);
    const struct {
        const wchar_t* input;
        const char* accepted; // one flag per filter below
    } cases[] = {{L"画像ファイル", "10100"}, {L"音声ファイル", "01100"}, {L"動画ファイル", "11110"}};
    const wchar_t* filters[] = {L"ぼかし", L"音量調整", L"両用フィルタ", L"シーン用フィルタ", L"並行光源(カメラ制御)"};
    for (const auto& c : cases) {
        for (int f = 0; f < 5; ++f) {
            auto object = place(scene, 0, 0, 9, c.input);
            const std::string before = chain(*object);
            const std::string error = TestKit::errorText([&] { object->setFilterEffect(define(filters[f])); });
            if (c.accepted[f] == '1') {
                EXPECT_EQ(error, "(no error)");
                EXPECT_EQ(object->effects.back()->name, std::wstring(filters[f]));
            } else {
                EXPECT_NE(error.find("different effect type."), std::string::npos);
                EXPECT_EQ(chain(*object), before);
            }
        }
    }
}

TEST_F(ModelTest, ReplacingTheInputThenFixingTheChain)
{
    Scene scene(0, 0);
    // An image object with a video filter and a filter of both media.
    auto object = place(scene, 0, 0, 9);
    object->setFilterEffect(define(L"ぼかし"));
    object->setFilterEffect(define(L"両用フィルタ"));
    object->setInputEffect(define(L"音声ファイル"));
    EXPECT_EQ(chain(*object), "音声ファイル 標準描画 ぼかし 両用フィルタ "); // checked against the old input
    object->fixEffectList();
    // The video output and filter go; the filter that fits both stays behind the new output.
    EXPECT_EQ(chain(*object), "音声ファイル 音声再生 両用フィルタ ");

    // A scene filter fits a video and audio object, but not once the chain is fixed.
    auto movie = place(scene, 1, 0, 9, L"動画ファイル");
    movie->setFilterEffect(define(L"シーン用フィルタ"));
    movie->fixEffectList();
    EXPECT_EQ(chain(*movie), "動画ファイル 映像再生 ");

    // An input whose filters do not fit the current one is refused, nothing changed.
    auto odd = place(scene, 2, 0, 9);
    odd->effects.push_back(define(L"音量調整").createEffect());
    const std::string error = TestKit::errorText([&] { odd->setInputEffect(define(L"動画ファイル")); });
    EXPECT_NE(error.find("different filter effect type."), std::string::npos);
    EXPECT_EQ(chain(*odd), "画像ファイル 標準描画 音量調整 ");

    // The same input keeps its instance and values.
    auto input = object->effects[0];
    itemX(*input).setValue(12.5, 0);
    EXPECT_EQ(*object->setInputEffect(define(L"音声ファイル")), input);
    EXPECT_EQ(itemX(*object->effects[0]).getIndexValue(0), 12.5);
}

TEST_F(ModelTest, OutputsAndControls)
{
    Scene scene(0, 0);
    // An output in place of a filter at position 1.
    auto object = place(scene, 0, 0, 9, L"ぼかし");
    object->effects.insert(object->effects.begin(), define(L"画像ファイル").createEffect());
    object->setOutputEffect(define(L"標準描画"));
    EXPECT_EQ(chain(*object), "画像ファイル 標準描画 ");
    // An output that names its input creates both, input first.
    Object alone;
    alone.setOutputEffect(define(L"パーティクル出力"));
    EXPECT_EQ(chain(alone), "図形 パーティクル出力 ");
    Object none;
    EXPECT_NE(TestKit::errorText([&] { none.setOutputEffect(define(L"標準描画")); }).find("not exist input effect."),
              std::string::npos);
    EXPECT_TRUE(none.effects.empty());

    auto camera = place(scene, 1, 0, 9, L"カメラ制御");
    EXPECT_NE(TestKit::errorText([&] { camera->setControlEffect(define(L"グループ制御")); })
                  .find("can not change control effect."),
              std::string::npos);
    EXPECT_EQ(chain(*camera), "カメラ制御 ");
    auto change = place(scene, 2, 0, 9, L"シーンチェンジ");
    EXPECT_FALSE(change->layerControl);
    change->setControlEffect(define(L"時間制御(オブジェクト)"));
    EXPECT_EQ(chain(*change), "時間制御(オブジェクト) ");
    EXPECT_TRUE(change->layerControl);
}

TEST_F(ModelTest, MovingRemovingInsertingAndCopyingEffects)
{
    Scene scene(0, 0);
    auto object = place(scene, 0, 0, 9);
    object->setFilterEffect(define(L"ぼかし"));
    object->setFilterEffect(define(L"両用フィルタ"));
    const std::string order = chain(*object);
    object->moveEffectUp(object->effects[2].get()); // the first filter stays behind the output
    object->moveEffectDown(object->effects[3].get());
    EXPECT_EQ(chain(*object), order);
    object->moveEffectDown(object->effects[2].get());
    EXPECT_EQ(chain(*object), "画像ファイル 標準描画 両用フィルタ ぼかし ");

    // In a filter object the first two filters may swap; removing the top
    // filter makes the next one the top.
    auto filters = place(scene, 1, 0, 9, L"ぼかし");
    filters->setFilterEffect(define(L"両用フィルタ"));
    filters->moveEffectUp(filters->effects[1].get());
    EXPECT_EQ(chain(*filters), "両用フィルタ ぼかし ");
    filters->removeEffect(filters->effects[0].get());
    EXPECT_EQ(chain(*filters), "ぼかし ");
    filters->removeEffect(filters->effects[0].get()); // the last one stays
    object->removeEffect(object->effects[0].get());   // an input stays
    object->removeEffect(object->effects[2].get());
    EXPECT_EQ(chain(*filters), "ぼかし ");
    EXPECT_EQ(chain(*object), "画像ファイル 標準描画 ぼかし ");

    // Inserted behind a given filter, with its section's values, sized for the mid points.
    object->midPoints = {5};
    System::IniFile ini;
    ini.loadText("[e]\nX=1.5\n", L"alias", true);
    auto blur = object->effects[2];
    object->insertEffectAfter(L"両用フィルタ", ini.getSection("e"), *object, nullptr);
    auto inserted = *object->insertEffectAfter(L"両用フィルタ", ini.getSection("e"), *object, object->effects[1].get());
    EXPECT_EQ(chain(*object), "画像ファイル 標準描画 両用フィルタ ぼかし 両用フィルタ ");
    EXPECT_EQ(object->effects[2], inserted);
    EXPECT_EQ(itemX(*inserted).values.size(), 1u); // no movement: one value
    EXPECT_EQ(itemX(*inserted).getIndexValue(0), 1.5);

    // Copies: new instances with the values, flags and layer-control flag.
    blur->disable = true;
    itemX(*blur).setValue(7.0, 0);
    Object copy;
    object->copyEffectList(copy);
    ASSERT_EQ(chain(copy), chain(*object));
    EXPECT_NE(copy.effects[3], blur);
    EXPECT_TRUE(copy.effects[3]->disable);
    EXPECT_EQ(itemX(*copy.effects[3]).getIndexValue(0), 7.0);
    auto camera = place(scene, 2, 0, 9, L"カメラ制御");
    camera->copyEffectList(copy);
    EXPECT_TRUE(copy.layerControl);
}

TEST_F(ModelTest, ValuesAtAFrame)
{
    Scene scene(0, 0);
    auto object = place(scene, 0, 100, 110);
    Effect::EffectItemNumber& x = itemX(*object->effects[0]);
    Effect::EffectItemNumber& y = *dynamic_cast<Effect::EffectItemNumber*>(object->effects[0]->items[1]);
    x.fromString("0.0,100.0,直線移動,0");
    y.fromString("0,40,直線移動(時間制御),0");
    auto values = object->getValuesAtFrame(&scene, *object, 105, true);
    EXPECT_DOUBLE_EQ(values.at(&x).value, 50.0);
    EXPECT_DOUBLE_EQ(values.at(&y).value, 20.0); // straight between the section's points
    EXPECT_EQ(values.at(&y).index, -1);
    values = object->getValuesAtFrame(&scene, *object, 105, false);
    EXPECT_EQ(values.at(&y).index, y.movement->getCurrentSection(y, [&] {
        Render::SectionPosition p;
        p.setPosition(*object, 105, 105);
        return p;
    }()));

    // A one-frame object has no length to divide by: its first value, not NaN.
    auto one = place(scene, 1, 7, 7);
    auto& t = *dynamic_cast<Effect::EffectItemNumber*>(one->effects[0]->items[1]);
    t.fromString("3,9,直線移動(時間制御),0");
    EXPECT_DOUBLE_EQ(one->getValuesAtFrame(&scene, *one, 7, true).at(&t).value, 3.0);
}
