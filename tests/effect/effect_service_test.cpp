// The registry: registration order and failures, lookups, menus and movement lists.
#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/report.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "effect/movement.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

#include <algorithm>

using namespace Effect;

namespace {

// A small effect whose header values come from its template arguments.
struct Header {
    const wchar_t* name;
    uint8_t type, media, objectMedia;
    const wchar_t* category;
};

template <const Header& H>
class TestEffect : public EffectBase {
public:
    static constexpr const wchar_t* Name = H.name;
    TestEffect() : EffectBase(H.name, H.type, H.media, H.objectMedia, H.category) {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestEffect>(); }
    void createCommonResource() override { resource = std::make_shared<int>(42); }
    void shareResource(EffectBase& prototype) override { resource = static_cast<TestEffect&>(prototype).resource; }
    void initializeDefault() override { initialized = true; }
    EffectDefine* getDefaultInputEffect() override
    {
        return std::wstring_view(H.name) == L"パーティクル出力" ? &EffectService::Get()->findEffect(L"図形")
                                                                  : nullptr;
    }
    std::shared_ptr<int> resource;
    bool initialized = false;
    EffectItemNumber level{items, L"レベル", 1.0, 0.0, 10.0, 1.0};
};

constexpr Header Movie{L"動画ファイル", 1, 3, 3, L""};
constexpr Header Image{L"画像ファイル", 1, 1, 1, L""};
constexpr Header Audio{L"音声ファイル", 1, 2, 2, L""};
constexpr Header Figure{L"図形", 1, 1, 1, L""};
constexpr Header Frame{L"フレームバッファ", 1, 1, 1, L""};
constexpr Header Standard{L"標準描画", 2, 1, 1, L""};
constexpr Header Sound{L"音声再生", 2, 2, 2, L""};
constexpr Header MovieOut{L"映像再生", 2, 3, 3, L""};
constexpr Header Simple{L"基本出力", 2, 1, 1, L""};
constexpr Header Particle{L"パーティクル出力", 2, 1, 1, L""};
constexpr Header Camera{L"カメラ制御", 4, 1, 4, L"オブジェクト制御"};
constexpr Header Time{L"時間制御(オブジェクト)", 4, 3, 5, L"オブジェクト制御"};
constexpr Header Blur{L"ぼかし", 3, 1, 1, L"ぼかし"};
constexpr Header Glow{L"グロー", 3, 1, 1, L"光効果"};
constexpr Header Lens{L"レンズブラー", 3, 1, 1, L"ぼかし"};
constexpr Header Light{L"並行光源(カメラ制御)", 3, 4, 4, L"カメラ制御"};
constexpr Header Volume{L"音量調整", 3, 2, 2, L"音声効果"};
constexpr Header BlurAgain{L"ぼかし", 3, 1, 1, L"別"};

class Failing : public EffectBase {
public:
    Failing() : EffectBase(L"失敗", 3, 1, 1, L"") { throw std::runtime_error("constructor failed"); }
    std::shared_ptr<EffectBase> create() override { return nullptr; }
};

class FailingResource : public EffectBase {
public:
    FailingResource() : EffectBase(L"資源失敗", 3, 1, 1, L"") {}
    std::shared_ptr<EffectBase> create() override { return nullptr; }
    void createCommonResource() override { throw std::runtime_error("no shader"); }
};

void beforeScripts(EffectService& s)
{
    s.registerEffect<TestEffect<Movie>>();
    s.registerEffect<TestEffect<Image>>();
    s.registerEffect<TestEffect<Audio>>();
    s.registerEffect<TestEffect<Figure>>();
    s.registerEffect<TestEffect<Frame>>();
    s.registerEffect<TestEffect<Standard>>();
    s.registerEffect<TestEffect<Sound>>();
    s.registerEffect<TestEffect<MovieOut>>();
    s.registerEffect<TestEffect<Simple>>();
    s.registerEffect<TestEffect<Particle>>();
    s.registerEffect<TestEffect<Camera>>();
    s.registerEffect<TestEffect<Time>>();
    s.registerEffect<TestEffect<Blur>>();
    s.registerEffect<Failing>();
    s.registerEffect<TestEffect<Glow>>();
    s.registerEffect<TestEffect<BlurAgain>>();
    s.registerEffect<FailingResource>();
    s.registerEffect<TestEffect<Lens>>();
}

void afterScripts(EffectService& s)
{
    s.registerEffect<TestEffect<Light>>();
    s.registerEffect<TestEffect<Volume>>();
}

// Starts the services with the test effects as built-ins; collects the reported errors.
class Registry : public ::testing::Test {
protected:
    Registry()
    {
        System::Report::Sink sink;
        sink.error = [this](const std::string& message) {
            boxes.push_back(message);
            return 0;
        };
        sink.wideError = [this](const std::wstring& message) {
            boxes.push_back(System::wideToUtf8(message));
            return 0;
        };
        System::Report::setSink(std::move(sink));
        EffectService::builtInEffects = {beforeScripts, afterScripts};
        services = std::make_unique<EffectTest::Services>();
    }
    ~Registry() override
    {
        services.reset();
        EffectService::builtInEffects = {};
        System::Report::setSink({});
    }
    EffectService& registry() { return services->effects(); }
    std::vector<std::wstring> names(const std::vector<EffectMenuDefine*>& list)
    {
        std::vector<std::wstring> out;
        for (auto* d : list)
            out.push_back(d->getName());
        return out;
    }

