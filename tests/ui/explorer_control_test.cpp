// The explorer control over a temporary folder tree: navigation stores the
// folder and tells the owner, view settings follow from folder to folder and
// reach the main ini as property-key strings, broken stored columns fall back
// to the defaults, a vanished folder shows the desktop, an empty rectangle
// hides the view, and a save that fails is logged instead of ending the program.
#include "core/config.h"
#include "core/ini_file.h"
#include "platform/ui/explorer_view.h"
#include "platform/ui/surface.h"
#include "tests/ui/controls_fixture.h"
#include "ui/window/controls/explorer_control.h"

#include <cstdlib>
#include <filesystem>

using namespace ControlsTest;
using Control::ExplorerControl;
using View = Platform::Ui::ExplorerView;
namespace fs = std::filesystem;

namespace {
const char* const Section = "Window.explorer:1";

class Explorer : public ControlsFixture {
protected:
    void SetUp() override
    {
        root = fs::path(TestKit::tempDir()) / "explorer_tree";
        fs::remove_all(root);
        for (const char* folder : {"a/inner", "b", "desktop"})
            fs::create_directories(root / folder);
        TestKit::writeFile((root / "a" / "clip.txt").string(), "text");
        ::setenv("XDG_DESKTOP_DIR", (root / "desktop").c_str(), 1);
        ControlsFixture::SetUp();
    }
    void TearDown() override
    {
        ::unsetenv("XDG_DESKTOP_DIR");
        ControlsFixture::TearDown();
    }
    void store(const char* key, const std::wstring& value)
    {
        System::IniFile& ini = *System::Config::iniFile;
        std::string text;
        for (wchar_t c : value)
            text += char(c);
        ini.addSection(Section).add(key, nullptr).text = text;
    }
    std::string stored(const char* key)
    {
        const System::IniFile::VALUE* v = System::Config::iniFile->getSection(Section).section().find(key);
        return v ? v->text : std::string("(none)");
    }
    std::unique_ptr<ExplorerControl> make()
    {
        auto explorer = std::make_unique<ExplorerControl>(box(), Section);
        explorer->onNavigate = [this](ExplorerControl& e) { navigated.push_back(e.folderPath); };
        show();
        return explorer;
    }
    std::vector<View::ColumnInfo> columns(ExplorerControl& e)
    {
        std::vector<View::ColumnInfo> list;
        EXPECT_TRUE(e.browser->getColumns(list));
        return list;
    }
    fs::path root;
    std::vector<std::wstring> navigated;
};
} // namespace

TEST_F(Explorer, NavigationStoresTheFolderAndTellsTheOwner)
{
    store("FolderPath", (root / "a").wstring());
    auto explorer = make();
    ASSERT_TRUE(explorer->initialized);
    ASSERT_TRUE(explorer->browser->isShown());
    EXPECT_EQ(explorer->folderPath, (root / "a").wstring());
    ASSERT_EQ(navigated.size(), 1u);
    EXPECT_TRUE(explorer->browser->open(L"inner")) << "a double click on a folder";
    EXPECT_EQ(explorer->folderPath, (root / "a" / "inner").wstring());
    EXPECT_EQ(navigated.back(), (root / "a" / "inner").wstring());
    EXPECT_FALSE(explorer->browser->open(L"clip.txt")) << "a file is no folder";
    explorer.reset();
    EXPECT_EQ(stored("FolderPath"), (root / "a" / "inner").string());
}

TEST_F(Explorer, AVanishedFolderShowsTheDesktop)
{
    store("FolderPath", (root / "gone").wstring());
    auto explorer = make();
    EXPECT_EQ(explorer->folderPath, (root / "desktop").wstring());
    EXPECT_EQ(ExplorerControl::desktopPath(), (root / "desktop").wstring());
    ::unsetenv("XDG_DESKTOP_DIR");
    EXPECT_FALSE(ExplorerControl::desktopPath().empty()) << "else the home folder";
}

