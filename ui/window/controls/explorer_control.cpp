#include "ui/window/controls/explorer_control.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/setting_service.h"
#include "platform/ui/explorer_view.h"
#include "platform/draw/resources.h"
#include "platform/ui/surface.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace Control {

using View = Platform::Ui::ExplorerView;

namespace {
constexpr const wchar_t* FormatId = L"{B725F130-47EF-101A-A5F1-02608C9EEBAC}";
// The property ids of the view's columns.
int propertyId(int column)
{
    switch (column) {
    case View::Name: return 10;
    case View::Type: return 4;
    case View::Size: return 12;
    case View::DateModified: return 14;
    default: return 0;
    }
}

std::vector<std::wstring> split(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(L',', start);
        parts.push_back(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    return parts;
}

bool parseWidth(const std::wstring& text, int& width)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9')
            return false;
    width = std::stoi(text);
    return true;
}
} // namespace

std::wstring ExplorerControl::columnKey(int column)
{
    return std::wstring(FormatId) + L" " + std::to_wstring(propertyId(column));
}

bool ExplorerControl::parseColumnKey(const std::wstring& key, int& column)
{
    for (int c = 0; c < View::ColumnCount; ++c)
        if (key == columnKey(c)) {
            column = c;
            return true;
        }
    return false;
}

std::wstring ExplorerControl::desktopPath()
{
    namespace fs = std::filesystem;
    const char* home = std::getenv("HOME");
    std::error_code error;
    if (const char* desktop = std::getenv("XDG_DESKTOP_DIR"); desktop && fs::is_directory(desktop, error))
        return fs::path(desktop).wstring();
    if (home) {
        // The user-dirs file names the desktop folder ("$HOME/..." or absolute).
        const fs::path dirs = std::getenv("XDG_CONFIG_HOME") ? fs::path(std::getenv("XDG_CONFIG_HOME")) / "user-dirs.dirs"
                                                             : fs::path(home) / ".config" / "user-dirs.dirs";
        std::string content;
        if (FILE* file = std::fopen(dirs.c_str(), "rb")) {
            char buffer[4096];
            size_t n = 0;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                content.append(buffer, n);
            std::fclose(file);
        }
        const std::string key = "XDG_DESKTOP_DIR=\"";
        if (size_t at = content.find(key); at != std::string::npos) {
            const size_t start = at + key.size(), end = content.find('"', start);
            std::string value = content.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (value.rfind("$HOME", 0) == 0)
                value = home + value.substr(5);
            if (!value.empty() && fs::is_directory(value, error))
                return fs::path(value).wstring();
        }
        if (fs::is_directory(fs::path(home) / "Desktop", error))
            return (fs::path(home) / "Desktop").wstring();
        return fs::path(home).wstring();
    }
    return L"/";
}

ExplorerControl::ExplorerControl(Window::ControlContainer& container, const std::string& name)
    : WindowControl(container, 0, Setting::Layout::ExplorerHeaderHeight, 0, 0), sectionName_(name),
      section(sectionName_.c_str()), folderPathParameter_(section, "FolderPath", &folderPath, L""),
      folderViewModeParameter_(section, "FolderViewMode", &folderViewMode, 4),
      folderIconSizeParameter_(section, "FolderIconSize", &folderIconSize, 48),
      sortColumnParameter_(section, "SortColumn", &sortColumn, L""),
      sortDirectionParameter_(section, "SortDirection", &sortDirection, 1),
      columnNumParameter_(section, "ColumnNum", &columnNum, 0),
      columnListParameter_(section, "ColumnList", &columnList, L""),
      columnWidthParameter_(section, "ColumnWidth", &columnWidth, L"")
{
    if (System::Config::iniFile)
        section.load(*System::Config::iniFile);
    defaultColumns = {columnKey(View::Name), columnKey(View::Size), columnKey(View::DateModified)};
}

ExplorerControl::~ExplorerControl()
{
    if (browser) {
        browser->onNavigationPending = nullptr;
        browser->onNavigationComplete = nullptr;
    }
    if (initialized) {
        // A destructor cannot pass a failure on: it is logged, the rest still runs.
        try {
            saveSetting();
        } catch (const std::exception& e) {
            System::Log::error("Control::ExplorerControl::~ExplorerControl", "%s", e.what());
        }
        browser.reset();
        initialized = false;
    }
    if (System::Config::iniFile)
        section.save(*System::Config::iniFile);
}

void ExplorerControl::initialize()
{
    if (initialized)
        return;
    browser.reset();
    Platform::Ui::Surface* surface = Platform::Ui::Surface::main();
    if (surface)
        browser = View::create(*surface);
    if (!browser)
        throw System::makeException("Control::ExplorerControl::initialize", "the folder view cannot be made",
                                    "no main window");
    initialized = true;
    applyColors();
    browser->onNavigationPending = [this] { navigationPending(); };
    browser->onNavigationComplete = [this](const std::wstring& path) { navigationComplete(path); };
    browseToPath(folderPath);
}

