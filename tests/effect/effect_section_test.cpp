// The effect section in project, alias, default and older object files; copies
// between instances; per-effect default files.
#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "effect/effect_item_color.h"
#include "platform/os/folder.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

using namespace Effect;
using EffectTest::SampleFilter;

namespace {

std::string sectionText(const EffectBase& effect)
{
    const std::wstring path = System::utf8ToWide(TestKit::tempDir()) + L"/section.txt";
    System::File file;
    file.open(path.c_str(), System::File::ModeWrite);
    EffectBase::saveIniSectionParameter(effect, file);
    file.close();
    return TestKit::readFile(System::toLocalPath(path));
}

// Reads a section body given as text into the effect.
void load(EffectBase& effect, const std::string& body)
{
    System::IniFile ini;
    ini.loadText("[Effect.0]\r\n" + body, L"test.vmp2", false);
    EffectBase::loadIniSectionParameter(effect, ini.getNumberedSection("Effect", 0));
}

// An effect with one item that only reads "good".
class Picky : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"こだわり";
    Picky() : EffectBase(Name, EffectType::Filter, MediaType::Video, MediaType::Video, L"") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<Picky>(); }
    EffectItemInteger first{items, L"一", 1, 0, 9};
    EffectItemInteger second{items, L"二", 2, 0, 9};
};

class Section : public EffectTest::ServiceTest {};

} // namespace

TEST_F(Section, WritesNameFlagsAndOneLinePerItem)
{
    SampleFilter effect;
    EXPECT_EQ(sectionText(effect), "effect.name=サンプル\r\nサイズ=100.00\r\n反転=0\r\nテキスト=\r\n");
    effect.disable = effect.hide = effect.lock = true;
    effect.text.text = L"一行目\r\n二行目";
    effect.size.fromString("0.00,12.50,直線移動,3");
    EXPECT_EQ(sectionText(effect), "effect.name=サンプル\r\neffect.disable=1\r\ndisplay.hide=1\r\ndisplay.lock=1\r\n"
                                   "サイズ=0.00,12.50,直線移動,3\r\n反転=0\r\nテキスト=一行目\\n二行目\r\n");
}

TEST_F(Section, ReadsBackWhatItWrote)
{
    SampleFilter source;
    source.disable = true;
    source.flag.value = true;
    source.text.text = L"a\\b\nc";
    source.size.fromString("1.00,2.00,3.00,補間移動,3");
    const std::string text = sectionText(source);
    SampleFilter copy;
    load(copy, text);
    EXPECT_TRUE(copy.disable);
    EXPECT_FALSE(copy.hide);
    for (size_t i = 0; i < copy.items.size(); ++i)
        EXPECT_TRUE(copy.items[i]->isEqual(*source.items[i])) << i;
    EXPECT_EQ(sectionText(copy), text); // byte for byte
}

TEST_F(Section, MissingKeysKeepValuesAndUnknownKeysAreIgnored)
{
    SampleFilter effect;
    effect.flag.value = true;
    TestKit::LogCapture log;
    load(effect, "effect.name=サンプル\r\n知らない=1\r\nサイズ=5\r\n");
    EXPECT_TRUE(effect.flag.value);
    EXPECT_EQ(effect.size.values[0], 500);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(Section, FlagValues)
{
    struct Case {
        const char* line;
        bool locked;
    } cases[] = {{"display.lock=0", false}, {"display.lock=", false}, {"display.lock=1", true},
                 {"display.lock=7", true}, {"display.lock=x", false}};
    for (const Case& c : cases) {
        SampleFilter effect;
        effect.lock = !c.locked;
        load(effect, std::string(c.line) + "\r\n反転=1\r\n");
        EXPECT_EQ(effect.lock, c.locked) << c.line;
        EXPECT_TRUE(effect.flag.value) << c.line; // the items are read either way
    }
    // A flag that is not a number is reported and read as clear; the effect is kept.
    SampleFilter effect;
    TestKit::LogCapture log;
    load(effect, "effect.disable=yes\r\n");
    EXPECT_FALSE(effect.disable);
    EXPECT_TRUE(log.contains("WARN|Effect::EffectBase::loadIniSectionParameter|ini file effect flag invalid. "
                             "[effect.disable]"));
}

TEST_F(Section, ARejectedItemValueIsLoggedAndTheOthersAreRead)
{
    Picky effect;
    TestKit::LogCapture log;
    load(effect, "一=abc\r\n二=5\r\n");
    EXPECT_EQ(effect.first.value, 1);
    EXPECT_EQ(effect.second.value, 5);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "WARN|Effect::EffectBase::loadIniSectionParameter|ini file effect parameter invalid. (0)");
}

TEST_F(Section, OlderObjectFileSection)
{
    Setting::SettingService::Get()->effect.loadText("[OldScript.こだわり]\r\nold=二\r\n", L"effect.conf", false);
    Picky effect;
    System::IniFile ini;
    ini.loadText("[0.0]\r\n_name=こだわり\r\n_disable=1\r\n一=7\r\nold=8\r\nnone=9\r\n", L"old.tso", false);
    TestKit::LogCapture log;
    EffectBase::loadTsoSectionParameter(effect, ini.getSection("0.0"));
    EXPECT_TRUE(effect.disable);
    EXPECT_EQ(effect.first.value, 7);
    EXPECT_EQ(effect.second.value, 8); // through the mapping
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(EffectBase::findItem(effect, L"old"), &effect.second);
    EXPECT_EQ(EffectBase::findItem(effect, L"none"), nullptr);

    System::IniFile bad;
    bad.loadText("[0.0]\r\n_name=こだわり\r\n一=bad\r\n", L"old.tso", false);
    EffectBase::loadTsoSectionParameter(effect, bad.getSection("0.0"));
    EXPECT_FALSE(effect.disable);
    EXPECT_TRUE(log.contains("WARN|Effect::EffectBase::loadTsoSectionParameter|ini file effect parameter invalid. ["));
}

