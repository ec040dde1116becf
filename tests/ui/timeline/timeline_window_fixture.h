#pragma once
// The timeline window on the offscreen main window, over the command
// fixture's project, with real input through the test-input kit. The pane
// fills the window; zoom 10000 (a pixel a frame) from frame 0.
#include "core/translate_service.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/application.h"
#include "platform/ui/person.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/edit_layer_header_control.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/editor/timeline/time_gauge_control.h"
#include "ui/window/base_menu.h"
#include "ui/window/list_box.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

namespace TimelineTest {

namespace Input = Platform::Ui::TestInput;

class TimelineWindow : public EditTest::CommandFixture {
protected:
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        stack.acquire<Media::ImageService>();
        stack.acquire<Media::Direct2DService>();
        stack.acquire<Resource::ResourceService>();
        stack.acquire<Window::ShortcutManager>();
        mouse = stack.acquire<Window::WindowMouseService>();
        window = stack.acquire<Window::WindowService>();
        ASSERT_TRUE(Input::activate());
        timeline = stack.acquire<Component::EditComponent>();
        timeline->left = 0, timeline->top = 0, timeline->right = 1, timeline->bottom = 1, timeline->area = 4;
        window->updateWindowLayout();
        Input::wait(20);
    }
    void TearDown() override
    {
        Window::PopupMenu::setChooser(nullptr);
        Window::ListBox::release();
        Window::ToolTips::get().release();
        Platform::Ui::clearAnswerers();
        Input::closePopups();
        stack.releaseAll();
    }

    Component::EditLayerObjectControl& view() { return *timeline->objectView; }
    // A point of the object view (view pixels) in window pixels.
    int vx(int x) { return view().rect.x + x; }
    int vy(int y) { return view().rect.y + y; }
    // The middle of a layer's row, in window pixels.
    int rowY(int layer) { return vy((layer - scene().displayLayer) * timeline->view.metrics.layerHeight + 13); }
    // Everything drawn again after the model changed behind the window's back.
    void refresh()
    {
        timeline->updateView(-1);
        timeline->procPaint();
        Input::wait();
    }
    // A left drag in the object view from one window point to another.
    void dragTo(int x0, int y0, int x1, int y1, uint32_t modifiers = Input::None)
    {
        Input::move(x0, y0, modifiers);
        Input::press(x0, y0, Input::Left, modifiers);
        Input::move((x0 + x1) / 2, (y0 + y1) / 2, modifiers, Input::Left);
        Input::move(x1, y1, modifiers, Input::Left);
        Input::release(x1, y1, Input::Left, modifiers);
        Input::wait();
    }
    size_t undoSteps() { return history().steps.size(); }
    // A pixel of the back buffer as 0xRRGGBB.
    uint32_t pixel(int x, int y) const
    {
        const uint8_t* p = window->surface->bits() + size_t(y) * size_t(window->surface->stride()) + size_t(x) * 4;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

    System::ServiceStack stack;
    Window::WindowMouseService* mouse = nullptr;
    Window::WindowService* window = nullptr;
    Component::EditComponent* timeline = nullptr;
};

} // namespace TimelineTest
