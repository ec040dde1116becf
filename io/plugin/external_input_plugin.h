#pragma once
// An input plug-in module as a reader of the input service: the module's table
// is copied when it is loaded, and every call into the module runs inside the
// crash guard, under the module's own lock unless the module allows calls on
// several threads at once. Reads lock the input scratch buffer first, then the
// module.
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/plugin/plugin_abi.h"

#include <memory>
#include <mutex>
#include <string>

namespace Plugin {

class ExternalInputPlugin : public InputPlugin {
public:
    // Loads the module and copies its table; throws when the module cannot be
    // loaded, lacks "GetInputPluginTable", or faults in it.
    explicit ExternalInputPlugin(const std::wstring& modulePath);
    // Frees the module.
    ~ExternalInputPlugin() override;

    // Null when the module does not take the file or reports what the program
    // cannot use; a fault inside the module is thrown.
    std::shared_ptr<InputFile> openFile(const std::wstring& path, int track) override;
    // The module's settings dialog, when it has one.
    void showSetting(void* owner) override;

    // Copies the table and takes the name, filter, information and capability from it.
    void initializeExternalInputPlugin(const INPUT_PLUGIN_TABLE* source);

    class ExternalInputFile : public InputFile {
    public:
        explicit ExternalInputFile(std::shared_ptr<ExternalInputPlugin> plugin);
        // Closes the module's handle; a fault in the close is logged.
        ~ExternalInputFile() override;

        // func_open, the track selection and func_info_get; false when the file
        // cannot be used.
        bool open(const std::wstring& path, int track);
        std::shared_ptr<Media::ImageBuffer> readVideo(int frame) override;
        std::shared_ptr<Media::AudioBlockBuffer> readAudio(int block) override;
        int timeToFrame(double seconds) override;

        std::shared_ptr<ExternalInputPlugin> plugin; // keeps the module loaded
        const INPUT_PLUGIN_TABLE* table;
        INPUT_HANDLE handle = nullptr;
    };

    // Holds the module's lock, or nothing for a module that runs concurrently.
    std::unique_lock<std::mutex> lockModule();

    std::wstring modulePath;
    void* module = nullptr;
    INPUT_PLUGIN_TABLE table{};
    std::mutex moduleMutex;
};

} // namespace Plugin