    std::vector<std::string> boxes;
    TestKit::LogCapture log;
    std::unique_ptr<EffectTest::Services> services;
};

} // namespace

TEST_F(Registry, OrderValuesFollowTheRegistrationSequence)
{
    EXPECT_EQ(registry().findMovement(L"移動無し").order, 0);
    EXPECT_EQ(registry().findMovement(L"再生範囲").order, 1);
    EXPECT_EQ(registry().findMovement(L"瞬間移動").order, 7);
    EXPECT_EQ(registry().findEffect(L"動画ファイル").order, 8);
    EXPECT_EQ(registry().findEffect(L"ぼかし").order, 20);
    // The failing constructor used no value; the duplicate and the failing resource did.
    EXPECT_EQ(registry().findEffect(L"グロー").order, 21);
    EXPECT_EQ(registry().findEffect(L"レンズブラー").order, 24);
    EXPECT_EQ(registry().findEffect(L"並行光源(カメラ制御)").order, 25);
    EXPECT_EQ(registry().orderCounter, 27);
    EXPECT_TRUE(registry().ready);
    EXPECT_TRUE(log.contains("INFO|Effect::EffectService::registerEffect|register effect ["));
    EXPECT_TRUE(log.contains("INFO|Effect::EffectService::registerMovement|register movement ["));
}

TEST_F(Registry, FailuresAreShownAndSkipped)
{
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_NE(boxes[0].find("Failed to register effect. ["), std::string::npos);
    EXPECT_NE(boxes[0].find("Failing]\n\nconstructor failed"), std::string::npos) << boxes[0];
    EXPECT_EQ(boxes[1], "Failed to register effect. [ぼかし]\n\nDuplicate effects with the same key exist.");
    EXPECT_NE(boxes[2].find("FailingResource]\n\nno shader"), std::string::npos) << boxes[2];
    EXPECT_STREQ(registry().findEffect(L"ぼかし").prototype->category, L"ぼかし"); // the first one stays
    EXPECT_EQ(registry().effects.count(L"資源失敗"), 0u);
    EXPECT_EQ(registry().effects.count(L"失敗"), 0u);

    // A movement registered twice.
    EXPECT_EQ(registry().registerMovement<NoMove>(), nullptr);
    EXPECT_EQ(boxes.back(), "Failed to register movement. [移動無し]\n\nDuplicate movements with the same key exist.");
}

