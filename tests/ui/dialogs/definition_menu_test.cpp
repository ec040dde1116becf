// Popup menus built from the registered definitions: groups, order, hidden
// entries, change menus and marks.
#include "core/config.h"
#include "core/file_name.h"
#include "core/translate_service.h"
#include "effect/effect_define.h"
#include "tests/project/edit_fixture.h"
#include "ui/menus/menubar/definition_menus.h"

using Window::BaseMenu;

namespace {

struct DefinitionMenus : EditTest::EditFixture {
    DefinitionMenus()
    {
        // Only the entries a case names show.
        for (auto& [name, define] : effects().effects) {
            define.hide = 1;
            define.label.clear();
        }
    }
    ~DefinitionMenus() override
    {
        translate.reset();
        for (auto& [name, define] : effects().effects)
            define.hide = 0;
    }
    void show(const wchar_t* name, const wchar_t* label, int order)
    {
        Effect::EffectDefine& d = define(name);
        d.hide = 0;
        d.label = label;
        d.order = order;
    }
    // The menu as text: items by name, sub-menus as name{...}, "*" before a checked entry.
    static std::wstring render(const BaseMenu& menu)
    {
        std::wstring text;
        for (int i = 0; i < menu.itemCount(); ++i) {
            const Platform::Ui::MenuEntry entry = menu.item(i);
            if (i)
                text += L",";
            text += (entry.checked ? L"*" : L"") + entry.text;
            if (entry.subMenu)
                text += L"{" + render(menu.subMenu(i)) + L"}";
        }
        return text;
    }
    std::unique_ptr<System::ServiceReference<Translate::TranslateService>> translate;
};

} // namespace

TEST_F(DefinitionMenus, LabelsBecomeNestedGroupsOrderedByTheirFirstEntry)
{
    struct Case {
        std::vector<std::tuple<const wchar_t*, const wchar_t*, int>> entries; // name, label, order
        const wchar_t* menu;
    };
    const Case cases[] = {
        // "A\B" beside "A": one group A holding B and the second entry.
        {{{L"ぼかし", L"A\\B", 1}, {L"音量調整", L"A", 2}, {L"両用フィルタ", L"", 3}},
         L"A{B{ぼかし},音量調整},両用フィルタ"},
        // Order decides: the ungrouped entry first, then the group at its first entry.
        {{{L"ぼかし", L"A", 5}, {L"音量調整", L"", 1}, {L"両用フィルタ", L"A", 2}},
         L"音量調整,A{両用フィルタ,ぼかし}"},
        // A leading and a trailing backslash make groups with an empty name.
        {{{L"ぼかし", L"\\X", 1}, {L"音量調整", L"X\\", 2}, {L"両用フィルタ", L"X", 3}},
         L"{X{ぼかし}},X{{音量調整},両用フィルタ}"},
        // Two backslashes in a row: an empty piece between.
        {{{L"ぼかし", L"A\\\\B", 1}}, L"A{{B{ぼかし}}}"},
    };
    for (const Case& c : cases) {
        for (auto& [name, define] : effects().effects)
            define.hide = 1;
        for (const auto& [name, label, order] : c.entries)
            show(name, label, order);
        Window::PopupMenu menu;
        Menu::insertObjectMenu(menu, 0, 0, 201);
        EXPECT_EQ(render(menu), c.menu);
    }
}

TEST_F(DefinitionMenus, HiddenEntriesMakeNoGroupAndTheItemsRunTheirCommands)
{
    show(L"画像ファイル", L"素材\\静止画", 1);
    show(L"図形", L"図形類", 2);
    define(L"図形").hide = 1; // its group never appears
    show(L"音声ファイル", L"", 3);
    Window::PopupMenu menu;
    Menu::insertObjectMenu(menu, 2, 30, 200);
    EXPECT_EQ(render(menu), L"素材{静止画{画像ファイル}},音声ファイル");
    BaseMenu still = menu.subMenu(0).subMenu(0);
    ASSERT_TRUE(still.runItem(0));
    const auto placed = scene().getLayer(2).findNearestObject(30, 30);
    ASSERT_TRUE(placed);
    EXPECT_STREQ(placed->effects[0]->name, L"画像ファイル");

    // A list without a visible entry leaves the menu as it was.
    for (auto& [name, define] : effects().effects)
        define.hide = 1;
    Window::PopupMenu empty;
    Menu::insertObjectMenu(empty, 0, 0, 200);
    EXPECT_EQ(empty.itemCount(), 0);
}

