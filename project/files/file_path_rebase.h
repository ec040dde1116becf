#pragma once
// Moving the file paths of effect items along with a project that was opened
// from another folder than it was saved in. It runs in three steps so that
// the question can be asked outside the project lock: find what would change,
// ask once, apply.
#include <memory>
#include <string>
#include <vector>

namespace Effect { class EffectBase; }

namespace Edit {

class Project;

struct FilePathRebase {
    struct Change {
        std::shared_ptr<Effect::EffectBase> effect;
        size_t item; // position in the effect's items
        std::wstring from;
        std::wstring to;
    };
    std::vector<Change> changes;
};

// The file items whose path lies under the folder of the project's stored path
// (compared without regard to case, "\" and "/" alike) and names no existing
// file, each with that folder replaced by the folder of newPath ("/" throughout).
FilePathRebase findFilePathRebase(const Project& project, const std::wstring& newPath);
// Stores the new paths (an item whose path changed meanwhile stays) and logs each.
void applyFilePathRebase(const FilePathRebase& rebase);
// The question to the user, translated when a language is loaded.
std::wstring filePathRebaseQuestion();
// Asks with an OK/Cancel box; true for OK.
bool confirmFilePathRebase();

} // namespace Edit
