// Alias files: the writers of the three save commands and the readers that
// place an alias into a scene or an object.
#include "project/files/alias_file.h"

#include "core/failure.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "project/files/project_file_lines.h"
#include "project/model/object.h"
#include "project/model/object_list.h"
#include "project/model/scene.h"

#include <algorithm>

namespace Edit {

using namespace ProjectFileLines;

namespace {

constexpr const char* ObjectSection = "Object";

std::string frameList(const Object& object)
{
    std::string frames = std::to_string(object.start);
    for (int offset : object.midPoints) {
        frames += ',';
        frames += std::to_string(static_cast<long long>(object.start) + offset);
    }
    frames += ',';
    frames += std::to_string(object.end);
    return frames;
}

void writeFlags(System::File& file, const Object& object)
{
    if (!object.camera)
        writeValue(file, "camera", "0");
    if (object.clipping)
        writeValue(file, "clipping", "1");
}

void writeEffects(System::File& file, const Object& object, const std::string& section)
{
    for (size_t e = 0; e < object.effects.size(); ++e) {
        writeSection(file, section + "." + std::to_string(e));
        Effect::EffectBase::saveIniSectionParameter(*object.effects[e], file);
    }
}

bool present(const System::IniFile::SectionRef& section)
{
    return section.section().size() != 0;
}

// Takes the object off its layer again after a failed read.
void unplace(Scene& scene, const std::shared_ptr<Object>& object)
{
    if (object->layer >= 0 && object->layer < scene.layerCount())
        scene.layers.at(object->layer).removeObject(object.get());
    object->layer = -1;
}

// The range [start, end] on the layer moved behind the objects that cover its
// start and cut before the next object.
void fitRange(const Scene& scene, int layer, long long& start, long long& end, const char* place)
{
    const LayerObjectList& list = scene.getLayer(layer);
    for (auto it = list.lowerBoundEnd(static_cast<int>(start)); it != list.objects.end(); ++it) {
        const Object& object = **it;
        if (object.layer != layer || object.end < start)
            continue; // leaving the layer
        if (object.start > start) {
            end = std::min<long long>(end, static_cast<long long>(object.start) - 1);
            break;
        }
        const long long shift = static_cast<long long>(object.end) + 1 - start;
        start += shift;
        end += shift;
    }
    if (end < start || start > FrameLimit)
        throw System::makeException(place, "invalid frame number list.", nullptr);
    end = std::min<long long>(end, FrameLimit);
}

} // namespace

// ---- names and writers ----

bool AliasFile::isValidName(const std::wstring& name)
{
    return !name.empty() && name.find_first_of(L"/\\") == std::wstring::npos && name.find(L"..") == std::wstring::npos;
}

std::wstring AliasFile::makePath(const std::wstring& name, const wchar_t* extension)
{
    return System::FileName::expand((L"%Alias%/" + name + L"." + extension).c_str());
}

void AliasFile::writeObjects(System::File& file, const std::vector<std::shared_ptr<Object>>& objects)
{
    if (objects.size() == 1) {
        const Object& object = *objects.front();
        writeSection(file, ObjectSection);
        writeValue(file, "frame", frameList(object));
        writeFlags(file, object);
        writeEffects(file, object, ObjectSection);
        return;
    }
    for (size_t n = 0; n < objects.size(); ++n) {
        const Object& object = *objects[n];
        const std::string section = std::to_string(n);
        writeSection(file, section);
        writeInt(file, "layer", object.layer);
        writeValue(file, "frame", frameList(object));
        writeFlags(file, object);
        writeEffects(file, object, section);
    }
}

void AliasFile::writeObject(System::File& file, const Object& object)
{
    writeSection(file, ObjectSection);
    writeFlags(file, object);
    writeEffects(file, object, ObjectSection);
}

void AliasFile::writeEffect(System::File& file, const Effect::EffectBase& effect)
{
    writeSection(file, "Effect.0");
    Effect::EffectBase::saveIniSectionParameter(effect, file);
}

// ---- readers ----

std::shared_ptr<Object> LayerObjectManager::loadObjectAliasFile(Scene& scene, System::IniFile& ini, int layer,
                                                                int start, int end)
{
    constexpr const char* Place = "Edit::LayerObjectManager::loadObjectAliasFile";
    const System::IniFile::SectionRef values = ini.getSection(ObjectSection);
    // Saved from the settings window with the default flags, the section has
    // no keys: its effect sections make it an object all the same.
    if (!present(values) && !present(ini.getNumberedSection(ObjectSection, 0)))
        throw System::makeException(Place, "no object section.", nullptr);
    if (start < 0 || start > FrameLimit)
        throw System::makeException(Place, "invalid frame number list.", nullptr);

    std::vector<int> frames;
    const std::string& list = values.findValue("frame").text;
    if (list.find(',') != std::string::npos)
        frames = parseFrameList(list, ObjectSection, Place);
    long long first = start;
    long long last = end;
    if (frames.size() >= 2)
        last = first + std::max(frames.back() - frames.front(), 1);

    scene.ensureLayer(layer);
    fitRange(scene, layer, first, last, Place);
    const std::shared_ptr<Object> object = scene.addObject(layer, static_cast<int>(first), static_cast<int>(last));
    try {
        object->camera = values.findValue("camera").toInt(1) != 0;
        object->clipping = values.findValue("clipping").toInt(0) != 0;
        for (size_t i = 1; i + 1 < frames.size(); ++i) {
            const long long frame = first + (frames[i] - frames.front());
            if (frame > FrameLimit || !object->canAddSectionAt(static_cast<int>(frame)))
                throw System::makeException(Place, "invalid frame number list.", nullptr);
            object->addMidPoint(static_cast<int>(frame));
        }
        object->loadEffectIniFile(ini, ObjectSection);
        if (object->layerControl)
            scene.layers.at(layer).needRangeUpdate = true;
    } catch (...) {
        unplace(scene, object);
        throw;
    }
    return object;
}

std::shared_ptr<Object> LayerObjectManager::loadObjectAliasFileEffect(Scene& scene, System::IniFile& ini, int layer,
                                                                      int start, int end)
{
    constexpr const char* Place = "Edit::LayerObjectManager::loadObjectAliasFileEffect";
    if (start < 0 || start > FrameLimit)
        throw System::makeException(Place, "invalid frame number list.", nullptr);
    long long first = start;
    long long last = end;
    scene.ensureLayer(layer);
    fitRange(scene, layer, first, last, Place);
    const std::shared_ptr<Object> object = scene.addObject(layer, static_cast<int>(first), static_cast<int>(last));
    try {
        object->loadEffectAliasFile(ini, nullptr);
        if (object->layerControl)
            scene.layers.at(layer).needRangeUpdate = true;
    } catch (...) {
        unplace(scene, object);
        throw;
    }
    return object;
}

void LayerObjectManager::pushObjectAliasFileToObjectList(System::IniFile& ini, int section,
                                                         std::vector<std::shared_ptr<Object>>& list)
{
    constexpr const char* Place = "Edit::LayerObjectManager::pushObjectAliasFileToObjectList";
    const std::string name = std::to_string(section);
    const System::IniFile::SectionRef values = ini.getSection(name.c_str());
    const int layer = values.getValue("layer").toInt();
    if (layer < 0 || layer >= LayerLimit)
        throw System::makeException(Place, "invalid layer number.", ("section=" + name).c_str());
    const std::vector<int> frames = parseFrameList(values.getValue("frame").text, name, Place);

    Object object;
    object.layer = layer;
    object.start = frames.front();
    object.end = frames.back();
    object.camera = values.findValue("camera").toInt(1) != 0;
    object.clipping = values.findValue("clipping").toInt(0) != 0;
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        if (!object.canAddSectionAt(frames[i]))
            throw System::makeException(Place, "invalid frame number list.", ("section=" + name).c_str());
        object.addMidPoint(frames[i]);
    }
    object.loadEffectIniFile(ini, name.c_str());
    pushObjectCopy(list, object);
    // The detached reading copy is no object of any scene.
    object.layer = -1;
}

void Object::loadEffectAliasFile(System::IniFile& ini, const Effect::EffectBase* after)
{
    constexpr const char* Place = "Edit::Object::loadEffectAliasFile";
    if (!present(ini.getSection("Effect.0")))
        throw System::makeException(Place, "no effect defined.", nullptr);
    for (int index = 0;; ++index) {
        const System::IniFile::SectionRef section = ini.getNumberedSection("Effect", index);
        if (!present(section))
            break;
        const std::wstring name = section.getValue("effect.name").toString();
        EffectPtr* slot = insertEffectAfter(name.c_str(), section, *this, after);
        // The next one goes behind this one: the file's order stays.
        if (after)
            after = slot->get();
    }
}

} // namespace Edit
