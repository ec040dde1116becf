#pragma once
// The logger service: turns every log message into one line and sends it, each
// with its own level threshold, to the debugger output, the ring of lines shown
// by the log window and a dated log file under %Log%.
#include "core/config.h"
#include "core/file.h"
#include "core/log.h"
#include "core/service.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

namespace Logger {

class LoggerService : public System::Singleton<LoggerService> {
public:
    struct ViewLine {
        const System::Log::Type* type;
        std::string text;
    };

    LoggerService();
    ~LoggerService();

    static void outputLog(const System::Log::Type& type, const char* place, const char* message);
    void printLog(const System::Log::Type& type, const char* place, const char* message);
    void pushViewLog(const System::Log::Type& type, const char* line);
    void removeOldLogFile();

private:
    System::Config::Section section_{"Logger"};

public:
    int maxViewLine = 200;
    int maxFileNum = 5;
    int viewLogLevel = 2;
    int fileLogLevel = 4;
    int debuggerLogLevel = 0;

private:
    System::Config::Int maxViewLineParameter_{section_, "MaxViewLine", &maxViewLine, 200};
    System::Config::Int maxFileNumParameter_{section_, "MaxFileNum", &maxFileNum, 5};
    System::Config::Int viewLogLevelParameter_{section_, "ViewLogLevel", &viewLogLevel, 2};
    System::Config::Int fileLogLevelParameter_{section_, "FileLogLevel", &fileLogLevel, 4};
    System::Config::Int debuggerLogLevelParameter_{section_, "DebuggerLogLevel", &debuggerLogLevel, 0};
    System::Config::SectionSaver saver_{&section_};

public:
    System::File logFile;
    std::wstring logFilePath; // the file opened in this run, empty until then
    std::deque<ViewLine> viewLines; // newest first
    std::mutex mutex;
    int viewCounter = 1;
    std::atomic<uint64_t> ownerThread{0};
};

} // namespace Logger