TEST_F(Registry, PrototypesAreReadyAndShareTheirResource)
{
    EffectDefine& blur = registry().findEffect(L"ぼかし");
    auto* prototype = dynamic_cast<TestEffect<Blur>*>(blur.prototype.get());
    ASSERT_NE(prototype, nullptr);
    EXPECT_TRUE(prototype->initialized);
    ASSERT_TRUE(prototype->resource);
    auto instance = registry().createEffect(L"ぼかし");
    auto* made = dynamic_cast<TestEffect<Blur>*>(instance.get());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->resource, prototype->resource);
    EXPECT_FALSE(made->initialized);
    EXPECT_TRUE(blur.isSame(made));
    EXPECT_FALSE(registry().findEffect(L"グロー").isSame(made));
    EXPECT_EQ(registry().createEffect(L"存在しない"), nullptr);
    EXPECT_EQ(registry().getDefaultEffect<TestEffect<Blur>>(), prototype);
    EXPECT_NE(TestKit::errorText([&] { registry().getDefaultEffect<TestEffect<BlurAgain>>(); }).find("default effect not found"),
              std::string::npos);
}

TEST_F(Registry, LookupsAreExact)
{
    EXPECT_EQ(TestKit::errorText([&] { registry().findEffect(L"ボカシ"); }).rfind("not found effect.", 0), 0u);
    // The note names the effect (report texts are in the ANSI code page).
    EXPECT_NE(TestKit::errorText([&] { registry().findEffect(L"ぼかし "); }).find(System::wideToAnsi(L"ぼかし ")),
              std::string::npos);
    EXPECT_EQ(TestKit::errorText([&] { registry().findMovement(L"直線"); }).rfind("not found movement.", 0), 0u);
    EXPECT_EQ(&registry().getOutputEffect(registry().findEffect(L"動画ファイル")),
              &registry().findEffect(L"映像再生"));
    EXPECT_EQ(&registry().getOutputEffect(registry().findEffect(L"画像ファイル")),
              &registry().findEffect(L"標準描画"));
    EXPECT_EQ(&registry().getOutputEffect(registry().findEffect(L"フレームバッファ")),
              &registry().findEffect(L"基本出力"));
    EXPECT_EQ(&registry().getOutputEffect(registry().findEffect(L"音声ファイル")),
              &registry().findEffect(L"音声再生"));
    EXPECT_EQ(TestKit::errorText([&] { registry().getOutputEffect(registry().findEffect(L"並行光源(カメラ制御)")); })
                  .rfind("invalid input effect type.", 0),
              0u);
}

TEST_F(Registry, OlderNamesAreMappedThroughTheSettings)
{
    Setting::SettingService::Get()->effect.loadText("[OldScript]\r\nBlur=ぼかし\r\nEmpty=\r\nGone=消えた\r\n",
                                                     L"effect.conf", false);
    EXPECT_EQ(&registry().findOldEffect(L"Blur"), &registry().findEffect(L"ぼかし"));
    EXPECT_EQ(&registry().findOldEffect(L"グロー"), &registry().findEffect(L"グロー"));
    EXPECT_EQ(registry().convertOldEffectName(L"Other"), L"Other");
    EXPECT_NE(TestKit::errorText([&] { registry().findOldEffect(L"Gone"); }).find(System::wideToAnsi(L"消えた")),
              std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { registry().findOldEffect(L"Empty"); }).find("ini file parameter invalid format(UTF8)"),
              std::string::npos);
}

