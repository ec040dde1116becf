#pragma once
// Keyboard shortcuts. A shortcut code holds a virtual key in bits 0-11 and the
// modifiers Alt 0x1000, Shift 0x2000, Ctrl 0x4000; 0 is no key. Every shortcut
// has a name (for menu items: the menu's title, ":" and the item's text) and a
// default key; keys the user changed are kept by name in
// "%AppData%\keyboard.ini" (sections "shortcut.N" with "name" and "code").
// The router hands the manager every key press no focused control took and
// every Alt key press; it runs the menu command or the handler bound to the
// key. Main thread only.
#include "core/service.h"
#include "platform/ui/menu.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Window {

struct Shortcut {
    std::wstring name;
    int code = 0;
    int defaultCode = 0;
    std::function<void()> handler; // runs when the shortcut is bound to no menu item
    Platform::Ui::MenuHandle menu = nullptr;
    int commandId = 0;

    static constexpr int Alt = 0x1000;
    static constexpr int Shift = 0x2000;
    static constexpr int Ctrl = 0x4000;

    // "Ctrl+", "Shift+", "Alt+" and the key's name; "" for 0 and, with a
    // WARN line, for a key without a name.
    static std::wstring getCodeName(int code);
    // The key names: the built-in table, then the section "KeyCode" of system.conf.
    using KeyNameTable = std::unordered_map<int, const wchar_t*>;
    static KeyNameTable& keyNameTable();
};

class ShortcutManager : public System::Singleton<ShortcutManager> {
public:
    // FNV-1a over the name's UTF-16 code units.
    struct NameHash {
        size_t operator()(const std::wstring& name) const;
    };

    ShortcutManager();
    ~ShortcutManager();
    ShortcutManager(const ShortcutManager&) = delete;
    ShortcutManager& operator=(const ShortcutManager&) = delete;

    // Reads keyboard.ini into savedCodes; a broken section ends the reading.
    void loadShortcutFile();
    // Writes keyboard.ini: every shortcut whose key is not its default.
    void saveShortcutFile();
    // Adds a shortcut: the key saved under its name, else the default unless an
    // earlier shortcut holds it. A menu item's text shows the key's name after a tab.
    void registerShortcut(const wchar_t* name, int defaultCode, std::function<void()> handler,
                          Platform::Ui::MenuHandle menu, int commandId);
    Shortcut* findByCode(int code);
    // Runs the shortcut of a key press with the modifiers held now; true when one ran.
    bool procShortcutKey(int virtualKey);
    // The default key of the shortcut on the key pressed with the modifiers held now, or 0.
    int getCommandCode(int virtualKey);
    void removeShortcuts(const std::function<bool(const Shortcut&)>& predicate);
    // The code of a key with the modifiers held now.
    static int currentCode(int virtualKey);

    // Runs a menu item's command (the main window's command map); set by the window service.
    std::function<void(int commandId)> runCommand;
    // Whether an edit is recording an undo step (no shortcut runs then); set by the entry.
    std::function<bool()> isRecording;

    std::vector<Shortcut> shortcuts;
    std::unordered_map<std::wstring, int, NameHash> savedCodes;

private:
    void addKeyNames();
};

} // namespace Window
