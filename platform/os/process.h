#pragma once
// Process, thread and machine facts.
#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Os {

// Full path of the running executable (UTF-8), empty when it cannot be read.
std::string executablePath();
// The arguments the process was started with, the program first (UTF-8).
// Returns errno (0 = success).
int commandLineArguments(std::vector<std::string>& out);
// The per-user data home: $XDG_DATA_HOME, else ~/.local/share.
std::string userDataHome();

uint64_t currentThreadId(); // never 0
void setCurrentThreadName(const std::string& name);
// Nice value change of the calling thread; priority > 0 raises it. errno result.
int setCurrentThreadPriority(int priority);

// The primary language of the user's interface, lower case ("ja", "en"), from
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG; empty for the "C" and "POSIX" locales.
std::string userInterfaceLanguage();

// Installed physical memory in KiB; 0 when unknown.
uint64_t installedMemoryKiB();

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime localTime();

// Text of an errno value.
std::string errorText(int error);
// Writes to the debugger output, which is standard error here.
void debugOutput(const char* text);

} // namespace Platform::Os
