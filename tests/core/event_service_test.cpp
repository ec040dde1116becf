#include "core/clipboard.h"
#include "core/event_service.h"
#include "core/report.h"
#include "core/text.h"
#include "core/worker_thread.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/main_thread.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using Event::EventCommand;
using Event::EventCommandType;
using Event::EventService;

namespace {
struct EventFixture : ::testing::Test {
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        // What the event service reports, as the interface's sink would receive it.
        System::Report::Sink sink;
        sink.exception = [this](const std::exception& e) { reports.push_back(System::ansiToWide(e.what())); };
        sink.wideError = [this](const std::wstring& message) {
            reports.push_back(message);
            return 0;
        };
        System::Report::setSink(std::move(sink));
    }
    void TearDown() override
    {
        System::Report::setSink({});
        Platform::Ui::shutdownApplication();
    }
    EventCommand command(EventCommandType kind, intptr_t value = 0)
    {
        EventCommand c;
        c.kind = static_cast<uint32_t>(kind);
        c.value = value;
        return c;
    }
    System::ServiceReference<EventService> service;
    EventService& events = *EventService::Get();
    std::vector<std::wstring> reports;
};

// A payload that tells when it is freed.
struct CountedPayload : Event::EventPayload {
    explicit CountedPayload(int& freed) : freed(freed) {}
    ~CountedPayload() override { ++freed; }
    int& freed;
};
} // namespace

TEST(ListenerList, RunsInRegistrationOrderAndToleratesGrowthDuringARun)
{
    Event::ListenerList<int> list;
    list(1); // nobody registered: nothing happens
    std::vector<std::string> calls;
    list.push_back([&](int v) { calls.push_back("a" + std::to_string(v)); });
    // A listener that registers more listeners on the list being run: the run
    // covers the listeners present when it began, and the list grows safely.
    list.push_back([&](int v) {
        calls.push_back("b" + std::to_string(v));
        for (int i = 0; i < 100; ++i)
            list.push_back([&calls, i](int w) {
                if (i == 0)
                    calls.push_back("late" + std::to_string(w));
            });
        calls.push_back("b-end");
    });
    list(1);
    EXPECT_EQ(calls, (std::vector<std::string>{"a1", "b1", "b-end"}));
    calls.clear();
    list.push_back(nullptr);
    EXPECT_THROW(list(2), std::bad_function_call);
    EXPECT_EQ(calls[0], "a2");
    EXPECT_EQ(calls[3], "late2");
}

TEST_F(EventFixture, NotificationsRunTheirLists)
{
    std::vector<std::pair<Render::RenderTaskType, int>> frames, blocks;
    int waveforms = 0;
    events.videoFrameRendered.push_back([&](Render::RenderTaskType t, int f) { frames.emplace_back(t, f); });
    events.audioBlockRendered.push_back([&](Render::RenderTaskType t, int f) { blocks.emplace_back(t, f); });
    events.waveformUpdated.push_back([&] { ++waveforms; });
    events.processEventCommandMessage(command(EventCommandType::NotifyVideoFrame, 7));
    events.processEventCommandMessage(command(EventCommandType::NotifyVideoFrame, 7));
    events.processEventCommandMessage(command(EventCommandType::NotifyAudioBlock, 9));
    events.processEventCommandMessage(command(EventCommandType::NotifyWaveform));
    using P = std::pair<Render::RenderTaskType, int>;
    EXPECT_EQ(frames, (std::vector<P>{{Render::RenderTaskType::Preview, 7}, {Render::RenderTaskType::Preview, 7}}));
    EXPECT_EQ(blocks, (std::vector<P>{{Render::RenderTaskType::Preview, 9}}));
    EXPECT_EQ(waveforms, 1);
    int ended = 0;
    events.outputFileEnd = [&] { ++ended; };
    events.processEventCommandMessage(command(EventCommandType::OutputFileEnd));
    EXPECT_EQ(ended, 1);
}

