#pragma once
// The timeline pane, as far as the editing commands use it: the last mouse
// position over its window, the rectangle of its object view and the height
// of one layer (paste reads them), and the scene's frame selection. While it
// lives it is the commands' timeline host. Without a window no mouse
// position is ever seen, so paste goes to the cursor.
#include "core/service.h"
#include "project/edit/edit_host.h"

namespace Component {

class EditComponent : public System::Singleton<EditComponent>, public Edit::TimelineHost {
public:
    // Installs itself as the timeline host.
    EditComponent();
    ~EditComponent();

    TimelineView getTimelineView() override;
    // Stores the selection in the current scene, repaints and fires selectFrameRangeChanged.
    void setFrameSelection(int start, int end) override;

    // The mouse moved over the window (window pixels).
    void mouseMove(int x, int y);
    // The window laid out its object view (right and bottom exclusive) and layer rows.
    void layoutObjectView(int left, int top, int right, int bottom, int layerHeight);
    // Asks the window to paint again.
    void repaint();

    int repaints = 0; // paints asked for since the pane was made

private:
    TimelineView view_;
};

} // namespace Component