TEST_F(Registry, MenuListsFilterByKindAndMediaInOrder)
{
    std::vector<std::wstring> all = names(registry().getEffectMenuList(0, 0, 0));
    EXPECT_EQ(all.size(), registry().effects.size());
    EXPECT_EQ(all.front(), L"動画ファイル");
    EXPECT_EQ(all.back(), L"音量調整");

    auto objects = names(registry().getEffectMenuList(EffectType::ObjectMenu, 0, 0));
    EXPECT_NE(std::find(objects.begin(), objects.end(), L"パーティクル出力"), objects.end());
    EXPECT_EQ(std::find(objects.begin(), objects.end(), L"標準描画"), objects.end());
    EXPECT_NE(std::find(objects.begin(), objects.end(), L"カメラ制御"), objects.end());

    EXPECT_EQ(names(registry().getEffectMenuList(EffectType::FilterMenu, MediaType::Camera, 0)),
              std::vector<std::wstring>{L"並行光源(カメラ制御)"});
    EXPECT_EQ(names(registry().getEffectMenuList(EffectType::FilterMenu, MediaType::VideoAudio, 0)),
              (std::vector<std::wstring>{L"ぼかし", L"グロー", L"レンズブラー", L"音量調整"}));
    // A video-and-audio output also serves an audio object.
    EXPECT_EQ(names(registry().getEffectMenuList(EffectType::Output, MediaType::Audio, 0)),
              (std::vector<std::wstring>{L"音声再生", L"映像再生"}));
    EXPECT_EQ(names(registry().getEffectMenuList(EffectType::Control, 0, MediaType::SceneChange)),
              (std::vector<std::wstring>{L"時間制御(オブジェクト)"}));
}

TEST_F(Registry, LabelListHoldsEachLabelOnceInMenuOrder)
{
    std::vector<std::wstring> labels;
    for (const wchar_t* l : registry().getEffectLabelList())
        labels.push_back(l);
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"オブジェクト制御", L"ぼかし", L"光効果", L"カメラ制御", L"音声効果"}));
}

TEST_F(Registry, MovementListOffersTheListedMovementsAndWhatTheFilterAdds)
{
    std::vector<std::wstring> listed;
    for (MovementDefine* d : registry().getMovementList(nullptr))
        listed.push_back(d->getName());
    EXPECT_EQ(listed, (std::vector<std::wstring>{L"移動無し", L"直線移動", L"直線移動(時間制御)", L"補間移動",
                                                 L"補間移動(時間制御)", L"ランダム移動", L"瞬間移動"}));
    auto withRange = registry().getMovementList([&](std::vector<MovementDefine*>& list) {
        list.push_back(&registry().findMovement(L"再生範囲"));
    });
    ASSERT_EQ(withRange.size(), 8u);
    EXPECT_STREQ(withRange[1]->getName(), L"再生範囲"); // sorted by order
}

TEST_F(Registry, ServicePointsTheBuiltInMovementGlobalsAtItsInstances)
{
    EXPECT_EQ(NoMove::instance, registry().findMovement(L"移動無し").movement.get());
    EXPECT_EQ(LinearSpeed::instance, registry().findMovement(L"直線移動(時間制御)").movement.get());
    EXPECT_EQ(MovieRange::instance, registry().findMovement(L"再生範囲").movement.get());
    services.reset();
    EXPECT_EQ(NoMove::instance, nullptr);
}

TEST(MenuSettings, StoredLabelOrderAndHideWinAfterARestart)
{
    System::ServiceReference<Setting::SettingService> settings;
    {
        EffectTest::Services first;
        MovementDefine& linear = first.effects().findMovement(L"直線移動");
        EXPECT_EQ(linear.order, 2);
        EXPECT_EQ(linear.label, L"");
        EXPECT_EQ(linear.sectionName, "Movement.直線移動");
        linear.order = -5;
        linear.label = L"よく使う\\直線";
        linear.hide = 1;
    }
    System::Config::iniFile->getValue("Movement.瞬間移動", "order").text = "abc"; // unreadable: the default
    EffectTest::Services second;
    MovementDefine& linear = second.effects().findMovement(L"直線移動");
    EXPECT_EQ(linear.order, -5);
    EXPECT_EQ(linear.label, L"よく使う\\直線");
    EXPECT_EQ(linear.hide, 1);
    EXPECT_EQ(second.effects().findMovement(L"瞬間移動").order, 7);
    EXPECT_STREQ(second.effects().getMovementList(nullptr).front()->getName(), L"直線移動");
}

