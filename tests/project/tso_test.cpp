// The older object file: CP932 fixtures made with iconv, imported into new scenes.
#include "project/files/tso_convert.h"
#include "project/files/tso_file.h"
#include "tests/project/edit_fixture.h"

#include <algorithm>

namespace {

using EditTest::EditFixture;

std::wstring wide(const std::string& text)
{
    return System::utf8ToWide(text);
}

// The file as the older program wrote it: the text in CP932, converted by iconv.
std::string writeCp932(const std::string& name, const std::string& utf8)
{
    const std::string source = TestKit::tempDir() + "/" + name + ".utf8";
    const std::string path = TestKit::tempDir() + "/" + name;
    TestKit::writeFile(source, utf8);
    EXPECT_EQ(TestKit::runCommand("iconv -f UTF-8 -t CP932 '" + source + "' > '" + path + "'"), 0);
    if (std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        EXPECT_NE(TestKit::readFile(path), utf8); // really another encoding
    }
    return path;
}

const char* const Header = "[tessel]\r\nwidth=640\r\nheight=480\r\nrate=24\r\nscale=1\r\n";

class TsoTest : public EditFixture {
protected:
    TsoTest()
    {
        effects().registerEffect<EditTest::TextEffect>();
        Setting::SettingService::Get()->effect.loadText(
            "[OldScript.trackmode]\r\n1=直線移動\r\nSingleSection=1\r\n"
            "[OldScript.アニメーション効果]\r\n2=ぼかし\r\n",
            L"effect.conf", false);
    }

    std::vector<std::shared_ptr<Edit::Object>> placed(const Edit::Scene& scene, int layer)
    {
        std::vector<std::shared_ptr<Edit::Object>> list;
        for (const auto& object : scene.getLayer(layer).objects) {
            if (object->layer == layer)
                list.push_back(object);
        }
        return list;
    }
    static std::vector<std::wstring> chain(const Edit::Object& object)
    {
        std::vector<std::wstring> names;
        for (const auto& effect : object.effects)
            names.push_back(effect->name);
        return names;
    }
};

TEST_F(TsoTest, AnOlderFileBecomesANewCurrentScene)
{
    const std::string text = std::string(Header) +
        // 1-based layer and frames.
        "[0]\r\nlayer=1\r\nstart=1\r\nend=30\r\n[0.0]\r\n_name=テキスト\r\nサイズ=48\r\n[0.1]\r\n_name=標準描画\r\n"
        // Three chained objects, each starting on the frame after the previous one ends.
        "[1]\r\nlayer=2\r\nstart=1\r\nend=10\r\n[1.0]\r\n_name=画像ファイル\r\nX=100,200,1\r\n"
        "[2]\r\nlayer=2\r\nstart=11\r\nend=20\r\nchain=1\r\n[2.0]\r\n_name=画像ファイル\r\nX=200,300,1\r\n"
        "[3]\r\nlayer=2\r\nstart=21\r\nend=30\r\nchain=1\r\n[3.0]\r\n_name=画像ファイル\r\nX=300,400,1\r\n"
        // A chain across layers, and one across a gap: separate objects.
        "[4]\r\nlayer=3\r\nstart=31\r\nend=40\r\nchain=1\r\n[4.0]\r\n_name=画像ファイル\r\n"
        "[5]\r\nlayer=3\r\nstart=45\r\nend=50\r\nchain=1\r\n[5.0]\r\n_name=画像ファイル\r\n"
        // One group of two; old script-host effects by script name and by type.
        "[6]\r\nlayer=4\r\nstart=1\r\nend=5\r\ngroup=7\r\ncamera=0\r\n[6.0]\r\n_name=カスタムオブジェクト\r\nname=図形\r\n"
        "[7]\r\nlayer=5\r\nstart=1\r\nend=5\r\ngroup=7\r\n[7.0]\r\n_name=画像ファイル\r\n"
        "[7.1]\r\n_name=アニメーション効果\r\ntype=2\r\n_disable=1\r\n"
        // A leading video filter: refused without overlay, taken with it; camera filters always.
        "[8]\r\nlayer=6\r\nstart=1\r\nend=9\r\n[8.0]\r\n_name=ぼかし\r\n"
        "[9]\r\nlayer=6\r\nstart=10\r\nend=19\r\noverlay=1\r\n[9.0]\r\n_name=ぼかし\r\n"
        "[10]\r\nlayer=7\r\nstart=1\r\nend=5\r\n[10.0]\r\n_name=並行光源(カメラ制御)\r\n"
        // Layer 0 does not exist in the file's numbering.
        "[11]\r\nlayer=0\r\nstart=1\r\nend=5\r\n[11.0]\r\n_name=画像ファイル\r\n";
    const std::string path = writeCp932("old.scene.v1.tso", text);

    answerBoxes(true);
    TestKit::LogCapture log;
    ASSERT_TRUE(edit().createSceneFromTso(wide(path)));
    Edit::Scene& imported = scene();
    EXPECT_EQ(imported.id, 1);
    EXPECT_EQ(edit().project.currentSceneId, 1);
    EXPECT_EQ(imported.name, L"old.scene.v1");
    EXPECT_EQ(imported.width, 640);
    EXPECT_EQ(imported.height, 480);
    EXPECT_EQ(imported.videoRate, 24);
    EXPECT_EQ(imported.videoScale, 1);
    EXPECT_EQ(imported.audioRate, 48000);
    EXPECT_TRUE(log.contains("INFO|Edit::EditService::updateScene|set current scnene [old.scene.v1](1)"));

    auto first = placed(imported, 0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0]->start, 0);
    EXPECT_EQ(first[0]->end, 29);
    EXPECT_EQ(chain(*first[0]), (std::vector<std::wstring>{L"テキスト", L"標準描画"}));
    auto& size = dynamic_cast<EditTest::TextEffect&>(*first[0]->effects[0]).size;
    EXPECT_EQ(size.toString().rfind("48", 0), 0u) << size.toString();

