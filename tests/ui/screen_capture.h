#pragma once
// The screen of the X display a test runs on (Xvfb), as ImageMagick's import
// captures it, kept among the test artefacts.
#include "platform/ui/test_input.h"
#include "tests/support/test_support.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace XvfbTest {

namespace Input = Platform::Ui::TestInput;

// The whole screen as import captures it: RGBA rows.
struct Screenshot {
    int width = 0, height = 0;
    std::string rgba;

    // 0xAARRGGBB; 0 outside the screen.
    uint32_t at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0;
        const size_t i = (size_t(y) * size_t(width) + size_t(x)) * 4;
        if (i + 4 > rgba.size())
            return 0;
        return 0xFF000000u | uint32_t(uint8_t(rgba[i])) << 16 | uint32_t(uint8_t(rgba[i + 1])) << 8 |
               uint8_t(rgba[i + 2]);
    }
};

// One capture, kept as artefacts/<name>.png (written whole before it is
// copied there, so a person looking never sees half a file).
inline Screenshot capture(const std::string& name)
{
    const std::string png = TestKit::tempDir() + "/" + name + ".png";
    const std::string raw = TestKit::tempDir() + "/" + name + ".rgba";
    Screenshot shot;
    std::string size;
    if (TestKit::runCommand("import -window root '" + png + "' && convert '" + png + "' rgba:'" + raw +
                                "' && identify -format '%w %h' '" + png + "'",
                            &size) != 0)
        return shot;
    std::istringstream(size) >> shot.width >> shot.height;
    shot.rgba = TestKit::readFile(raw);
    std::error_code error;
    std::filesystem::copy_file(png, TestKit::artefactDir() + "/" + name + ".png",
                               std::filesystem::copy_options::overwrite_existing, error);
    return shot;
}

// The screen once `shown` holds for it. The X server shows what a window
// drew a moment after it drew it (longer on a busy machine): capture again,
// pausing between (handling this process's window events by default), for at
// most about 20 seconds plus the captures' own time.
inline Screenshot captureWhen(const std::string& name, const std::function<bool(const Screenshot&)>& shown,
                       void (*pause)(int ms) = Input::wait)
{
    Screenshot shot;
    for (int attempt = 0; attempt < 100; ++attempt) {
        shot = capture(name);
        if (shot.width > 0 && shown(shot))
            break;
        pause(200);
    }
    return shot;
}

// A program started by a test, killed and reaped if a failed check leaves it running.
struct Running {
    pid_t pid = -1;
    int status = 0;
    bool exited = false;

    bool poll()
    {
        if (!exited && pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid)
            exited = true;
        return exited;
    }
    ~Running()
    {
        if (pid > 0 && !poll()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
};

} // namespace XvfbTest
