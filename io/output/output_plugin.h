#pragma once
// A writer of the output service: a built-in writer (AVI, PNG, JPEG) or the
// adapter of an output plug-in module. It makes the export job for a file the
// user chooses, and offers the panel the save-file dialog shows under its
// controls: a settings button and a line describing the current settings.
// Its settings section "Output." + name holds its place in the export menu
// ("order") and the writer's own keys.
#include "core/config.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Plugin {

class OutputFile;

// The writer's panel in the save-file dialog, as the dialog shows it.
struct SavePanel {
    static constexpr int ButtonId = 1002;  // the settings button
    static constexpr int SettingId = 1003; // the line describing the settings

    void* window = nullptr; // the panel's window: the owner of the settings dialogs (null headless)
    std::wstring buttonText;
    std::wstring settingText;
};

class OutputPlugin {
public:
    // Bits of capability.
    static constexpr uint32_t CapabilityVideo = 1;
    static constexpr uint32_t CapabilityAudio = 2;
    static constexpr uint32_t CapabilitySetting = 4; // the save dialog shows the panel

    OutputPlugin() = default;
    virtual ~OutputPlugin();
    OutputPlugin(const OutputPlugin&) = delete;
    OutputPlugin& operator=(const OutputPlugin&) = delete;

    // ---- the save dialog's panel (main thread); the dialog sets panel first ----
    // Fills the panel: the translated "設定" button and getSettingText.
    virtual void onInitDialog();
    virtual void onDestroyDialog();
    // The settings button: showSetting, then the new settings text.
    virtual void onCommandDialog(int id);

    // Shows the save dialog and makes the job for the chosen file; null when
    // the user cancelled.
    virtual std::shared_ptr<OutputFile> createOutputFile() = 0;
    // The writer's settings; the base throws "not implement.".
    virtual void showSetting();
    // One line describing the settings; the base returns the name.
    virtual std::wstring getSettingText();
    // Loads the writer's own keys from the section of that name; the base has none.
    virtual void attachConfig(const char* sectionName);

    // Binds "order" (default order), loads the section "Output." + the UTF-8
    // name, then attachConfig; the section is saved when the writer goes.
    void loadConfig(int order);
    // The save dialog with this writer's filter and name as title, and its
    // panel when it has settings; true with the chosen path.
    bool chooseFile(std::wstring& path);

    std::wstring name;
    // Pairs of NUL-terminated texts (title, ';'-separated patterns), ended by one more NUL.
    std::wstring fileFilter;
    std::wstring information; // the plug-in module's text; empty for built-in writers
    uint32_t capability = 0;
    SavePanel* panel = nullptr; // while the save dialog shows it

    std::string sectionName;
    int order = 0;

private:
    std::unique_ptr<System::Config::Section> section_;
    std::unique_ptr<System::Config::Int> orderValue_;
    std::unique_ptr<System::Config::SectionSaver> saver_;
};

// A writer's own keys in its settings section: declared with their bound
// values, loaded when attached, saved when the holder goes (declare it after
// the bound values).
class WriterSettings {
public:
    WriterSettings() = default;
    ~WriterSettings();
    WriterSettings(const WriterSettings&) = delete;
    WriterSettings& operator=(const WriterSettings&) = delete;

    void addInt(const char* key, int* bound, int defaultValue);
    void addString(const char* key, std::wstring* bound, std::wstring defaultValue);
    // Loads the keys from the section of that name of the main ini (the
    // defaults without one) and saves them there when this goes.
    void attach(const char* sectionName);

private:
    struct IntKey {
        const char* key;
        int* bound;
        int defaultValue;
    };
    struct StringKey {
        const char* key;
        std::wstring* bound;
        std::wstring defaultValue;
    };
    std::vector<IntKey> intKeys_;
    std::vector<StringKey> stringKeys_;
    std::string name_;
    std::unique_ptr<System::Config::Section> section_;
    std::vector<std::unique_ptr<System::Config::Int>> ints_;
    std::vector<std::unique_ptr<System::Config::String>> strings_;
    std::unique_ptr<System::Config::SectionSaver> saver_;
};

} // namespace Plugin
