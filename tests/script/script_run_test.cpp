// One run of a script in both engines: the declared parameters as Lua source
// and fields of "obj", the drawing state in and out, error reports against the
// interpreters' own messages, "rand" against a port of its own, "getinfo" and
// movement scripts.
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/script_movement.h"
#include "tests/script/script_fixture.h"

#include <fstream>
#include <sstream>

using namespace ScriptTest;

namespace {

class ScriptRun : public ScriptWorld {};

template <class T>
T& parameter(Effect::ScriptEffect& effect, const char* name)
{
    Effect::EffectItem* item = effect.findParameter(name);
    EXPECT_NE(item, nullptr) << name;
    return dynamic_cast<T&>(*item);
}

} // namespace

TEST_F(ScriptRun, DeclaredParametersReachTheScriptByKind)
{
    // Each header line, the text the script makes of its parameter, and what it reads.
    struct Case {
        const char* header;
        const char* expression;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"--track0:Size,0,500,100", "obj.track0", L"100"},
        {"--track@r:R,0,1,0.5,0.01", "r", L"0.5"},
        {"--check0:Flag,1", "tostring(obj.check0)", L"true"},
        {"--check@on:On,1", "on", L"1"},
        {"--color:0xff0102", "color", L"16711938"},
        {"--color@none:None,nil", "tostring(none)", L"nil"},
        {"--file@f:File", "'[' .. f .. ']'", L"[]"},
        {"--select@mode:Mode=2,A=1,B=2,C=3", "mode", L"2"},
        {"--value@s:Text,\"abc\"", "s", L"abc"},
        {"--value@e:Expr,1 + 2", "e", L"3"},
        {"--value@l:List,{4,5,6}", "#l .. ':' .. l[3]", L"3:6"},
        {"--value@empty:Empty,", "tostring(empty)", L"nil"},
        {"--dialog:Size,local sz=10;Blur/chk,bl=1;Col/col,c=0x010203", "sz .. '|' .. bl .. '|' .. c", L"10|1|66051"},
        {"--param:p=4;q=\"x y\"", "p .. q", L"4x y"},
    };
    for (const char* key : EngineKeys) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(key) + " " + c.header);
            auto effect = makeEffect(std::string(c.header) + "\nmes(" + c.expression + ")", key);
            EXPECT_EQ(run(*effect), c.expected);
        }
    }
}

TEST_F(ScriptRun, TextParametersAreStringLiteralsWhateverTheyHold)
{
    const std::wstring hostile = L"say \"hi\"\\\n\r\tnext]]\x01\x7f 終\"); os.exit(1) --";
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto effect = makeEffect("--value@s:Text,\"\"\n--file@f:File\n--param:t=\"\"\nmes(s); mes(f); mes(t)\nerror('two')", key);
        parameter<Effect::EffectItemString>(*effect, "@local s").text = hostile;
        parameter<Effect::EffectItemFile>(*effect, "@local f").path = L"C:\\a\\\"b\".png";
        parameter<Effect::EffectItemString>(*effect, "t").text = hostile;
        auto instance = effect->getScript()->engine->createEffectInstance(*effect, render);
        const std::string text = TestKit::errorText([&] { instance->executeEffect(effect->getScript()->text); });
        EXPECT_EQ(instance->messageText, hostile + L"C:\\a\\\"b\".png" + hostile);
        // Line numbers stay the script's: the parameters add no line.
        EXPECT_NE(text.find("]:5: two"), std::string::npos) << text;
    }
}

TEST_F(ScriptRun, NamedParametersAreLocalsWhileUndeclaredGlobalsStay)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(run("--track@size:Size,0,100,7\nleft = size; mes(size)", key), L"7");
        EXPECT_EQ(run("mes(tostring(size) .. ' ' .. tostring(left))", key), L"nil 7");
    }
}

