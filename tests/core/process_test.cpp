#include "core/file.h"
#include "core/process.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "core/worker_thread.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
int currentNice()
{
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

void writeSystemConf(const std::string& config)
{
    std::string data = TestKit::tempDir() + "/velmora2";
    System::File::createDirectory(System::utf8ToWide(data).c_str());
    TestKit::writeFile(data + "/system.conf", "[Config]\r\n" + config);
}
} // namespace

TEST(ThreadPriority, WorkersTakeTheConfiguredPriority)
{
    writeSystemConf("WorkerThreadPriority=-2\r\n");
    System::ServiceReference<Setting::SettingService> settings;
    int mainNice = currentNice();
    // A lower priority is a higher nice value, which any process may take.
    Worker::WorkerThread worker("Priority");
    int workerNice = 0;
    worker.request(0, [&] { workerNice = currentNice(); });
    worker.wait();
    EXPECT_EQ(workerNice, std::min(mainNice + 2, 19));
    // The main thread's key is missing: it keeps its priority.
    System::Process::SetThreadPriority("MainThreadPriority");
    EXPECT_EQ(currentNice(), mainNice);
}

TEST(ThreadPriority, AnUnreadableValueLeavesOneErrorLineAndNoException)
{
    writeSystemConf("MainThreadPriority=fast\r\n");
    System::ServiceReference<Setting::SettingService> settings;
    int before = currentNice();
    TestKit::LogCapture log;
    EXPECT_NO_THROW(System::Process::SetThreadPriority("MainThreadPriority"));
    EXPECT_EQ(currentNice(), before);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("ERROR|", 0), 0u) << log.lines()[0];
}
