// The object and effect sections of the project file.
#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_service.h"
#include "project/files/project_file_lines.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"

#include <cerrno>
#include <cstdlib>

namespace Edit {

using namespace ProjectFileLines;

namespace {

constexpr const char* LoadPlace = "Edit::LayerObjectManager::loadObjectIniFile";

} // namespace

std::vector<int> ProjectFileLines::parseFrameList(const std::string& text, const std::string& section, const char* place)
{
    auto invalid = [&](const char* message) {
        throw System::makeException(place, message, ("section=" + section).c_str());
    };
    const std::vector<std::string> parts = System::splitComma(text);
    if (parts.size() < 2)
        invalid("not enough frame number list.");
    std::vector<int> frames;
    frames.reserve(parts.size());
    for (const std::string& part : parts) {
        const char* begin = part.c_str();
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(begin, &end, 10);
        if (end == begin || *end != '\0' || errno == ERANGE || v < 0 || v > FrameLimit)
            invalid("invalid frame number list.");
        frames.push_back(static_cast<int>(v));
    }
    if (frames.back() < frames.front())
        invalid("invalid frame number list.");
    return frames;
}

void LayerObjectManager::saveObjectIniFile(System::File& file, const Object& object, int section, int sceneId,
                                           bool focus, GroupNumbers& groups) const
{
    const std::string name = std::to_string(section);
    writeSection(file, name);
    writeInt(file, "layer", object.layer);
    if (sceneId != 0)
        writeInt(file, "scene", sceneId);
    if (focus)
        writeValue(file, "focus", "1");
    std::string frames = std::to_string(object.start);
    for (int offset : object.midPoints) {
        frames += ',';
        frames += std::to_string(static_cast<long long>(object.start) + offset);
    }
    frames += ',';
    frames += std::to_string(object.end);
    writeValue(file, "frame", frames);
    if (!object.camera)
        writeValue(file, "camera", "0");
    if (object.clipping)
        writeValue(file, "clipping", "1");
    if (object.group) {
        auto [it, added] = groups.numbers.emplace(object.group.get(), groups.next);
        if (added)
            ++groups.next;
        writeInt(file, "group", it->second);
    }
    for (size_t e = 0; e < object.effects.size(); ++e) {
        writeSection(file, name + "." + std::to_string(e));
        Effect::EffectBase::saveIniSectionParameter(*object.effects[e], file);
    }
}

std::shared_ptr<Object> LayerObjectManager::loadObjectIniFile(Project& project, System::IniFile& ini, int section,
                                                              GroupNumbers& groups)
{
    const std::string name = std::to_string(section);
    const System::IniFile::SectionRef values = ini.getSection(name.c_str());
    const int sceneId = values.findValue("scene").toInt(0);
    const int layer = values.getValue("layer").toInt();
    if (layer < 0 || layer >= LayerLimit)
        throw System::makeException(LoadPlace, "invalid layer number.", ("section=" + name).c_str());
    const std::vector<int> frames = parseFrameList(values.getValue("frame").text, name, LoadPlace);

    // Only a scene the file declares (or the root) takes objects.
    const auto found = project.scenes.find(sceneId);
    if (found == project.scenes.end())
        throw System::makeException(LoadPlace, "undefined scene.",
                                    ("section=" + name + " scene=" + std::to_string(sceneId)).c_str());
    const std::shared_ptr<Scene> scene = found->second;
    const std::shared_ptr<Object> object = scene->addObject(layer, frames.front(), frames.back());
    try {
        object->camera = values.findValue("camera").toInt(1) != 0;
        object->clipping = values.findValue("clipping").toInt(0) != 0;
        for (size_t i = 1; i + 1 < frames.size(); ++i) {
            if (!object->canAddSectionAt(frames[i]))
                throw System::makeException(LoadPlace, "invalid frame number list.", ("section=" + name).c_str());
            object->addMidPoint(frames[i]);
        }
        if (const int number = values.findValue("group").toInt(0)) {
            std::shared_ptr<Group>& group = groups.groups[number];
            if (!group)
                group = std::make_shared<Group>();
            object->group = group;
            group->members.insert(object.get());
        }
        object->loadEffectIniFile(ini, name.c_str());
        if (values.findValue("focus").toInt(0) != 0)
            scene->focusObject = object;
    } catch (...) {
        if (object->group) {
            object->group->members.erase(object.get());
            object->group.reset();
        }
        scene->layers.at(layer).removeObject(object.get());
        object->layer = -1;
        throw;
    }
    return object;
}

void Object::loadEffectIniFile(System::IniFile& ini, const char* section)
{
    int index = 0;
    for (;; ++index) {
        const System::IniFile::SectionRef values = ini.getNumberedSection(section, index);
        if (values.section().size() == 0)
            break;
        const std::wstring name = values.getValue("effect.name").toString();
        Effect::EffectDefine& define = registry().findEffect(name.c_str());
        // Only the first section holds an input: a later one would replace it
        // under an output and filters made for the first one's media.
        if (index > 0 && define.getEffectType() == Effect::EffectType::Input)
            throw System::makeException("Edit::Object::loadEffectIniFile", "different effect type.", section);
        EffectPtr* slot = setEffectByDefine(define);
        Effect::EffectBase::loadIniSectionParameter(**slot, values);
    }
    if (index == 0)
        throw System::makeException("Edit::Object::loadEffectIniFile", "no effect defined.", section);
    // Effects the chain added on its own (an input's output) are sized as well.
    for (const EffectPtr& effect : effects)
        Effect::setEffectItemValueNum(*effect, static_cast<int>(midPoints.size()) + 1);
}

} // namespace Edit
