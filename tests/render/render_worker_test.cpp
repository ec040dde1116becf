// The video worker's requests: cancellation by type, skipping behind the
// player, shutting down with requests queued, a plan that throws, the project
// lock held for a frame in flight, and the preview options as edits.
#include "core/sync.h"
#include "effect/anchor_host.h"
#include "project/edit/preview_commands.h"
#include "project/edit/update_section.h"
#include "tests/render/render_fixture.h"

#include <atomic>
#include <thread>

using Render::RenderTaskType;
using RenderTest::effectLog;
using RenderTest::RenderFixture;

namespace {

// Rendered frames as the callbacks saw them, from the request thread.
struct Rendered {
    std::mutex mutex;
    std::vector<int> frames;
    std::vector<size_t> pixels;
    Render::RenderVideoWorker::FrameCallback callback()
    {
        return [this](int frame, Media::RenderBuffer& buffer, Anchor::AnchorList&) {
            std::lock_guard<std::mutex> lock(mutex);
            frames.push_back(frame);
            pixels.push_back(size_t(buffer.getWidth()) * buffer.getHeight());
        };
    }
};

} // namespace

class RenderWorker : public RenderFixture {
protected:
    // Holds the request thread until released.
    void blockRequests(Sync::Event& started, Sync::Event& release)
    {
        worker->requestThread.request(3, [&] {
            started.set();
            release.wait();
        });
        started.wait();
    }
};

TEST_F(RenderWorker, NewPreviewRequestRemovesTheQueuedOnes)
{
    image(0, 0, 99, {1, 0, 0, 1});
    scene->updateLayerObject();
    TestKit::finishWithin(60000, [&] {
        Rendered rendered;
        Sync::Event started, release;
        blockRequests(started, release);
        for (int frame : {10, 11, 12})
            worker->requestRenderingFrame(RenderTaskType::Preview, frame, rendered.callback());
        release.set();
        worker->requestThread.wait();
        EXPECT_EQ(rendered.frames, std::vector<int>{12});
        EXPECT_EQ(rendered.pixels, std::vector<size_t>{size_t(Width) * Height});
    }, "preview requests");
}

TEST_F(RenderWorker, PlaybackRequestBehindThePlayerIsSkipped)
{
    TestKit::finishWithin(60000, [&] {
        Rendered rendered;
        worker->playbackFrame = 41;
        worker->requestRenderingFrame(RenderTaskType::Playback, 40, rendered.callback());
        worker->requestRenderingFrame(RenderTaskType::Single, 40, rendered.callback());
        worker->requestRenderingFrame(RenderTaskType::Playback, 41, rendered.callback());
        worker->requestThread.wait();
        EXPECT_EQ(rendered.frames, (std::vector<int>{40, 41}));
    }, "playback requests");
}

TEST_F(RenderWorker, FrameBeyondTheSceneIsTransparentAtItsSize)
{
    image(0, 0, 9, {1, 0, 0, 1});
    scene->updateLayerObject();
    TestKit::finishWithin(60000, [&] {
        TestKit::Picture frame;
        worker->requestRenderingFrame(RenderTaskType::Single, 500, [&](int, Media::RenderBuffer& buffer, Anchor::AnchorList&) {
            frame = readBuffer(buffer);
        });
        worker->requestThread.wait();
        EXPECT_TRUE(TestKit::nearPicture(frame, RenderTest::Canvas(Width, Height).pixels, Width));
    }, "frame beyond the scene");
}

TEST_F(RenderWorker, ShuttingDownDropsQueuedRequestsWithoutCallbacks)
{
    TestKit::finishWithin(60000, [&] {
        Rendered rendered;
        Sync::Event started;
        // The running task ends once the worker is being stopped.
        worker->requestThread.request(3, [&] {
            started.set();
            while (worker->requestThread.isRunning())
                std::this_thread::yield();
        });
        started.wait();
        worker->requestRenderingFrame(RenderTaskType::Preview, 1, rendered.callback());
        worker->requestRenderingFrame(RenderTaskType::Playback, 2, rendered.callback());
        worker->requestRenderingFrame(RenderTaskType::Single, 3, rendered.callback());
        services.releaseAll();
        worker = nullptr;
        EXPECT_TRUE(rendered.frames.empty());
    }, "shut-down");
}

