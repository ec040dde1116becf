// Entry of every test program: each test process gets its own data folder and
// the offscreen display before anything reads the environment.
#include "core/file_name.h"
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Each test starts from an empty temporary folder, as it does when ctest runs
// it in a process of its own: settings, logs and files an earlier test of the
// same program wrote there never reach it. The data folder and its standard
// folders, made once when the path variables were first used, are made again.
class FreshFolder : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        std::error_code error;
        const bool dataFolder = std::filesystem::is_directory(TestKit::tempDir() + "/velmora2", error);
        for (const auto& entry : std::filesystem::directory_iterator(TestKit::tempDir(), error))
            std::filesystem::remove_all(entry.path(), error);
        if (dataFolder)
            System::FileName::initializeVariableList();
    }
};

} // namespace

int main(int argc, char** argv)
{
    const std::string& temp = TestKit::tempDir();
    ::setenv("XDG_DATA_HOME", temp.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshFolder);
    int result = RUN_ALL_TESTS();
    // A toolkit application made by a test ends here, not among the exit handlers.
    Platform::Ui::shutdownApplication();
    if (!std::getenv("VELMORA_KEEP_TEMP"))
        std::system(("rm -rf '" + temp + "'").c_str());
    return result;
}
