// Ini files (settings, projects, language files all share this reader): the text
// read as a file, then as a default file over it, every value through every
// conversion, and the text it would save read back.
#include "core/ini_file.h"
#include "tests/fuzz/fuzz_target.h"

#include <exception>

namespace {

// A conversion either gives a value or throws the format report naming the line.
template <class F>
void attempt(F&& f)
{
    try {
        f();
    } catch (const std::exception&) {
    }
}

void convertAll(System::IniFile& ini)
{
    for (const std::string& name : ini.sectionNames()) {
        for (const System::IniFile::Entry& entry : ini.getSection(name.c_str()).section()) {
            const System::IniFile::VALUE& v = entry.value;
            attempt([&] { v.toInt(); });
            attempt([&] { v.toFloat(); });
            attempt([&] { v.toDouble(); });
            attempt([&] { v.toString(); });
            attempt([&] { v.toRGBA(); });
            v.getContextText();
            for (const System::IniFile::VALUE& part : v.split(","))
                attempt([&] { part.toInt(0); });
        }
    }
}

} // namespace

FUZZ_TARGET(ini)
{
    Fuzz::Input in(data, size);
    const bool ansi = in.byte() & 1;
    System::IniFile ini;
    ini.loadText(in.restText(), L"fuzz.ini", false, ansi);
    ini.loadText(in.restText(), L"fuzz-default.ini", true, ansi);
    convertAll(ini);
    System::IniFile again;
    again.loadText(ini.toText(), L"fuzz-saved.ini", false);
    convertAll(again);
}