TEST_F(ScriptRun, TheDrawingStateGoesInAndComesBack)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState = {};
        render.drawState.x = 5;
        render.drawState.rz = 30;
        render.drawState.alpha = 0.5f;
        render.drawState.sx = 1;
        render.drawState.sy = 0.5f;
        render.drawState.sz = 1;
        const std::wstring in = run(
            "for _, k in ipairs({'w', 'h', 'index', 'num', 'frame', 'time', 'totalframe', 'totaltime', 'framerate',"
            " 'screen_w', 'screen_h', 'layer', 'x', 'y', 'z', 'ox', 'rz', 'zoom', 'aspect', 'alpha'}) do"
            " mes(k .. '=' .. string.format('%g', obj[k]) .. ' ') end obj.zoom = 2",
            key);
        EXPECT_EQ(in, L"w=0 h=0 index=0 num=1 frame=5 time=0.166667 totalframe=30 totaltime=1 framerate=30 "
                      L"screen_w=640 screen_h=480 layer=3 x=100 y=200 z=300 ox=5 rz=30 zoom=1 aspect=-0.5 alpha=0.5 ");
        EXPECT_EQ(render.drawState.sx, 2);
        EXPECT_EQ(render.drawState.sy, 1);
        EXPECT_EQ(render.drawState.sz, 2);
        EXPECT_EQ(render.drawState.x, 5);
        EXPECT_EQ(render.drawState.rz, 30);

        render.drawState.sx = 2;
        render.drawState.sy = 2;
        run("obj.aspect = 0.5; obj.ox = 'abc'; obj.alpha = '0.25'", key);
        EXPECT_EQ(render.drawState.sx, 1);
        EXPECT_EQ(render.drawState.sy, 2);
        EXPECT_EQ(render.drawState.x, 0); // neither a number nor a numeric text
        EXPECT_EQ(render.drawState.alpha, 0.25f);
    }
}

TEST_F(ScriptRun, CameraScriptsSeeTheObjectButNotItsDrawingState)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto camera = makeEffect<Effect::CameraScript>(
            "mes(obj.frame .. ' ' .. obj.layer .. ' ' .. obj.screen_w .. ' ' .. tostring(obj.x)); obj.ox = 50", key);
        render.drawState = {};
        camera->preInputVideo(render);
        auto instance = camera->getScript()->engine->createEffectInstance(*camera, render);
        instance->executeEffect(camera->getScript()->text);
        EXPECT_EQ(instance->messageText, L"5 3 640 nil");
        EXPECT_EQ(render.drawState.x, 0);
    }
}

// ---- failures ----

namespace {
// What the interpreter itself says of the chunk: loadstring's message, or
// the message of calling it.
std::string interpreterMessage(const char* program, const std::string& chunk)
{
    const std::string path = TestKit::tempDir() + "/chunk.lua";
    TestKit::writeFile(path, chunk);
    std::string output;
    const std::string command = std::string(program) + " -e \"local c = io.open('" + path +
                                "'):read('*a') local f, e = loadstring(c) if not f then io.write(e) else"
                                " io.write(tostring(select(2, pcall(f)))) end\"";
    EXPECT_EQ(TestKit::runCommand(command, &output), 0) << command;
    return output;
}
} // namespace

TEST_F(ScriptRun, ErrorsAreTheInterpretersMessagesLoggedWithTheirLines)
{
    const std::string lines = "\nline2 = 2\nline3 = 3\nline4 = 4\n";
    struct Case {
        std::string chunk;
        const char* logged; // the SCRIPT line; null: the message itself
    };
    const Case cases[] = {
        {"error('one')" + lines, "one\r\n> error('one')\r\n> line2 = 2\r\n> line3 = 3"},
        {"x = 1\nx = 2\nx = 3\nx = 4\nx = nil + 1\nx = 6\n", "attempt to perform arithmetic on a nil value\r\n"
                                                               "> x = 4\r\n> x = nil + 1\r\n> x = 6"},
        {"x = = 1", "unexpected symbol near '='\r\n> x = = 1"},
        {"error('plain', 0)", nullptr},
        {"error('[no line]: here', 0)", nullptr},
    };
    for (const char* key : EngineKeys) {
        const char* program = std::string_view(key) == "lua" ? "lua5.1" : "luajit";
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(key) + ": " + c.chunk);
            TestKit::LogCapture log;
            const std::string text = TestKit::errorText([&] { run(c.chunk, key); });
            EXPECT_EQ(text, interpreterMessage(program, c.chunk));
            const std::string logged = std::string("SCRIPT|probe|") + (c.logged ? c.logged : text);
            EXPECT_TRUE(log.contains(logged)) << (log.lines().empty() ? "" : log.lines().back());
        }
        TestKit::LogCapture log;
        EXPECT_EQ(TestKit::errorText([&] { run("error({})", key); }), "(error object is not a string)");
        EXPECT_TRUE(log.contains("SCRIPT|probe|(error object is not a string)"));
    }
}

