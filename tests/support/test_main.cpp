// Entry of every test program: each test process gets its own data folder and
// the offscreen display before anything reads the environment.
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const std::string& temp = TestKit::tempDir();
    ::setenv("XDG_DATA_HOME", temp.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    // A toolkit application made by a test ends here, not among the exit handlers.
    Platform::Ui::shutdownApplication();
    if (!std::getenv("VELMORA_KEEP_TEMP"))
        std::system(("rm -rf '" + temp + "'").c_str());
    return result;
}