TEST_F(Section, OlderTrackValuesAreConvertedForNumberItems)
{
    Setting::SettingService::Get()->effect.loadText("[OldScript.trackmode]\r\n1=直線移動\r\nSingleSection=1\r\n",
                                                     L"effect.conf", false);
    SampleFilter effect;
    System::IniFile ini;
    ini.loadText("[0.0]\r\n_name=サンプル\r\nサイズ=10.00,20.00,97\r\n", L"old.tso", false);
    EffectBase::loadTsoSectionParameter(effect, ini.getSection("0.0"));
    // Mode 97 = 1 + 32 + 64: linear, decelerate and accelerate, and the single-section mode.
    EXPECT_EQ(effect.size.toString(), "10.00,20.00,直線移動,7");
}

TEST_F(Section, CopyingValuesNeedsTheSameItemCount)
{
    SampleFilter a, b;
    a.size.setValue(3.0, 0);
    a.disable = true;
    EffectBase::setItemData(b, a);
    EXPECT_EQ(b.size.values[0], 300);
    EXPECT_FALSE(b.disable); // flags are not copied
    Picky other;
    EXPECT_EQ(TestKit::errorText([&] { EffectBase::setItemData(b, other); }).rfind("different number of items.", 0), 0u);
}

class DefaultFiles : public ::testing::Test {
protected:
    static void registerSample(EffectService& s) { s.registerEffect<SampleFilter>(); }
    DefaultFiles()
    {
        EffectService::builtInEffects = {registerSample, nullptr};
        services = std::make_unique<EffectTest::Services>();
        EffectService::builtInEffects = {};
        // Each case starts without a default file, also when the cases share one process.
        Platform::Os::removeFile(System::toLocalPath(define().getDefaultFilePath()));
    }
    EffectDefine& define() { return services->effects().findEffect(SampleFilter::Name); }
    std::unique_ptr<EffectTest::Services> services;
};

TEST_F(DefaultFiles, SavedValuesBecomeTheDefaultsOfNewInstances)
{
    auto effect = define().createEffect();
    auto& sample = static_cast<SampleFilter&>(*effect);
    sample.size.setValue(42.0, 0);
    sample.disable = true;
    define().saveDefaultValue(effect.get());
    const std::wstring path = define().getDefaultFilePath();
    EXPECT_EQ(path, System::FileName::expand(L"%Default%") + L"/サンプル.effect");
    EXPECT_EQ(TestKit::readFile(System::toLocalPath(path)),
              "[Effect.0]\r\neffect.name=サンプル\r\neffect.disable=1\r\nサイズ=42.00\r\n反転=0\r\nテキスト=\r\n");

    EffectBase* prototype = define().getEffect();
    EXPECT_EQ(static_cast<SampleFilter*>(prototype)->size.values[0], 4200);
    EXPECT_TRUE(prototype->disable);
    auto fresh = define().createEffect(); // class defaults
    EXPECT_EQ(static_cast<SampleFilter&>(*fresh).size.values[0], 10000);
    EffectBase::setItemData(*fresh, *define().getEffect());
    EXPECT_EQ(static_cast<SampleFilter&>(*fresh).size.values[0], 4200);
    EXPECT_FALSE(fresh->disable);

    define().resetDefaultValue(effect.get());
    EXPECT_FALSE(Platform::Os::pathExists(System::toLocalPath(path)));
    EXPECT_TRUE(define().defaultsLoaded);
    EXPECT_EQ(static_cast<SampleFilter*>(define().getEffect())->size.values[0], 10000);
}

TEST_F(DefaultFiles, TheFileIsReadOnceUntilTheNextSave)
{
    const std::string path = System::toLocalPath(define().getDefaultFilePath());
    TestKit::writeFile(path, "[Effect.0]\r\nサイズ=5\r\n");
    EXPECT_EQ(static_cast<SampleFilter*>(define().getEffect())->size.values[0], 500);
    TestKit::writeFile(path, "[Effect.0]\r\nサイズ=6\r\n");
    EXPECT_EQ(static_cast<SampleFilter*>(define().getEffect())->size.values[0], 500);

    TestKit::writeFile(path, "[Effect.0]\r\neffect.disable=x\r\nサイズ=7\r\n");
    define().defaultsLoaded = false;
    EXPECT_EQ(static_cast<SampleFilter*>(define().getEffect())->size.values[0], 700);
}

TEST_F(DefaultFiles, OnlyInstancesOfTheDefinitionAreSaved)
{
    Picky other;
    define().saveDefaultValue(&other);
    EXPECT_FALSE(Platform::Os::pathExists(System::toLocalPath(define().getDefaultFilePath())));
}

TEST(DefaultFileNames, StayInsideTheDefaultFolder)
{
    EXPECT_EQ(makeSafeFileName(L"ぼかし"), L"ぼかし");
    EXPECT_EQ(makeSafeFileName(L"../../evil"), L"%2E.%2F..%2Fevil");
    EXPECT_EQ(makeSafeFileName(L"a/b\\c"), L"a%2Fb%5Cc");
    EXPECT_EQ(makeSafeFileName(L".hidden"), L"%2Ehidden");
    EXPECT_EQ(makeSafeFileName(L"tab\there"), L"tab%09here");
    EXPECT_EQ(makeSafeFileName(L"ver.2"), L"ver.2");
}
