#pragma once
// The main window on the offscreen platform with the services it stands on,
// real input through the test-input kit, and test panels and controls that
// fill themselves with a theme colour and count what they were told.
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/draw/resources.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/person.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "tests/support/test_support.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/list_box.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_client.h"
#include "ui/window/window_control.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace WindowTest {

namespace Input = Platform::Ui::TestInput;

// A panel filled with one brush, counting its moves and paints.
class TestPanel : public Window::WindowClientRenderTarget {
public:
    TestPanel(const char* section, const Placement& placement, int brush = Window::ColorBrushList::ButtonBody)
        : WindowClientRenderTarget(L"テスト", section, placement), brush(brush)
    {
    }
    void procPaint() override
    {
        ++paints;
        const Window::Rect& r = clientRect;
        if (r.width <= 0 || r.height <= 0 || !target)
            return;
        DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
        fillRect(0, 0, r.width, r.height, colorBrushList->get(brush));
    }
    void procMove() override { ++moves; }
    int brush;
    int paints = 0;
    int moves = 0;
};

// An input target recording the handlers called, as "name x y".
class Probe : public Window::WindowMouse {
public:
    Probe(Window::Rect r, int priority) : WindowMouse(&area, priority), area(r) {}
    void procMouseMove(int, int) override { moved++; }
    void procMouseDrag(int x, int y) override { log.push_back("drag " + std::to_string(x) + " " + std::to_string(y)); }
    void procDragCancel() override { log.push_back("dragcancel"); }
    void procLButtonDown(int x, int y) override
    {
        log.push_back("ldown " + std::to_string(x) + " " + std::to_string(y));
        if (onLButtonDown)
            onLButtonDown();
    }
    void procLButtonUp(int, int) override { log.push_back("lup"); }
    void procRButtonDown(int, int) override
    {
        log.push_back("rdown");
        if (onRButtonDown)
            onRButtonDown();
    }
    void procRButtonUp(int, int) override { log.push_back("rup"); }
    void procMouseEnter() override { log.push_back("enter"); }
    void procMouseLeave() override { log.push_back("leave"); }
    void procRelease() override { log.push_back("release"); }
    void procMouseWheel(int, int, int delta) override { log.push_back("wheel " + std::to_string(delta)); }
    bool procKeyDown(int key) override
    {
        log.push_back("key " + std::to_string(key));
        return true;
    }
    bool procChar(wchar_t c) override
    {
        chars += c;
        return true;
    }
    void procKillFocus(Window::WindowMouse*) override { log.push_back("killfocus"); }
    bool procFocusIme(Window::ImeState&) override { return true; }
    void procKeyRelease() override { log.push_back("keyrelease"); }
    void procContextMenu(int, int) override { log.push_back("context"); }
    bool procDragOver(int, int, Window::DropInfo& info) override
    {
        log.push_back("dragover " + std::to_string(info.files.size()));
        return true;
    }
    bool procDrop(int, int, Window::DropInfo& info) override
    {
        dropped = info.files;
        log.push_back("drop");
        return true;
    }
    void procDragLeave() override { log.push_back("dragleave"); }
    void procPickColor(const uint8_t* rgb) override { log.push_back(rgb ? "pick" : "pick none"); }
    void procMouseHover() override { log.push_back("hover"); }
    bool has(const std::string& entry) const { return std::find(log.begin(), log.end(), entry) != log.end(); }
    int count(const std::string& entry) const { return int(std::count(log.begin(), log.end(), entry)); }

    Window::Rect area;
    std::vector<std::string> log;
    std::wstring chars;
    std::vector<std::wstring> dropped;
    int moved = 0;
    std::function<void()> onLButtonDown, onRButtonDown;
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        beforeServices();
        services.acquire<Setting::SettingService>();
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
        services.acquire<Event::EventService>();
        shortcuts = services.acquire<Window::ShortcutManager>();
        mouse = services.acquire<Window::WindowMouseService>();
        window = services.acquire<Window::WindowService>();
        ASSERT_TRUE(Input::activate());
        Input::wait(20);
    }
    void TearDown() override
    {
        Window::ListBox::release();
        Window::ToolTips::get().release();
        Platform::Ui::clearAnswerers();
        Input::closePopups();
        services.releaseAll();
    }
    // Files the services read at start (style.conf, system.conf) are written here.
    virtual void beforeServices() {}

    // A pixel of the back buffer as 0xAARRGGBB.
    uint32_t pixel(int x, int y) const
    {
        const uint8_t* p = window->surface->bits() + size_t(y) * size_t(window->surface->stride()) + size_t(x) * 4;
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    // A solid brush's colour as 0xAARRGGBB.
    uint32_t colour(int brush)
    {
        const Platform::Draw::Color c = window->colorBrushList.solid(brush)->getColor();
        auto byte = [](float v) { return uint32_t(v * 255.0f + 0.5f); };
        return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
    }

    System::ServiceStack services;
    Window::ShortcutManager* shortcuts = nullptr;
    Window::WindowMouseService* mouse = nullptr;
    Window::WindowService* window = nullptr;
};

} // namespace WindowTest
