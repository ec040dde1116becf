#include "core/logger_service.h"

#include "core/file_name.h"
#include "core/ini_file.h"
#include "platform/os/folder.h"
#include "platform/os/process.h"
#include "core/text.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace Logger {

namespace {
bool passes(int threshold, const System::Log::Type& type)
{
    return threshold > 0 && type.level >= threshold;
}

// The program's own log names: velmora2_YYYY-MM-DD_hh-mm-ss-mmm.log
bool isOwnLogName(const std::wstring& name)
{
    static const std::wstring shape = L"velmora2_0000-00-00_00-00-00-000.log";
    if (name.size() != shape.size())
        return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == L'0' ? !std::iswdigit(name[i]) : name[i] != shape[i])
            return false;
    }
    return true;
}
} // namespace

LoggerService::LoggerService()
{
    if (System::Config::iniFile)
        section_.load(*System::Config::iniFile);
    System::Log::setOutput(&LoggerService::outputLog);
}

LoggerService::~LoggerService()
{
    System::Log::setOutput(System::Log::discardOutput);
    std::lock_guard lock(mutex);
    viewLines.clear();
    logFile.close();
}

void LoggerService::outputLog(const System::Log::Type& type, const char* place, const char* message)
{
    if (LoggerService* logger = Get())
        logger->printLog(type, place, message);
}

void LoggerService::printLog(const System::Log::Type& type, const char* place, const char* message)
{
    const uint64_t self = Platform::Os::currentThreadId();
    // A message logged by the logger's own work on this thread is dropped.
    if (ownerThread.load(std::memory_order_relaxed) == self)
        return;
    std::lock_guard lock(mutex);
    ownerThread.store(self, std::memory_order_relaxed);
    char line[1024];
    System::Log::formatLine(line, type.name, place, message);
    if (passes(debuggerLogLevel, type))
        Platform::Os::debugOutput(line);
    try {
        if (passes(viewLogLevel, type))
            pushViewLog(type, line);
        if (passes(fileLogLevel, type)) {
            if (!logFile.isOpen()) {
                std::wstring path = System::FileName::makeTimeStampFileName(L"%Log%/", L"velmora2", L"log");
                logFile.open(path.c_str(), System::File::ModeWriteShared);
                logFilePath = path;
                removeOldLogFile();
            }
            const size_t length = std::strlen(line);
            logFile.write(line, static_cast<int>(length));
            // A line cut to the buffer lost its line feed; the next line must not run into it.
            if (length == 0 || line[length - 1] != '\n')
                logFile.write("\n", 1);
        }
    } catch (const std::exception&) {
        // Logging never throws to its caller; the report's own line was dropped above.
    }
    ownerThread.store(0, std::memory_order_relaxed);
}

void LoggerService::pushViewLog(const System::Log::Type& type, const char* line)
{
    const char* p = line;
    while (*p) {
        size_t n = std::strcspn(p, "\r\n");
        if (n > 0) {
            viewLines.push_front(ViewLine{&type, std::string(p, n)});
            ++viewCounter;
        }
        p += n;
        if (*p)
            ++p;
    }
    while (viewLines.size() > static_cast<size_t>(std::max(0, maxViewLine)))
        viewLines.pop_back();
}

void LoggerService::removeOldLogFile()
{
    std::wstring folder = System::FileName::expand(L"%Log%");
    auto files = System::FileName::findFiles(folder + L"/*.log", folder.c_str());
    auto nameOf = [](const std::wstring& path) { return path.substr(path.find_last_of(L"/\\") + 1); };
    const std::wstring current = nameOf(logFilePath);
    std::vector<std::wstring> own;
    for (auto& f : files) {
        std::wstring name = nameOf(f.path);
        if (isOwnLogName(name) && name != current)
            own.push_back(f.path);
    }
    // Names carry the date and time: newest first by name. The file just opened
    // is always kept and counts among the kept ones.
    std::sort(own.begin(), own.end(), std::greater<>());
    size_t keep = maxFileNum > 1 ? static_cast<size_t>(maxFileNum - 1) : 0;
    for (size_t i = keep; i < own.size(); ++i)
        Platform::Os::removeFile(System::toLocalPath(own[i]));
}

} // namespace Logger
