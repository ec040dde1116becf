// The preview pane with the real renderer on the software GPU (validation on)
// and real widgets (offscreen): the frame at the cursor is rendered, handed
// over and painted where it belongs, region by region; a hidden pane asks for
// nothing; both clipboard copies read back as rendered.
#include "media/direct2d_service.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/surface.h"
#include "platform/ui/test_input.h"
#include "tests/render/render_fixture.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <cmath>

namespace {

namespace Input = Platform::Ui::TestInput;
using TestKit::Pixel;

constexpr int SceneWidth = 320, SceneHeight = 180;

class PreviewRender : public RenderTest::RenderFixture {
protected:
    void acquireGraphicServices() override
    {
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
    }
    void SetUp() override
    {
        RenderFixture::SetUp();
        if (HasFatalFailure() || IsSkipped())
            return;
        ui.acquire<Window::ShortcutManager>();
        ui.acquire<Window::WindowMouseService>();
        window = ui.acquire<Window::WindowService>();
        ASSERT_TRUE(Input::activate());
        Input::resizeWindow(900, 600);
        scene->width = SceneWidth;
        scene->height = SceneHeight;
        preview = panes.acquire<Component::PreviewEditComponent>();
        preview->left = 0, preview->top = 0, preview->right = 1, preview->bottom = 1, preview->area = 4;
        preview->hide = 0;
        window->updateWindowLayout();
        Input::wait(20);
    }
    void TearDown() override
    {
        panes.releaseAll();
        Window::ToolTips::get().release();
        Input::closePopups();
        ui.releaseAll();
        RenderFixture::TearDown();
    }

    // A white frame with a red square at the left and a blue one at the right.
    void placeScene(bool background = true)
    {
        if (background)
            image(0, 0, 99, {1, 1, 1, 1}, 0, 0, SceneWidth);
        image(1, 0, 99, {1, 0, 0, 1}, -80, 0, 100);
        image(2, 0, 99, {0, 0, 1, 1}, 100, 20, 60);
        scene->updateLayerObject();
    }
    // Asks for the cursor frame and runs the main thread until the pane shows it.
    bool showCursorFrame()
    {
        preview->pendingFrame = -1;
        preview->requestCursorFrame();
        return Platform::Ui::processMessagesUntil(
            [&] {
                std::lock_guard<std::mutex> lock(preview->frameMutex);
                return preview->pendingFrame == scene->cursorFrame && preview->picture.picture != nullptr;
            },
            20000);
    }
    // Mean colour (0..255 per channel, B G R A) of a rectangle of an 8-bit BGRA picture.
    static std::array<double, 4> mean(const uint8_t* bits, size_t stride, int x0, int y0, int x1, int y1)
    {
        std::array<double, 4> sum{};
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 4; ++c)
                    sum[size_t(c)] += bits[size_t(y) * stride + size_t(x) * 4 + size_t(c)];
        const double n = double(std::max(1, (x1 - x0) * (y1 - y0)));
        for (double& s : sum)
            s /= n;
        return sum;
    }

    Window::WindowService* window = nullptr;
    Component::PreviewEditComponent* preview = nullptr;
    System::ServiceStack ui, panes;
};

} // namespace

