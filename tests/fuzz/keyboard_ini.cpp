// keyboard.ini: the shortcut keys the user changed. The input stands as the
// file; the manager reads it, menu shortcuts register against what it read,
// the file is written back and read again: every key read must come back.
#include "core/file_name.h"
#include "core/text.h"
#include "platform/os/file.h"
#include "platform/os/folder.h"
#include "tests/fuzz/fuzz_target.h"
#include "ui/window/shortcut_manager.h"

#include <string>

FUZZ_TARGET(keyboard_ini)
{
    const std::string path = System::toLocalPath(System::FileName::expand(L"%AppData%/keyboard.ini"));
    Platform::Os::File out;
    size_t done = 0;
    if (out.open(path, Platform::Os::OpenMode::Replace) || out.write(data, size, done) || out.close())
        return;
    Window::ShortcutManager first;
    // Names the file may hold, and the names it does hold.
    std::vector<std::wstring> names = {L"ファイル:開く", L"編集:元に戻す", L"A"};
    for (const auto& [name, code] : first.savedCodes)
        names.push_back(name);
    int defaultCode = 0x4041;
    for (const std::wstring& name : names)
        first.registerShortcut(name.c_str(), defaultCode++, [] {}, nullptr, 0);
    for (const Window::Shortcut& s : first.shortcuts)
        Window::Shortcut::getCodeName(s.code);
    first.saveShortcutFile();

    Window::ShortcutManager second;
    for (const Window::Shortcut& s : first.shortcuts) {
        auto saved = second.savedCodes.find(s.name);
        if (s.code == s.defaultCode) {
            if (saved != second.savedCodes.end() && first.savedCodes.count(s.name) == 0)
                Fuzz::fail("a key at its default was written");
            continue;
        }
        // A name given twice keeps its first code in both readings.
        if (saved == second.savedCodes.end())
            Fuzz::fail("a changed key was not written: " + System::wideToUtf8(s.name));
    }
    Platform::Os::removeFile(path);
}
