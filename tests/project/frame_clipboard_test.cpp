// The frame-to-clipboard render callback: the frame read back in the asked
// format, handed to the main thread without waiting for it.
#include "core/event_service.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "tests/media/gpu_fixture.h"

#include <thread>

using namespace TestKit;

namespace {
class FrameClipboard : public GpuFixture {};
} // namespace

TEST_F(FrameClipboard, ARenderThreadPostsTheFrameAndGoesOn)
{
    Platform::Ui::initializeApplication();
    System::ServiceReference<Event::EventService> events;
    Media::RenderBuffer frame(Media::Format::R16G16B16A16Float);
    frame.createTexture2D(3, 2);
    auto content = upload(Picture(6, Pixel{0.25f, 0.5f, 0, 0.5f}), 3, 2);
    shaders->copyShader.copyToRenderBuffer(frame, *content);

    auto callback = Edit::makeFrameToClipboard(Media::Format::B8G8R8A8Unorm, true);
    // The main thread is busy joining: a callback that waited for it would hang.
    TestKit::finishWithin(20000, [&] { std::thread([&] { callback(frame, 7); }).join(); },
                          "the frame-to-clipboard callback");
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;
    ASSERT_TRUE(Platform::Ui::processMessagesUntil(
        [&] { return Platform::Ui::getClipboardPicture(width, height, bgra) == 0 && width == 3; }, 5000));
    EXPECT_EQ(height, 2);
    ASSERT_EQ(bgra.size(), 24u);
    // Straight alpha: B 0, G 255, R 128, A 128.
    EXPECT_EQ(std::vector<uint8_t>(bgra.begin(), bgra.begin() + 4), (std::vector<uint8_t>{0, 255, 128, 128}));
    Platform::Ui::shutdownApplication();
}
