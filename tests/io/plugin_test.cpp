// Input plug-in modules: a C module built beside the tests against the plug-in
// header, loaded by the input service, called in the documented order, its
// values checked before use and its faults contained.
#include "core/file_name.h"
#include "core/module_trust_list.h"
#include "core/report.h"
#include "core/text.h"
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "io/plugin/external_input_plugin.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "platform/os/module.h"
#include "platform/ui/application.h"
#include "tests/io/io_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

using namespace IoTest;
using Plugin::InputFile;
using Plugin::InputPlugin;
using Plugin::InputService;

namespace {

const std::string ModulePath = std::string(VELMORA_TEST_MODULES) + "/test_input_module.vmi2";

// The test's view of the module: the same loaded copy the service uses.
struct Module {
    void* handle = nullptr;
    void (*setup)(int flag, int withConfig) = nullptr;
    const char* (*calls)() = nullptr;
    void (*reset)() = nullptr;
    void (*waitEntered)() = nullptr;

    Module()
    {
        std::string error;
        handle = Platform::Os::loadModule(ModulePath, error);
        EXPECT_TRUE(handle) << error;
        setup = reinterpret_cast<decltype(setup)>(Platform::Os::findSymbol(handle, "TestModuleSetup"));
        calls = reinterpret_cast<decltype(calls)>(Platform::Os::findSymbol(handle, "TestModuleCalls"));
        reset = reinterpret_cast<decltype(reset)>(Platform::Os::findSymbol(handle, "TestModuleReset"));
        waitEntered = reinterpret_cast<decltype(waitEntered)>(Platform::Os::findSymbol(handle, "TestModuleWaitEntered"));
    }
    ~Module() { Platform::Os::freeModule(handle); }
    // The calls made since the last look.
    std::string take()
    {
        std::string made = calls();
        reset();
        return made;
    }
};

constexpr int FlagVideo = 1, FlagAudio = 2, FlagConcurrent = 0x10, FlagTracks = 0x20;

class PluginTest : public ::testing::Test {
protected:
    // Registers the module with that table flag; the service has no other reader then.
    InputPlugin* load(int flag, bool withConfig = true)
    {
        module.setup(flag, withConfig ? 1 : 0);
        input = services.acquire<InputService>();
        input->readers.clear();
        input->registerPlugin(System::fromLocalPath(ModulePath));
        input->updateExtTypeList();
        module.take();
        return input->readers.empty() ? nullptr : input->readers.front().get();
    }
    // A media file of the module, described by its words.
    std::wstring file(const std::string& name, const std::string& words)
    {
        writeBytes(tempPath(name), words);
        return widePath(tempPath(name));
    }

    Module module;
    System::ServiceStack services;
    Cache::ScratchBuffers scratch;
    InputService* input = nullptr;
};

const std::string Still = "video=1 width=8 height=4 bits=24 compression=0 frames=5 rate=30 scale=1 ";
const std::string Sound = "audio=1 tag=1 channels=2 audio_bits=16 sample_rate=8000 samples=20000 ";

} // namespace

TEST_F(PluginTest, TheModuleBecomesAReader)
{
    InputPlugin* reader = load(FlagVideo | FlagAudio | FlagTracks);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->name, L"Test Input");
    EXPECT_EQ(reader->information, L"test module 1.0");
    EXPECT_EQ(reader->fileFilter, std::wstring(L"TestFile (*.tst)\0*.tst;*.tsu\0", 29));
    EXPECT_EQ(reader->capability, 7u);
    EXPECT_EQ(reader->getExtList(), (std::vector<std::wstring>{L"tst", L"tsu"}));
    EXPECT_TRUE(input->videoExtMap.count(L"tsu") && input->audioExtMap.count(L"tst"));
    reader->showSetting(nullptr);
    EXPECT_EQ(module.take(), "config(1);");
    input->readers.clear();

    // Without a settings dialog, and reading video only.
    reader = load(FlagVideo, false);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->capability, 1u);
    reader->showSetting(nullptr);
    EXPECT_EQ(module.take(), "");
}

