#pragma once
// Shared helpers of the test programs.
#include <functional>
#include <string>
#include <vector>

namespace TestKit {

// A fresh folder for this test process (removed at exit). %AppData% lives under
// it: XDG_DATA_HOME points here before the first path expansion.
const std::string& tempDir();
// Where tests put pictures and files meant for a person to look at.
std::string artefactDir();
// The folder of the test programs, which is also %AppInstall%.
std::string binDir();

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
std::vector<std::string> listFolder(const std::string& folder);

// The text of the exception f throws, or "(no error)" when it returns normally.
std::string errorText(const std::function<void()>& f);

// Runs a command with /bin/sh; returns its exit status and captures stdout.
int runCommand(const std::string& command, std::string* output = nullptr);

// Runs fn on a thread of its own and waits for it at most ms. When it does not
// finish in time (a hang), prints what and ends the test process with a failure:
// the hung thread still uses the caller's state, so the process cannot go on.
void finishWithin(int ms, const std::function<void()>& fn, const char* what);

// For a test about what a process holds when it starts: true inside a
// program of its own running just this test (the caller then checks); in any
// other process it runs that program, fails the test when it failed there, and
// returns false.
bool inFreshProcess();

// Selects the software Vulkan driver and turns the validation layer on for
// devices made after the call (GPU tests run without a graphics processor).
void useSoftwareGpu();

// Collects log lines while alive, as "TYPE|place|message".
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::vector<std::string>& lines() const { return lines_; }
    bool contains(const std::string& fragment) const;

private:
    std::vector<std::string> lines_;
};

// Collects the error reports shown to the user while alive, as UTF-8 texts (the
// exceptions shown as their text).
class ReportCapture {
public:
    ReportCapture();
    ~ReportCapture();
    const std::vector<std::string>& messages() const { return messages_; }

private:
    std::vector<std::string> messages_;
};

} // namespace TestKit
