// The menu definition dialogs, driven for real: what OK stores into the
// definitions (read back from the main ini file by Python's configparser),
// the context menu's moves, and the five dialogs' lines.
#include "core/config.h"
#include "core/ini_file.h"
#include "core/menu_define.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "tests/project/edit_fixture.h"
#include "tests/support/test_support.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialogs/menu_define_dialog.h"

#include <map>

using namespace DialogTest;
namespace Key = Platform::Ui::Key;

namespace {

class TestDefine final : public Menu::MenuDefineBase {
public:
    TestDefine(const wchar_t* name, int order, const wchar_t* label, bool visible)
        : MenuDefineBase("TestMenu", name, order, label, visible), name_(name)
    {
    }
    ~TestDefine() = default;
    const wchar_t* getName() const override { return name_.c_str(); }

private:
    std::wstring name_;
};

class TestMenuDialog : public Dialog::MenuDefineDialog<TestDefine> {
public:
    TestMenuDialog() : MenuDefineDialog(L"テストメニューの設定", "TestMenuDialog") {}
    std::vector<TestDefine*> defines;

protected:
    void createLines(std::vector<std::unique_ptr<Dialog::DialogItemListViewBase::Item>>& lines) override
    {
        addLines(lines, defines);
    }
};

struct MenuDefine : DialogFixture {
    void SetUp() override
    {
        DialogFixture::SetUp();
        savedIni = System::Config::iniFile;
        System::Config::iniFile = std::make_shared<System::IniFile>();
    }
    void TearDown() override
    {
        Window::PopupMenu::setChooser(nullptr);
        defines.clear();
        System::Config::iniFile = savedIni;
        DialogFixture::TearDown();
    }
    // Entries named a, b, c ... with their labels, in menu order.
    TestMenuDialog& makeDialog(const std::vector<const wchar_t*>& labels)
    {
        defines.clear();
        dialog = std::make_unique<TestMenuDialog>();
        for (size_t i = 0; i < labels.size(); ++i) {
            const std::wstring name(1, wchar_t(L'a' + i));
            defines.push_back(std::make_unique<TestDefine>(name.c_str(), int(i) * 10 + 5, labels[i], true));
            dialog->defines.push_back(defines.back().get());
        }
        return *dialog;
    }
    std::wstring shownNames() const
    {
        std::wstring text;
        for (const std::wstring& name : Drive::listTexts(dialog->list->hwnd, 0))
            text += name;
        return text;
    }
    // A right click on the line (-1: below the lines) choosing the context menu's item at the position.
    void contextCommand(int line, int position)
    {
        Window::PopupMenu::setChooser([position](const Window::PopupMenu& menu) { return menu.item(position).id; });
        int x = 10, y = 0;
        if (line >= 0) {
            ASSERT_TRUE(Drive::listCellPoint(dialog->list->hwnd, line, 0, x, y));
        } else {
            int w = 0;
            Ui::listAreaSize(dialog->list->hwnd, w, y);
            y -= 3;
        }
        Drive::listClick(dialog->list->hwnd, x, y, Ui::TestInput::Right);
    }
    static void clickOk(Ui::DialogHandle d) { Drive::click(Ui::findControl(d, Dialog::IdSubmit)); }

    std::shared_ptr<System::IniFile> savedIni;
    std::vector<std::unique_ptr<TestDefine>> defines;
    std::unique_ptr<TestMenuDialog> dialog;
};

} // namespace