TEST_F(PluginTest, CallSequenceTracksAndReads)
{
    load(FlagVideo | FlagAudio | FlagTracks);
    {
        SCOPED_TRACE("track 5 of 2 audio tracks selects track 1; no video track, no video selection");
        auto f = input->getInputFile(L":5" + file("a.tst", Sound + "video_tracks=0 audio_tracks=2"), 2);
        ASSERT_TRUE(f);
        EXPECT_EQ(module.take(), "open;set_track(0,-1);set_track(1,-1);set_track(1,1);info_get;");
        EXPECT_EQ(f->flags, InputFile::FlagAudio | InputFile::FlagMultiTrack);
        EXPECT_EQ(f->audioTrackCount, 2);
        EXPECT_EQ(f->audioSampleCount, 20000);
        auto block = f->readAudio(2);
        EXPECT_EQ(module.take(), "read_audio(16000,8000);");
        ASSERT_EQ(block->samples, 8000u);
        for (uint32_t c = 0; c < 2; ++c) {
            EXPECT_EQ(block->getChannel(c)[0], 16000 / 32768.0f);
            EXPECT_EQ(block->getChannel(c)[3999], 19999 / 32768.0f);
            EXPECT_EQ(block->getChannel(c)[4000], 0.0f); // past the module's samples: the zeroed buffer
        }
        f.reset();
        input->clearFileCache();
        EXPECT_EQ(module.take(), "close;");
    }
    {
        SCOPED_TRACE("frames in the module's layout; times through the module");
        auto f = input->getInputFile(L":2" + file("v.tst", Still + "video_tracks=3 audio_tracks=0 time=1"), 1);
        ASSERT_TRUE(f);
        EXPECT_EQ(module.take(), "open;set_track(0,-1);set_track(1,-1);set_track(0,2);info_get;");
        EXPECT_EQ(f->flags, InputFile::FlagVideo | InputFile::FlagMultiTrack | InputFile::FlagTimeToFrame);
        EXPECT_EQ(f->pixelFormat, 88);
        auto image = f->readVideo(3);
        EXPECT_EQ(module.take(), "read_video(3);");
        // Bottom-up rows of 24 bytes: picture row y is stored row 3 - y.
        for (uint32_t y = 0; y < 4; ++y)
            for (uint32_t x = 0; x < 8; ++x)
                for (uint32_t c = 0; c < 3; ++c)
                    ASSERT_EQ(image->row(y)[4 * x + c], uint8_t(3 + (3 - y) * 24 + 3 * x + c)) << x << "," << y;
        EXPECT_EQ(f->timeToFrame(1.5), 1507);
        EXPECT_EQ(module.take(), "time_to_frame;");
    }
    {
        SCOPED_TRACE("without flag 0x10 in the file, the base rule");
        auto f = input->getInputFile(file("b.tst", Still + "time=0"), 1);
        ASSERT_TRUE(f);
        module.take();
        EXPECT_EQ(f->timeToFrame(0.1), 3);
        EXPECT_EQ(module.take(), "");
    }
}

TEST_F(PluginTest, DescriptionsTheProgramCannotUseFailTheOpen)
{
    load(FlagVideo | FlagAudio);
    const char* cases[] = {
        "info=0", "compression=0 bits=16", "compression=1234 bits=24", "width=0", "width=16385", "height=-4",
        "rate=0", "scale=-1", "frames=-1",
    };
    const char* soundCases[] = {"samples=-1", "tag=2", "channels=3", "audio_bits=8", "sample_rate=0"};
    int n = 0;
    auto refused = [&](const std::string& words) {
        SCOPED_TRACE(words);
        EXPECT_FALSE(input->getInputFile(file("bad" + std::to_string(n++) + ".tst", words), 2 - (words.find("video=1") != std::string::npos)));
        // The handle func_open gave is closed again.
        const std::string made = module.take();
        EXPECT_EQ(made.substr(0, 5), "open;");
        EXPECT_EQ(made.substr(made.size() - 6), "close;");
    };
    for (const char* c : cases)
        refused(Still + c);
    for (const char* c : soundCases)
        refused(Sound + c);
    // The limits themselves are taken.
    EXPECT_TRUE(input->getInputFile(file("edge.tst", Still + "width=16384 height=1 frames=0"), 1));
}

