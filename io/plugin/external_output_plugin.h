#pragma once
// The adapter that makes an output plug-in module a writer of the output
// service: its export job hands the whole export to the module's func_output
// and answers the module's callbacks from the job's frame and sound fetching.
// Output modules stay loaded until the process ends.
#include "io/export/output_file.h"
#include "io/output/output_plugin.h"
#include "io/plugin/plugin_abi.h"

#include <string>

namespace Plugin {

class ExternalOutputPlugin : public OutputPlugin {
public:
    // Loads the module and copies its table; throws when it cannot be loaded,
    // lacks "GetOutputPluginTable" or faults in it.
    explicit ExternalOutputPlugin(const std::wstring& path);

    // Copies the table and derives name, filter, information and capability.
    void initializeExternalOutputPlugin(const OUTPUT_PLUGIN_TABLE* source);

    std::shared_ptr<OutputFile> createOutputFile() override;
    // The module's func_config with the panel's window (null headless).
    void showSetting() override;
    // func_get_config_text's text, empty without one.
    std::wstring getSettingText() override;

    std::wstring modulePath;
    void* module = nullptr;
    OUTPUT_PLUGIN_TABLE table{};
};

class ExternalOutputFile : public OutputFile {
public:
    ExternalOutputFile(const std::wstring& fileName, ExternalOutputPlugin* plugin);

    // Runs func_output with this job current for the callbacks; a fault inside
    // the module is thrown with the module's text. An export of more samples
    // than the interface's 32-bit count fails before the module is called.
    bool save() override;

    // The callbacks of OUTPUT_INFO. Nothing propagates into the module: a
    // failure gives a zero frame or no samples. Without a current job the
    // callbacks deliver nothing and report abort.
    static void* getVideo(int frame, uint32_t format);
    static void* getAudio(int start, int length, int* read, uint32_t format);
    static bool isAbort();
    static void setProgress(int done, int total);
    static void setBufferSize(int video, int audio);

    ExternalOutputPlugin* plugin;
};

} // namespace Plugin
