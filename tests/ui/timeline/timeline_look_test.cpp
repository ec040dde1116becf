// The timeline as a person sees it: a fixture project with hidden and locked
// layers, selected, focused, hovered and clipping objects, mid-points, a
// camera's layer range, the BPM grid, a frame selection, the area after the
// scene's end and a wide cursor, kept as test-artefacts/timeline.png and
// checked region by region against the style's colours.
#include "effect/effect_item_layer.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "tests/ui/timeline/timeline_window_fixture.h"
#include "ui/window/color_brush_list.h"

#include <cmath>

using namespace TimelineTest;
using Brushes = Window::ColorBrushList;

namespace {

class TimelineLook : public TimelineWindow {
protected:
    // A solid brush's colour as 0xRRGGBB.
    uint32_t colour(int brush)
    {
        const Platform::Draw::Color c = window->colorBrushList.solid(brush)->getColor();
        auto byte = [](float v) { return uint32_t(std::lround(v * 255.0f)); };
        return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
    }
    // Whether the window pixel has the colour, within a rounding step a channel.
    ::testing::AssertionResult near(int x, int y, uint32_t expected)
    {
        const uint32_t got = pixel(x, y);
        for (int shift : {0, 8, 16})
            if (std::abs(int((got >> shift) & 255) - int((expected >> shift) & 255)) > 2)
                return ::testing::AssertionFailure() << std::hex << "pixel " << std::dec << x << "," << y << " is "
                                                     << std::hex << got << ", not " << expected;
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST_F(TimelineLook, TheFixtureProjectDrawsEachPartInItsStyleColour)
{
    const auto camera = put(0, 20, 150, L"カメラ制御");
    camera->effects.front()->getLayerRange()->value = 2;
    const auto plain = put(1, 10, 70);
    const auto selected = put(1, 90, 140);
    const auto clipped = put(2, 10, 100);
    clipped->clipping = true;
    const auto focus = put(3, 30, 120);
    const auto hidden = put(4, 0, 60);
    const auto locked = put(5, 40, 180);
    const auto sound = put(6, 0, 200, L"音声ファイル");
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        scene().layerList(0).needRangeUpdate = true;
        plain->addMidPoint(30);
        plain->addMidPoint(50);
    }
    scene().layerList(4).layer->hide = true;
    scene().layerList(5).layer->lock = true;
    scene().layerList(5).layer->name = L"ロック済み";
    scene().selection.addObject(selected, scene());
    scene().focusObject = focus;
    timeline->view.updateZoom(Edit::FrameZoom(30000)); // three pixels a frame
    timeline->settings.tempoGrid = 1;                  // 120 BPM at 30/1: a beat every 45 pixels
    scene().cursorFrame = 160;
    timeline->setFrameSelection(40, 80);
    view().setFocusMarker(focus);
    refresh();
    Input::move(vx(3 * 100 + 5), rowY(2)); // hovers the clipping object
    Input::wait(50);

    const std::string path = TestKit::artefactDir() + "/timeline.png";
    ASSERT_TRUE(Input::saveWindow(path));

    const int lh = timeline->view.metrics.layerHeight;
    auto rowTop = [&](int layer) { return vy(layer * lh); };
    // Rows: an empty stretch of a plain row, the hidden row, the after-end area.
    EXPECT_TRUE(near(vx(3 * 170), rowTop(1) + 15, colour(Brushes::Layer)));
    EXPECT_TRUE(near(vx(3 * 70 + 30), rowTop(4) + 15, colour(Brushes::LayerDisable)));
    EXPECT_TRUE(near(vx(3 * 201 + 40), rowTop(7) + 15, colour(Brushes::LayerDisable)));
    EXPECT_TRUE(near(vx(3 * 201), rowTop(7) + 15, colour(Brushes::GuideLine)));
    // The camera's range covers layers 1 and 2 between its frames (above the bars), not layer 3.
    EXPECT_TRUE(near(vx(3 * 80), rowTop(2) + 3, colour(Brushes::LayerRange)));
    EXPECT_TRUE(near(vx(3 * 80), rowTop(3) + 3, colour(Brushes::Layer)));
    // Bars: the selected one in its solid colour, the cursor a band (three pixels wide).
    EXPECT_TRUE(near(vx(3 * 130), rowTop(1) + 20, colour(Brushes::ObjectVideoSelect)));
    EXPECT_FALSE(near(vx(3 * 160 + 1), rowTop(3) + 15, colour(Brushes::Layer)));
    // The header: the hidden row's background, the locked row's padlock on the right.
    const Window::Rect& header = timeline->layerHeader->rect;
    EXPECT_TRUE(near(header.x + header.width / 2, header.y + 4 * lh + 3, colour(Brushes::LayerDisable)));
    EXPECT_TRUE(near(header.x + 10, header.y + 1 * lh + 4, colour(Brushes::LayerHeader)));
    bool padlock = false;
    for (int x = header.x + header.width - lh / 2; x < header.x + header.width - 2; ++x)
        padlock |= !near(x, header.y + 5 * lh + lh / 2, colour(Brushes::LayerHeader));
    EXPECT_TRUE(padlock);
    // The gauge: outside the frame selection the lower half is shaded, inside it is lighter.
    const Window::Rect& gauge = timeline->timeGauge->rect;
    EXPECT_TRUE(near(gauge.x + 3 * 20, gauge.y + 3, colour(Brushes::Background)));
    EXPECT_NE(pixel(gauge.x + 3 * 20, gauge.y + gauge.height - 3), pixel(gauge.x + 3 * 60 + 1, gauge.y + gauge.height - 3));
    (void)hidden, (void)locked, (void)sound, (void)camera;
}
