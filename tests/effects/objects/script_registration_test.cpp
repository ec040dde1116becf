// Script discovery: the script files of a fixture tree become script effects and
// movements, named, labelled and trusted as the user expects; a reload refreshes
// their texts only.
#include "core/file_name.h"
#include "core/module_trust_list.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "effect/script_movement.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "platform/os/folder.h"
#include "platform/ui/application.h"
#include "script/lua_script.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace Effect;

namespace {

class Discovery : public ::testing::Test {
protected:
    Discovery()
    {
        installScriptEffects();
        settings.acquire<Setting::SettingService>();
        Platform::Ui::setMessageBoxAnswerer([this](const Platform::Ui::MessageBox& box) {
            asked.push_back(box.text);
            for (const std::wstring& key : refuse) {
                if (box.text.find(L"\n" + key + L"\n") != std::wstring::npos)
                    return Platform::Ui::BoxAnswer::No;
            }
            return Platform::Ui::BoxAnswer::Yes;
        });
    }
    ~Discovery() override
    {
        stop();
        EffectService::scriptEffects = {};
        Platform::Ui::setMessageBoxAnswerer(nullptr);
    }

    // The start-up of the program as far as scripts go.
    void start()
    {
        services.acquire<Plugin::ModuleTrustList>();
        auto* engines = services.acquire<Plugin::ScriptService>();
        engines->registerPlugin<Plugin::LuaScript>();
        engines->registerPlugin<Plugin::LuaJitScript>();
        services.acquire<EffectService>();
        Plugin::ModuleTrustList::Get()->saveTrustList();
    }
    void stop() { services.releaseAll(); }

    static std::wstring root() { return System::FileName::expand(L"%Script%"); }
    // Writes a file below the script folder.
    static std::string write(const std::wstring& relative, const std::string& bytes)
    {
        const std::string path = System::toLocalPath(root() + L"/" + relative);
        Platform::Os::createFolders(path.substr(0, path.find_last_of('/')));
        TestKit::writeFile(path, bytes);
        return path;
    }
    EffectService& registry() { return *EffectService::Get(); }
    bool has(const wchar_t* name) { return registry().effects.count(name) != 0; }
    const ScriptData& script(const wchar_t* name)
    {
        auto* parser = dynamic_cast<ScriptFileParser*>(registry().findEffect(name).prototype.get());
        EXPECT_NE(parser, nullptr) << System::wideToUtf8(name);
        return *parser->getScript();
    }
    const ScriptMovement& movement(const wchar_t* name)
    {
        return dynamic_cast<const ScriptMovement&>(*registry().findMovement(name).movement);
    }
    // Registers a built-in collection (they lie beside the program, outside the script folder).
    void registerCollection(const std::string& bytes)
    {
        const std::string path = TestKit::tempDir() + "/script.anm2";
        TestKit::writeFile(path, bytes);
        registry().ready = false;
        registry().registerScriptEffect(EffectService::scriptEffects.filter, System::fromLocalPath(path), nullptr,
                                        true, false, nullptr);
        registry().ready = true;
    }

    std::set<std::wstring> refuse;
    std::vector<std::wstring> asked;
    TestKit::ReportCapture reports;
    System::ServiceStack settings;
    System::ServiceStack services;
};

} // namespace