    auto joined = placed(imported, 1);
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(joined[0]->start, 0);
    EXPECT_EQ(joined[0]->end, 29);
    EXPECT_EQ(joined[0]->midPoints, (std::vector<int>{10, 20}));
    const std::string x = itemX(*joined[0]->effects[0]).toString();
    EXPECT_NE(x.find("直線移動"), std::string::npos) << x;

    auto separate = placed(imported, 2);
    ASSERT_EQ(separate.size(), 2u);
    EXPECT_EQ(separate[0]->start, 30);
    EXPECT_EQ(separate[1]->start, 44);
    EXPECT_TRUE(separate[0]->midPoints.empty());
    EXPECT_TRUE(separate[1]->midPoints.empty());

    auto grouped = placed(imported, 3);
    auto partner = placed(imported, 4);
    ASSERT_EQ(grouped.size(), 1u);
    ASSERT_EQ(partner.size(), 1u);
    ASSERT_TRUE(grouped[0]->group);
    EXPECT_EQ(grouped[0]->group, partner[0]->group);
    EXPECT_FALSE(grouped[0]->camera);
    EXPECT_TRUE(partner[0]->camera);
    EXPECT_EQ(chain(*grouped[0]).front(), L"図形");
    ASSERT_EQ(chain(*partner[0]).size(), 3u);
    EXPECT_EQ(chain(*partner[0])[2], L"ぼかし");
    EXPECT_TRUE(partner[0]->effects[2]->disable);

    auto filters = placed(imported, 5);
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0]->start, 9);
    EXPECT_EQ(placed(imported, 6).size(), 1u);
    // Nothing else landed: the object of layer 0 was refused.
    EXPECT_EQ(imported.lastLayer, 6);

    // The two refused objects are told of once.
    ASSERT_TRUE(waitForBox());
    Platform::Ui::processMessagesUntil([] { return false; }, 50);
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"一部のオブジェクトの読み込みに失敗しました"});
    EXPECT_TRUE(log.contains("filter object not support"));
    EXPECT_TRUE(log.contains("invalid layer number."));
}

TEST_F(TsoTest, AFileThatCannotBeReadLeavesNoScene)
{
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"noheader.tso", "[0]\r\nlayer=1\r\nstart=1\r\nend=2\r\n[0.0]\r\n_name=画像ファイル\r\n"},
        {"nowidth.tso", "[tessel]\r\nheight=480\r\nrate=24\r\nscale=1\r\n"},
        {"zeroscale.tso", "[tessel]\r\nwidth=640\r\nheight=480\r\nrate=24\r\nscale=0\r\n"},
        {"missing.tso", ""},
    };
    for (const Case& c : cases) {
        const std::string path = c.text.empty() ? TestKit::tempDir() + "/none.tso" : writeCp932(c.name, c.text);
        boxes.clear();
        answerBoxes(true);
        TestKit::LogCapture log;
        EXPECT_FALSE(edit().createSceneFromTso(wide(path))) << c.name;
        EXPECT_EQ(edit().project.scenes.count(1), 0u) << c.name;
        EXPECT_EQ(scene().id, 0) << c.name;
        ASSERT_TRUE(waitForBox()) << c.name;
        EXPECT_EQ(boxes, std::vector<std::wstring>{L"シーンの読み込みに失敗しました"}) << c.name;
        if (std::string(c.name) == "noheader.tso" || std::string(c.name) == "missing.tso") {
            EXPECT_TRUE(log.contains("tessel section not found")) << c.name;
        }
    }
}

