// The side panes and the player bar on real widgets (offscreen platform) with
// real input: the log pane's lines, scrolling and copy; the scene list's rows,
// drags and drops; the object list's rows; the player bar's buttons and time.
#include "core/log.h"
#include "core/logger_service.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_service.h"
#include "tests/project/edit_fixture.h"
#include "ui/editor/panes/explorer_component.h"
#include "ui/editor/panes/log_component.h"
#include "ui/editor/panes/object_list_component.h"
#include "ui/editor/panes/scene_list_component.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <filesystem>

namespace {

namespace Input = Platform::Ui::TestInput;

class Panes : public EditTest::EditFixture {
protected:
    Panes()
    {
        ui_.acquire<Logger::LoggerService>();
        ui_.acquire<Media::ImageService>();
        ui_.acquire<Media::Direct2DService>();
        ui_.acquire<Resource::ResourceService>();
        ui_.acquire<Window::ShortcutManager>();
        ui_.acquire<Window::WindowMouseService>();
        window = ui_.acquire<Window::WindowService>();
        EXPECT_TRUE(Input::activate());
        Input::resizeWindow(900, 600);
        Input::wait(20);
    }
    ~Panes() override
    {
        explorers_.releaseAll();
        panes_.releaseAll();
        Window::ToolTips::get().release();
        Input::closePopups();
        ui_.releaseAll();
    }
    template <class Pane>
    Pane& show()
    {
        Pane* pane = panes_.acquire<Pane>();
        pane->left = 0, pane->top = 0, pane->right = 1, pane->bottom = 1, pane->area = 4, pane->hide = 0;
        window->updateWindowLayout();
        Input::wait(20);
        return *pane;
    }
    uint32_t pixel(int x, int y) const
    {
        const uint8_t* p = window->surface->bits() + size_t(y) * size_t(window->surface->stride()) + size_t(x) * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    // Whether a band of rows holds anything but the background.
    bool inked(const Window::Rect& r, uint32_t background) const
    {
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                if (pixel(x, y) != background)
                    return true;
        return false;
    }
    uint32_t colour(int brush)
    {
        const Platform::Draw::Color c = window->colorBrushList.solid(brush)->getColor();
        auto byte = [](float v) { return uint32_t(v * 255.0f + 0.5f); };
        return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
    }
    void saveShot(const std::string& name)
    {
        Input::saveWindow(TestKit::artefactDir() + "/" + name + ".png");
    }

    Window::WindowService* window = nullptr;

    System::ServiceStack explorers_; // released first, with the panes

private:
    System::ServiceStack ui_, panes_;
};

} // namespace

TEST_F(Panes, LogLinesSitAtTheBottomJumpToTheNewestAndCopyNewestFirst)
{
    Logger::LoggerService::Get()->viewLines.clear();
    for (int i = 0; i < 5; ++i)
        System::Log::info("Test::[](int)::<lambda(int)>::operator ()", "line %d 日本語", i);
    Component::LogComponent& log = show<Component::LogComponent>();
    Input::wait(300);
    Component::LogViewControl& view = log.view;
    ASSERT_GT(view.rect.height, 10 * view.lineHeight);
    const uint32_t background = colour(Window::ColorBrushList::Background);
    EXPECT_TRUE(inked({view.rect.x, view.rect.y + view.rect.height - 5 * view.lineHeight, view.rect.width,
                       5 * view.lineHeight},
                      background))
        << "the lines sit at the bottom";
    EXPECT_FALSE(inked({view.rect.x, view.rect.y, view.rect.width, view.rect.height - 6 * view.lineHeight}, background));
    EXPECT_EQ(log.scrollBar.minPos, 0);
    EXPECT_EQ(log.scrollBar.maxPos, 4);
    saveShot("pane_log");

    const std::wstring text = log.copyText();
    EXPECT_EQ(text.find(L"line 4"), text.find(L"line"))<< "newest first";
    EXPECT_NE(text.find(L"Test::[](int)::<lambda>] line 0 日本語\r\n"), std::wstring::npos) << System::wideToUtf8(text);

    for (int i = 0; i < 200; ++i)
        System::Log::info("Test", "more %d", i);
    Input::wait(300);
    view.firstLine = 0; // scrolled to the oldest
    log.updateScroll();
    System::Log::info("Test", "newest");
    const auto start = std::chrono::steady_clock::now();
    while (view.firstLine != view.lineCount - view.visibleLines &&
           std::chrono::steady_clock::now() - start < std::chrono::milliseconds(600))
        Input::wait(10);
    EXPECT_EQ(view.firstLine, view.lineCount - view.visibleLines) << "a new line moves the view to the newest";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
}

TEST_F(Panes, SceneRowsSwitchReorderBeyondTheMarginAndTakeDrops)
{
    edit().project.getScene(1)->name = L"シーン1";
    edit().project.getScene(2)->name = L"シーン2";
    Component::SceneListComponent& pane = show<Component::SceneListComponent>();
    pane.rebuildList();
    Input::wait(20);
    ASSERT_EQ(pane.list.items.size(), 3u);
    auto row = [&](size_t i) -> Component::SceneButtonControl& {
        return static_cast<Component::SceneButtonControl&>(pane.list.items[i]->control);
    };
    EXPECT_EQ(row(0).scene->id, 0);
    EXPECT_EQ(row(2).scene->id, 2);
    saveShot("pane_scene_list");

    // Scene 2 dragged up by 3 pixels beyond its top: nothing moves and no switch.
    Component::SceneButtonControl& last = row(2);
    const int x = last.rect.x + 40, y = last.rect.y + 5;
    Input::press(x, y);
    Input::move(x, y - 4, Input::None, 1);
    Input::move(x, y - 8, Input::None, 1);
    Input::release(x, y - 8);
    Input::wait(20);
    EXPECT_EQ(row(2).scene->id, 2);
    EXPECT_EQ(edit().currentScene->id, 0) << "a drag does not switch scenes";
    // Far enough: it trades places with scene 1, never with the root.
    Input::press(x, y);
    for (int d = 4; d <= 60; d += 4)
        Input::move(x, y - d, Input::None, 1);
    Input::release(x, y - 60);
    Input::wait(20);
    EXPECT_EQ(row(0).scene->id, 0) << "the root stays first";
    EXPECT_EQ(row(1).scene->id, 2);
    // A click switches.
    Input::click(row(2).rect.x + 40, row(2).rect.y + 5);
    Input::wait(20);
    EXPECT_EQ(edit().currentScene->id, 1);

    EXPECT_TRUE(Component::SceneListComponent::acceptsFile(L"/a/old.TSO"));
    EXPECT_FALSE(Component::SceneListComponent::acceptsFile(L"/a/notes.txt"));
}

TEST_F(Panes, ObjectRowsFollowTheCursorAndAreReused)
{
    createRecorded(0, 0, 10);
    createRecorded(2, 5, 20);
    createRecorded(3, 30, 40);
    Component::ObjectListComponent& pane = show<Component::ObjectListComponent>();
    scene().cursorFrame = 6;
    pane.refreshList();
    ASSERT_EQ(pane.list.items.size(), 2u) << "layers 0 and 2 at frame 6";
    auto row = [&](size_t i) -> Component::ObjectButtonControl& {
        return static_cast<Component::ObjectButtonControl&>(pane.list.items[i]->control);
    };
    EXPECT_EQ(row(0).object->layer, 0);
    EXPECT_EQ(row(1).object->layer, 2);
    const int changes = row(1).iconChanges;
    saveShot("pane_object_list");
    scene().cursorFrame = 8; // the same two objects
    pane.refreshList();
    EXPECT_EQ(row(1).iconChanges, changes) << "a row whose object stays keeps its icon";
    scene().cursorFrame = 35;
    pane.refreshList();
    ASSERT_EQ(pane.list.items.size(), 1u);
    pane.displayMediaObject = 0;
    pane.refreshList();
    EXPECT_TRUE(pane.list.items.empty()) << "media objects hidden";
    pane.displayMediaObject = 1;
    scene().cursorFrame = 6;
    pane.refreshList();
    // A click focuses the row's object.
    Input::click(row(1).rect.x + 30, row(1).rect.y + 5);
    Input::wait(20);
    EXPECT_EQ(scene().focusObject, row(1).object);
}

TEST_F(Panes, TheExplorersFolderViewDrawsInTheStyleColours)
{
    const std::string folder = TestKit::tempDir() + "/explorer_colours";
    std::filesystem::create_directories(folder + "/sub");
    TestKit::writeFile(folder + "/a.txt", "a");
    Component::ExplorerPanes& holder = *explorers_.acquire<Component::ExplorerPanes>();
    ASSERT_FALSE(holder.panes.empty());
    Component::ExplorerComponent& pane = *holder.panes[0];
    pane.left = 0, pane.top = 0, pane.right = 1, pane.bottom = 1, pane.area = 4, pane.hide = 0;
    window->updateWindowLayout();
    Input::wait(50);
    ASSERT_TRUE(pane.explorer.browseToPath(System::utf8ToWide(folder)));
    Input::wait(200);
    saveShot("pane_explorer");
    int width = 0, height = 0;
    const std::vector<uint8_t> shot = Input::grabWindow(width, height);
    ASSERT_GT(width, 0);
    // The grab includes the menu bar above the client area; the view's lowest rows, below its two
    // entries, are its background.
    const int menu = height - window->height;
    const Window::Rect& r = pane.explorer.rect;
    ASSERT_GT(r.height, 120);
    const int x = r.x + r.width / 2, y = menu + r.y + r.height - 10;
    const uint8_t* p = &shot[(size_t(y) * size_t(width) + size_t(x)) * 4];
    const uint32_t seen = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    EXPECT_EQ(seen, colour(Window::ColorBrushList::Background)) << std::hex << seen << " is not the toolkit's white";
}
