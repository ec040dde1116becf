// The engines on the system's own Lua 5.1 and LuaJIT libraries: binding,
// loading failures, the state pool by depth, the one lock of both engines
// and a run letting it go for a wait, native functions and the crash guard.
#include "effect/effect_item_number.h"
#include "effect/script_movement.h"
#include "core/text.h"
#include "platform/os/module.h"
#include "render/section_position.h"
#include "script/script_functions.h"
#include "tests/script/script_fixture.h"

#include <dlfcn.h>

#include <filesystem>
#include <future>
#include <thread>

using namespace ScriptTest;
using Plugin::LuaInstance;

namespace {

class LuaEngines : public ScriptWorld {
protected:
    std::unique_ptr<Plugin::ScriptPluginInstance> instance(const char* key)
    {
        if (!probe)
            probe = makeEffect("", key);
        return engine(key).createEffectInstance(*probe, render);
    }
    std::shared_ptr<Effect::ScriptFilter> probe;
};

// An engine whose library lies where a test puts it.
class PlacedEngine : public Plugin::LuaBase {
public:
    explicit PlacedEngine(std::wstring path) : LuaBase(L"テスト", "placed", std::move(path)) {}
};

} // namespace

TEST_F(LuaEngines, BothLibrariesBindAllEntryPointsByTheirSonames)
{
    TestKit::LogCapture log;
    for (const char* key : EngineKeys) {
        Plugin::LuaBase& e = engine(key);
        EXPECT_FALSE(e.isLoaded());
        EXPECT_EQ(run("mes(_VERSION)", key), L"Lua 5.1");
        ASSERT_TRUE(e.isLoaded());
        auto* entries = reinterpret_cast<void* const*>(&e.api);
        for (int i = 0; i < Lua::EntryCount; ++i) {
            EXPECT_NE(entries[i], nullptr) << Lua::EntryNames[i];
            EXPECT_EQ(Platform::Os::moduleNameOf(entries[i]), System::toLocalPath(e.moduleFileName)) << Lua::EntryNames[i];
        }
    }
    EXPECT_TRUE(log.contains("INFO|Plugin::LuaModule::loadModule|load script module [liblua5.1.so.0]"));
    EXPECT_TRUE(log.contains("INFO|Plugin::LuaModule::loadModule|load script module [libluajit-5.1.so.2]"));
    // Only LuaJIT has its FFI: the two libraries really are different engines.
    EXPECT_EQ(run("mes(tostring(jit ~= nil))", "lua"), L"false");
    EXPECT_EQ(run("mes(tostring(jit ~= nil))", "luaJIT"), L"true");
}

TEST_F(LuaEngines, AMissingLibraryIsReportedWithTheLoadersTextAndLoadsOnALaterRun)
{
    const std::string path = TestKit::tempDir() + "/libplaced-lua.so.0";
    PlacedEngine placed(System::fromLocalPath(path));
    auto effect = makeEffect("mes('ran')", "lua");
    const std::string text = TestKit::errorText([&] { placed.createEffectInstance(*effect, render); });
    EXPECT_EQ(text.rfind("LoadLibrary() failed.\n\n[Note]\n" + path + ": cannot open shared object file", 0), 0u)
        << text;
    EXPECT_FALSE(placed.isLoaded());
    EXPECT_EQ(placed.heldCount(), 0);

    // The system's library, where the test name points now.
    run("", "lua");
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<const void*>(engine("lua").api.lua_pcall), &info), 0);
    std::filesystem::create_symlink(info.dli_fname, path);
    auto instance = placed.createEffectInstance(*effect, render);
    instance->executeEffect("mes('ran')");
    EXPECT_EQ(instance->messageText, L"ran");
}