TEST_F(PluginTest, FaultsInTheModuleAreReportedAndTheProgramGoesOn)
{
    load(FlagVideo | FlagAudio);
    auto good = input->getInputFile(file("good.tst", Still), 1);
    auto faulty = input->getInputFile(file("faulty.tst", Still + "crash=read_video"), 1);
    ASSERT_TRUE(good && faulty);
    ASSERT_TRUE(good->readVideo(1));
    const std::string error = TestKit::errorText([&] { faulty->readVideo(2); });
    EXPECT_EQ(error.substr(0, error.find('\n')), "table.func_read_video() structured exception");
    EXPECT_NE(error.find("Code: 0xC0000005"), std::string::npos) << error;
    EXPECT_NE(error.find("Module: test_input_module.vmi2"), std::string::npos) << error;
    EXPECT_NE(error.find("[Place]\nPlugin::ExternalInputPlugin::ExternalInputFile::readVideo()\n\n[Plugin]\ntest module 1.0"),
              std::string::npos)
        << error;
    // The locks were let go: the same module reads on.
    auto image = good->readVideo(2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->row(3)[0], 2);

    // A module that writes nothing into the frame leaves black, not the last frame read.
    auto silent = input->getInputFile(file("silent.tst", Still + "crash=write_nothing"), 1);
    ASSERT_TRUE(silent);
    auto black = silent->readVideo(0);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8 * 4; ++x)
            ASSERT_EQ(black->row(y)[x], 0);

    // A fault in func_close is logged; the close happens in a destructor.
    TestKit::LogCapture log;
    auto closing = input->getInputFile(file("close.tst", Still + "crash=close"), 1);
    ASSERT_TRUE(closing);
    closing.reset();
    input->clearFileCache();
    EXPECT_TRUE(log.contains("table.func_close() structured exception"));
}

TEST_F(PluginTest, ConcurrentModulesAreEnteredByTwoThreadsAtOnce)
{
    load(FlagVideo | FlagConcurrent);
    auto f = input->getInputFile(file("wait.tst", Still + "crash=wait time=1"), 1);
    ASSERT_TRUE(f);
    module.take();
    // The read waits inside the module until time_to_frame runs on this thread.
    std::thread reading([&] { f->readVideo(0); });
    module.waitEntered();
    f->timeToFrame(0);
    reading.join();
    EXPECT_EQ(module.take(), "read_video(0);time_to_frame;released;");
}

TEST_F(PluginTest, ModulesThatCannotBeLoadedAreReported)
{
    std::vector<std::string> shown;
    System::Report::Sink sink;
    sink.error = [&](const std::string& message) {
        shown.push_back(message);
        return 0;
    };
    System::Report::setSink(sink);
    input = services.acquire<InputService>();
    writeBytes(tempPath("text.vmi2"), "not a module");
    input->registerPlugin(widePath(tempPath("text.vmi2")));
    input->registerPlugin(System::fromLocalPath(std::string(VELMORA_TEST_MODULES) + "/test_input_module_bare.vmi2"));
    System::Report::setSink({});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].rfind("failed to register input plugin. [Plugin::ExternalInputPlugin]\n\nLoadLibrary() failed.", 0),
              0u)
        << shown[0];
    EXPECT_NE(shown[0].find("text.vmi2"), std::string::npos) << shown[0]; // the loader's own text
    EXPECT_NE(shown[1].find("GetProcAddress() failed."), std::string::npos) << shown[1];
    EXPECT_EQ(input->readers.size(), 3u);
}