TEST_F(TsoTest, ObjectSectionsRefuseBadLayersFramesAndEffects)
{
    struct Case {
        const char* object;
        const char* error;
    };
    const Case cases[] = {
        {"[0]\r\nlayer=1\r\nstart=5\r\nend=4\r\n[0.0]\r\n_name=画像ファイル\r\n", "invalid frame number list."},
        {"[0]\r\nlayer=1\r\nstart=0\r\nend=4\r\n[0.0]\r\n_name=画像ファイル\r\n", "invalid frame number list."},
        {"[0]\r\nlayer=-3\r\nstart=1\r\nend=4\r\n[0.0]\r\n_name=画像ファイル\r\n", "invalid layer number."},
        {"[0]\r\nlayer=10001\r\nstart=1\r\nend=4\r\n[0.0]\r\n_name=画像ファイル\r\n", "invalid layer number."},
        {"[0]\r\nstart=1\r\nend=4\r\n[0.0]\r\n_name=画像ファイル\r\n", "ini file parameter undefined."},
        {"[0]\r\nlayer=1\r\nstart=1\r\nend=4\r\n", "no effect defined."},
        {"[0]\r\nlayer=1\r\nstart=1\r\nend=4\r\n[0.0]\r\n_name=無い効果\r\n", "not found effect."},
        {"[0]\r\nlayer=1\r\nstart=1\r\nend=4\r\n[0.0]\r\n_name=アニメーション効果\r\ntype=9\r\n",
         "ini file parameter undefined."},
    };
    for (const Case& c : cases) {
        Edit::Scene target(5, 5);
        TestKit::LogCapture log;
        const std::string bytes = TestKit::readFile(writeCp932("case.tso", std::string(Header) + c.object));
        EXPECT_EQ(Edit::ProjectConvert::loadSceneFromTsoText(target, bytes, L"case.tso"), 1) << c.object;
        EXPECT_TRUE(log.contains(c.error)) << c.object << (log.lines().empty() ? "" : log.lines().back());
        for (int layer = 0; layer < target.layerCount(); ++layer)
            EXPECT_TRUE(placed(target, layer).empty()) << c.object;
    }
}

TEST(TsoConvert, TrackTextsTakeTheirMovementNamesAndFlags)
{
    System::ServiceStack stack;
    stack.acquire<Setting::SettingService>();
    Setting::SettingService::Get()->effect.loadText("[OldScript.trackmode]\r\n1=直線移動\r\nSingleSection=1\r\n",
                                                    L"effect.conf", false);
    struct Case {
        const char* old;
        const char* converted;
    };
    const Case cases[] = {
        {"100", "100"},
        {"100,200", "100,200"},
        {"100,200,1", "100,200,直線移動,4"},
        {"100,200,2", "100,200,,0"},
        {"1,2,97", "1,2,直線移動,7"},
        {"1,2,34", "1,2,,2"},
        {"1,2,66", "1,2,,1"},
        {"100,200,15@スクリプト移動,3", "100,200,スクリプト移動,0|3"},
        {"1,2, 33 @x,4,5", "1,2,直線移動,6|4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convertTsoTrackValue(c.old), c.converted) << c.old;
    EXPECT_EQ(TestKit::errorText([] { convertTsoTrackValue("1,2,x"); }), "invalid stoi argument");
    EXPECT_EQ(TestKit::errorText([] { convertTsoTrackValue("1,2,99999999999"); }), "stoi argument out of range");
}

TEST(TsoConvert, ScriptHostEffectsTakeTheirScriptOrListedNames)
{
    System::ServiceStack stack;
    stack.acquire<Setting::SettingService>();
    Setting::SettingService::Get()->effect.loadText("[OldScript.カメラ効果]\r\n0=震える\r\n", L"effect.conf", false);
    System::IniFile ini;
    ini.loadText("[a]\r\n_name=ぼかし\r\n[b]\r\n_name=カメラ効果\r\nname=揺れ\r\ntype=0\r\n"
                 "[c]\r\n_name=カメラ効果\r\ntype=0\r\n[d]\r\n_name=カメラ効果\r\ntype=1\r\n[e]\r\nx=1\r\n",
                 L"t.tso", false);
    EXPECT_EQ(convertTsoEffectName(ini.getSection("a")), L"ぼかし");
    EXPECT_EQ(convertTsoEffectName(ini.getSection("b")), L"揺れ");
    EXPECT_EQ(convertTsoEffectName(ini.getSection("c")), L"震える");
    EXPECT_NE(TestKit::errorText([&] { convertTsoEffectName(ini.getSection("d")); }).find("ini file parameter undefined."),
              std::string::npos);
    EXPECT_NE(TestKit::errorText([&] { convertTsoEffectName(ini.getSection("e")); }).find("ini file parameter undefined."),
              std::string::npos);
}

} // namespace
