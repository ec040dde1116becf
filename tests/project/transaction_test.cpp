// Edit transactions: the order of their end steps, what an opener that throws
// leaves behind, and the project lock between the main thread and readers.
#include "platform/os/process.h"
#include "platform/os/rwlock.h"
#include "project/edit/edit_host.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/edit_fixture.h"

#include <atomic>
#include <fstream>
#include <latch>
#include <stdexcept>
#include <thread>

using namespace EditTest;

namespace {

// Records the settings windows' refreshes, and whether the lock was free then.
class RecordingSettings : public Edit::SettingHost {
public:
    RecordingSettings(std::vector<std::string>& calls, Platform::Os::ReaderWriterLock& lock) : calls(calls), lock(lock)
    {
        install(this);
    }
    ~RecordingSettings() override { install(nullptr); }
    void resetSettingSection() override { note("section"); }
    void clearSettingList() override { note("list"); }
    void updateSettingValue() override { note("value"); }
    void updateTimeSetting() override { note("time"); }
    void updateColorSetting() override { note("color"); }
    void updateTextSetting() override { note("text"); }

    void note(const std::string& what)
    {
        const bool free = lock.tryLockExclusive();
        if (free)
            lock.unlockExclusive();
        calls.push_back(free ? what : what + "(locked)");
    }

    std::vector<std::string>& calls;
    Platform::Os::ReaderWriterLock& lock;
};

class Transaction : public EditFixture {
protected:
    Transaction() : settings(calls, edit().projectLock)
    {
        events().editChanged.push_back([this](std::shared_ptr<Edit::Object>&) { settings.note("edit"); });
        events().layerChanged.push_back([this] { settings.note("layer"); });
        events().sceneChanged.push_back([this](int id) { settings.note("scene " + std::to_string(id)); });
        events().focusObjectChanged.push_back([this](std::shared_ptr<Edit::Object>& o) {
            settings.note(o ? "focus" : "focus none");
        });
        events().cursorFrameChanged.push_back([this](int f) { settings.note("cursor " + std::to_string(f)); });
    }
    bool lockFree()
    {
        if (!edit().projectLock.tryLockExclusive())
            return false;
        edit().projectLock.unlockExclusive();
        return true;
    }

    std::vector<std::string> calls;
    RecordingSettings settings;
};

using Flags = std::vector<bool Edit::UpdateSection::*>;

} // namespace