TEST_F(PreviewRender, ThePaneShowsTheRenderedFrameRegionByRegion)
{
    placeScene();
    ASSERT_TRUE(showCursorFrame()) << "the rendered frame reaches the pane";
    std::shared_ptr<const Media::ImageBuffer> frame;
    {
        std::lock_guard<std::mutex> lock(preview->frameMutex);
        frame = preview->pendingImage;
    }
    ASSERT_TRUE(frame);
    ASSERT_EQ(int(frame->width), SceneWidth);
    ASSERT_EQ(int(frame->height), SceneHeight);
    // The frame handed over is the frame the plan renders (pure colours: no transfer curve matters).
    const TestKit::Picture reference = renderPlan(scene->cursorFrame);
    ASSERT_EQ(reference.size(), size_t(SceneWidth) * SceneHeight);
    for (int y = 0; y < SceneHeight; y += 9)
        for (int x = 0; x < SceneWidth; x += 7) {
            const Pixel& p = reference[size_t(y) * SceneWidth + size_t(x)];
            const uint8_t* b = frame->row(uint32_t(y)) + size_t(x) * 4;
            for (int c = 0; c < 4; ++c)
                ASSERT_TRUE(std::isfinite(p[size_t(c)])) << x << "," << y;
            EXPECT_NEAR(b[2], p[0] * 255, 2) << x << "," << y;
            EXPECT_NEAR(b[1], p[1] * 255, 2) << x << "," << y;
            EXPECT_NEAR(b[0], p[2] * 255, 2) << x << "," << y;
        }

    // The pane paints it fitted and centred: each of 8 x 4 regions shows the frame's mean colour there.
    preview->procPaint();
    Input::wait(10);
    const Component::PreviewVideoControl& video = preview->picture.video;
    const Component::PictureRect& r = video.pictureRect;
    ASSERT_GT(r.right - r.left, SceneWidth) << "fitted larger than the frame";
    EXPECT_NEAR(double(r.right - r.left) / (r.bottom - r.top), double(SceneWidth) / SceneHeight, 0.02);
    const uint8_t* screen = window->surface->bits();
    const size_t stride = size_t(window->surface->stride());
    int blueRegions = 0, redRegions = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 8; ++i) {
            const int fx0 = SceneWidth * i / 8, fx1 = SceneWidth * (i + 1) / 8;
            const int fy0 = SceneHeight * j / 4, fy1 = SceneHeight * (j + 1) / 4;
            const std::array<double, 4> want = mean(frame->row(0), frame->pitch, fx0, fy0, fx1, fy1);
            const double sx = double(r.right - r.left) / SceneWidth, sy = double(r.bottom - r.top) / SceneHeight;
            const int ox = video.rect.x + r.left, oy = video.rect.y + r.top;
            const std::array<double, 4> got = mean(screen, stride, ox + int(std::lround(fx0 * sx)),
                                                   oy + int(std::lround(fy0 * sy)), ox + int(std::lround(fx1 * sx)),
                                                   oy + int(std::lround(fy1 * sy)));
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[size_t(c)], want[size_t(c)], 6.0) << "region " << i << "," << j << " channel " << c;
            blueRegions += want[0] > 100 && want[2] < 100;
            redRegions += want[2] > 100 && want[0] < 100;
        }
    EXPECT_GT(blueRegions, 0) << "the blue square is in the frame";
    EXPECT_GT(redRegions, 0) << "the red square is in the frame";
    Input::saveWindow(TestKit::artefactDir() + "/preview_render.png");
}

TEST_F(PreviewRender, AHiddenPaneAsksForNothing)
{
    placeScene();
    ASSERT_TRUE(showCursorFrame());
    const int asked = preview->requests;
    edit->setCursorFrame(5);
    EXPECT_EQ(preview->requests, asked + 1) << "a shown pane asks for the new cursor frame";
    preview->hide = 1;
    window->updateWindowLayout();
    Input::wait(10);
    ASSERT_FALSE(preview->isVisible());
    edit->setCursorFrame(6);
    preview->requestCursorFrame();
    EXPECT_EQ(preview->requests, asked + 1);
}

TEST_F(PreviewRender, BothClipboardCopiesReadBackAndOnlyTheSecondKeepsAlpha)
{
    placeScene(false); // transparent around the squares
    ASSERT_TRUE(showCursorFrame());
    auto copied = [&](bool alpha, std::vector<uint8_t>& bgra) {
        Platform::Ui::setClipboardText(L"");
        preview->copyImageToClipboard(alpha);
        int w = 0, h = 0;
        const bool read = Platform::Ui::processMessagesUntil(
            [&] { return Platform::Ui::getClipboardPicture(w, h, bgra) == 0 && w == SceneWidth; }, 20000);
        EXPECT_EQ(h, SceneHeight);
        return read && bgra.size() == size_t(SceneWidth) * SceneHeight * 4;
    };
    // Red square's centre (x -80 from the middle), a transparent corner.
    const size_t red = (size_t(SceneHeight / 2) * SceneWidth + size_t(SceneWidth / 2 - 80)) * 4;
    const size_t corner = (size_t(2) * SceneWidth + 2) * 4;
    std::vector<uint8_t> opaque, withAlpha;
    ASSERT_TRUE(copied(false, opaque));
    EXPECT_EQ(std::vector<uint8_t>(opaque.begin() + long(red), opaque.begin() + long(red) + 4),
              (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(opaque[corner + 3], 255) << "the first copy is opaque";
    ASSERT_TRUE(copied(true, withAlpha));
    EXPECT_EQ(std::vector<uint8_t>(withAlpha.begin() + long(red), withAlpha.begin() + long(red) + 4),
              (std::vector<uint8_t>{0, 0, 255, 255}));
    EXPECT_EQ(withAlpha[corner + 3], 0) << "the second keeps the transparency";
}
