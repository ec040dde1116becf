#pragma once
// A folder view inside a pane: the one native child among the drawn
// controls. It is made when it first gets a visible rectangle, kept over its
// rectangle (hidden while that is empty), tells its owner after every
// navigation which folder is shown, and keeps one set of view settings (view
// mode, icon size, sort column and direction, visible columns and their
// widths) that it captures before each navigation, applies after it, and
// stores with the pane's section of the main ini. Columns are stored by their
// property-key strings ("{B725F130-47EF-101A-A5F1-02608C9EEBAC} 10" the name,
// 4 the type, 12 the size, 14 the date modified). Main thread only.
#include "core/config.h"
#include "ui/window/window_control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Ui {
class ExplorerView;
}

namespace Control {

class ExplorerControl : public Window::WindowControl {
public:
    // Laid out as (0, ExplorerHeaderHeight, 0, 0), below the pane's header;
    // the section (the pane's own, such as "Window.explorer:1") is loaded from the main ini.
    ExplorerControl(Window::ControlContainer& container, const std::string& sectionName);
    // Stores the view settings and the section; failures are logged.
    ~ExplorerControl() override;

    void initialize();
    // Gives the view the window's style colours (background, text, selection, header).
    void applyColors();
    // Shows the folder; an empty or unusable path shows the desktop folder instead.
    bool browseToPath(const std::wstring& path);
    // Applies the stored view settings to the view (failures fall back quietly).
    void loadSetting();
    // Reads the view's settings into the section's values; throws on failure.
    void saveSetting();

    void procMove() override;
    void procPaint() override {}

    // The desktop folder: the user's desktop directory, else home.
    static std::wstring desktopPath();
    // The stored form of a column and back (false: a key the view lacks).
    static std::wstring columnKey(int column);
    static bool parseColumnKey(const std::wstring& key, int& column);
    struct Column {
        int column = 0;
        int width = 0; // 0: the view's own
    };
    // The stored columns: count keys and count widths, else (a key the view
    // lacks, a width that is no decimal number, counts that differ) the
    // defaults with no widths; count becomes the number of columns given.
    static std::vector<Column> parseColumns(int& count, const std::wstring& keys, const std::wstring& widths,
                                            const std::vector<std::wstring>& defaults);

    bool initialized = false;
    std::unique_ptr<Platform::Ui::ExplorerView> browser;
    std::function<void(ExplorerControl&)> onNavigate;
    std::vector<std::wstring> defaultColumns; // property-key strings

    std::wstring folderPath;
    int folderViewMode = 4;
    int folderIconSize = 48;
    std::wstring sortColumn;
    int sortDirection = 1;
    int columnNum = 0;
    std::wstring columnList;
    std::wstring columnWidth;

private:
    void navigationPending();
    void navigationComplete(const std::wstring& path);

    std::string sectionName_;

public:
    System::Config::Section section;

private:
    System::Config::String folderPathParameter_;
    System::Config::Int folderViewModeParameter_;
    System::Config::Int folderIconSizeParameter_;
    System::Config::String sortColumnParameter_;
    System::Config::Int sortDirectionParameter_;
    System::Config::Int columnNumParameter_;
    System::Config::String columnListParameter_;
    System::Config::String columnWidthParameter_;
};

} // namespace Control