TEST_F(Transaction, EndStepsRunInOrderAfterTheLockIsFree)
{
    using U = Edit::UpdateSection;
    struct Case {
        Flags flags;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {{&U::updateSettingSection, &U::updateSettingList, &U::updateSettingValue, &U::updateTimeSetting,
          &U::updateColorSetting, &U::updateTextSetting, &U::notifyEdit, &U::notifyLayer, &U::notifyScene,
          &U::notifyFocusObject, &U::notifyCursorFrame},
         {"section", "list", "time", "color", "text", "edit", "layer", "scene 7", "focus none", "cursor 0"}},
        // The panel list beats the values: rebuilt panels show the values anyway.
        {{&U::updateSettingValue, &U::updateSettingList}, {"list"}},
        {{&U::updateSettingValue}, {"value"}},
        {{&U::notifyCursorFrame, &U::notifyEdit}, {"edit", "cursor 0"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        calls.clear();
        {
            Edit::UpdateSection update;
            for (auto flag : c.flags)
                update.*flag = true;
            update.sceneId = 7;
        }
        EXPECT_EQ(calls, c.expected);
    }
}

TEST_F(Transaction, AnEmptyTransactionStillStopsPlaybackAndHoldsTheLock)
{
    int stops = 0;
    edit().stopPlayback = [&] { ++stops; };
    {
        Edit::UpdateSection update;
        EXPECT_EQ(stops, 1);
        EXPECT_FALSE(edit().projectLock.tryLockShared()) << "a reader got in during the transaction";
    }
    EXPECT_TRUE(lockFree());
    EXPECT_TRUE(history().steps.empty());
}

TEST_F(Transaction, ListenersMayOpenTransactionsOfTheirOwn)
{
    int nested = 0;
    events().editChanged.push_back([&](std::shared_ptr<Edit::Object>&) {
        if (nested++ == 0) {
            Edit::UpdateSection update;
            update.notifyLayer = true;
        }
    });
    TestKit::finishWithin(10000, [&] {
        Edit::UpdateSection update;
        update.notifyEdit = true;
    }, "a transaction opened by a listener");
    EXPECT_EQ(calls, (std::vector<std::string>{"edit", "layer"}));
}

TEST_F(Transaction, NamingAPaletteSwatchRebuildsThePresetColoursAsAnEdit)
{
    Effect::PaletteManager& palettes = effects().palette;
    int stops = 0;
    edit().stopPlayback = [&] { ++stops; };
    palettes.setPresetColorName(*palettes.palettes.at(L"default").palette, 1, L"薄い白");
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(calls, std::vector<std::string>{"edit"}); // heard once the lock was free
    EXPECT_EQ(palettes.presetColors.count(L"薄い白"), 1u);
    EXPECT_TRUE(history().steps.empty());
}

TEST_F(Transaction, RemovingTheFocusObjectClearsItAndTellsTheListeners)
{
    auto object = scene().createObject(L"画像ファイル", 0, 0, 9);
    edit().setFocusObject(object);
    calls.clear();
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        scene().removeObject(*object);
    }
    EXPECT_EQ(scene().focusObject, nullptr);
    EXPECT_EQ(calls, (std::vector<std::string>{"focus none"}));
}

TEST_F(Transaction, AnOpenerThatThrowsLeavesOneStepOfWhatItRecordedAndAFreeLock)
{
    auto a = createRecorded(0, 0, 9);
    auto b = createRecorded(1, 0, 9);
    ASSERT_EQ(history().steps.size(), 2u);
    calls.clear();
    EXPECT_THROW(
        {
            Edit::UpdateSection update;
            update.openUndoStep();
            update.updateLayerObject = true;
            update.notifyEdit = true;
            undo().addObjectUpdate(a);
            a->end = 20;
            undo().addObjectUpdate(b);
            b->start = 5;
            throw std::runtime_error("half-way");
        },
        std::runtime_error);
    EXPECT_TRUE(lockFree());
    ASSERT_EQ(history().steps.size(), 3u);
    EXPECT_EQ(history().steps.front().size(), 2u);
    EXPECT_FALSE(undo().recording);
    // The end still ran: the listeners heard of it.
    EXPECT_EQ(calls, (std::vector<std::string>{"edit"}));
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(a->end, 9);
    EXPECT_EQ(b->start, 0);
}

TEST_F(Transaction, AFailingEndStepCostsOnlyItselfEvenWhileUnwinding)
{
    auto object = createRecorded(0, 0, 9);
    std::shared_ptr<Effect::EffectBase> effect = object->effects.front();
    events().editChanged.push_back([](std::shared_ptr<Edit::Object>&) { throw std::runtime_error("listener"); });
    std::unique_ptr<Effect::EffectItemInteger> extra;
    TestKit::LogCapture log;
    EXPECT_THROW(
        {
            Edit::UpdateSection update;
            update.openUndoStep();
            update.notifyEdit = true;
            update.notifyLayer = true;
            undo().addEffectUpdate(effect);
            // The effect gains an item between its snapshots: its commit throws.
            extra = std::make_unique<Effect::EffectItemInteger>(effect->items, L"追加", 0, 0, 1);
            undo().addObjectFlag(object);
            object->clipping = true;
            throw std::runtime_error("opener");
        },
        std::runtime_error);
    EXPECT_TRUE(lockFree());
    ASSERT_EQ(history().steps.size(), 2u);
    EXPECT_EQ(history().steps.front().size(), 1u) << "the object's flags stay undoable";
    EXPECT_TRUE(log.contains("different number of items."));
    EXPECT_TRUE(log.contains("ERROR|Edit::UpdateSection::~UpdateSection|editChanged failed.\nlistener"));
    // The edit listener that failed did not silence the next list.
    EXPECT_NE(std::find(calls.begin(), calls.end(), "layer"), calls.end());
    effect->items.pop_back();
}

namespace {

// Waits until the thread sleeps in the kernel (blocked on the lock).
void waitUntilBlocked(uint64_t tid)
{
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    for (;;) {
        std::ifstream stat(path);
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S')
            return;
        std::this_thread::yield();
    }
}

// A writer thread that opens a transaction; started() returns once it waits for the lock.
struct BlockedWriter {
    std::atomic<uint64_t> tid{0};
    std::atomic<bool> in{false};
    std::thread thread;

    void start()
    {
        thread = std::thread([this] {
            tid = Platform::Os::currentThreadId();
            Edit::UpdateSection update;
            in = true;
        });
        while (!tid)
            std::this_thread::yield();
        waitUntilBlocked(tid);
    }
};

} // namespace

TEST_F(Transaction, AWriterWaitsForAReaderThread)
{
    TestKit::finishWithin(10000, [&] {
        std::latch readerIn(1);
        std::latch release(1);
        BlockedWriter writer;
        std::atomic<bool> writerWasInWhileReading{true};
        std::thread reader([&] {
            Edit::ReadSection read;
            readerIn.count_down();
            release.wait();
            writerWasInWhileReading = writer.in.load();
        });
        readerIn.wait();
        writer.start();
        EXPECT_FALSE(writer.in);
        release.count_down();
        reader.join();
        writer.thread.join();
        EXPECT_FALSE(writerWasInWhileReading);
        EXPECT_TRUE(writer.in);
    }, "a writer behind a reader");
}

TEST_F(Transaction, ASecondReaderGetsInWhileAWriterWaits)
{
    // A render thread that holds the lock shared and waits for another one
    // that needs it too: a writer waiting in between must not shut the second out.
    TestKit::finishWithin(10000, [&] {
        std::latch firstIn(1);
        std::latch secondIn(1);
        std::thread first([&] {
            Edit::ReadSection read;
            firstIn.count_down();
            secondIn.wait();
        });
        firstIn.wait();
        BlockedWriter writer;
        writer.start();
        std::thread second([&] {
            Edit::ReadSection read;
            EXPECT_FALSE(writer.in);
            secondIn.count_down();
        });
        second.join();
        first.join();
        writer.thread.join();
        EXPECT_TRUE(writer.in);
    }, "a reader behind a waiting writer");
}

TEST_F(Transaction, AReaderSeesAWholeSceneWhileTheMainThreadSwitchesScenes)
{
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        while (!done) {
            Edit::ReadSection read;
            if (!read.scene || (read.scene->id != 0 && read.scene->id != 1))
                ++bad;
        }
    });
    for (int i = 0; i < 2000; ++i)
        edit().updateScene(i % 2);
    done = true;
    reader.join();
    EXPECT_EQ(bad, 0);
}
