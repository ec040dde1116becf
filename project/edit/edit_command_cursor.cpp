// Commands that move the cursor: to a typed time, or to the neighbouring
// section boundary of the focus object; the preview's mid-point tests; and a
// new scene made from a dropped media file.
#include "core/file_name.h"
#include "core/report.h"
#include "effect/effect_base.h"
#include "effect/media_object.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/svg_document.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_command_steps.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

namespace Edit {

using namespace CommandSteps;

namespace {

constexpr const wchar_t* UnsupportedFile = L"このファイルには対応していません";

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

bool EditCommand::createSceneFromFile(const wchar_t* path)
{
    constexpr const char* Place = "Edit::EditCommand::createSceneFromFile";
    EditService& edit = service(Place);
    const std::wstring given = path ? path : L"";
    const std::wstring file = System::FileName::expand(given.c_str());
    const wchar_t* const effectName = Effect::getMediaObjectName(file.c_str());
    if (!effectName) {
        System::Report::showError(L"%s", UnsupportedFile);
        return false;
    }

    SceneSettings settings;
    settings.audioRate = edit.currentScene->audioRate;
    settings.videoRate = 1;
    settings.videoScale = 1;
    if (Media::SvgDocument::isSvgFile(file.c_str())) {
        settings.width = 256;
        settings.height = 256;
    } else {
        Plugin::InputService* input = Plugin::InputService::Get();
        const std::shared_ptr<Plugin::InputFile> media = input ? input->getAnyInputFile(file) : nullptr;
        if (!media) {
            System::Report::showError(L"%s", UnsupportedFile);
            return false;
        }
        settings.width = 32;
        settings.height = 32;
        if (media->flags & Plugin::InputFile::FlagVideo) {
            settings.width = media->width;
            settings.height = media->height;
            // A reader that gives no rate keeps 1/1 rather than a zero denominator.
            if (media->rate > 0 && media->scale > 0) {
                settings.videoRate = static_cast<int>(media->rate);
                settings.videoScale = static_cast<int>(media->scale);
            }
        }
        if ((media->flags & Plugin::InputFile::FlagAudio) && media->sampleRate > 0)
            settings.audioRate = media->sampleRate;
    }
    const std::wstring name = System::FileName::getBaseName(file);
    if (!edit.createScene(name, settings.width, settings.height, settings.videoRate, settings.videoScale,
                          settings.audioRate))
        return false;

    createObject(effectName, 0, 0, [&given](const std::shared_ptr<Object>& object, UpdateSection& update) {
        update.scene->updateLayerObject();
        Effect::ItemEvent event;
        event.code = Effect::ItemEvent::FileSet;
        event.update = &update;
        event.payload = given.c_str();
        object->sendInputItemEvent(event);
    });
    return true;
}

} // namespace Edit
