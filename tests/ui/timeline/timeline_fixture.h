#pragma once
// The timeline's view state and object editing on the command fixture's
// project, without a window: a 1000 x 400 panel (an object view of 860 x 348
// pixels, 14 rows of 26), zoom 10000 (a pixel a frame) from frame 0.
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"
#include "ui/editor/timeline/layer_object_editor.h"
#include "ui/editor/timeline/timeline_settings.h"
#include "ui/editor/timeline/timeline_view_state.h"

namespace TimelineTest {

using Mode = Component::LayerObjectEditor::DragMode;
using Part = Component::LayerObjectEditor::HoverPart;

class TimelineFixture : public EditTest::CommandFixture {
protected:
    TimelineFixture() : view(edit()), editor(view, settings)
    {
        view.setClientSize(1000, 400);
        view.redraw = [this](unsigned what, int layer) { redraws.push_back({what, layer}); };
        view.isShiftDown = [this] { return shift; };
        view.updateView(-1);
    }

    // Hovers the object at the pointer's x (as the view does on a move) and selects it.
    void hoverAndSelect(const std::shared_ptr<Edit::Object>& object, int x)
    {
        editor.hoverObject = object;
        editor.hoverPart = editor.getHoverPart(*object, x, editor.hoverIndex);
        scene().selection.addObject(object, scene());
    }
    // A whole drag: press at (x, y) over the object, steps to each x, release.
    void drag(const std::shared_ptr<Edit::Object>& object, Mode mode, int x, int y, std::initializer_list<int> to,
              bool withShift = false)
    {
        hoverAndSelect(object, x);
        editor.beginEditDrag(mode, x, y, withShift);
        for (int step : to) {
            if (mode == Mode::MoveObject)
                editor.dragMove(step, y, withShift);
            else
                editor.dragEdit(step);
        }
        editor.finishEditDrag();
        scene().selection.clear();
    }
    int row(int layer) { return (layer - scene().displayLayer) * 26 + 10; }
    size_t undoSteps() { return history().steps.size(); }

    Component::TimelineSettings settings;
    Component::TimelineViewState view;
    Component::LayerObjectEditor editor;
    std::vector<std::pair<unsigned, int>> redraws;
    bool shift = false;
};

} // namespace TimelineTest
