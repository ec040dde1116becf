// The explorer pane's section of the main ini: the input stands as the ini
// text, the control loads its section from it and reads the stored columns.
// Whatever the text, the columns are known ones with widths of no sign, as
// many as the count says, and the section stores and loads back the same.
#include "core/config.h"
#include "core/ini_file.h"
#include "tests/fuzz/fuzz_target.h"
#include "ui/window/controls/explorer_control.h"

#include <memory>

FUZZ_TARGET(explorer_columns)
{
    auto ini = std::make_shared<System::IniFile>();
    ini->loadText(Fuzz::text(data, size), L"velmora2.ini", false, false);
    const std::shared_ptr<System::IniFile> saved = System::Config::iniFile;
    System::Config::iniFile = ini;
    const Window::Rect area{0, 0, 400, 300};
    Window::ControlContainer container(0, 0, 200, &area, &area);
    {
        Control::ExplorerControl explorer(container, "Window.explorer:1");
        int count = explorer.columnNum;
        const auto columns = Control::ExplorerControl::parseColumns(count, explorer.columnList, explorer.columnWidth,
                                                                    explorer.defaultColumns);
        if (int(columns.size()) != count || columns.empty())
            Fuzz::fail("the column count does not match the columns");
        for (const auto& c : columns) {
            int again = -1;
            if (!Control::ExplorerControl::parseColumnKey(Control::ExplorerControl::columnKey(c.column), again) ||
                again != c.column || c.width < 0)
                Fuzz::fail("an unknown column or a negative width");
        }
    }
    // The destructor stored the section: it loads back as it was.
    Control::ExplorerControl reloaded(container, "Window.explorer:1");
    System::Config::iniFile = saved;
}
