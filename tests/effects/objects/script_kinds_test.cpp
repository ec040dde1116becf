// The script effect kinds on the software driver: what picture each hands to
// its script and takes back, failures, the script-control filter and a script
// that draws its object itself.
#include "core/file_name.h"
#include "core/text.h"
#include "core/module_trust_list.h"
#include "effect/anchor_list.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/script_edit.h"
#include "effects/objects/script_trust.h"
#include "effects/objects/text_input.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "render/render_video_worker.h"
#include "script/script_functions.h"
#include "tests/media/gpu_fixture.h"
#include "tests/script/script_fixture.h"

using namespace Effect;

namespace {

class ScriptKinds : public TestKit::GpuFixture {
protected:
    void SetUp() override
    {
        GpuFixture::SetUp();
        world = std::make_unique<ScriptTest::ScriptScene>(false);
    }
    void TearDown() override
    {
        world.reset();
        GpuFixture::TearDown();
    }
    std::unique_ptr<Media::ResourceBuffer> picture() { return upload(fixture(4, 3), 4, 3); }
    static std::vector<std::string> warnings(const TestKit::LogCapture& log)
    {
        std::vector<std::string> found;
        for (const std::string& line : log.lines())
            if (line.rfind("WARN|", 0) == 0)
                found.push_back(line);
        return found;
    }

    std::unique_ptr<ScriptTest::ScriptScene> world;
};

// A stand-in for the object draw function: it marks the run as drawn.
int markDrawn(Lua::lua_State*)
{
    Plugin::LuaInstance::current()->drawn = true;
    return 0;
}
const Lua::luaL_Reg Probe[] = {{"draw", Plugin::ScriptCall::function<markDrawn>}, {nullptr, nullptr}};

} // namespace

TEST_F(ScriptKinds, AnimationEffectsPassTheirPictureOrNoneWhenTheyFail)
{
    for (const char* key : ScriptTest::EngineKeys) {
        SCOPED_TRACE(key);
        auto effect = world->makeEffect<ScriptFilter>("--track0:A,0,1,0.5,0.01\nobj.alpha = obj.track0", key);
        TestKit::LogCapture log;
        auto in = picture();
        Media::ResourceBuffer* raw = in.get();
        auto out = effect->filterVideo(world->render, std::move(in));
        EXPECT_EQ(out.get(), raw);
        EXPECT_EQ(world->render.drawState.alpha, 0.5f);
        EXPECT_TRUE(warnings(log).empty());

        auto failing = world->makeEffect<ScriptFilter>("if obj.frame == 5 then error('frame five') end", key);
        EXPECT_EQ(failing->filterVideo(world->render, picture()), nullptr);
        ASSERT_EQ(warnings(log).size(), 1u);
        EXPECT_EQ(warnings(log)[0].rfind("WARN|Effect::ScriptFilter::filterVideo|script exception: [string", 0), 0u);
        EXPECT_TRUE(log.contains("SCRIPT|probe|frame five\r\n> if obj.frame == 5 then error('frame five') end"));
        // The next frame runs again.
        world->render.frame = 6;
        world->render.time = 6;
        EXPECT_TRUE(failing->filterVideo(world->render, picture()));
        world->render.frame = 15;
        world->render.time = 15;
        world->render.drawState = {};
    }
}

TEST_F(ScriptKinds, ACustomObjectWithoutAPictureYieldsNoneQuietly)
{
    auto input = world->makeEffect<ScriptInput>("mes('w=' .. obj.w)");
    TestKit::LogCapture log;
    EXPECT_EQ(input->inputVideo(world->render), nullptr);
    EXPECT_TRUE(warnings(log).empty());
}

TEST_F(ScriptKinds, TheScriptControlFilterRunsItsTypedScript)
{
    ScriptEdit prototype;
    prototype.createCommonResource();
    auto edit = std::dynamic_pointer_cast<ScriptEdit>(prototype.create());
    edit->shareResource(prototype);
    edit->script.text = L"obj.oz = 7 obj.alpha = 0.25 debug_print(obj.getinfo('script_path'))";
    TestKit::LogCapture log;
    auto in = picture();
    Media::ResourceBuffer* raw = in.get();
    EXPECT_EQ(edit->filterVideo(world->render, std::move(in)).get(), raw);
    EXPECT_EQ(world->render.drawState.z, 7);
    EXPECT_EQ(world->render.drawState.alpha, 0.25f);
    // No folder of its own: relative names lie in the script folder.
    EXPECT_TRUE(log.contains("SCRIPT||" + System::toLocalPath(System::FileName::expand(L"%Script%")) + "/"));
}

