// Commands that move the cursor: to a typed time, or to the neighbouring
// section boundary of the focus object; and the preview's mid-point tests.
#include "project/edit/edit_command.h"
#include "project/edit/edit_command_steps.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"

namespace Edit {

using namespace CommandSteps;

namespace {

// The current scene's focus object when it is placed.
const Object* placedFocus(const Scene& scene)
{
    const Object* focus = scene.focusObject.get();
    return focus && focus->layer >= 0 ? focus : nullptr;
}

} // namespace

void EditCommand::moveToTime()
{
    EditService& edit = service("Edit::EditCommand::moveToTime");
    const Scene& scene = *edit.currentScene;
    int frame = scene.cursorFrame;
    if (!EditHost::get().inputFrameLength(L"指定時間に移動", frame, FrameLimit, scene.videoRate, scene.videoScale))
        return;
    edit.setCursorFrame(frame);
}

void EditCommand::moveToNextSection()
{
    EditService& edit = service("Edit::EditCommand::moveToNextSection");
    const Scene& scene = *edit.currentScene;
    const Object* object = placedFocus(scene);
    if (!object)
        return;
    const int cursor = scene.cursorFrame;
    int target;
    if (cursor < object->start) {
        target = object->start;
    } else {
        const int index = object->getSectionIndex(cursor);
        if (index < static_cast<int>(object->midPoints.size())) {
            target = object->start + object->midPoints[static_cast<size_t>(index)];
        } else {
            target = object->end;
            if (cursor == target)
                return;
        }
    }
    edit.setCursorFrame(target);
}

void EditCommand::moveToPrevSection()
{
    EditService& edit = service("Edit::EditCommand::moveToPrevSection");
    const Scene& scene = *edit.currentScene;
    const Object* object = placedFocus(scene);
    if (!object)
        return;
    const int cursor = scene.cursorFrame;
    int target;
    if (cursor > object->end) {
        target = object->end;
    } else {
        const int index = object->getSectionIndex(cursor);
        const int first = object->getSectionStart(index);
        if (first < cursor) {
            target = first;
        } else if (first == cursor && index > 0) {
            // On a section start: the start of the section before.
            target = object->getSectionStart(index - 1);
        } else {
            // At the object's start, or before it: nowhere to go.
            return;
        }
    }
    if (target != cursor)
        edit.setCursorFrame(target);
}

bool EditCommand::canAddSection(int frame)
{
    EditService& edit = service("Edit::EditCommand::canAddSection");
    return edit.currentScene->checkTargetObject(
        [frame](const std::shared_ptr<Object>& object) { return object->canAddSectionAt(frame); });
}

bool EditCommand::canDeleteSection(int frame)
{
    EditService& edit = service("Edit::EditCommand::canDeleteSection");
    return edit.currentScene->checkTargetObject([frame](const std::shared_ptr<Object>& object) {
        return object->getSectionStart(object->getSectionIndex(frame)) == frame && object->canSplitSection(frame);
    });
}

} // namespace Edit