TEST_F(DefinitionMenus, TranslatedLabelsShareOneGroup)
{
    const std::string folder = System::toLocalPath(System::FileName::expand(L"%Language%"));
    TestKit::writeFile(folder + "/Test.vml2", "[Effect]\n加工=Edit\n編集=Edit\n");
    System::Config::iniFile = std::make_shared<System::IniFile>();
    System::Config::iniFile->loadText("[Translate]\nLanguage=Test\n", L"test", false);
    translate = std::make_unique<System::ServiceReference<Translate::TranslateService>>();
    ASSERT_TRUE(Translate::TranslateService::enabled);
    show(L"ぼかし", L"加工", 1);
    show(L"音量調整", L"編集", 2);
    Window::PopupMenu menu;
    Menu::insertObjectMenu(menu, 0, 0, 201);
    EXPECT_EQ(render(menu), L"Edit{ぼかし,音量調整}");
}

TEST_F(DefinitionMenus, ChangeMenusOfferTheSameKindAndGroupThatFitTheMedia)
{
    auto object = createRecorded(0, 0, 30);
    const Effect::EffectBase* filter = nullptr;
    {
        Edit::UpdateSection update;
        filter = object->setEffectByName(L"ぼかし", *object, nullptr)->get();
    }
    show(L"ぼかし", L"L", 4);
    show(L"両用フィルタ", L"L", 1);     // media 3 fits an image filter
    show(L"音量調整", L"L", 2);         // sound only: does not fit
    show(L"壊れ", L"Other", 3);         // fits, another group
    show(L"並行光源(カメラ制御)", L"L", 0); // camera media: does not fit
    Window::PopupMenu menu;
    Menu::insertFilterChangeMenu(menu, object, filter);
    EXPECT_EQ(render(menu), L"両用フィルタ,*ぼかし");
    EXPECT_TRUE(menu.item(1).radio);

    ASSERT_TRUE(menu.runItem(0));
    std::vector<std::wstring> names;
    for (auto& effect : object->effects)
        names.push_back(effect->name);
    // The chosen filter takes the current one's place.
    EXPECT_EQ(names, (std::vector<std::wstring>{L"画像ファイル", L"標準描画", L"両用フィルタ"}));
    ASSERT_TRUE(undo().undo());
    ASSERT_EQ(object->effects.size(), 3u);
    EXPECT_STREQ(object->effects[2]->name, L"ぼかし");

    // A current effect without a definition stops the menu with the registry's failure.
    Effect::EffectBase& stray = *object->effects[2];
    const wchar_t* kept = stray.name;
    stray.name = L"登録なし";
    Window::PopupMenu failing;
    EXPECT_NE(TestKit::errorText([&] { Menu::insertFilterChangeMenu(failing, object, &stray); })
                  .find("not found effect."),
              std::string::npos);
    stray.name = kept;
}

TEST_F(DefinitionMenus, TheInputIsMarkedOneLevelDeepAndOnlyForItsSelector)
{
    auto object = createRecorded(0, 0, 30);
    show(L"画像ファイル", L"G1", 1);
    show(L"図形", L"G1\\G2", 2);
    Window::PopupMenu inputs;
    Menu::insertEffectMenu(inputs, object, 1, 0, nullptr);
    EXPECT_EQ(render(inputs), L"*G1{*画像ファイル,G2{図形}}");
    // Two levels deep: the outer group is not marked.
    show(L"画像ファイル", L"G1\\G2", 1);
    show(L"図形", L"G1", 2);
    Window::PopupMenu deep;
    Menu::insertEffectMenu(deep, object, 1, 0, nullptr);
    EXPECT_EQ(render(deep), L"G1{G2{*画像ファイル},図形}");

    show(L"標準描画", L"", 1);
    Window::PopupMenu outputs;
    Menu::insertEffectMenu(outputs, object, 2, 0, nullptr);
    EXPECT_EQ(render(outputs), L"*標準描画");

    // An object led by a control effect checks nothing.
    const auto control = scene().createObject(L"カメラ制御", 3, 0, 30);
    show(L"カメラ制御", L"", 3);
    Window::PopupMenu none;
    Menu::insertEffectMenu(none, control, 1, 0, nullptr);
    EXPECT_EQ(render(none).find(L'*'), std::wstring::npos);
}

TEST(MediaFit, TheRuleAsATable)
{
    struct Case {
        uint8_t definition, requested;
        bool fits;
    };
    for (const Case& c : {Case{1, 0, true}, Case{1, 1, true}, Case{2, 1, false}, Case{1, 3, true},
                          Case{2, 3, true}, Case{3, 1, true}, Case{3, 4, false}, Case{4, 1, false},
                          Case{5, 5, true}, Case{5, 3, false}})
        EXPECT_EQ(Menu::mediaFits(c.definition, c.requested), c.fits) << int(c.definition) << "/" << int(c.requested);
}