TEST_F(Explorer, BrokenColumnListsGiveTheDefaultColumns)
{
    const std::wstring name = ExplorerControl::columnKey(View::Name), size = ExplorerControl::columnKey(View::Size),
                       type = ExplorerControl::columnKey(View::Type);
    struct Case {
        int count;
        std::wstring list, widths;
        bool stored;
    };
    for (const Case& c : {Case{3, name + L"," + size + L"," + type, L"200,80", false},
                          Case{2, name + L",{00000000-0000-0000-0000-000000000000} 3", L"200,80", false},
                          Case{2, name + L"," + type, L"200,x", false}, Case{2, type + L"," + name, L"90,210", true}}) {
        SCOPED_TRACE(std::string(c.list.begin(), c.list.end()));
        store("FolderPath", root.wstring());
        store("ColumnNum", std::to_wstring(c.count));
        store("ColumnList", c.list);
        store("ColumnWidth", c.widths);
        auto explorer = make();
        const std::vector<View::ColumnInfo> shown = columns(*explorer);
        if (c.stored) {
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_EQ(shown[0].column, View::Type);
            EXPECT_EQ(shown[0].width, 90);
            EXPECT_EQ(shown[1].column, View::Name);
            EXPECT_EQ(shown[1].width, 210);
        } else {
            ASSERT_EQ(shown.size(), 3u);
            EXPECT_EQ(shown[0].column, View::Name);
            EXPECT_EQ(shown[1].column, View::Size);
            EXPECT_EQ(shown[2].column, View::DateModified);
            EXPECT_EQ(explorer->columnNum, 3);
        }
    }
}

TEST_F(Explorer, ViewSettingsFollowNavigationAndReachTheIniAsPropertyKeys)
{
    store("FolderPath", (root / "a").wstring());
    auto explorer = make();
    // The person switches to icons, sorts by size descending and shows type beside name.
    explorer->browser->setViewMode(1, 64);
    explorer->browser->setSort(View::Size, -1);
    explorer->browser->setColumns({{View::Name, 150}, {View::Type, 70}});
    EXPECT_TRUE(explorer->browseToPath((root / "b").wstring()));
    int mode = 0, icon = 0;
    ASSERT_TRUE(explorer->browser->getViewMode(mode, icon));
    EXPECT_EQ(mode, 1) << "the mode survives the navigation";
    EXPECT_EQ(icon, 64);
    explorer.reset();
    EXPECT_EQ(stored("FolderViewMode"), "1");
    EXPECT_EQ(stored("FolderIconSize"), "64");
    EXPECT_EQ(stored("SortColumn"), "{B725F130-47EF-101A-A5F1-02608C9EEBAC} 12");
    EXPECT_EQ(stored("SortDirection"), "-1");
    EXPECT_EQ(stored("ColumnNum"), "2");
    EXPECT_EQ(stored("ColumnList"), "{B725F130-47EF-101A-A5F1-02608C9EEBAC} 10,{B725F130-47EF-101A-A5F1-02608C9EEBAC} 4");
    EXPECT_EQ(stored("ColumnWidth"), "150,70");
    EXPECT_EQ(stored("FolderPath"), (root / "b").string());
}

TEST_F(Explorer, AnEmptyRectangleHidesTheViewWithoutDestroyingIt)
{
    store("FolderPath", root.wstring());
    auto explorer = make();
    View* view = explorer->browser.get();
    ASSERT_TRUE(view->isShown());
    explorer->placeHeight = -100000; // the pane collapsed: no height left below the header
    show();
    EXPECT_EQ(explorer->visibleRect.height, 0);
    EXPECT_FALSE(view->isShown());
    EXPECT_EQ(explorer->browser.get(), view);
    explorer->placeHeight = 0;
    explorer->visible = false;
    show();
    EXPECT_FALSE(view->isShown()) << "hidden pane";
    explorer->visible = true;
    show();
    EXPECT_TRUE(view->isShown());
    EXPECT_EQ(explorer->browser.get(), view) << "made once";
}

TEST_F(Explorer, ASaveThatFailsIsLoggedAndTheProgramGoesOn)
{
    TestKit::LogCapture log;
    store("FolderPath", root.wstring());
    // The view lives on the newest window, which goes first (a shut-down out of order).
    std::unique_ptr<Platform::Ui::Surface> other = Platform::Ui::Surface::create(L"other", "other");
    ASSERT_EQ(Platform::Ui::Surface::main(), other.get());
    auto explorer = make();
    ASSERT_TRUE(explorer->initialized);
    explorer->folderViewMode = 6;
    other.reset();
    Input::wait();
    ASSERT_FALSE(explorer->browser->exists());
    explorer.reset();
    EXPECT_TRUE(log.contains("ERROR|Control::ExplorerControl::~ExplorerControl|")) << "logged, not thrown";
    EXPECT_EQ(stored("FolderViewMode"), "6") << "the section is still stored";
}