TEST_F(EventFixture, ExceptionsAndErrorsReachTheMainThread)
{
    auto rethrow = command(EventCommandType::RethrowException);
    rethrow.payload = std::make_unique<Event::ExceptionPayload>("x");
    try {
        events.processEventCommandMessage(std::move(rethrow));
        ADD_FAILURE() << "RethrowException did not throw";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "x");
    }

    auto show = command(EventCommandType::ShowException);
    show.payload = std::make_unique<Event::ExceptionPayload>("shown report");
    events.processEventCommandMessage(std::move(show));

    // The finished message is reported as it is, never read as a format again.
    auto error = command(EventCommandType::ShowError);
    error.payload = std::make_unique<Event::ErrorPayload>(L"100% sure %s %d");
    events.processEventCommandMessage(std::move(error));
    EXPECT_EQ(reports, (std::vector<std::wstring>{L"shown report", L"100% sure %s %d"}));
}

TEST_F(EventFixture, UnknownKindsWarnOnceAndFreeTheirPayload)
{
    TestKit::LogCapture log;
    int freed = 0;
    for (uint32_t kind : {8u, 0xFFFFFFFFu}) {
        auto c = command(EventCommandType::NotifyVideoFrame);
        c.kind = kind;
        c.payload = std::make_unique<CountedPayload>(freed);
        events.processEventCommandMessage(std::move(c));
    }
    EXPECT_EQ(freed, 2);
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[0], "WARN|Event::EventService::processEventCommandMessage|unknown EventCommandType.");
    // A command that never reaches the main thread frees its payload too.
    Platform::Ui::shutdownApplication();
    auto lost = command(EventCommandType::ShowError);
    lost.payload = std::make_unique<CountedPayload>(freed);
    EXPECT_FALSE(Event::postEventCommand(std::move(lost)));
    EXPECT_EQ(freed, 3);
}

TEST_F(EventFixture, CommandsPostedFromWorkersRunOnTheMainThreadInOrder)
{
    std::vector<int> frames;
    bool offMainThread = false;
    events.videoFrameRendered.push_back([&](Render::RenderTaskType, int frame) {
        offMainThread |= !Platform::Ui::isMainThread();
        frames.push_back(frame);
    });
    Worker::WorkerThread first("PosterA");
    Worker::WorkerThread second("PosterB");
    for (int i = 0; i < 200; ++i) {
        first.request(0, [i] { Event::postEventCommand(EventCommandType::NotifyVideoFrame, i); });
        second.request(0, [i] { Event::postEventCommand(EventCommandType::NotifyVideoFrame, 1000 + i); });
    }
    first.wait();
    second.wait();
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return frames.size() == 400; }, 5000));
    EXPECT_FALSE(offMainThread);
    // Each producer's commands arrive in the order it posted them.
    int nextA = 0, nextB = 1000;
    for (int f : frames) {
        if (f < 1000)
            EXPECT_EQ(f, nextA++);
        else
            EXPECT_EQ(f, nextB++);
    }
}

TEST_F(EventFixture, ClipboardImagePostedByAWorkerDoesNotBlockIt)
{
    auto image = System::DibImage::create(3, 2, false);
    ASSERT_EQ(image.stride(), 12); // 9 bytes padded to a multiple of 4
    ASSERT_EQ(image.blockSize(), 40u + 24u);
    // Bottom-up rows: the first row in memory is the lower row of the picture.
    const uint8_t lower[] = {0, 0, 255, 0, 255, 0, 255, 0, 0};      // red, green, blue
    const uint8_t upper[] = {255, 255, 255, 0, 0, 0, 128, 128, 128}; // white, black, grey
    std::copy(std::begin(lower), std::end(lower), image.bits.begin());
    std::copy(std::begin(upper), std::end(upper), image.bits.begin() + 12);

    // The process's clipboard may still hold an earlier test's picture.
    ASSERT_EQ(Platform::Ui::setClipboardText(L"not a picture"), 0);
    Worker::WorkerThread worker("RenderVideoWorker");
    worker.request(0, [&image] { System::postClipboardImage(std::move(image)); });
    // The worker finishes without the main thread having run anything.
    TestKit::finishWithin(5000, [&] { worker.wait(); }, "the posting worker");

    int width = 0, height = 0;
    std::vector<uint8_t> bgra;
    ASSERT_TRUE(Platform::Ui::processMessagesUntil(
        [&] { return Platform::Ui::getClipboardPicture(width, height, bgra) == 0; }, 5000));
    ASSERT_EQ(width, 3);
    ASSERT_EQ(height, 2);
    const std::vector<uint8_t> expected = {255, 255, 255, 255, 0, 0, 0, 255, 128, 128, 128, 255,
                                           0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255};
    EXPECT_EQ(bgra, expected);
}