TEST_F(ScriptRun, AnObjTableReplacedByTheScriptFailsItsRunAndTheNext)
{
    for (const char* script : {"obj = 1", "mes('x')"}) {
        const std::string text = TestKit::errorText([&] { run(script, "lua"); });
        EXPECT_EQ(text.rfind("obj table not defined", 0), 0u) << text;
    }
    EXPECT_EQ(run("mes('other engine')", "luaJIT"), L"other engine");
}

// Metamethods a script sets on "obj", "package" or the globals raise inside
// the next run's set-up or read-back: that run fails with the script's
// message, and the process lives on (an unprotected error would end it).
TEST_F(ScriptRun, MetamethodsThatRaiseOutsideTheScriptFailTheRunNotTheProcess)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto fails = [&](const std::string& script, const std::string& message) {
            TestKit::LogCapture log;
            const std::string text = TestKit::errorText([&] { run(script, key); });
            EXPECT_NE(text.find(message), std::string::npos) << script << " gave: " << text;
            EXPECT_TRUE(log.contains(message)) << "the interpreter's report is logged";
        };
        // Raises in this run's read-back; the next set-up writes the fields, so it runs.
        fails("obj = setmetatable({}, {__index = function(t, k) error('no reads of ' .. k) end})", "no reads of ");
        EXPECT_EQ(run("mes('read back')", key), L"read back");

        // Raises in the next run's writes; a movement run, which writes nothing, mends it.
        EXPECT_EQ(run("obj = setmetatable({}, {__newindex = function(t, k) error('no writes of ' .. k) end}) mes('set')", key),
                  L"set");
        fails("mes('never')", "no writes of ");
        Effect::EffectItemList list;
        Effect::EffectItemNumber item(list, L"X", 0, -1000, 1000, 0.01);
        Effect::ScriptMovement movement(L"m");
        movement.setScriptSection({L"m", "setmetatable(obj, nil) return 2"}, L"/scripts", nullptr, key);
        item.movement = &movement;
        EXPECT_DOUBLE_EQ(item.getValue(render), 2);
        item.movement = Effect::NoMove::instance;
        EXPECT_EQ(run("mes('written')", key), L"written");

        // Raises when the run sets the package paths.
        EXPECT_EQ(run("package = nil setmetatable(_G, {__index = function(t, k) error('no global ' .. k) end})", key),
                  L"");
        fails("mes('never')", "no global package");
    }
}

// ---- the functions of the run ----

