#pragma once
// Script files and the script part of the effects and movements made from
// them. A file holds one script, or several sections each starting at a line
// whose first character is "@"; every section becomes one effect or movement.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Plugin { class ScriptPlugin; }

namespace Effect {

// One section of a script file: its name and its text (UTF-8).
struct ScriptSection {
    std::wstring name;
    std::string text;
};

// What an effect or movement of a script keeps of it. All instances of one
// script effect share one.
struct ScriptData {
    std::wstring name;        // the section name, which is the effect's or movement's name
    std::wstring information; // the "--information" header line
    std::wstring folder;      // folder of the script file
    std::string text;         // the section text, UTF-8
    std::shared_ptr<Plugin::ScriptPlugin> engine;
};

class ScriptFileParser {
public:
    // Reads a file and splits it into sections. ansi: the file is in the ANSI code
    // page (taken as UTF-8 when it is valid UTF-8). forceMulti: the file is a
    // collection of sections named by their "@" lines alone; a file whose base
    // name begins with "@" is one too, its sections named by their "@" line
    // followed by the base name. Any other file is one section named by its base
    // name. Never throws: a failure is logged and gives the sections found so far.
    static std::vector<ScriptSection> loadScriptFile(const std::wstring& path, bool ansi, bool forceMulti);
    // The splitting on its own, on the file's bytes.
    static std::vector<ScriptSection> splitScriptText(std::string_view bytes, bool ansi, bool multi,
                                                      const std::wstring& baseName);
    // Calls f with every header line of a script text: lines (ended by CR, LF or
    // CR LF) that begin with "--", except those inside a "--[[" block up to the
    // line holding its "]]".
    static void forEachHeaderLine(std::string_view text, const std::function<void(std::string_view line)>& f);

    // Numbers of header fields: an integer (decimal, or hexadecimal with
    // base 16, "0x" allowed) or a decimal number at the start of the field;
    // an empty field is 0. A field that holds none, or an integer beyond 32
    // bits, throws "invalid number." at place. Integers up to 0xFFFFFFFF wrap
    // to their 32-bit value (colours).
    static int readHeaderInt(std::string_view field, const char* place, int base = 10);
    static double readHeaderNumber(std::string_view field, const char* place);

    virtual ~ScriptFileParser();

    // Takes over a section at registration: its name becomes the name, its text
    // the script; folder is the script file's folder. The header may replace
    // *label ("--label", when label is given) and choose the engine ("--script",
    // else the engine named by engine; null for the default engine).
    virtual void setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                                  const char* engine) = 0;
    // Replaces the script text only, after the scripts were read again.
    virtual void reloadScriptSection(ScriptSection section) = 0;

    // Null before the script was set.
    const ScriptData* getScript() const { return script.get(); }

protected:
    ScriptFileParser() = default;
    std::shared_ptr<ScriptData> script;
};

} // namespace Effect
