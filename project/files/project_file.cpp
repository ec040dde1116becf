// The project file: sections "project", "scene.N", "layer.K", "M" and "M.E".
#include "core/event_command.h"
#include "core/failure.h"
#include "core/file.h"
#include "core/log.h"
#include "core/text.h"
#include "project/files/project_file_lines.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"

namespace Edit {

using namespace ProjectFileLines;

void Project::saveProjectFile(const wchar_t* target) const
{
    System::File file;
    // A replacement file: the old project stays whole until the new one is complete.
    file.open(target, System::File::ModeWrite);
    file.setWriteBuffer(1 << 16);
    writeSection(file, "project");
    writeValue(file, "file", System::wideToUtf8(path));
    writeInt(file, "display.scene", currentSceneId);

    GroupNumbers groups;
    int layerSection = 0;
    int objectSection = 0;
    const std::vector<std::shared_ptr<Scene>> list = getSceneList();
    for (size_t n = 0; n < list.size(); ++n) {
        const Scene& scene = *list[n];
        scene.saveSceneIniFile(file, static_cast<int>(n));
        const int layers = std::min(scene.lastLayer + 1, scene.layerCount());
        for (int i = 0; i < layers; ++i) {
            const LayerObjectList& layer = scene.getLayer(i);
            if (layer.layer->isStored())
                layer.layer->saveLayerIniFile(file, layerSection++, scene.id);
            for (const auto& object : layer.objects) {
                if (object->layer != i)
                    continue; // leaving the layer
                scene.saveObjectIniFile(file, *object, objectSection++, scene.id, scene.focusObject == object,
                                        groups);
            }
        }
    }
    file.close();
    System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", target);
}

int Project::loadProjectFile(const wchar_t* source)
{
    std::string bytes;
    {
        System::File file;
        file.open(source, System::File::ModeRead);
        const uint64_t size = file.getSize();
        if (size >= (uint64_t(1) << 31))
            throw System::makeFormatException("Edit::Project::loadProjectFile", "file is too large.", L"%s", source);
        bytes.resize(static_cast<size_t>(size));
        file.readBlock(bytes.data(), static_cast<int>(size));
    }
    return loadProjectText(bytes, source);
}

int Project::loadProjectText(std::string_view text, const wchar_t* source)
{
    System::IniFile ini;
    ini.loadText(text, source, false);

    const System::IniFile::SectionRef project = ini.getSection("project");
    setPath(project.findValue("file").toString(L""));
    currentSceneId = project.findValue("display.scene").toInt(0);

    // Numbered sections are read up to the first missing or empty one.
    auto present = [](const System::IniFile::SectionRef& s) { return s.section().size() != 0; };
    for (int n = 0;; ++n) {
        const System::IniFile::SectionRef section = ini.getNumberedSection("scene", n);
        if (!present(section))
            break;
        getScene(section.getValue("scene").toInt())->loadSceneIniFile(section);
    }
    // The root scene is always there; any other scene must have its own
    // section: a layer or object naming another id is refused, so that a
    // file cannot make scenes without their settings.
    getScene(0);
    for (int k = 0;; ++k) {
        const System::IniFile::SectionRef section = ini.getNumberedSection("layer", k);
        if (!present(section))
            break;
        const int layer = section.getValue("layer").toInt();
        const int sceneId = section.findValue("scene").toInt(0);
        if (layer < 0 || layer >= LayerLimit) {
            System::Log::warn("Edit::Project::loadProjectFile", "invalid layer number. [layer.%d] layer=%d", k, layer);
            continue;
        }
        const auto scene = scenes.find(sceneId);
        if (scene == scenes.end()) {
            System::Log::warn("Edit::Project::loadProjectFile", "undefined scene. [layer.%d] scene=%d", k, sceneId);
            continue;
        }
        scene->second->layerList(layer).layer->loadLayerIniFile(section);
    }
    GroupNumbers groups;
    int failed = 0;
    for (int m = 0;; ++m) {
        if (!present(ini.getSection(std::to_string(m).c_str())))
            break;
        try {
            LayerObjectManager::loadObjectIniFile(*this, ini, m, groups);
        } catch (const std::exception& e) {
            ++failed;
            System::Log::warn("Edit::Project::loadProjectFile", "failed to load object [%d]\n%s", m, e.what());
        }
    }
    for (auto& [id, scene] : scenes)
        scene->updateLayerObject();
    if (failed > 0) {
        Event::EventCommand command;
        command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
        command.payload = std::make_unique<Event::ErrorPayload>(L"一部のオブジェクトの読み込みに失敗しました");
        Event::postEventCommand(std::move(command));
    }
    return failed;
}

} // namespace Edit
