#pragma once
// Code that comes with a project file: text blocks ("<? ?>") of text objects,
// the script of the script-control filter and Lua expressions in script
// parameters. Such code runs with the program's rights, so a project read from
// a file runs none of it until the user allowed it: the first load of a
// project holding code asks once, and the answer is remembered by the
// project's path and a hash of its code (a changed project asks again). Code
// the user typed in this session, which is not among the code the project
// brought, always runs.
#include <cstdint>
#include <string>
#include <vector>

namespace Edit {
class Object;
class Project;
} // namespace Edit

namespace Effect {

class EffectBase;

class ScriptTrust {
public:
    // Notes the code of a project just read from path and, when it holds any
    // that is not trusted yet, asks the user (main thread, no project lock).
    static void projectLoaded(const Edit::Project& project, const std::wstring& path);
    // Whether code of object may run. Refused code is logged once per object
    // (WARN "project code not allowed" at place). Any thread.
    static bool allows(const std::wstring& code, const Edit::Object* object, const char* place);
    // The code an effect carries: the texts of its blocks, its typed script,
    // and expression values that differ from its script's own.
    static void collectCode(const EffectBase& effect, std::vector<std::wstring>& code);
    // The hash the answer is remembered by: of every piece, in order.
    static uint64_t hashCode(const std::vector<std::wstring>& code);
    // Forgets the loaded project's code (a new or closed project).
    static void reset();
};

} // namespace Effect