TEST_F(LuaEngines, GlobalsStayPerDepthAndTheFifthNestedRunFails)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        Plugin::LuaBase& e = engine(key);
        const std::string count = "n = (n or 0) + 1; mes(n)";
        EXPECT_EQ(run(count, key), L"1");
        EXPECT_EQ(run(count, key), L"2"); // the same state at depth 0

        std::vector<std::unique_ptr<Plugin::ScriptPluginInstance>> nested;
        for (int d = 0; d < 4; ++d) {
            nested.push_back(instance(key));
            nested.back()->executeEffect("mark = " + std::to_string(d) + "; n = (n or 0) + 1; mes(n)");
        }
        EXPECT_EQ(nested[0]->messageText, L"3");
        EXPECT_EQ(nested[1]->messageText, L"1"); // a state of its own
        EXPECT_EQ(e.heldCount(), 4);
        const std::string text = TestKit::errorText([&] { instance(key); });
        EXPECT_EQ(text.rfind("lua recursive call limit exceeded.\n\n[Place]\nPlugin::LuaBase::createLuaState()", 0), 0u)
            << text;
        EXPECT_EQ(e.heldCount(), 4);
        // The outer states are as they were.
        for (int d = 3; d >= 0; --d) {
            nested[d]->messageText.clear();
            nested[d]->executeEffect("mes(mark)");
            EXPECT_EQ(nested[d]->messageText, std::to_wstring(d));
            nested.pop_back();
        }
        EXPECT_EQ(e.heldCount(), 0);
        EXPECT_EQ(e.pool.size(), 4u);
    }
}

TEST_F(LuaEngines, RunsOfBothEnginesNestOnTwoThreadsWithoutDeadlock)
{
    auto lua = makeEffect("", "lua");
    auto jit = makeEffect("", "luaJIT");
    // Each thread nests the engines in the opposite order; with a lock per
    // engine the two would wait for each other.
    auto work = [&](Effect::ScriptEffect& outer, Effect::ScriptEffect& inner) {
        Render::RenderObject r = render;
        for (int i = 0; i < 300; ++i) {
            auto a = outer.getScript()->engine->createEffectInstance(outer, r);
            a->executeEffect("x = (x or 0) + 1");
            std::this_thread::yield();
            auto b = inner.getScript()->engine->createEffectInstance(inner, r);
            b->executeEffect("y = (y or 0) + 1; mes(y)");
            a->executeEffect("mes(x)");
            EXPECT_FALSE(b->messageText.empty());
        }
    };
    TestKit::finishWithin(
        60000,
        [&] {
            std::thread first([&] { work(*lua, *jit); });
            std::thread second([&] { work(*jit, *lua); });
            first.join();
            second.join();
        },
        "two threads nesting both engines");
    EXPECT_EQ(run("mes(x + y)", "lua"), L"600"); // each engine nests at its own depth 0
    EXPECT_EQ(engine("lua").heldCount(), 0);
    EXPECT_EQ(engine("luaJIT").heldCount(), 0);
}

TEST_F(LuaEngines, ARunWaitingWithoutTheLockKeepsItsStateFromOtherThreads)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        TestKit::finishWithin(
            60000,
            [&] {
                // This thread's run lets the lock go; another thread runs
                // meanwhile and then waits without the lock itself.
                auto outer = instance(key);
                outer->executeEffect("mark = 'outer'");
                std::promise<void> otherWaits, resume;
                std::string seenByOther, keptByOther;
                std::thread other;
                {
                    LuaInstance::LockRelease released;
                    other = std::thread([&] {
                        auto run = instance(key);
                        run->executeEffect("mes(tostring(mark)) mark = 'other'");
                        seenByOther = System::wideToUtf8(run->messageText);
                        {
                            LuaInstance::LockRelease waiting;
                            otherWaits.set_value();
                            resume.get_future().wait();
                        }
                        run->messageText.clear();
                        run->executeEffect("mes(mark)");
                        keptByOther = System::wideToUtf8(run->messageText);
                    });
                    otherWaits.get_future().wait();
                }
                outer->messageText.clear();
                outer->executeEffect("mes(mark)");
                EXPECT_EQ(outer->messageText, L"outer");
                outer.reset();
                // A new run here takes a free state, never the one the waiting thread holds.
                auto next = instance(key);
                next->executeEffect("mes(tostring(mark)) mark = 'next'");
                EXPECT_EQ(next->messageText, L"outer");
                next.reset();
                resume.set_value();
                other.join();
                EXPECT_EQ(seenByOther, "nil");
                EXPECT_EQ(keptByOther, "other");
            },
            "a run waiting without the lock");
        EXPECT_EQ(engine(key).heldCount(), 0);
    }
}

