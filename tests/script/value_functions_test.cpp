// getvalue, getpoint, getoption, setoption and the wrong-kind calls, run in
// both engines on the script host's scene.
#include "effect/effect_item_number.h"
#include "effect/script_movement.h"
#include "render/control_view.h"
#include "core/text.h"
#include "tests/script/script_fixture.h"

using namespace ScriptTest;

namespace {

class ValueFunctions : public ScriptWorld {
protected:
    std::string text(const std::string& script, const char* key) { return System::wideToUtf8(run(script, key)); }

    // A script whose track0 runs linearly from 0 to 590 over frames 10 to 69.
    std::shared_ptr<Effect::ScriptFilter> linearTrack(const std::string& script, const char* key)
    {
        object->end = 69;
        render.resetObject(object);
        auto effect = makeEffect("--track0:Size,0,1000,0\n" + script, key);
        auto* track = effect->getTrackItem(0);
        track->setMovement(Effect::EffectService::findMovementInstance(L"直線移動"));
        track->values = {0, 590 * track->scale};
        return effect;
    }

    std::string runMovement(const char* key, const std::string& script, const Effect::EffectItemNumber& item,
                            const Render::SectionPosition& position)
    {
        Effect::ScriptMovement movement(L"m");
        movement.setScriptSection({L"m", ""}, L"/scripts", nullptr, key);
        auto instance = engine(key).createMovementInstance(movement, item, position, render);
        instance->executeMovement(script);
        return System::wideToUtf8(instance->messageText);
    }
};

} // namespace

TEST_F(ValueFunctions, GetValueReadsTracksAtTimesAndSections)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.setTime(15);
        auto effect = linearTrack("mes(getvalue(0) .. ',' .. obj.getvalue(0, 1) .. ',' .. obj.getvalue(0, 0, -1)"
                                  " .. ',' .. obj.getvalue('0', 0.5, 0) .. ',' .. obj.getvalue(0, 0, 1))",
                                  key);
        // getvalue as a global does not exist: only obj.getvalue.
        EXPECT_NE(TestKit::errorText([&] { run(*effect); }).find("global 'getvalue'"), std::string::npos);
        auto plain = linearTrack("mes(obj.getvalue(0) .. ',' .. obj.getvalue(0, 1) .. ',' .. obj.getvalue(0, 0, -1)"
                                 " .. ',' .. obj.getvalue('0', 0.5, 0) .. ',' .. obj.getvalue(0, 0, 1)"
                                 " .. ',' .. obj.getvalue('time', 0.25))",
                                 key);
        // Now (frame 15), one second in (frame 40), the last frame, 0.5 s in,
        // section 1 past the points (the last frame); "time" of 0.25 s.
        EXPECT_EQ(run(*plain), L"50,300,590,150,590,0.25");
        object->midPoints = {30};
        render.resetObject(object);
        // Section 1 is the mid point at frame 40 (values of a 2-point linear
        // track spread over the whole object when it ignores mid points).
        EXPECT_EQ(text("mes(obj.getvalue('time', 0, 1))", key), "1");
        object->midPoints.clear();
    }
}

TEST_F(ValueFunctions, GetValueReadsDrawingPropertiesOfThisOrAnotherLayer)
{
    // Layer 2 (index 1) holds an object at x 100 + 7 from the test output.
    auto& other = scene->addObject(1, 0, 100);
    other->effects.push_back(std::make_shared<TestInput>());
    other->effects.push_back(std::make_shared<TestOutput>());
    scene->updateLayerObject();
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState = {};
        render.drawState.x = 5;
        render.drawState.sx = render.drawState.sy = render.drawState.sz = 1;
        EXPECT_EQ(text("mes(obj.getvalue('x') .. ',' .. obj.getvalue('layer2.x') .. ',' .. obj.getvalue('layer 2 .y')"
                       " .. ',' .. obj.getvalue('zoom') .. ',' .. obj.zoom .. ',' .. obj.getvalue('aspect'))",
                       key),
                  "105,100,200,100,1,0");
        // An empty layer and an unreadable number read the object itself; the latter is logged.
        TestKit::LogCapture log;
        EXPECT_EQ(text("mes(obj.getvalue('layer7.x') .. ',' .. obj.getvalue('layer.x'))", key), "105,105");
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid layer parameter"));
        EXPECT_NE(TestKit::errorText([&] { run("obj.getvalue('foo')", key); }).find("invalid get value target=foo"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.getvalue('layer2.foo')", key); })
                      .find("invalid get value target=foo"),
                  std::string::npos);
        render.drawState.sx = 0.5f;
        EXPECT_EQ(text("mes(obj.getvalue('aspect'))", key), "0.5");
        render.drawState.sx = 1;
        render.drawState.sy = 0.25f;
        EXPECT_EQ(text("mes(obj.getvalue('aspect'))", key), "-0.75");
    }
}