TEST_F(Discovery, SectionsAreNamedByTheirMarkerLinesOrByTheFile)
{
    write(L"@fx.anm2", "-- before the first section\n@A\nA text\n@ C \r\nC text\r\n@\nlost\n");
    write(L"blur.anm2", "@not a section\nbody\n");
    write(L"o.obj2", "");
    write(L"c.cam2", "");
    write(L"s.scn2", "");
    write(L"m.tra2", "");
    start();
    registerCollection("@B1\none\n@B2\ntwo\n");

    EXPECT_EQ(script(L"A@fx").text, "A text\n");
    EXPECT_EQ(script(L"C@fx").text, "C text\r\n");
    EXPECT_FALSE(has(L"@fx") || has(L"fx") || has(L"@fx@fx"));
    EXPECT_EQ(script(L"blur").text, "@not a section\nbody\n");
    EXPECT_EQ(script(L"B1").text, "one\n");
    EXPECT_EQ(script(L"B2").text, "two\n");
    EXPECT_EQ(script(L"blur").folder, root());

    struct Kind {
        const wchar_t* name;
        const std::type_info& type;
        uint8_t effectType, media, objectMedia;
        const wchar_t* label;
    };
    for (const Kind& k : {Kind{L"o", typeid(ScriptInput), 1, 1, 1, L"カスタムオブジェクト"},
                          Kind{L"blur", typeid(ScriptFilter), 3, 1, 1, L"アニメーション効果"},
                          Kind{L"c", typeid(CameraScript), 3, 4, 4, L"カメラ効果"},
                          Kind{L"s", typeid(SceneChangeScript), 4, 1, 5, L"シーンチェンジ"}}) {
        EffectDefine& define = registry().findEffect(k.name);
        EffectBase& prototype = *define.prototype;
        EXPECT_EQ(typeid(prototype), k.type);
        EXPECT_EQ(define.getEffectType(), k.effectType);
        EXPECT_EQ(define.getMediaType(), k.media);
        EXPECT_EQ(define.getObjectMediaType(), k.objectMedia);
        EXPECT_EQ(define.label, k.label);
        // Instances share the prototype's script.
        auto instance = registry().createEffect(k.name);
        EXPECT_EQ(dynamic_cast<ScriptFileParser&>(*instance).getScript(), &script(k.name));
        EXPECT_STREQ(instance->name, k.name);
    }
    EXPECT_EQ(movement(L"m").getScript()->folder, root());
    EXPECT_EQ(registry().findMovement(L"m").label, L"");
    EXPECT_TRUE(reports.messages().empty());
}

TEST_F(Discovery, LabelsComeFromTheSubFolderAndTheHeaderUntilTheyAreStored)
{
    write(L"grp/a.anm2", "");
    write(L"grp/b.anm2", "--label:自作\\効果\n");
    write(L"c.anm2", "--label:ラベル\n");
    write(L"grp/m.tra2", "");
    start();
    EXPECT_EQ(registry().findEffect(L"a").label, L"grp");
    EXPECT_EQ(registry().findEffect(L"b").label, L"自作\\効果");
    EXPECT_EQ(registry().findEffect(L"c").label, L"ラベル");
    EXPECT_EQ(registry().findMovement(L"m").label, L"grp");
    EXPECT_EQ(script(L"a").folder, root() + L"/grp");

    // The user relabels one; at the next start the stored labels stay, whatever
    // the folder or the header say now.
    registry().findEffect(L"a").label = L"保存";
    stop();
    write(L"grp/b.anm2", "--label:別\n");
    start();
    EXPECT_EQ(registry().findEffect(L"a").label, L"保存");
    EXPECT_EQ(registry().findEffect(L"b").label, L"自作\\効果");
}

TEST_F(Discovery, OnlyTrustedFilesRegisterAndARefusedFileIsAskedAgain)
{
    write(L"a.anm2", "");
    write(L"grp/x.anm2", "");
    write(L"grp/y.anm2", "");
    refuse = {L"grp\\x.anm2"};
    start();
    EXPECT_TRUE(has(L"a") && has(L"y"));
    EXPECT_FALSE(has(L"x"));
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(TestKit::readFile(System::toLocalPath(System::FileName::expand(L"%AppData%/module.ini"))),
              "[a.anm2]\r\ntrust=1\r\n[grp\\y.anm2]\r\ntrust=1\r\n");
    stop();
    start();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_NE(asked[3].find(L"\ngrp\\x.anm2\n"), std::wstring::npos);
    EXPECT_FALSE(has(L"x"));
}