TEST_F(RenderWorker, EditWaitsForTheFrameInFlight)
{
    auto gated = image(0, 0, 99, {1, 0, 0, 1});
    scene->updateLayerObject();
    Sync::Event entered, release;
    std::atomic<bool> objectDone{false};
    gated.image->onInput = [&] {
        entered.set();
        release.wait();
        objectDone = true;
    };
    TestKit::finishWithin(60000, [&] {
        Rendered rendered;
        worker->requestRenderingFrame(RenderTaskType::Single, 0, rendered.callback());
        entered.wait();
        bool doneWhenLocked = false;
        std::thread writer([&] {
            Edit::UpdateSection update;
            doneWhenLocked = objectDone;
        });
        release.set();
        writer.join();
        worker->requestThread.wait();
        EXPECT_TRUE(doneWhenLocked);
        EXPECT_EQ(rendered.frames, std::vector<int>{0});
    }, "edit during a frame");
}

TEST_F(RenderWorker, ThrowingPlanLeavesNoTaskRunningOnceTheLockIsFree)
{
    auto gated = image(0, 0, 99, {1, 0, 0, 1});
    auto failing = image(1, 0, 99, {0, 1, 0, 1});
    addFilter(failing.object, "x")->prepareThrows = true;
    scene->updateLayerObject();
    Sync::Event entered, release;
    std::atomic<bool> objectDone{false};
    gated.image->onInput = [&] {
        entered.set();
        release.wait();
        objectDone = true;
    };
    TestKit::finishWithin(60000, [&] {
        Rendered rendered;
        TestKit::LogCapture log;
        worker->requestRenderingFrame(RenderTaskType::Single, 0, rendered.callback());
        entered.wait();
        bool doneWhenLocked = false;
        std::thread writer([&] {
            Edit::UpdateSection update;
            doneWhenLocked = objectDone;
        });
        release.set();
        writer.join();
        worker->requestThread.wait();
        EXPECT_TRUE(doneWhenLocked);
        EXPECT_TRUE(rendered.frames.empty());
        EXPECT_TRUE(log.contains("prepare failed"));
    }, "throwing plan");
}

TEST_F(RenderWorker, PreviewOptionsAreEditsWithoutUndoAndPersist)
{
    struct Option {
        void (*command)(bool);
        int Render::RenderVideoWorker::*field;
        const char* key;
        const char* line;
    };
    const Option options[] = {
        {Edit::EditCommand::setGridXY, &Render::RenderVideoWorker::gridXY, "GridXY",
         "INFO|Edit::EditCommand::setGridXY|set xy grid enable="},
        {Edit::EditCommand::setCameraGrid, &Render::RenderVideoWorker::cameraGrid, "CameraGrid",
         "INFO|Edit::EditCommand::setCameraGrid|set camera grid enable="},
        {Edit::EditCommand::setCameraFreeView, &Render::RenderVideoWorker::cameraFreeView, "CameraFreeView",
         "INFO|Edit::EditCommand::setCameraFreeView|set camera free view enable="},
        {Edit::EditCommand::setVisibleClippingObjectView, &Render::RenderVideoWorker::visibleClippingObject,
         "VisibleClippingObject", "INFO|Edit::EditCommand::setVisibleClippingObjectView|set visible clipping object enable="},
    };
    int edits = 0;
    Event::EventService::Get()->editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++edits; });
    const size_t stepsBefore = scene->undoHistory.steps.size();
    // Defaults: grids off, camera grid on, free view off, clipping objects shown.
    EXPECT_EQ(worker->gridXY, 0);
    EXPECT_EQ(worker->cameraGrid, 1);
    EXPECT_EQ(worker->cameraFreeView, 0);
    EXPECT_EQ(worker->visibleClippingObject, 1);
    for (const Option& o : options) {
        SCOPED_TRACE(o.key);
        for (bool on : {true, false, true}) {
            TestKit::LogCapture log;
            o.command(on);
            EXPECT_EQ(worker->*o.field, on ? 1 : 0);
            EXPECT_TRUE(log.contains(std::string(o.line) + (on ? "1" : "0")));
        }
    }
    EXPECT_EQ(edits, 12);
    EXPECT_EQ(scene->undoHistory.steps.size(), stepsBefore);
    EXPECT_FALSE(Undo::UndoService::Get()->modified);
    // The anchors' frame button toggles the same option.
    Effect::AnchorHost::get().toggleVisibleClippingObject();
    EXPECT_EQ(worker->visibleClippingObject, 0);
    EXPECT_FALSE(Effect::AnchorHost::get().isVisibleClippingObject());

    // Written back to "Render.video" when the service goes.
    services.releaseAll();
    worker = nullptr;
    for (const Option& o : options)
        EXPECT_EQ(System::Config::iniFile->getValue("Render.video", o.key).toInt(),
                  std::string(o.key) == "VisibleClippingObject" ? 0 : 1)
            << o.key;
}
