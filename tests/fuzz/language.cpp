// Language files: the five tables filled from the file's sections, then every
// key looked up again.
#include "core/ini_file.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "tests/fuzz/fuzz_target.h"

FUZZ_TARGET(language)
{
    System::IniFile ini;
    ini.loadText(Fuzz::text(data, size), L"fuzz.vml2", false);
    Translate::TranslateTable table;
    for (const char* section : {"Effect", "Message", "Menu", "Dialog", "Name"}) {
        table.load(ini, section);
        for (const System::IniFile::Entry& entry : ini.getSection(section).section())
            table.translate(System::utf8ToWide(entry.key).c_str());
    }
    table.translate(nullptr);
}