TEST_F(MenuDefine, OkStoresOrderLabelAndHideAsShownAndTheMainIniHoldsThem)
{
    TestMenuDialog& d = makeDialog({L"G", L"", L"G"});
    std::vector<std::wstring> choices;
    drive([&](Ui::DialogHandle h) {
        auto* list = d.list;
        // b's label typed as a group path; c unchecked; then sorted by name descending.
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 1, 1, x, y));
        Drive::listClick(list->hwnd, x, y);
        auto* editor = list->columns[1].editor.get();
        choices = static_cast<Dialog::DialogItemComboBox*>(editor)->choices;
        Drive::replaceText(editor->hwnd, L"X\\Y");
        ASSERT_TRUE(Drive::listCheckPoint(list->hwnd, 2, x, y));
        Drive::listClick(list->hwnd, x, y);
        Drive::clickListHeader(list->hwnd, 0);
        Drive::clickListHeader(list->hwnd, 0);
        clickOk(h);
    });
    ASSERT_TRUE(d.show());
    // The drop-down held each label in use once.
    EXPECT_EQ(choices, (std::vector<std::wstring>{L"G"}));
    std::map<std::wstring, std::tuple<int, std::wstring, int>> stored;
    for (auto& define : defines)
        stored[define->getName()] = {define->order, define->label, define->hide};
    EXPECT_EQ(stored[L"c"], std::make_tuple(0, std::wstring(L"G"), 1));
    EXPECT_EQ(stored[L"b"], std::make_tuple(1, std::wstring(L"X\\Y"), 0));
    EXPECT_EQ(stored[L"a"], std::make_tuple(2, std::wstring(L"G"), 0));

    // The entries store themselves into the main ini when they go.
    defines.clear();
    const std::string path = TestKit::tempDir() + "/menu_define.ini";
    System::Config::iniFile->save(System::utf8ToWide(path).c_str());
    const std::string script = "import configparser,sys\n"
                               "c=configparser.ConfigParser(interpolation=None,delimiters=('=',),strict=True)\n"
                               "c.optionxform=str\n"
                               "c.read(sys.argv[1],encoding='utf-8')\n"
                               "print(';'.join(s+':'+c[s]['order']+','+c[s]['label']+','+c[s]['hide'] "
                               "for s in sorted(c.sections())))\n";
    TestKit::writeFile(TestKit::tempDir() + "/menu_define.py", script);
    std::string output;
    ASSERT_EQ(TestKit::runCommand("python3 " + TestKit::tempDir() + "/menu_define.py " + path, &output), 0);
    EXPECT_EQ(output, "TestMenu.a:2,G,0;TestMenu.b:1,X\\Y,0;TestMenu.c:0,G,1\n");
}

TEST_F(MenuDefine, ConfirmingUnchangedClosesTheGapsAndCancelKeepsEverything)
{
    TestMenuDialog& d = makeDialog({L"", L"", L""});
    drive([](Ui::DialogHandle h) { clickOk(h); });
    ASSERT_TRUE(d.show());
    EXPECT_EQ(defines[0]->order, 0);
    EXPECT_EQ(defines[1]->order, 1);
    EXPECT_EQ(defines[2]->order, 2);

    TestMenuDialog& again = makeDialog({L"A", L"", L"B"});
    std::vector<std::pair<int, int>> before;
    for (auto& define : defines)
        before.emplace_back(define->order, define->hide);
    drive([&](Ui::DialogHandle h) {
        contextCommand(2, 0); // c to the top
        contextCommand(0, 9); // hide all
        Drive::keyToDialog(h, Key::Escape);
    });
    EXPECT_FALSE(again.show());
    for (size_t i = 0; i < defines.size(); ++i)
        EXPECT_EQ(std::make_pair(defines[i]->order, defines[i]->hide), before[i]);
}

