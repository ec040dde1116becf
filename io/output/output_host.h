#pragma once
// What the output service and its writers ask of the user interface above
// them: the save dialog with a writer's panel, the writers' settings dialogs,
// the lock of the main window's input during an export, its footer and the
// notification-area balloon. The interface installs its implementation at
// start-up (ui/); until then the defaults act as a program without a person:
// dialogs log their title and cancel, and the window state is only logged.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Plugin {

class OutputPlugin;

class OutputHost {
public:
    // The user-input messages the export's cancel filter looks at, numbered as
    // the window framework numbers them.
    static constexpr uint32_t MessageClose = 0x0010;
    static constexpr uint32_t MessageKeyDown = 0x0100;
    static constexpr uintptr_t KeyEscape = 0x1B;

    // Offered every user-input message while input is locked (the message is
    // dropped after); true when the filter handled it.
    using InputFilter = std::function<bool(uint32_t message, uintptr_t wParam)>;

    struct MenuChoice {
        std::wstring text; // translated through the "Menu" table when shown
        bool checked = false;
    };

    OutputHost() = default;
    virtual ~OutputHost();
    OutputHost(const OutputHost&) = delete;
    OutputHost& operator=(const OutputHost&) = delete;

    // The installed host, or the default one.
    static OutputHost& get();
    // Texts shown to the user, translated through a table of the language
    // file when one is loaded.
    enum class Table { Message, Menu, Dialog };
    static std::wstring translate(Table table, const wchar_t* text);
    // Installs a host that the caller keeps alive until it installs null.
    static void install(OutputHost* host);

    // ---- dialogs (main thread) ----
    // The save-file dialog over the filter under the title, with the writer's
    // panel when writer is given; true with the chosen path.
    virtual bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const std::wstring& title,
                                    OutputPlugin* writer);
    // The AVI settings: the video and audio type names; true for OK with them chosen.
    virtual bool showAviFileSaveDialog(void* owner, std::wstring& videoType, std::wstring& audioType);
    // One integer row labelled label under the title; true for OK with the value.
    virtual bool inputInteger(void* owner, const std::wstring& title, const std::wstring& label, int& value,
                              int minimum, int maximum);
    // A popup menu of radio items at the mouse cursor: the index chosen, -1 for none.
    virtual int showRadioMenu(const std::vector<MenuChoice>& items);

    // ---- the main window ----
    // Locks (false) or unlocks the user's input; while locked every input
    // message is offered to the filter and dropped.
    virtual void setInputEnable(bool enable, InputFilter filter);
    virtual void setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress);
    // Shows the program's notification-area icon with an information balloon
    // (an earlier one removed first), removed again after 5 seconds and at exit.
    virtual void showNotify(const std::wstring& title, const std::wstring& text);
    virtual void removeNotifyIcon();
};

} // namespace Plugin