namespace {

// The module readers of an input service, by file name, in priority order.
std::vector<std::wstring> moduleReaders(const InputService& input)
{
    std::vector<std::wstring> names;
    for (const auto& reader : input.readers)
        if (auto* module = dynamic_cast<const Plugin::ExternalInputPlugin*>(reader.get()))
            names.push_back(module->modulePath.substr(module->modulePath.rfind(L'/') + 1));
    return names;
}

} // namespace

TEST(PluginDiscovery, TrustedModulesOfThePluginFolderAreRegisteredInNameOrder)
{
    PluginFolder folder;
    folder.copy("test_input_module.vmi2", "b_second.vmi2");
    folder.copy("test_input_module.vmi2", "A_first.VMI2");
    folder.copy("test_input_module.vmi2", "refused.vmi2");
    folder.copy("test_output_module.vmo2", "writer.vmo2"); // not an input module
    folder.write("broken.vmi2", "not a module");
    folder.write("notes.txt", "");
    TrustAnswers answers;
    answers.accept = {L"A_first.VMI2", L"b_second.vmi2", L"broken.vmi2"};
    TestKit::ReportCapture reports;
    {
        System::ServiceStack services;
        Cache::ScratchBuffers scratch;
        Plugin::ModuleTrustList* trust = services.acquire<Plugin::ModuleTrustList>();
        InputService* input = services.acquire<InputService>();
        // Asked once each, in name order; the refused module is not loaded.
        EXPECT_EQ(answers.asked, (std::vector<std::wstring>{L"A_first.VMI2", L"b_second.vmi2", L"broken.vmi2",
                                                             L"refused.vmi2"}));
        EXPECT_EQ(moduleReaders(*input), (std::vector<std::wstring>{L"A_first.VMI2", L"b_second.vmi2"}));
        // The broken module is reported and the others work.
        ASSERT_EQ(reports.messages().size(), 1u);
        EXPECT_EQ(reports.messages()[0].rfind("failed to register input plugin. [Plugin::ExternalInputPlugin]", 0), 0u)
            << reports.messages()[0];
        // Two modules of one extension: both listed, the first registered first
        // (priorities follow the built-in readers).
        EXPECT_EQ(input->readers[3]->priority, 3);
        EXPECT_EQ(input->readers[4]->priority, 4);
        ASSERT_EQ(input->videoExtMap[L"tst"].size(), 2u);
        EXPECT_EQ(input->videoExtMap[L"tst"][0], input->readers[3]);
        const std::wstring still = widePath(tempPath("found.tst"));
        writeBytes(tempPath("found.tst"), Still);
        auto file = input->getInputFile(still, 1);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->reader, input->readers[3].get());
        file.reset();
        trust->saveTrustList();
    }
    {
        SCOPED_TRACE("the next start: accepted modules are remembered, the refused one is asked again");
        answers.asked.clear();
        answers.accept = {L"refused.vmi2"};
        System::ServiceStack services;
        Cache::ScratchBuffers scratch;
        services.acquire<Plugin::ModuleTrustList>();
        InputService* input = services.acquire<InputService>();
        EXPECT_EQ(answers.asked, (std::vector<std::wstring>{L"refused.vmi2"}));
        EXPECT_EQ(moduleReaders(*input),
                  (std::vector<std::wstring>{L"A_first.VMI2", L"b_second.vmi2", L"refused.vmi2"}));
    }
    {
        SCOPED_TRACE("without a trust list nothing is loaded");
        System::ServiceStack services;
        Cache::ScratchBuffers scratch;
        EXPECT_TRUE(moduleReaders(*services.acquire<InputService>()).empty());
    }
    std::filesystem::remove(System::toLocalPath(System::FileName::expand(L"%AppData%/module.ini")));
}
