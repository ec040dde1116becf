// The mask item's pictures from an image file and from another scene's frame,
// through マスク in a frame the render service renders: the file comes from
// the image cache, the scene frame is rendered by the planning thread when the
// filter's preparation preloads it.
#include "core/event_service.h"
#include "core/text.h"
#include "io/input/input_service.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "tests/effects/filters/filter_fixture.h"
#include "tests/support/test_support.h"

#include <cmath>

namespace FilterTest {
namespace {

constexpr int Width = 32, Height = 24;

class MaskSourceTest : public FilterFixture {
protected:
    void SetUp() override
    {
        FilterFixture::SetUp();
        Platform::Ui::initializeApplication();
        services.acquire<Event::EventService>();
        services.acquire<Plugin::InputService>();
        services.acquire<Cache::CacheService>();
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        renderer = services.acquire<Render::RenderService>();
        white = TestKit::tempDir() + "/white.png";
        half = TestKit::tempDir() + "/half.png";
        ASSERT_EQ(TestKit::runCommand("convert -size " + std::to_string(Width) + "x" + std::to_string(Height) +
                                      " xc:white PNG32:'" + white + "'"),
                  0);
        // 16 x 16: the left half opaque white, the right half transparent.
        ASSERT_EQ(TestKit::runCommand("convert -size 16x16 xc:none -fill white -draw 'rectangle 0,0 7,15' PNG32:'" +
                                      half + "'"),
                  0);
    }

    // Scene 0: the white picture through マスク with the given mask source;
    // scene 1 ("Map"): the half-white picture.
    void load(const std::string& maskSource)
    {
        const std::string text = "[project]\n"
                                 "[scene.0]\nscene=0\nname=Root\nvideo.width=" + std::to_string(Width) +
                                 "\nvideo.height=" + std::to_string(Height) +
                                 "\nvideo.rate=30\nvideo.scale=1\naudio.rate=44100\n"
                                 "[scene.1]\nscene=1\nname=Map\nvideo.width=16\nvideo.height=16\n"
                                 "video.rate=30\nvideo.scale=1\naudio.rate=44100\n"
                                 "[0]\nlayer=0\nscene=0\nframe=0,29\n"
                                 "[0.0]\neffect.name=画像ファイル\nファイル=" + white + "\n"
                                 "[0.1]\neffect.name=マスク\nサイズ=32\nマスクの種類=" + maskSource + "\n"
                                 "[0.2]\neffect.name=標準描画\n"
                                 "[1]\nlayer=0\nscene=1\nframe=0,29\n"
                                 "[1.0]\neffect.name=画像ファイル\nファイル=" + half + "\n"
                                 "[1.1]\neffect.name=標準描画\n";
        const std::string path = TestKit::tempDir() + "/mask_source.vmp2";
        TestKit::writeFile(path, text);
        ASSERT_TRUE(edit->loadProject(System::utf8ToWide(path), false, true));
    }

    // The frame as the render service renders it.
    Image frame(int number)
    {
        Image out;
        TestKit::finishWithin(60000, [&] {
            Render::RenderVideoWorker& worker = renderer->videoWorker;
            worker.requestRenderingFrame(Render::RenderTaskType::Single, number,
                                         [&](int, Media::RenderBuffer& buffer, Anchor::AnchorList&) {
                                             auto image = buffer.readImageBuffer();
                                             out = blank(int(buffer.getWidth()), int(buffer.getHeight()));
                                             for (int y = 0; y < out.height; ++y) {
                                                 const auto* row = reinterpret_cast<const uint16_t*>(image->row(y));
                                                 for (int x = 0; x < out.width; ++x)
                                                     for (int c = 0; c < 4; ++c)
                                                         out(x, y)[c] = TestKit::halfToFloat(row[4 * x + c]);
                                             }
                                         });
            worker.requestThread.wait();
        }, "frame");
        return out;
    }

    Edit::EditService* edit = nullptr;
    Render::RenderService* renderer = nullptr;
    std::string white, half;
};

TEST_F(MaskSourceTest, ImageFilesAndSceneFramesMaskThePicture)
{
    // The mask spans 32 x 32 over the 32 x 24 picture: its left half keeps
    // the left half of the picture.
    for (const std::string& source : {half, std::string("Map")}) {
        SCOPED_TRACE(source);
        load(source);
        const Image got = frame(0);
        ASSERT_EQ(got.width, Width);
        ASSERT_EQ(got.height, Height);
        for (int y = 0; y < Height; ++y) {
            for (int x = 2; x <= 13; ++x)
                ASSERT_NEAR(got.at(x, y)[3], 1, 1e-3) << x << ", " << y;
            for (int x = 18; x < Width; ++x)
                ASSERT_NEAR(got.at(x, y)[3], 0, 1e-3) << x << ", " << y;
        }
        EXPECT_NEAR(got.at(5, 5)[0], 1, 1e-3);
    }
}

} // namespace
} // namespace FilterTest
