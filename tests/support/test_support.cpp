#include "tests/support/test_support.h"

#include "core/log.h"
#include "core/report.h"
#include "core/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <thread>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace TestKit {

namespace {
std::string makeTempDir()
{
    char pattern[] = "/tmp/velmora-test-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir)
        throw std::runtime_error("mkdtemp failed");
    return dir;
}
} // namespace

void useSoftwareGpu()
{
    if (!std::getenv("VK_ICD_FILENAMES")) {
        for (const char* icd : {"/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", "/usr/share/vulkan/icd.d/lvp_icd.aarch64.json",
                                "/usr/share/vulkan/icd.d/lvp_icd.json"}) {
            if (::access(icd, R_OK) == 0) {
                ::setenv("VK_ICD_FILENAMES", icd, 1);
                break;
            }
        }
    }
    ::setenv("VELMORA_GPU_VALIDATION", "1", 1);
#if defined(__SANITIZE_ADDRESS__)
    // Under the sanitizers the driver and the validation layer stay loaded to the
    // end, so that what they still hold at exit is reported under their library
    // names (and suppressed there) rather than as an unknown module.
    for (const char* library : {"libvulkan_lvp.so", "libVkLayer_khronos_validation.so"})
        ::dlopen(library, RTLD_NOW | RTLD_NODELETE);
#endif
}

bool inFreshProcess()
{
    if (std::getenv("VELMORA_FRESH_PROCESS"))
        return true;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    std::string output;
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string program(exe, n > 0 ? static_cast<size_t>(n) : 0);
    const int status =
        runCommand("VELMORA_FRESH_PROCESS=1 '" + program + "' --gtest_filter='" + filter + "' 2>&1", &output);
    EXPECT_EQ(status, 0) << output;
    return false;
}

const std::string& tempDir()
{
    static const std::string dir = makeTempDir();
    return dir;
}

std::string binDir()
{
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string exe(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(0, exe.find_last_of('/'));
}

std::string artefactDir()
{
    std::string dir = binDir() + "/../test-artefacts";
    ::mkdir(dir.c_str(), 0755);
    return dir;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> listFolder(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string errorText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

int runCommand(const std::string& command, std::string* output)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    std::string out;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    int status = ::pclose(pipe);
    if (output)
        *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void finishWithin(int ms, const std::function<void()>& fn, const char* what)
{
    struct State {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
    };
    auto state = std::make_shared<State>();
    std::thread([state, &fn] {
        fn();
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->done.notify_all();
    }).detach();
    std::unique_lock lock(state->mutex);
    if (!state->done.wait_for(lock, std::chrono::milliseconds(ms), [&] { return state->finished; })) {
        std::fprintf(stderr, "FAILED: %s did not finish within %d ms\n", what, ms);
        std::fflush(stderr);
        std::_Exit(1);
    }
}

namespace {
std::mutex captureMutex;
}

LogCapture::LogCapture()
{
    System::Log::setOutput([this](const System::Log::Type& type, const char* place, const char* message) {
        std::lock_guard lock(captureMutex);
        lines_.push_back(std::string(type.name) + "|" + place + "|" + message);
    });
}

LogCapture::~LogCapture()
{
    System::Log::setOutput(System::Log::discardOutput);
}

bool LogCapture::contains(const std::string& fragment) const
{
    std::lock_guard lock(captureMutex);
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const std::string& l) { return l.find(fragment) != std::string::npos; });
}

ReportCapture::ReportCapture()
{
    System::Report::Sink sink;
    sink.exception = [this](const std::exception& e) { messages_.push_back(e.what()); };
    sink.error = [this](const std::string& message) {
        messages_.push_back(message);
        return 0;
    };
    sink.wideError = [this](const std::wstring& message) {
        messages_.push_back(System::wideToUtf8(message));
        return 0;
    };
    System::Report::setSink(std::move(sink));
}

ReportCapture::~ReportCapture()
{
    System::Report::setSink({});
}

} // namespace TestKit
