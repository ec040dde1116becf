#pragma once
// The output service: owns the writers (the built-in AVI, PNG and JPEG writers
// and one adapter per output plug-in module) and runs one export at a time.
// An export starts on the main thread with a writer's index: the writer asks
// for the file and makes the job, the job's save runs on "OutputFileWorker",
// the user's input is locked (Close and Escape ask whether to cancel) and the
// footer shows the progress every 500 ms; the worker's end reaches the main
// thread as event command OutputFileEnd, which ends the export there.
#include "core/service.h"
#include "core/sync.h"
#include "core/worker_thread.h"
#include "io/export/output_file.h"
#include "render/cache/cache_key.h"
#include "render/cache/pre_load_cache.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace Media { struct AudioBuffer; }

namespace Plugin {

class ModuleTrustList;
class OutputPlugin;

class OutputService : public System::Singleton<OutputService> {
public:
    // Registers the AVI, PNG and JPEG writers.
    OutputService();
    // Waits for a running export's worker, then stops the caches.
    ~OutputService();
    OutputService(const OutputService&) = delete;
    OutputService& operator=(const OutputService&) = delete;

    // Registers a writer made by create, with its settings section; a failure
    // is reported to the user with typeName and the writer is left out.
    void registerPlugin(const char* typeName, const std::function<std::shared_ptr<OutputPlugin>()>& create);
    template <class Writer>
    void registerPlugin()
    {
        registerPlugin(typeName(typeid(Writer)).c_str(), [] { return std::make_shared<Writer>(); });
    }
    // Registers the output plug-in module at the path.
    void registerPlugin(const std::wstring& modulePath);

    // Starts an export through the writer at the index (main thread); nothing
    // while one runs or when the user cancels the dialog. A bad index throws
    // "not found output plugin.".
    void outputFile(int index);
    // Ends the running export (main thread, from OutputFileEnd).
    void outputFileEnd();
    // Offered every input message while an export locks the input: Close and
    // Escape ask once per press whether to cancel. Never handles the message.
    bool cancelFilter(uint32_t message, uintptr_t wParam);

    // Whether an export runs (any thread).
    static bool isExporting() { return exporting_.load(); }

    ModuleTrustList* trustList = nullptr;
    int registrationCount = 0;
    std::vector<std::shared_ptr<OutputPlugin>> writers;
    Worker::WorkerThread worker{"OutputFileWorker"};
    std::shared_ptr<OutputFile> current; // the running export
    Sync::Timer timer;                   // the progress every 500 ms
    ExportFrameCache frameCache;
    ExportAudioCache audioCache;

private:
    static std::string typeName(const std::type_info& type);

    static inline std::atomic<bool> exporting_{false};
    bool timerWatched_ = false;
};

} // namespace Plugin
