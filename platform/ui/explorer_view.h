#pragma once
// A view of the file system placed on the main window: a native child of its
// canvas over a rectangle (an empty one hides it), showing one folder as a
// details table or as icons, a list or tiles. Navigation is the change of
// the folder shown: onNavigationPending runs before it (not before the
// first), onNavigationComplete after it (a folder opened in the view with a double click or Enter, or
// browseTo). Files dragged out of the view carry their paths as any file
// drag. Main thread only.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Ui {

class Surface;

class ExplorerView {
public:
    // The columns the view knows.
    enum Column { Name, Type, Size, DateModified, ColumnCount };
    struct ColumnInfo {
        int column = Name;
        int width = 0; // pixels; 0 keeps the view's width
    };

    // Hidden until placed; null without an application object or a canvas.
    static std::unique_ptr<ExplorerView> create(Surface& surface);
    ~ExplorerView();
    ExplorerView(const ExplorerView&) = delete;
    ExplorerView& operator=(const ExplorerView&) = delete;

    // Client pixels of the surface; an empty rectangle hides the view. False when the view is gone.
    bool setRect(int left, int top, int right, int bottom);
    bool isShown() const;
    // Whether the native view still exists (it goes with its window).
    bool exists() const;

    // Shows the folder; false (nothing changes) when it is no existing folder.
    bool browseTo(const std::wstring& path);
    std::wstring currentPath() const;
    // Opens an entry of the shown folder as a double click in the view would.
    bool open(const std::wstring& name);

    // 1 icons, 2 small icons, 3 list, 4 details, 5 thumbnails, 6 tiles, 7 strip, 8 content.
    bool setViewMode(int mode, int iconSize);
    bool getViewMode(int& mode, int& iconSize) const;
    // The sort column (-1 none) and direction (1 ascending, -1 descending).
    bool setSort(int column, int direction);
    bool getSort(int& column, int& direction) const;
    // The visible columns of the details table in order, with their widths.
    bool setColumns(const std::vector<ColumnInfo>& columns);
    bool getColumns(std::vector<ColumnInfo>& columns) const;

    // The view's colours as 0xAARRGGBB: its background, text, the selected
    // entries' background and text, and the column headers' face.
    struct Colors {
        uint32_t background = 0, text = 0, selection = 0, selectedText = 0, header = 0;
    };
    bool setColors(const Colors& colors);

    std::function<void()> onNavigationPending;
    std::function<void(const std::wstring& path)> onNavigationComplete;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    ExplorerView();
    std::unique_ptr<Impl> impl_;
};

} // namespace Platform::Ui