TEST(Aliases, MediaTypesComeFromTheFirstEffectOfTheFile)
{
    EffectService::builtInEffects = {beforeScripts, nullptr};
    EffectTest::Services services;
    EffectService::builtInEffects = {};
    auto& registry = services.effects();
    const std::wstring folder = System::FileName::expand(L"%Alias%");
    TestKit::writeFile(System::toLocalPath(folder + L"/blur.effect"),
                       "[Effect.0]\r\neffect.name=ぼかし\r\n[Effect.1]\r\neffect.name=グロー\r\n");
    TestKit::writeFile(System::toLocalPath(folder + L"/odd.effect"), "[Effect.0]\r\neffect.name=未登録\r\n");
    registry.aliases.push_back(std::make_unique<AliasDefine>(L"blur", L"effect", EffectType::EffectAlias, 100));
    registry.aliases.push_back(std::make_unique<AliasDefine>(L"odd", L"effect", EffectType::EffectAlias, 101));
    registry.aliases.push_back(std::make_unique<AliasDefine>(L"odd", L"object", EffectType::ObjectAlias, 102));
    EXPECT_EQ(registry.aliases[0]->sectionName, "Effect.effect.blur");
    EXPECT_EQ(registry.aliases[0]->getMediaType(), MediaType::Video);
    EXPECT_EQ(registry.aliases[0]->getObjectMediaType(), MediaType::Video);
    EXPECT_EQ(registry.aliases[1]->getMediaType(), 0); // unknown effect: nothing read
    TestKit::writeFile(System::toLocalPath(folder + L"/odd.effect"), "[Effect.0]\r\neffect.name=ぼかし\r\n");
    EXPECT_EQ(registry.aliases[1]->getMediaType(), MediaType::Video); // read again at the next query

    // Effect aliases are filters; the object menu takes only object aliases (of any media).
    auto filters = registry.getEffectMenuList(EffectType::FilterMenu, MediaType::Video, 0);
    EXPECT_EQ(filters.back(), registry.aliases[1].get());
    auto objects = registry.getEffectMenuList(EffectType::ObjectMenu, 0, 0);
    EXPECT_EQ(objects.back(), registry.aliases[2].get());

    registry.setAliasLabel(L"odd", EffectType::EffectAlias, L"保存");
    EXPECT_EQ(registry.aliases[1]->label, L"保存");
    EXPECT_EQ(registry.aliases[2]->label, L"");
    EXPECT_STREQ(registry.getEffectLabelList().back(), L"保存");
}

TEST(Translation, NamesAndLabelsFollowTheLoadedLanguage)
{
    const std::string language = System::toLocalPath(System::FileName::expand(L"%Language%"));
    TestKit::writeFile(language + "/Test.vml2", "[Effect]\nぼかし=Blur\n直線移動=Linear\n");
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    System::Config::iniFile->loadText("[Translate]\r\nLanguage=Test\r\n", L"velmora2.ini", false);
    services.acquire<Translate::TranslateService>();
    ASSERT_TRUE(Translate::TranslateService::enabled);
    EffectService::builtInEffects = {beforeScripts, nullptr};
    auto* registry = services.acquire<EffectService>();
    EffectService::builtInEffects = {};

    EffectDefine& blur = registry->findEffect(L"ぼかし");
    EXPECT_STREQ(blur.getLabel(), L"Blur");
    EXPECT_STREQ(blur.getName(), L"ぼかし"); // the key stays
    EXPECT_STREQ(blur.prototype->getName(), L"Blur");
    EXPECT_STREQ(registry->findEffect(L"グロー").getLabel(), L"グロー"); // no translation: the name
    EXPECT_STREQ(registry->findMovement(L"直線移動").getLabel(), L"Linear");
    // Lookups never take the translated text.
    EXPECT_EQ(TestKit::errorText([&] { registry->findEffect(L"Blur"); }).rfind("not found effect.", 0), 0u);
}