TEST_F(LuaEngines, ACrashInAScriptIsReportedAndItsStateReplaced)
{
    TestKit::LogCapture log;
    EXPECT_EQ(run("survivor = 1; mes('before')", "luaJIT"), L"before");
    const std::string text = TestKit::errorText(
        [&] { run("local ffi = require('ffi'); ffi.cast('int*', 0)[0] = 1", "luaJIT"); });
    EXPECT_EQ(text.rfind("lua.pcall() structured exception\n\n[Note]\nCode: 0xC0000005", 0), 0u) << text;
    EXPECT_NE(text.find("[Place]\nPlugin::LuaInstance::executeEffect()"), std::string::npos) << text;
    Plugin::LuaBase& jit = engine("luaJIT");
    EXPECT_EQ(jit.heldCount(), 0);
    EXPECT_EQ(jit.pool[0].state, nullptr);
    // The next run works on a new state; the program and the lock go on.
    EXPECT_EQ(run("mes(tostring(survivor))", "luaJIT"), L"nil");
    EXPECT_EQ(run("mes('after')", "lua"), L"after");
}

// ---- native functions ----

namespace {
// A body that reaches for the effect, as the drawing functions do.
int touchEffect(Lua::lua_State*)
{
    LuaInstance::current()->getEffect();
    return 0;
}
const Lua::luaL_Reg ProbeFunctions[] = {{"effect", Plugin::ScriptCall::function<touchEffect>}, {nullptr, nullptr}};
} // namespace

TEST_F(LuaEngines, FunctionErrorsAreTheEnginesOwnAndExceptionsEndTheRun)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        // The engine's own argument check raises, with its own text.
        EXPECT_EQ(TestKit::errorText([&] { run("mes()", key); }),
                  "[string \"mes()\"]:1: bad argument #1 to 'mes' (string expected, got no value)");
        EXPECT_EQ(TestKit::errorText([&] { run("obj.getinfo({})", key); }),
                  "[string \"obj.getinfo({})\"]:1: bad argument #1 to 'getinfo' (string expected, got table)");
        EXPECT_EQ(TestKit::errorText([&] { run("rand(1, 'x')", key); }),
                  "[string \"rand(1, 'x')\"]:1: bad argument #2 to 'rand' (number expected, got string)");
        EXPECT_EQ(TestKit::errorText([&] { run("obj.getinfo('colour')", key); }),
                  "[string \"obj.getinfo('colour')\"]:1: invalid get info name=colour");
        // A number is taken as its text; the script can catch a function's error.
        EXPECT_EQ(run("mes(12); mes(tostring(pcall(obj.getinfo, 'x')))", key), L"12false");

        // A standard exception from a function body ends the run as itself.
        {
            Effect::EffectItemList list;
            Effect::EffectItemNumber item(list, L"X", 0, 0, 100, 1);
            Effect::ScriptMovement movement(L"m");
            movement.setScriptSection({L"m", ""}, L"/scripts", nullptr, key);
            const Render::SectionPosition position{};
            auto run = engine(key).createMovementInstance(movement, item, position, render);
            auto* lua = dynamic_cast<LuaInstance*>(run.get());
            lua->engine.api.luaL_register(lua->state, "probe", ProbeFunctions);
            lua->engine.api.lua_settop(lua->state, 0);
            const std::string text = TestKit::errorText([&] { run->executeMovement("probe.effect() return 1"); });
            EXPECT_EQ(text, "not effect script.\n\n[Place]\nPlugin::ScriptPluginInstance::getEffect()");
            // Caught inside the script, it is the script's business.
            EXPECT_EQ(run->executeMovement("return pcall(probe.effect) and 1 or 2"), 2);
            EXPECT_EQ(run->executeMovement("return 3"), 3);
        }
    }
}