TEST_F(Discovery, OlderExtensionsAreReadInTheAnsiCodePageAndRunOnLua)
{
    const std::string old = write(L"old.obj", "");
    ASSERT_EQ(TestKit::runCommand("printf -- '--information:日本語の説明\\n--label:古い\\n' | iconv -f UTF-8 -t CP932 > '" +
                                  old + "'"),
              0);
    ASSERT_NE(TestKit::readFile(old), "--information:日本語の説明\n--label:古い\n"); // really CP932
    write(L"new.obj2", "--information:new\n");
    start();
    EXPECT_EQ(script(L"old").text, "--information:日本語の説明\n--label:古い\n");
    EXPECT_EQ(script(L"old").information, L"日本語の説明");
    EXPECT_EQ(registry().findEffect(L"old").label, L"古い");
    ASSERT_TRUE(script(L"old").engine);
    EXPECT_EQ(script(L"old").engine->key, "lua");
    EXPECT_EQ(script(L"new").engine->key, "luaJIT");
    EXPECT_EQ(typeid(*registry().findEffect(L"old").prototype), typeid(ScriptInput));
    // "*.obj" does not find "new.obj2" a second time: no duplicate.
    EXPECT_TRUE(reports.messages().empty());
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(Discovery, DeeperFoldersAndDotFoldersAreNotScanned)
{
    write(L"grp/deep/d.anm2", "");
    write(L".hidden/h.anm2", "");
    start();
    EXPECT_FALSE(has(L"d"));
    EXPECT_FALSE(has(L"h"));
}

TEST_F(Discovery, ADuplicateIsReportedOnceAndTheFirstStays)
{
    write(L"dup.anm2", "first");
    write(L"grp/dup.anm2", "second");
    write(L"grp/dup.tra2", "movement");
    write(L"other/dup.tra2", "again");
    start();
    EXPECT_EQ(reports.messages(),
              (std::vector<std::string>{"Failed to register effect. [dup]\n\nDuplicate effects with the same key exist.",
                                        "Failed to register movement. [dup]\n\nDuplicate movements with the same key exist."}));
    EXPECT_EQ(script(L"dup").text, "first");
    EXPECT_EQ(script(L"dup").folder, root());
    EXPECT_EQ(movement(L"dup").getScript()->text, "movement");
}

TEST_F(Discovery, AReloadRefreshesTheTextsOfTheRegisteredScriptsOnly)
{
    write(L"@fx.anm2", "@A\n--information:old\nA text\n@C\nC text\n");
    write(L"dup.anm2", "first");
    write(L"grp/dup.anm2", "second");
    write(L"m.tra2", "--param:5\nold movement\n");
    start();
    auto instance = registry().createEffect(L"A@fx");
    const std::vector<std::wstring> askedAtStart = asked;

    write(L"@fx.anm2", "@A\n--information:new\nA changed\n@C\nC text\n@N\nnew section\n");
    write(L"dup.anm2", "first changed");
    write(L"grp/dup.anm2", "intruder");
    write(L"m.tra2", "--param:7\nnew movement\n");
    write(L"late.anm2", "not trusted yet");
    registry().registerScript();

    EXPECT_EQ(script(L"A@fx").text, "--information:new\nA changed\n");
    EXPECT_EQ(dynamic_cast<ScriptFileParser&>(*instance).getScript()->text, script(L"A@fx").text);
    EXPECT_EQ(script(L"A@fx").information, L"old"); // the header is not read again
    EXPECT_FALSE(has(L"N@fx"));
    EXPECT_FALSE(has(L"late"));
    // The file refused at start as a duplicate does not replace the script.
    EXPECT_EQ(script(L"dup").text, "first changed");
    EXPECT_EQ(movement(L"m").getScript()->text, "--param:7\nnew movement\n");
    EXPECT_EQ(movement(L"m").defaultParams, std::vector<double>{5});
    // A reload runs inside an edit: nobody is asked about the new file.
    EXPECT_EQ(asked, askedAtStart);
}

TEST_F(Discovery, TheInformationListShowsTheScriptsOfTheScriptFolder)
{
    write(L"f.anm2", "--information:フィルタの説明\n");
    write(L"o.obj2", "");
    write(L"grp/c.cam2", "--information:\n");
    write(L"s.scn2", "--information:scene\n");
    write(L"m.tra2", "--information:動き\n");
    start();
    registerCollection("@B1\n--information:built in\n");
    EXPECT_EQ(registry().getScriptInformationList(),
              (std::vector<std::vector<std::wstring>>{{L"フィルタの説明", L"フィルタ効果"},
                                                      {L"o", L"オブジェクト"},
                                                      {L"c", L"カメラ効果"},
                                                      {L"動き", L"トラックバー"}}));
}
