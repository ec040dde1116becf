// The older object file: header, objects, groups, chains and effects.
#include "project/files/tso_file.h"

#include "core/event_command.h"
#include "core/failure.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_service.h"
#include "effect/effect_types.h"
#include "project/files/tso_convert.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <exception>
#include <string>

namespace Edit {

namespace {

constexpr const char* ImportPlace = "Edit::ProjectConvert::loadSceneFromTso";
constexpr const char* ObjectPlace = "Edit::LayerObjectManager::loadObjectTsoFile";

void postError(const wchar_t* message)
{
    Event::EventCommand command;
    command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
    command.payload = std::make_unique<Event::ErrorPayload>(message);
    Event::postEventCommand(std::move(command));
}

bool present(const System::IniFile::SectionRef& section)
{
    return section.section().size() != 0;
}

void leaveGroup(Object& object)
{
    if (object.group)
        object.group->members.erase(&object);
    object.group.reset();
}

} // namespace

void Scene::loadSceneTsoFile(System::IniFile& ini, const std::wstring& fileName)
{
    const System::IniFile::SectionRef header = ini.getSection("tessel");
    const int w = header.getValue("width").toInt();
    const int h = header.getValue("height").toInt();
    const int rate = header.getValue("rate").toInt();
    const int scale = header.getValue("scale").toInt();
    const int audio = header.findValue("audio_rate").toInt(48000);
    // A size or rate the renderer cannot use (a scale of 0 divides by zero) refuses the file.
    checkSceneFormat("Edit::Scene::loadSceneTsoFile", w, h, rate, scale, audio);
    width = w;
    height = h;
    videoRate = rate;
    videoScale = scale;
    audioRate = audio;
    name = fileName.empty() ? getDefaultName(id) : fileName;
}

std::shared_ptr<Object> LayerObjectManager::loadObjectTsoFile(Scene& scene, System::IniFile& ini, int section,
                                                              GroupNumbers& groups)
{
    const std::string name = std::to_string(section);
    const System::IniFile::SectionRef values = ini.getSection(name.c_str());
    const int layer = values.getValue("layer").toInt();
    const int start = values.getValue("start").toInt();
    const int end = values.getValue("end").toInt();
    const int group = values.findValue("group").toInt(0);
    // Layers and frames count from 1 in the file.
    if (layer < 1 || layer > LayerLimit)
        throw System::makeException(ObjectPlace, "invalid layer number.", ("section=" + name).c_str());
    if (end < start || start < 1 || end - 1 > FrameLimit)
        throw System::makeException(ObjectPlace, "invalid frame number list.", ("section=" + name).c_str());

    const std::shared_ptr<Object> object = scene.addObject(layer - 1, start - 1, end - 1);
    try {
        if (group != 0) {
            std::shared_ptr<Group>& shared = groups.groups[group];
            if (!shared)
                shared = std::make_shared<Group>();
            object->group = shared;
            shared->members.insert(object.get());
        }
        object->loadEffectTsoFile(ini, name.c_str());
        if (object->layerControl)
            scene.layers.at(layer - 1).needRangeUpdate = true;
    } catch (...) {
        leaveGroup(*object);
        scene.layers.at(layer - 1).removeObject(object.get());
        object->layer = -1;
        throw;
    }
    return object;
}

void Object::loadEffectTsoFile(System::IniFile& ini, const char* section)
{
    const System::IniFile::SectionRef values = ini.getSection(section);
    camera = values.findValue("camera").toInt(1) != 0;
    const int overlay = values.findValue("overlay").toInt(0);
    int index = 0;
    for (;; ++index) {
        const System::IniFile::SectionRef effectSection = ini.getNumberedSection(section, index);
        if (!present(effectSection))
            break;
        const std::wstring name = convertTsoEffectName(effectSection);
        Effect::EffectDefine& define = registry().findOldEffect(name.c_str());
        // A file object that begins with a filter is taken only when the file
        // marks it as one over the layers below (overlay), or for camera filters.
        if (index == 0 && overlay == 0 && define.getEffectType() == Effect::EffectType::Filter &&
            define.getMediaType() != Effect::MediaType::Camera)
            throw System::makeException("Edit::Object::loadEffectTsoFile", "filter object not support", section);
        EffectPtr* slot = setEffectByDefine(define);
        Effect::EffectBase::loadTsoSectionParameter(**slot, effectSection);
    }
    if (index == 0)
        throw System::makeException("Edit::Object::loadEffectTsoFile", "no effect defined.", section);
    for (const EffectPtr& effect : effects)
        Effect::setEffectItemValueNum(*effect, static_cast<int>(midPoints.size()) + 1);
}

int ProjectConvert::loadSceneFromTso(Scene& scene, const wchar_t* path)
{
    System::IniFile ini;
    ini.loadFile(path, false, true);
    return loadScene(scene, ini, path);
}

int ProjectConvert::loadSceneFromTsoText(Scene& scene, std::string_view bytes, const wchar_t* path)
{
    System::IniFile ini;
    ini.loadText(bytes, path, false, true);
    return loadScene(scene, ini, path);
}

int ProjectConvert::loadScene(Scene& scene, System::IniFile& ini, const wchar_t* path)
{
    if (!present(ini.getSection("tessel")))
        throw System::makeFormatException(ImportPlace, "tessel section not found", L"%s", path);
    scene.loadSceneTsoFile(ini, System::FileName::getBaseName(path));

    GroupNumbers groups;
    std::shared_ptr<Object> previous;
    int failed = 0;
    for (int n = 0;; ++n) {
        const std::string name = std::to_string(n);
        const System::IniFile::SectionRef values = ini.getSection(name.c_str());
        if (!present(values))
            break;
        try {
            const int chain = values.findValue("chain").toInt(0);
            const std::shared_ptr<Object> object = LayerObjectManager::loadObjectTsoFile(scene, ini, n, groups);
            if (chain != 0 && previous && object->joinWith(*previous)) {
                // The run continues in the previous object, which got a mid point at the seam.
                leaveGroup(*object);
                scene.removeObject(*object);
            } else {
                previous = object;
            }
        } catch (const std::exception& e) {
            ++failed;
            System::Log::warn(ImportPlace, "failed to load object [%d]\n%s", n, e.what());
        }
    }
    scene.updateLayerObject();
    if (failed > 0)
        postError(L"一部のオブジェクトの読み込みに失敗しました");
    return failed;
}

} // namespace Edit