TEST_F(ScriptKinds, AScriptThatDrawsItsObjectLeavesNoPictureButTheHandles)
{
    Anchor::AnchorList anchors;
    world->render.anchors = &anchors;
    auto effect = world->makeEffect<ScriptFilter>("probe.draw()", "lua");
    {
        // The probe lives in the engine's state for the runs that follow.
        auto run = ScriptTest::ScriptWorld::engine("lua").createEffectInstance(*effect, world->render);
        auto& lua = dynamic_cast<Plugin::LuaInstance&>(*run);
        lua.engine.api.luaL_register(lua.state, "probe", Probe);
        lua.engine.api.lua_settop(lua.state, 0);
    }
    auto& output = dynamic_cast<ScriptTest::TestOutput&>(*world->object->effects[1]);
    EXPECT_EQ(effect->filterVideo(world->render, picture()), nullptr);
    EXPECT_EQ(output.anchorSizes, (std::vector<int>{4, 3}));
    world->render.anchors = nullptr;
}

// ---- code that comes with a project ----

namespace {

class ProjectCode : public ScriptKinds {
protected:
    void SetUp() override
    {
        ScriptKinds::SetUp();
        trust.acquire<Plugin::ModuleTrustList>();
        Platform::Ui::setMessageBoxAnswerer([this](const Platform::Ui::MessageBox& box) {
            asked.push_back(box.text);
            return answer;
        });
        installScriptEffects();
    }
    void TearDown() override
    {
        Platform::Ui::setMessageBoxAnswerer(nullptr);
        EffectService::scriptEffects = {};
        Edit::EditService::projectLoaded = nullptr;
        ScriptTrust::reset();
        project.reset();
        trust.releaseAll();
        ScriptKinds::TearDown();
    }

    // A project with a script-control filter, a script expression and a text
    // block in the file's state: their texts as the file gave them.
    void load(const std::wstring& control, const std::wstring& expression)
    {
        project = std::make_unique<Edit::Project>();
        std::shared_ptr<Edit::Object>& placed = project->getScene(0)->addObject(0, 0, 9);
        TextInput textPrototype;
        textPrototype.createCommonResource();
        text = std::dynamic_pointer_cast<TextInput>(textPrototype.create());
        text->shareResource(textPrototype);
        text->text.text = L"A<?=1+2?>B";
        project->getScene(0)->addObject(1, 0, 9)->effects = {text};
        edit = std::make_shared<ScriptEdit>();
        ScriptEdit prototype;
        prototype.createCommonResource();
        edit->shareResource(prototype);
        edit->script.text = control;
        filter = world->makeEffect<ScriptFilter>("--value@v:V,1\nobj.oy = v");
        dynamic_cast<EffectItemString&>(*filter->findParameter("@local v")).text = expression;
        placed->effects = {edit, filter};
        Edit::EditService::projectLoaded(*project, L"/projects/p.vmp2");
    }

    std::vector<std::wstring> asked;
    Platform::Ui::BoxAnswer answer = Platform::Ui::BoxAnswer::No;
    System::ServiceStack trust;
    std::unique_ptr<Edit::Project> project;
    std::shared_ptr<ScriptEdit> edit;
    std::shared_ptr<ScriptFilter> filter;
    std::shared_ptr<TextInput> text;
};

} // namespace