TEST_F(ValueFunctions, SetOptionChangesTheObjectsDrawing)
{
    struct Case {
        const char* script;
        int blend;
    };
    const Case blends[] = {{"'alpha_add'", 20}, {"'alpha_sub'", 23}, {"'diff'", 12}, {"30", 23}, {"-4", 0}, {"7.9", 7}};
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        for (const Case& c : blends) {
            render.drawState.blendMode = -1;
            run(std::string("obj.setoption('blend', ") + c.script + ")", key);
            EXPECT_EQ(render.drawState.blendMode, c.blend) << c.script;
        }
        EXPECT_NE(TestKit::errorText([&] { run("obj.setoption('blend', 'alpha_add3')", key); })
                      .find("invalid blend type=alpha_add3"),
                  std::string::npos);
        run("obj.setoption('culling', 2) obj.setoption('billboard', 3) obj.setoption('focus_mode', 'fixed_size')"
            " obj.setoption('antialias', 1) obj.setoption('shadow', 1)",
            key);
        EXPECT_TRUE(render.drawState.culling);
        EXPECT_EQ(render.drawState.billboard, 3);
        EXPECT_TRUE(render.focusFixedSize);
        TestKit::LogCapture log;
        run("obj.setoption('wobble', 1)", key);
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid set option name=wobble"));
        EXPECT_NE(TestKit::errorText([&] { run("obj.setoption('drawtarget', 'object')", key); })
                      .find("invalid drawtarget type=object"),
                  std::string::npos);
        // "draw_state" sets the run's drawn flag.
        auto effect = makeEffect("obj.setoption('draw_state', true)", key);
        auto instance = effect->getScript()->engine->createEffectInstance(*effect, render);
        instance->executeEffect(effect->getScript()->text);
        EXPECT_TRUE(instance->drawn);
    }
}

TEST_F(ValueFunctions, CameraParametersGoAndComeBackWithTheUpVectorNegated)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        render.drawState.cameraControl.reset();
        EXPECT_EQ(text("mes(tostring(obj.getoption('camera_mode')))", key), "false");
        EXPECT_NE(TestKit::errorText([&] { run("obj.getoption('camera_param')", key); }).find("no camera control"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.setoption('camera_param', {})", key); }).find("no camera control"),
                  std::string::npos);
        auto camera = std::make_shared<Render::ControlView>(object, nullptr);
        render.drawState.cameraControl = camera;
        EXPECT_EQ(text("local c = obj.getoption('camera_param') mes(c.x .. ',' .. c.z .. ',' .. c.uy .. ',' .. c.d"
                       " .. ',' .. tostring(obj.getoption('camera_mode')))",
                       key),
                  "0,-1024,-1,1024,true");
        // A round trip keeps every field; a table with only x zeroes the rest.
        run("local c = obj.getoption('camera_param') c.x = 5 c.ty = 6 c.rz = 7 c.ux = 0.5"
            " obj.setoption('camera_param', c)",
            key);
        EXPECT_EQ(camera->camera.position.x, 5);
        EXPECT_EQ(camera->camera.position.z, -1024);
        EXPECT_EQ(camera->camera.target.y, 6);
        EXPECT_EQ(camera->camera.tilt, 7);
        EXPECT_EQ(camera->camera.up.x, -0.5f);
        EXPECT_EQ(camera->camera.up.y, 1);
        EXPECT_EQ(camera->camera.focalDistance, 1024);
        run("obj.setoption('camera_param', {x = 3})", key);
        EXPECT_EQ(camera->camera.position.x, 3);
        EXPECT_EQ(camera->camera.position.z, 0);
        EXPECT_EQ(camera->camera.up.y, 0);
        EXPECT_EQ(camera->camera.focalDistance, 0);
        render.drawState.cameraControl.reset();
    }
}

