#include "ui/editor/edit_component.h"

namespace Component {

EditComponent::EditComponent()
{
    Edit::TimelineHost::install(this);
}

EditComponent::~EditComponent()
{
    Edit::TimelineHost::install(nullptr);
}

Edit::TimelineHost::TimelineView EditComponent::getTimelineView()
{
    return view_;
}

void EditComponent::setFrameSelection(int start, int end)
{
    // The scene keeps the selection; the listeners hear of it after the repaint was asked for.
    repaint();
    Edit::TimelineHost::setFrameSelection(start, end);
}

void EditComponent::mouseMove(int x, int y)
{
    view_.hasMouse = true;
    view_.mouseX = x;
    view_.mouseY = y;
}

void EditComponent::layoutObjectView(int left, int top, int right, int bottom, int layerHeight)
{
    view_.left = left;
    view_.top = top;
    view_.right = right;
    view_.bottom = bottom;
    view_.layerHeight = layerHeight;
}

void EditComponent::repaint()
{
    ++repaints;
}

} // namespace Component
