// The engine registry: keys, the default engine, failures.
#include "core/service.h"
#include "effect/script_service.h"
#include "script/lua_script.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace Plugin;

namespace {

class Broken : public ScriptPlugin {
public:
    Broken() : ScriptPlugin(L"Broken", "broken", L"") { throw std::runtime_error("no module"); }
};

class Engines : public ::testing::Test {
protected:
    Engines()
    {
        service = stack.acquire<ScriptService>();
        service->registerPlugin<LuaScript>();
        service->registerPlugin<LuaJitScript>();
    }

    TestKit::LogCapture log;
    TestKit::ReportCapture reports;
    System::ServiceStack stack;
    ScriptService* service;
};

} // namespace

TEST_F(Engines, FoundByKeyWithLuaJitAsTheDefault)
{
    EXPECT_EQ(service->findScriptPlugin(nullptr)->key, "luaJIT");
    EXPECT_EQ(service->findScriptPlugin("lua")->displayName, L"Lua5.1.4");
    EXPECT_EQ(service->findScriptPlugin("luaJIT")->displayName, L"LuaJIT2.1");
    for (const char* key : {"", "LUA", " lua", "luajit"}) {
        const std::string text = TestKit::errorText([&] { service->findScriptPlugin(key); });
        EXPECT_EQ(text.rfind("not found script plugin.", 0), 0u) << key;
        EXPECT_NE(text.find("[Place]\nPlugin::ScriptService::findScriptPlugin"), std::string::npos) << text;
    }
    EXPECT_TRUE(log.contains("INFO|Plugin::ScriptService::registerPlugin|register script plugin [Lua5.1.4]"));
    EXPECT_TRUE(log.contains("INFO|Plugin::ScriptService::registerPlugin|register script plugin [LuaJIT2.1]"));
}

TEST_F(Engines, AFailingEngineIsReportedAndLeftOut)
{
    service->registerPlugin<Broken>();
    EXPECT_EQ(reports.messages(), std::vector<std::string>{
                                      "failed to register script plugin. [(anonymous namespace)::Broken]\n\nno module"});
    EXPECT_EQ(service->plugins.size(), 2u);
}

TEST(ScriptInstance, WithoutAServiceNoEngineIsFound)
{
    ScriptInstance instance;
    EXPECT_EQ(TestKit::errorText([&] { instance.findScriptPlugin(nullptr); }).rfind("not found script plugin.", 0), 0u);
}