TEST_F(ValueFunctions, GetOptionReadsTheObjectAndItsChain)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        // A chain: input, output, this script, another script filter, a plain filter, a third script.
        auto self = makeEffect("mes(obj.getoption('script_name', 1) .. '|' .. obj.getoption('script_name', 2) .. '|'"
                               " .. obj.getoption('script_name', 3) .. '|' .. obj.getoption('script_name', 3, true)"
                               " .. '|' .. obj.getoption('script_name', -1) .. '|' .. obj.getoption('script_name', 9)"
                               " .. '|' .. obj.getoption('script_name'))",
                               key);
        auto next = makeEffect("", key);
        auto third = makeEffect("", key);
        auto plain = std::make_shared<TestInput>();
        plain->effectType = Effect::EffectType::Filter;
        object->effects.resize(2);
        object->effects.insert(object->effects.end(), {self, next, plain, third});
        next->disable = false;
        plain->disable = true;
        const std::string nextName = System::wideToUtf8(next->name);
        EXPECT_EQ(System::wideToUtf8(run(*self)),
                  nextName + "||" + System::wideToUtf8(third->name) + "||||" + System::wideToUtf8(self->name));
        object->effects.resize(2);

        object->midPoints = {5, 9};
        render.num = 3;
        EXPECT_EQ(text("mes(obj.getoption('section_num') .. ',' .. tostring(obj.getoption('multi_object')) .. ','"
                       " .. tostring(obj.getoption('gui')))",
                       key),
                  "3,true,false");
        object->midPoints.clear();
        render.num = 1;
        auto tracked = makeEffect("--track0:A,0,10,1\nmes(obj.getoption('track_mode', 0))", key);
        EXPECT_EQ(run(*tracked), L"0");
        tracked->getTrackItem(0)->setMovement(Effect::EffectService::findMovementInstance(L"直線移動"));
        EXPECT_EQ(run(*tracked), L"直線移動");
        EXPECT_NE(TestKit::errorText([&] { run(*tracked, "obj.getoption('track_mode', 4)"); })
                      .find("invalid track name=4"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { run("obj.getoption('colour')", key); })
                      .find("invalid get option name=colour"),
                  std::string::npos);
    }
}

TEST_F(ValueFunctions, FunctionsOfTheOtherKindOfScriptThrow)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(TestKit::errorText([&] { run("obj.getpoint(0)", key); }),
                  "not movement script.\n\n[Place]\nPlugin::ScriptPluginInstance::getMovement()");
        Effect::EffectItemList list;
        Effect::EffectItemNumber item(list, L"X", 0, 0, 100, 1);
        const Render::SectionPosition position{};
        for (const char* call : {"obj.getvalue(0)", "obj.setoption('blend', 1)", "obj.getoption('gui')", "obj.effect()"}) {
            SCOPED_TRACE(call);
            EXPECT_EQ(TestKit::errorText([&] { runMovement(key, std::string(call) + " return 0", item, position); })
                          .rfind("not effect script.", 0),
                      0u);
        }
        // What movement scripts may use.
        object->midPoints = {5};
        EXPECT_EQ(runMovement(key, "mes(obj.getoption('section_num')) obj.setoption('draw_state', true) return 0", item,
                              position),
                  "2");
        object->midPoints.clear();
    }
}

TEST_F(ValueFunctions, GetPointReadsTheTrackOfAMovementScript)
{
    Effect::EffectItemList list;
    Effect::EffectItemNumber x(list, L"X", 0, -1000, 1000, 0.1), y(list, L"Y", 0, -1000, 1000, 0.1),
        z(list, L"Z", 0, -1000, 1000, 0.1);
    Effect::EffectItemNumber::Group group;
    Effect::EffectItemNumber::makeGroup(group, {&x, &y, &z});
    x.values = {10, 20, 30};
    y.values = {40, 50, 60};
    z.values = {70, 80, 90};
    y.flags = 1;
    object->midPoints = {10};
    object->end = 39;
    render.resetObject(object);
    const Render::SectionPosition position{};
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        // Values by index, clamped; the link group from y's place (x, z wrap
        // round); y differs from the others in its flags, so z and x stand
        // for themselves only when they match y.
        EXPECT_EQ(runMovement(key,
                              "mes(table.concat({obj.getpoint(-3), obj.getpoint(1), obj.getpoint(9)}, ','))"
                              " mes('|' .. table.concat({obj.getpoint(0, 0, 3)}, ','))"
                              " mes('|' .. select('#', obj.getpoint(0, 0, 0)))"
                              " mes('|' .. table.concat({obj.getpoint('link')}, ','))"
                              " mes('|' .. obj.getpoint('num') .. ',' .. obj.getpoint('framerate'))"
                              " mes('|' .. tostring(obj.getpoint('accelerate')) .. tostring(obj.getpoint('decelerate')))"
                              " mes('|' .. obj.getpoint('time', 0) .. ',' .. obj.getpoint('time', 1) .. ','"
                              " .. obj.getpoint('time', 2)) return 0",
                              y, position),
                  "4,5,6|4,4,4|0|1,3|3,30|truefalse|0,0.33333333333333,0.96666666666667");
        EXPECT_EQ(runMovement(key, "mes(table.concat({obj.getpoint(2, 1, 2)}, ',')) return 0", x, position), "3,9");
        EXPECT_NE(TestKit::errorText([&] { runMovement(key, "obj.getpoint('what') return 0", x, position); })
                      .find("invalid get point target=what"),
                  std::string::npos);
        EXPECT_NE(TestKit::errorText([&] { runMovement(key, "obj.getpoint('param') return 0", x, position); })
                      .find("no set param"),
                  std::string::npos);
    }
    object->midPoints.clear();
}
