// Camera scripts and scene-change scripts through the real render plan: a
// camera script runs once a frame in the camera's preparation and sees the
// object but not its drawing state; a scene-change script runs at each frame
// of its object on a copy of the whole frame before it (red up to frame 9,
// blue from frame 10, the change over frames 10 to 19 below them).
#include "core/log.h"
#include "effect/script_service.h"
#include "effects/objects/camera_control.h"
#include "effects/objects/script_effect_kinds.h"
#include "script/lua_script.h"
#include "tests/effects/objects/control_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace ControlTest;

constexpr const wchar_t* CameraScriptName = L"camera probe";
constexpr const wchar_t* ChangeScriptName = L"change probe";

void registerScripts(Effect::EffectService& s)
{
    registerBefore(s);
    s.registerEffect<Effect::CameraScript>(CameraScriptName);
    s.registerEffect<Effect::SceneChangeScript>(ChangeScriptName);
}

class ScriptControlTest : public ControlFixture {
protected:
    void acquireMediaServices() override
    {
        auto* engines = services.acquire<Plugin::ScriptService>();
        engines->registerPlugin<Plugin::LuaScript>();
        engines->registerPlugin<Plugin::LuaJitScript>();
    }
    Effect::EffectService::BuiltInEffects effectTable() const override { return {registerScripts, registerAfter}; }

    // The registered script's text, as a script file gives it.
    static void setScript(const wchar_t* name, const std::string& text)
    {
        auto& prototype = dynamic_cast<Effect::ScriptEffect&>(*Effect::EffectService::Get()->findEffect(name).prototype);
        prototype.setScriptSection({name, text}, L"/scripts", nullptr, "luaJIT");
    }
    static std::vector<std::string> scriptLines(const TestKit::LogCapture& log)
    {
        std::vector<std::string> found;
        for (const std::string& line : log.lines())
            if (line.rfind("SCRIPT|", 0) == 0 || line.rfind("WARN|", 0) == 0)
                found.push_back(line);
        return found;
    }
};

} // namespace

TEST_F(ScriptControlTest, CameraScriptsRunOnceAFrameInTheCamerasPreparation)
{
    setScript(CameraScriptName, "debug_print(obj.frame .. ' ' .. obj.layer .. ' ' .. obj.screen_w .. ' ' ..\n"
                                "            tostring(obj.x) .. ' ' .. obj.w)");
    controlAt<Effect::CameraControl>(0, 2, 99);
    addEffect<Effect::CameraScript>(objectAt(0), CameraScriptName);
    picture(1, 0, 99, Red, 0, 0, 4);
    TestKit::LogCapture log;
    renderPlan(5);
    renderPlan(1); // before the camera
    EXPECT_EQ(scriptLines(log), std::vector<std::string>{"SCRIPT|camera probe|3 1 64 nil 0"});
}

TEST_F(ScriptControlTest, SceneChangeScriptsRunOnACopyOfTheFrameBeforeThem)
{
    setScript(ChangeScriptName, "debug_print(obj.frame .. ' ' .. obj.totalframe .. ' ' .. obj.w .. 'x' .. obj.h)");
    picture(0, 0, 9, Red, 0, 0, 64);
    picture(0, 10, 99, Blue, 0, 0, 64);
    scene->createObject(ChangeScriptName, 1, 10, 19);
    TestKit::LogCapture log;
    const Picture during = renderPlan(12);
    renderPlan(19);
    renderPlan(20);
    EXPECT_EQ(scriptLines(log), (std::vector<std::string>{"SCRIPT|change probe|2 10 64x36", "SCRIPT|change probe|9 10 64x36"}));
    // The script draws nothing itself: the frame stays the after picture.
    EXPECT_GT(pixel(during, Width / 2, Height / 2)[2], 0.5f);
    EXPECT_TRUE(finitePicture(during));
}