void ExplorerControl::applyColors()
{
    Window::WindowService* window = Window::WindowService::Get();
    if (!browser || !window)
        return;
    using Brushes = Window::ColorBrushList;
    auto argb = [window](int brush) -> uint32_t {
        const Platform::Draw::Color c = window->colorBrushList.solid(brush)->getColor();
        auto byte = [](float v) { return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
        return byte(c.a) << 24 | byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
    };
    browser->setColors({argb(Brushes::Background), argb(Brushes::Text), argb(Brushes::ButtonBodySelect),
                        argb(Brushes::Text), argb(Brushes::ButtonBody)});
}

bool ExplorerControl::browseToPath(const std::wstring& path)
{
    if (!browser)
        return false;
    std::wstring shown = path;
    for (wchar_t& c : shown)
        if (c == L'\\')
            c = L'/';
    if (!shown.empty() && browser->browseTo(shown))
        return true;
    return browser->browseTo(desktopPath());
}

void ExplorerControl::procMove()
{
    if (visible && visibleRect.width > 0 && visibleRect.height > 0) {
        initialize();
        if (!browser->setRect(visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                              visibleRect.y + visibleRect.height))
            throw System::makeException("Control::ExplorerControl::procMove", "explorer->SetRect failed",
                                        "the folder view is gone");
    } else if (initialized && browser) {
        browser->setRect(0, 0, 0, 0);
    }
}

void ExplorerControl::navigationPending()
{
    // The view settings follow the user from folder to folder.
    try {
        saveSetting();
    } catch (const std::exception& e) {
        System::Log::error("Control::ExplorerControl::navigationPending", "%s", e.what());
    }
}

void ExplorerControl::navigationComplete(const std::wstring& path)
{
    folderPath = path;
    if (onNavigate)
        onNavigate(*this);
    loadSetting();
}

void ExplorerControl::loadSetting()
{
    if (!browser || !browser->exists())
        return;
    browser->setViewMode(folderViewMode, folderIconSize);
    int sort = -1;
    if (!sortColumn.empty() && parseColumnKey(sortColumn, sort))
        browser->setSort(sort, sortDirection);
    else
        browser->setSort(-1, 1);
    std::vector<View::ColumnInfo> columns;
    for (const Column& c : parseColumns(columnNum, columnList, columnWidth, defaultColumns))
        columns.push_back({c.column, c.width});
    browser->setColumns(columns);
}

std::vector<ExplorerControl::Column> ExplorerControl::parseColumns(int& count, const std::wstring& keys,
                                                                   const std::wstring& widths,
                                                                   const std::vector<std::wstring>& defaults)
{
    std::vector<Column> columns;
    if (count > 0) {
        const std::vector<std::wstring> keyList = split(keys), widthList = split(widths);
        if (int(keyList.size()) == count && int(widthList.size()) == count) {
            for (size_t i = 0; i < keyList.size(); ++i) {
                Column c;
                if (!parseColumnKey(keyList[i], c.column) || !parseWidth(widthList[i], c.width)) {
                    columns.clear();
                    break;
                }
                columns.push_back(c);
            }
        }
    }
    if (columns.empty()) {
        for (const std::wstring& key : defaults) {
            Column c;
            if (parseColumnKey(key, c.column))
                columns.push_back(c);
        }
    }
    count = int(columns.size());
    return columns;
}

void ExplorerControl::saveSetting()
{
    if (!browser)
        return;
    constexpr const char* place = "Control::ExplorerControl::saveSetting";
    if (!browser->getViewMode(folderViewMode, folderIconSize))
        throw System::makeException(place, "folderView->GetViewModeAndIconSize failed", "the folder view is gone");
    int sort = -1, direction = 1;
    if (!browser->getSort(sort, direction))
        throw System::makeException(place, "folderView->GetSortColumns failed", "the folder view is gone");
    if (sort < 0) {
        sortColumn.clear();
    } else {
        sortColumn = columnKey(sort);
        sortDirection = direction;
    }
    std::vector<View::ColumnInfo> columns;
    if (!browser->getColumns(columns))
        throw System::makeException(place, "columnManager->GetColumns failed", "the folder view is gone");
    columnNum = int(columns.size());
    columnList.clear();
    columnWidth.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i) {
            columnList += L",";
            columnWidth += L",";
        }
        columnList += columnKey(columns[i].column);
        columnWidth += std::to_wstring(columns[i].width);
    }
}

} // namespace Control
