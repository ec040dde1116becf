// Movement scripts: their header lines and their value.
#include "effect/script_movement.h"
#include "script/lua_script.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

using namespace Effect;

namespace {

// The script engines as the program registers them.
class ScriptEngines {
public:
    ScriptEngines()
    {
        auto* service = stack_.acquire<Plugin::ScriptService>();
        service->registerPlugin<Plugin::LuaScript>();
        service->registerPlugin<Plugin::LuaJitScript>();
    }

private:
    System::ServiceStack stack_;
};

class Engines : public ::testing::Test {
    ScriptEngines engines_;
};

std::unique_ptr<ScriptMovement> makeMovement(const std::string& text, std::wstring* label = nullptr,
                                             const char* engine = nullptr)
{
    auto movement = std::make_unique<ScriptMovement>(L"m");
    movement->setScriptSection({L"動き", text}, L"/scripts", label, engine);
    return movement;
}

} // namespace

TEST_F(Engines, HeaderLinesSetTheDefaultsAnItemTakesOver)
{
    struct Expected {
        int ignoreMidPoints, accelerate, decelerate;
        std::vector<double> params;
        bool timeControl, passesPoints;
        const char* engine; // null: none
        bool warned;
    };
    struct Case {
        const char* header;
        Expected expected;
    };
    const Case cases[] = {
        {"", {0, -1, -1, {}, false, true, "luaJIT", false}},
        {"--twopoint\n--param:10\n", {2, -1, -1, {10}, false, true, "luaJIT", false}},
        {"--speed:1,0\n", {0, 1, 0, {}, false, true, "luaJIT", false}},
        {"--speed: 0 , 3 \r\n", {0, 0, 1, {}, false, true, "luaJIT", false}},
        {"--speed:\n--speed\n", {0, 0, 0, {}, false, true, "luaJIT", false}},
        {"--param:1.5\n--param: -2,9\n--param:\n", {0, -1, -1, {1.5, -2, 0}, false, true, "luaJIT", false}},
        {"--timecontrol\n", {0, -1, -1, {}, true, false, "luaJIT", false}},
        {"--script:lua\n", {0, -1, -1, {}, false, true, "lua", false}},
        // An engine that does not exist (the name keeps its space) ends the
        // reading: what follows is not read and the movement has no engine.
        {"--twopoint\n--script: lua\n--param:3\n", {2, -1, -1, {}, false, true, nullptr, true}},
        {"--param:abc\n--twopoint\n", {0, -1, -1, {}, false, true, nullptr, true}},
        {"--script:エンジン\xff\n", {0, -1, -1, {}, false, true, nullptr, true}},
        {"--speed:1,x\n", {0, -1, -1, {}, false, true, nullptr, true}},
        // Block comments and lines that do not begin with "--" are not header lines.
        {"--[[\n--twopoint\n]] --timecontrol\n--param:4\n", {0, -1, -1, {4}, false, true, "luaJIT", false}},
        {" --twopoint\nx = 1 --twopoint\n", {0, -1, -1, {}, false, true, "luaJIT", false}},
    };
    for (const Case& c : cases) {
        TestKit::LogCapture log;
        auto m = makeMovement(c.header);
        const Expected& e = c.expected;
        SCOPED_TRACE(c.header);
        EXPECT_EQ(m->ignoreMidPoints, e.ignoreMidPoints);
        EXPECT_EQ(m->accelerate, e.accelerate);
        EXPECT_EQ(m->decelerate, e.decelerate);
        EXPECT_EQ(m->defaultParams, e.params);
        EXPECT_EQ(m->timeControl, e.timeControl);
        EXPECT_EQ(m->passesPoints, e.passesPoints);
        EXPECT_EQ(m->valueCount, -1);
        EXPECT_TRUE(m->listed);
        if (e.engine) {
            ASSERT_TRUE(m->getScript()->engine);
            EXPECT_EQ(m->getScript()->engine->key, e.engine);
        } else {
            EXPECT_FALSE(m->getScript()->engine);
        }
        EXPECT_EQ(log.contains("WARN|Effect::ScriptMovement::makeScriptParams|script params load faild ["), e.warned);
    }
}

TEST_F(Engines, TheSectionNamesTheMovementAndTheHeaderItsLabelAndInformation)
{
    std::wstring label = L"folder";
    auto m = makeMovement("--label:グループ\\下\n--information:説明文\n", &label, "lua");
    EXPECT_STREQ(m->name, L"動き");
    EXPECT_EQ(m->getScript()->folder, L"/scripts");
    EXPECT_EQ(label, L"グループ\\下");
    EXPECT_EQ(m->getScript()->information, L"説明文");
    EXPECT_EQ(m->getScript()->engine->key, "lua"); // the file kind's engine

    // Without a label to fill, "--label" changes nothing.
    auto plain = makeMovement("--label:x\n");
    EXPECT_EQ(plain->getScript()->information, L"");
}

TEST(ScriptMovementValue, AScriptWithoutAnEngineGivesZeroWithAWarning)
{
    EffectTest::Services services;
    EffectItemList list;
    EffectItemNumber item(list, L"X", 7.0, -100.0, 100.0, 1.0);
    auto object = EffectTest::makeObject(0, 30);
    TestKit::LogCapture log;
    {
        // Without engines the header finds none.
        auto m = makeMovement("");
        item.movement = m.get();
        EXPECT_EQ(item.getValue(EffectTest::renderAt(object, 5)), 0.0);
        EXPECT_TRUE(log.contains("WARN|Effect::ScriptMovement::getValue|script exception: not found script plugin."));
    }
    ScriptEngines engines;
    auto m = makeMovement("return 1 +");
    item.movement = m.get();
    EXPECT_EQ(item.getValue(EffectTest::renderAt(object, 5)), 0.0);
    EXPECT_TRUE(log.contains("WARN|Effect::ScriptMovement::getValue|script exception: [string \"return 1 +\"]:1: "
                             "unexpected symbol near '<eof>'"));
    item.movement = NoMove::instance;
}
