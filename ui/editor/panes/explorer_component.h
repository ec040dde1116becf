#pragma once
// The media explorer panes: a folder view with back, forward and parent
// buttons, a path field and the bookmarks, which every pane shares and the
// first pane (instance 0) reads from and writes to "%AppData%\explorer.ini".
// Main thread only.
#include "core/service.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/edit_control.h"
#include "ui/window/controls/explorer_control.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/window_client.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Component {

class ExplorerComponent : public Window::WindowClientRenderTarget {
public:
    struct Bookmark {
        std::wstring name;
        std::wstring path;
    };

    // Instance n (from 0): title "メディアエクスプローラー:n+1", section
    // "Window.explorer:n+1"; instance 0 loads the bookmarks.
    explicit ExplorerComponent(int instance);
    // Instance 0 writes the bookmarks.
    ~ExplorerComponent() override;

    // The name of the first bookmark of the folder shown, else its path.
    std::wstring getBookmarkName() const;
    void updatePathText();
    // Asks for a name and appends the folder (replacing one of that name).
    void addBookmark(const std::wstring& path);
    static void removeBookmarkIf(const std::function<bool(const Bookmark&)>& predicate);
    void showBookmarkList();
    static void loadBookmarks();
    // Through a replacement file: a failed write keeps the old file (and is logged).
    static void saveBookmarks();
    static std::wstring bookmarkFilePath();
    // The folder shown now.
    std::wstring currentPath() const;

    void procContextMenu(int x, int y) override;
    void procPaint() override;
    void procMove() override;

    // Shared by every pane.
    static inline std::vector<Bookmark> bookmarkList;

    int instance;
    std::wstring titleText;
    std::string windowId;
    Window::ControlContainer container;
    Control::IconButtonControl backButton, forwardButton, parentButton;
    Control::LayoutControl pathRow;
    Control::EditControl pathField;
    Control::IconButtonControl bookmarkButton;
    Control::ExplorerControl explorer;
    // Folders visited, for back and forward.
    std::vector<std::wstring> history;
    int historyIndex = -1;
    bool historyMove = false;

private:
    void navigate(int step);
};

// The running explorer panes, in instance order (the Display menu lists them).
std::vector<ExplorerComponent*>& explorerPanes();

// The explorer panes of the start-up: style.conf [Layout] ExplorerWindowNum
// of them (default 1), built in instance order and released in reverse.
class ExplorerPanes : public System::Singleton<ExplorerPanes> {
public:
    ExplorerPanes();
    ~ExplorerPanes();
    std::vector<std::unique_ptr<ExplorerComponent>> panes;
};

} // namespace Component