namespace {
// "rand" as a separate port in Python, for every (a, b, seed, frame).
std::vector<long long> pythonRand(const std::vector<std::array<long long, 4>>& calls)
{
    std::string program = R"(
M = (1 << 64) - 1
def rnd(a, b, seed, frame):
    lo, hi = min(a, b), max(a, b)
    c, f = seed & M, frame & M
    x = (c * 135829 + f * 97553) & M
    x = ((((x << 17) & M) ^ x ^ 0x137BD137BD137BD1) + c) & M
    x = (((x >> 19) ^ x ^ 0x37BD137BD137BD13) + f) & M
    x = ((((x << 41) & M) ^ x ^ 0x7BD137BD137BD137) + c) & M
    x = (((x >> 47) ^ x ^ 0xBD137BD137BD137B) + f) & M
    y = (x * 97555 - (x // 135829) * 135829) & M
    y = ((y << 17) & M) ^ y ^ 0x137BD137BD137BD1
    y = (y >> 19) ^ y ^ 0x37BD137BD137BD13
    y = ((y << 41) & M) ^ y ^ 0x7BD137BD137BD137
    y = (y >> 47) ^ y ^ 0xBD137BD137BD137B
    return lo + y % (hi - lo + 1)
)";
    for (const auto& c : calls)
        program += "print(rnd(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) +
                   ", " + std::to_string(c[3]) + "))\n";
    const std::string path = TestKit::tempDir() + "/rand.py";
    TestKit::writeFile(path, program);
    std::string output;
    EXPECT_EQ(TestKit::runCommand("python3 " + path, &output), 0);
    std::vector<long long> values;
    std::istringstream in(output);
    for (long long v; in >> v;)
        values.push_back(v);
    return values;
}
} // namespace

TEST_F(ScriptRun, RandMatchesAnIndependentPortForEveryRange)
{
    // The object's own seed: layer 2 x 1913 (index 0), frame 15.
    const long long objectSeed = 2 * 1913;
    const std::vector<std::array<long long, 4>> calls = {
        {1, 100, objectSeed, 15},        {5, 1, objectSeed, 15},          {1, 5, objectSeed, 15},
        {1, 100, objectSeed + 9, 15},    {0, 1000, 7, 15},                {0, 1000, 7, 99},
        {-2147483648LL, 2147483647LL, 3, 4}, {-2147483648LL, 2147483647LL, 2147483648LL, -5},
        {7, 7, 1, 1},                    {-50, 50, 123456789012LL, 0},
    };
    const std::string script = "mes(rand(1, 100) .. ' ' .. rand(5, 1) .. ' ' .. rand(1, 5) .. ' ' .."
                               " rand(1, 100, 9) .. ' ' .. rand(0, 1000, -7) .. ' ' .. rand(0, 1000, -7, 99) .. ' ' .."
                               " rand(-2147483648, 2147483647, -3, 4) .. ' ' .."
                               " rand(-2147483648, 2147483647, -2147483648, -5) .. ' ' .. rand(7, 7, -1, 1) .. ' ' .."
                               " rand(-50, 50, -123456789012, 0))";
    const std::vector<long long> expected = pythonRand(calls);
    ASSERT_EQ(expected.size(), calls.size());
    std::wstring want;
    for (long long v : expected)
        want += (want.empty() ? L"" : L" ") + std::to_wstring(v);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(run(script, key), want);
        // A negative seed leaves the object out: another layer draws the same.
        object->layer = 7;
        EXPECT_EQ(run("mes(rand(0, 1000, -7))", key), std::to_wstring(expected[4]));
        EXPECT_NE(run("mes(rand(1, 100))", key), std::to_wstring(expected[0]));
        object->layer = 2;
    }
    EXPECT_EQ(expected[1], expected[2]); // (5, 1) is (1, 5)
}

TEST_F(ScriptRun, GetinfoAnswersPathExportAndLimits)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(run("local w, h = obj.getinfo('image_max') mes(obj.getinfo('script_path') .. ' ' .."
                      " tostring(obj.getinfo('saving')) .. ' ' .. w .. 'x' .. h)",
                      key),
                  L"/scripts/ false 16384x16384");
        TestKit::LogCapture log;
        run("debug_print('trace ' .. 1)", key);
        EXPECT_TRUE(log.contains("SCRIPT|probe|trace 1"));
    }
}

TEST_F(ScriptRun, AMovementScriptGivesItsNumber)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        Effect::EffectItemList list;
        Effect::EffectItemNumber item(list, L"X", 0, -1000, 1000, 0.01);
        Effect::ScriptMovement movement(L"m");
        movement.setScriptSection({L"m", "local v = 6 * 7 return v / 4"}, L"/scripts", nullptr, key);
        item.movement = &movement;
        EXPECT_DOUBLE_EQ(item.getValue(render), 10.5);
        movement.reloadScriptSection({L"m", "return 'not a number'"});
        EXPECT_DOUBLE_EQ(item.getValue(render), 0);
        // rand in a movement depends on the item.
        movement.reloadScriptSection({L"m", "return rand(0, 1000000)"});
        const double first = item.getValue(render);
        EXPECT_EQ(item.getValue(render), first);
        item.movement = Effect::NoMove::instance;
    }
}
