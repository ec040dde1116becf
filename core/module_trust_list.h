#pragma once
// Which script files and plug-in modules the user allowed to run. A file seen
// for the first time makes the list ask; an accepted file is remembered in
// "%AppData%/module.ini", one section per key. The list is loaded when it is
// made and written once after start-up.
#include "core/file_name.h"
#include "core/service.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace Plugin {

class ModuleTrustList : public System::Singleton<ModuleTrustList> {
public:
    struct Entry {
        int trust = 0;
        bool used = false;    // looked up since the program started
        bool changed = false; // accepted since the program started
    };

    ModuleTrustList();
    ~ModuleTrustList();
    ModuleTrustList(const ModuleTrustList&) = delete;
    ModuleTrustList& operator=(const ModuleTrustList&) = delete;

    // Empties the list and reads the file; a malformed section ends the reading.
    void loadTrustList();
    // Writes the used entries back when an entry was accepted or one was not
    // used; failures are ignored.
    void saveTrustList();

    // Whether the file may be used. The key is folder "\" fileName, or fileName
    // alone without a folder. A key not trusted yet is asked about when ask is
    // set (the answer "yes" is remembered), and refused without asking otherwise.
    bool confirmTrustModule(const std::wstring& fileName, const wchar_t* folder, bool ask = true);
    // The trust check of a script file found in the script folder or one of its
    // sub-folders (folder is the sub-folder's name).
    bool confirmTrustFile(const System::FileName::FileInfo& file, const wchar_t* folder, bool ask = true);

    // Whether the code a project file brings may run: the project is known by
    // its path (absolute) and a hash of its code. An unknown pair is asked
    // about; "yes" is remembered at once, replacing the answer for an older
    // state of the same project. Project entries stay in the file when unused.
    bool confirmTrustProject(const std::wstring& path, uint64_t codeHash);
    // The key of a project's code: the path, "|" and the hash in hexadecimal.
    static std::wstring projectKey(const std::wstring& path, uint64_t codeHash);

    // The trust prompt: true when the user chose to trust the key. Shows the
    // prompt the interface installed, else a question box.
    static bool askTrust(const std::wstring& key);
    static std::function<bool(const std::wstring& key)> prompt;

    std::map<std::wstring, Entry> entries;

private:
    std::wstring path() const;
};

} // namespace Plugin
