// A dropped older object file becomes a new scene.
#include "core/event_command.h"
#include "core/file_name.h"
#include "core/log.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/files/tso_file.h"
#include "project/model/scene.h"

#include <exception>

namespace Edit {

bool EditService::createSceneFromTso(const std::wstring& path)
{
    UpdateSection update(*this);
    const int id = project.getFreeSceneId();
    try {
        const std::shared_ptr<Scene> scene = project.getScene(id);
        ProjectConvert::loadSceneFromTso(*scene, System::FileName::expand(path.c_str()).c_str());
        update.notifyScene = true;
        update.sceneId = id;
        setCurrentScene(id);
        logCurrentScene("Edit::EditService::updateScene");
        return true;
    } catch (const std::exception& e) {
        System::Log::error("Edit::EditService::createSceneFromTso", "%s", e.what());
        project.deleteScene(id);
        Event::EventCommand command;
        command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
        command.payload = std::make_unique<Event::ErrorPayload>(L"シーンの読み込みに失敗しました");
        Event::postEventCommand(std::move(command));
        return false;
    }
}

} // namespace Edit
