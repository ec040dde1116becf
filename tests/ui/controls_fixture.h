#pragma once
// A pane filling the main window that holds drawn controls in its container
// (lays them out on every move and paints them), on the offscreen window
// with real input, and helpers that read what was drawn.
#include "platform/ui/application.h"
#include "tests/ui/window_fixture.h"
#include "ui/window/controls/control_paint.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

namespace ControlsTest {

using namespace WindowTest;
using Brushes = Window::ColorBrushList;

class ControlPanel : public Window::WindowClientRenderTarget {
public:
    ControlPanel() : WindowClientRenderTarget(L"テスト", "Window.controls", {0, 0, 1, 1, 4, true}),
                     container(0, 0, 200, &clientRect, &clientRect)
    {
    }
    void procMove() override { container.updateLayout(); }
    void procPaint() override
    {
        const Window::Rect& r = clientRect;
        if (r.width <= 0 || r.height <= 0 || !target)
            return;
        DrawSection section(*this, r.x, r.y, r.x + r.width, r.y + r.height, true);
        fillRect(0, 0, r.width, r.height, colorBrushList->get(Brushes::Background));
        for (Window::WindowControl* c : std::vector<Window::WindowControl*>(container.controls))
            c->procPaint();
    }
    Window::ControlContainer container;
};

class ControlsFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        panel = std::make_unique<ControlPanel>();
        window->updateWindowLayout();
    }
    void TearDown() override
    {
        panel.reset();
        WindowFixture::TearDown();
    }
    // Lays out and paints everything after controls were made or changed.
    void show()
    {
        panel->container.updateLayout();
        panel->procPaint();
        Input::wait();
    }
    Window::ControlContainer& box() { return panel->container; }
    // Typed keys: letters and digits as their keys (lower-case letters without Shift).
    static void type(const std::wstring& text)
    {
        for (wchar_t c : text)
            Input::keyClick(c >= L'a' && c <= L'z' ? c - 32 : c);
        Input::wait();
    }
    static void key(int vk, uint32_t modifiers = Input::None)
    {
        Input::keyClick(vk, modifiers);
        Input::wait();
    }
    // The window as a PNG among the test artefacts, for a person to look at.
    static void saveShot(const std::string& name) { Input::saveWindow(TestKit::artefactDir() + "/" + name + ".png"); }
    // The centre of a control, in client pixels.
    static int cx(const Window::WindowControl& c) { return c.rect.x + c.rect.width / 2; }
    static int cy(const Window::WindowControl& c) { return c.rect.y + c.rect.height / 2; }
    // The pixels of a rectangle (client pixels) that are exactly the colour.
    int countColour(const Window::Rect& r, uint32_t argb) const
    {
        int n = 0;
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                n += pixel(x, y) == argb;
        return n;
    }
    // Whether any pixel of the rectangle differs from the colour (ink on a fill).
    bool hasInk(const Window::Rect& r, uint32_t fill) const { return countColour(r, fill) < r.width * r.height; }
    // The leftmost column of the rectangle holding a pixel that is not the fill, or -1.
    int firstInkColumn(const Window::Rect& r, uint32_t fill) const
    {
        for (int x = r.x; x < r.x + r.width; ++x)
            for (int y = r.y; y < r.y + r.height; ++y)
                if (pixel(x, y) != fill)
                    return x;
        return -1;
    }
    int lastInkColumn(const Window::Rect& r, uint32_t fill) const
    {
        for (int x = r.x + r.width - 1; x >= r.x; --x)
            for (int y = r.y; y < r.y + r.height; ++y)
                if (pixel(x, y) != fill)
                    return x;
        return -1;
    }

    std::unique_ptr<ControlPanel> panel;
};

} // namespace ControlsTest