TEST_F(MenuDefine, ContextCommandsMoveAndCheckLinesAsTheyShow)
{
    // Context menu positions: 0 top, 1 bottom, 3 same label to top, 4 same label
    // to bottom, 6 group by label, 8 show all, 9 hide all (2, 5 and 7 are separators).
    struct Case {
        int line;     // right-clicked line, -1 below the lines
        int position; // the command
        const wchar_t* order;
    };
    const Case cases[] = {
        {3, 0, L"dabcef"},  {1, 1, L"acdefb"},  {1, 3, L"beacdf"},  {0, 4, L"bcefad"},
        {-1, 0, L"abcdef"}, {2, 6, L"adbecf"}, {4, 3, L"beacdf"},
    };
    // Labels: a A, b "", c B, d A, e "", f B.
    for (const Case& c : cases) {
        TestMenuDialog& d = makeDialog({L"A", L"", L"B", L"A", L"", L"B"});
        std::wstring shown;
        drive([&](Ui::DialogHandle h) {
            contextCommand(c.line, c.position);
            shown = shownNames();
            clickOk(h);
        });
        ASSERT_TRUE(d.show());
        EXPECT_EQ(shown, c.order) << "command " << c.position << " on line " << c.line;
        // OK stores the order shown.
        std::wstring stored(6, L' ');
        for (auto& define : defines)
            stored[size_t(define->order)] = define->getName()[0];
        EXPECT_EQ(stored, c.order);
    }

    TestMenuDialog& d = makeDialog({L"A", L"", L"B"});
    std::vector<bool> hidden, shownAgain;
    drive([&](Ui::DialogHandle h) {
        contextCommand(-1, 9); // on no line: every line all the same
        hidden = Drive::listChecks(d.list->hwnd);
        contextCommand(1, 8);
        shownAgain = Drive::listChecks(d.list->hwnd);
        contextCommand(0, 9);
        clickOk(h);
    });
    ASSERT_TRUE(d.show());
    EXPECT_EQ(hidden, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(shownAgain, (std::vector<bool>{true, true, true}));
    for (auto& define : defines)
        EXPECT_EQ(define->hide, 1);
}

TEST_F(MenuDefine, ABadLabelKeepsTheDialogOpen)
{
    TestMenuDialog& d = makeDialog({L"", L""});
    bool openAfterOk = false;
    std::wstring shownHint;
    drive([&](Ui::DialogHandle h) {
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(d.list->hwnd, 0, 1, x, y));
        Drive::listClick(d.list->hwnd, x, y);
        Drive::replaceText(d.list->columns[1].editor->hwnd, L"a/b");
        clickOk(h);
        openAfterOk = Ui::dialogOpen(h);
        shownHint = hint();
        Drive::keyToDialog(h, Key::Escape);
    });
    EXPECT_FALSE(d.show());
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(shownHint.rfind(L"使用できない文字が含まれています", 0), 0u) << System::wideToUtf8(shownHint);
    EXPECT_EQ(defines[0]->label, L"");
}

namespace {
struct ServiceMenus : EditTest::EditFixture {
    ~ServiceMenus() override { Ui::setDialogDriver(nullptr); }
};
} // namespace

TEST_F(ServiceMenus, TheDialogsListTheirDefinitionsInMenuOrder)
{
    Effect::EffectService& service = *Effect::EffectService::Get();
    std::vector<Effect::EffectMenuDefine*> effects;
    for (auto& [name, define] : service.effects)
        effects.push_back(&define);
    for (auto& alias : service.aliases)
        effects.push_back(alias.get());
    Effect::sortByOrder(effects);
    ASSERT_GT(effects.size(), 2u);

    std::vector<std::wstring> shown;
    Ui::setDialogDriver([&](Ui::DialogHandle h) {
        for (Ui::ControlHandle control : Ui::dialogControls(h))
            if (Ui::controlType(control) == Ui::ControlType::ListView)
                shown = Drive::listTexts(control, 0);
        Drive::click(Ui::findControl(h, Dialog::IdSubmit));
    });
    Dialog::EffectMenuDialog effectDialog;
    ASSERT_TRUE(effectDialog.show());
    ASSERT_EQ(shown.size(), effects.size());
    for (size_t i = 0; i < effects.size(); ++i) {
        EXPECT_EQ(shown[i], effects[i]->getLabel());
        EXPECT_EQ(effects[i]->order, int(i));
    }

    const auto movements = service.getMovementList({});
    Dialog::MovementMenuDialog movementDialog;
    ASSERT_TRUE(movementDialog.show());
    ASSERT_EQ(shown.size(), movements.size());
    for (size_t i = 0; i < movements.size(); ++i)
        EXPECT_EQ(shown[i], movements[i]->getLabel());

    const auto params = service.movementParams.getMovementParamsList();
    Dialog::MovementParamsMenuDialog paramsDialog;
    ASSERT_TRUE(paramsDialog.show());
    EXPECT_EQ(shown.size(), params.size());
    const auto colours = service.palette.getPresetColorList();
    Dialog::PresetColorMenuDialog colourDialog;
    ASSERT_TRUE(colourDialog.show());
    EXPECT_EQ(shown.size(), colours.size());
}