TEST_F(ProjectCode, RefusedCodePassesThePictureAllowedCodeRunsAndChangesAskAgain)
{
    ASSERT_TRUE(Edit::EditService::projectLoaded);
    TestKit::LogCapture log;
    load(L"obj.ox = 3", L"2 + 2");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(L"/projects/p.vmp2|"), std::wstring::npos);
    for (int frame = 0; frame < 2; ++frame) {
        for (EffectBase* effect : std::initializer_list<EffectBase*>{edit.get(), filter.get()}) {
            auto in = picture();
            Media::ResourceBuffer* raw = in.get();
            EXPECT_EQ(effect->filterVideo(world->render, std::move(in)).get(), raw);
        }
    }
    EXPECT_EQ(world->render.drawState.x, 0);
    EXPECT_EQ(world->render.drawState.y, 0);
    EXPECT_EQ(text->expandScript(world->render), L"A<?=1+2?>B"); // shown as it stands
    EXPECT_EQ(warnings(log).size(), 1u); // once per object
    EXPECT_TRUE(log.contains("WARN|Effect::ScriptEdit::filterVideo|project code not allowed"));

    // Code typed in this session runs.
    edit->script.text = L"obj.ox = 5";
    edit->filterVideo(world->render, picture());
    EXPECT_EQ(world->render.drawState.x, 5);

    // Allowed: asked once, remembered for the same code, asked again for other code.
    answer = Platform::Ui::BoxAnswer::Yes;
    load(L"obj.ox = 3", L"2 + 2");
    EXPECT_EQ(asked.size(), 2u);
    edit->filterVideo(world->render, picture());
    filter->filterVideo(world->render, picture());
    EXPECT_EQ(world->render.drawState.x, 3);
    EXPECT_EQ(world->render.drawState.y, 4);
    EXPECT_EQ(text->expandScript(world->render), L"A3B");
    load(L"obj.ox = 3", L"2 + 2");
    EXPECT_EQ(asked.size(), 2u);
    const std::string ini = TestKit::readFile(System::toLocalPath(System::FileName::expand(L"%AppData%/module.ini")));
    EXPECT_NE(ini.find("[/projects/p.vmp2|"), std::string::npos) << ini;
    load(L"obj.ox = 3", L"2 + 3");
    EXPECT_EQ(asked.size(), 3u);
    // A script expression equal to the script's own is the script's code, not
    // the project's: it runs though the project (still holding its text
    // block) is refused.
    answer = Platform::Ui::BoxAnswer::No;
    load(L"", L"1");
    EXPECT_EQ(asked.size(), 4u);
    filter->filterVideo(world->render, picture());
    EXPECT_EQ(world->render.drawState.y, 1);
}

// ---- scene changes ----

namespace {
// The progress the run was given, for the script to print.
int progress(Lua::lua_State* L)
{
    Plugin::LuaInstance::api().lua_pushnumber(L, Plugin::LuaInstance::current()->sceneChangeProgress);
    return 1;
}
const Lua::luaL_Reg Progress[] = {{"progress", Plugin::ScriptCall::function<progress>}, {nullptr, nullptr}};
} // namespace

TEST_F(ScriptKinds, SceneChangesRunOnTheBeforeFrameWithTheirProgress)
{
    auto change = world->makeEffect<SceneChangeScript>("debug_print(obj.w .. 'x' .. obj.h .. ' ' .. probe.progress())");
    {
        auto run = ScriptTest::ScriptWorld::engine("luaJIT").createEffectInstance(*change, world->render);
        auto& lua = dynamic_cast<Plugin::LuaInstance&>(*run);
        lua.engine.api.luaL_register(lua.state, "probe", Progress);
        lua.engine.api.lua_settop(lua.state, 0);
    }
    Anchor::AnchorList anchors;
    world->render.anchors = &anchors;
    TestKit::LogCapture log;
    change->controlVideo(world->render);
    struct Other : Render::PreInputBuffer {};
    world->render.preInput = std::make_shared<Other>();
    change->controlVideo(world->render);
    EXPECT_TRUE(log.contains("WARN|Effect::SceneChangeScript::controlVideo|no before frame buffer"));
    EXPECT_TRUE(log.contains("WARN|Effect::SceneChangeScript::controlVideo|invalid before frame buffer"));
    EXPECT_EQ(world->render.anchors, &anchors);

    auto before = std::make_shared<Render::RenderVideoWorker::RenderingBuffer>();
    before->buffer.createTexture2D(6, 5);
    world->render.preInput = before;
    change->controlVideo(world->render); // frame 15 of 10..39
    EXPECT_TRUE(log.contains("SCRIPT|probe|6x5 0.2")) << log.lines().back();
    EXPECT_EQ(world->render.anchors, nullptr);
    world->object->end = world->object->start; // one frame long
    world->render.frame = world->object->start;
    change->controlVideo(world->render);
    EXPECT_TRUE(log.contains("SCRIPT|probe|6x5 1")) << log.lines().back();
    EXPECT_EQ(change->getOutputView(world->render).x, world->render.drawState.x);
    world->render.preInput.reset();
}
