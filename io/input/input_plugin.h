#pragma once
// A media reader of the input service: a built-in reader or the adapter of an
// input plug-in module. Its settings section "Input." + name holds the
// reader's priority among the readers of an extension and the extensions the
// user gave it in place of its filter's.
#include "core/config.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Plugin {

class InputFile;

// Held by shared pointers; a reader may hand itself to the files it opens.
class InputPlugin : public std::enable_shared_from_this<InputPlugin> {
public:
    // Bits of capability.
    static constexpr uint32_t CapabilityVideo = 1;
    static constexpr uint32_t CapabilityAudio = 2;
    static constexpr uint32_t CapabilitySetting = 4;
    static constexpr uint32_t CapabilityImage = 8;

    InputPlugin() = default;
    virtual ~InputPlugin();
    InputPlugin(const InputPlugin&) = delete;
    InputPlugin& operator=(const InputPlugin&) = delete;

    // A newly opened file (path without track prefix; track 0 .. 50), or null
    // when this reader does not take the file. Throws only for failures the
    // reader does not handle itself.
    virtual std::shared_ptr<InputFile> openFile(const std::wstring& path, int track) = 0;
    // The reader's settings dialog; the base throws "not implement.".
    virtual void showSetting(void* owner);

    // The "ext" value split at ',' as written, else the filter's patterns
    // lower-cased without "*." (a bare "*" skipped).
    std::vector<std::wstring> getExtList() const;
    // Stores the text in "ext", or nothing when it is empty or the filter's
    // own list joined with ','.
    void setExtList(const std::wstring& text);

    // Binds the "priority" (default defaultPriority) and "ext" values, loads
    // the section "Input." + the UTF-8 name and saves it when the reader goes.
    void attachConfig(int defaultPriority);

    std::wstring name;
    // Pairs of NUL-terminated texts (title, ';'-separated patterns), ended by
    // one more NUL.
    std::wstring fileFilter;
    std::wstring information; // the plug-in module's text; empty for built-in readers
    uint32_t capability = 0;

    std::string sectionName;
    int priority = 0;
    std::wstring ext;
    std::unique_ptr<System::Config::Section> section;

private:
    std::unique_ptr<System::Config::Int> priorityValue_;
    std::unique_ptr<System::Config::String> extValue_;
    std::unique_ptr<System::Config::SectionSaver> saver_;
};

} // namespace Plugin
