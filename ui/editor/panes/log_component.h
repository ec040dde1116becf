#pragma once
// The log pane: the newest lines of the logger's view ring, newest at the
// bottom, each in its type's colour. It polls the ring every 200 ms while it
// is shown (logging threads never touch the interface) and jumps to the
// newest lines when new ones arrived, except while the preview plays. The
// right button drags the view, the menu copies or clears the lines.
// Main thread only.
#include "core/service.h"
#include "core/sync.h"
#include "media/resource_service.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/window_client.h"

#include <functional>
#include <string>
#include <vector>

namespace System::Log { struct Type; }

namespace Component {

class LogComponent;

class LogViewControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    LogViewControl(LogComponent& owner, Window::ControlContainer& container, int top);
    ~LogViewControl() override;

    void procPaint() override;
    void procMove() override;
    // Every "<lambda...>::operator ()" of a line's place becomes "<lambda>";
    // the line is UTF-8.
    static std::wstring cleanLogText(const std::string& text);
    // One timer tick: takes the ring's new size when lines were pushed.
    void refreshTick();

    struct ShownLine {
        const System::Log::Type* type;
        std::string text;
    };

    LogComponent& owner;
    int firstLine = 0;
    int visibleLines = 1;
    int lineCount = 0;
    int lineHeight = 1;
    int lastLogCount = 0;
    bool polling = false;
    std::vector<ShownLine> shownLines;
    Sync::Timer timer;
};

class LogComponent : public System::Singleton<LogComponent>,
                     public Window::WindowClientRenderTarget,
                     public Resource::FontResource {
public:
    LogComponent();
    ~LogComponent() override;

    void procMouseDrag(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;
    void procContextMenu(int x, int y) override;
    void procPaint() override;
    void procMove() override;

    // Holds firstLine and moves the scroll bar's window to it.
    void updateScroll();
    // The ring's lines joined newest first, each cleaned and ended by CRLF.
    std::wstring copyText() const;
    void clearLog();

    Window::ControlContainer container;
    Control::TitleHeaderControl header;
    Control::ScrollBarControl scrollBar;
    LogViewControl view;
    int firstLineAtPress = 0;
};

} // namespace Component
