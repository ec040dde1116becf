// Saving and placing aliases: the three save commands with their dialog, and
// the commands that place an object alias on the timeline or add an effect
// alias's effects to an object.
#include "core/event_command.h"
#include "core/failure.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/report.h"
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "effect/effect_types.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_command_steps.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/files/alias_file.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <functional>

namespace Edit {

namespace {

constexpr const wchar_t* LoadFailed = L"エイリアスの読み込みに失敗しました";

void postError(const wchar_t* message)
{
    Event::EventCommand command;
    command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
    command.payload = std::make_unique<Event::ErrorPayload>(message);
    Event::postEventCommand(std::move(command));
}

// The dialog, the overwrite question, the file and the rescan of every save.
void saveAlias(const std::wstring& subject, bool subjectIsKey, const wchar_t* extension, uint8_t kind,
               const std::function<void(System::File&)>& write)
{
    EditHost& host = EditHost::get();
    std::wstring name;
    std::wstring label;
    std::wstring path;
    for (;;) {
        if (!host.showAliasDialog(subject, subjectIsKey, name, label))
            return;
        if (!AliasFile::isValidName(name)) {
            // The dialog refuses such names; one that reaches here names no file of the folder.
            System::Log::warn("Edit::saveAlias", L"invalid alias name [%s]", name.c_str());
            System::Report::showError(L"%s", L"エイリアスの保存に失敗しました");
            return;
        }
        path = AliasFile::makePath(name, extension);
        if (!System::File::exists(path.c_str()) ||
            host.showConfirm(L"同名のエイリアスが存在しています\n上書きしますか？"))
            break;
    }
    System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", path.c_str());
    try {
        System::File file;
        // A replacement file: a failed write leaves the old alias (or none), never a part of one.
        file.open(path.c_str(), System::File::ModeWrite);
        file.setWriteBuffer(1 << 16);
        write(file);
        file.close();
    } catch (const std::exception& e) {
        System::Log::error("Edit::saveAlias", "%s", e.what());
        System::Report::showError(L"%s", L"エイリアスの保存に失敗しました");
    }
    if (Effect::EffectService* effects = Effect::EffectService::Get()) {
        effects->reloadAlias();
        effects->setAliasLabel(name, kind, label);
    }
}

} // namespace

void EditCommand::saveObjectAlias()
{
    EditService& edit = CommandSteps::service("Edit::EditCommand::saveObjectAlias");
    const Targets command(*edit.currentScene);
    if (command.empty())
        return;
    // Copies of the list: the dialog may run the main loop, which may change the selection.
    const ObjectVector objects = command.targets();
    saveAlias(L"オブジェクト", true, AliasFile::ObjectExtension, Effect::EffectType::ObjectAlias,
              [&](System::File& file) { AliasFile::writeObjects(file, objects); });
}

void Object::saveObjectAliasFile()
{
    saveAlias(L"全体", true, AliasFile::ObjectExtension, Effect::EffectType::ObjectAlias,
              [this](System::File& file) { AliasFile::writeObject(file, *this); });
}

void EditCommand::saveEffectAliasFile(const std::shared_ptr<Effect::EffectBase>& effect)
{
    if (!effect)
        return;
    saveAlias(effect->getName(), false, AliasFile::EffectExtension, Effect::EffectType::EffectAlias,
              [&](System::File& file) { AliasFile::writeEffect(file, *effect); });
}

void EditCommand::loadObjectAlias(const wchar_t* path, int layer, int frame)
{
    constexpr const char* Place = "Edit::EditCommand::loadObjectAlias";
    System::Log::info(Place, L"load object [%s] layer=%d frame=%d", path, layer, frame);
    try {
        const CommandSteps::Context ctx = CommandSteps::context(Place);
        EditService& edit = ctx.edit;
        Undo::UndoService& recorder = ctx.undo;
        if (layer < 0 || layer >= LayerLimit)
            throw System::makeException(Place, "invalid layer number.", std::to_string(layer).c_str());
        if (frame < 0 || frame > FrameLimit)
            throw System::makeException(Place, "invalid frame number.", std::to_string(frame).c_str());
        const std::wstring file = System::FileName::expand(path);
        if (!System::File::exists(file.c_str()))
            throw System::makeFormatException(Place, "file not found.", L"%s", file.c_str());
        System::IniFile ini;
        ini.loadFile(file.c_str(), false);

        const bool effectFile = System::FileName::getExtension(file.c_str()) == AliasFile::EffectExtension;
        auto present = [](const System::IniFile::SectionRef& s) { return s.section().size() != 0; };
        if (effectFile || present(ini.getSection("Object")) || present(ini.getSection("Object.0"))) {
            UpdateSection update(edit);
            CommandSteps::openPlacement(update);
            Scene& scene = *update.scene;
            const long long end =
                std::min<long long>(static_cast<long long>(frame) + 800000 / std::max(scene.displayZoom.zoom, 1),
                                    FrameLimit);
            const std::shared_ptr<Object> object =
                effectFile ? LayerObjectManager::loadObjectAliasFileEffect(scene, ini, layer, frame, static_cast<int>(end))
                           : LayerObjectManager::loadObjectAliasFile(scene, ini, layer, frame, static_cast<int>(end));
            recorder.addObjectCreate(object);
            if (scene.focusObject != object) {
                scene.focusObject = object;
                update.notifyFocusObject = true;
            }
            return;
        }
        // Several objects: the whole list is read before anything is placed.
        ObjectList list;
        for (int n = 0;; ++n) {
            if (!present(ini.getSection(std::to_string(n).c_str())))
                break;
            LayerObjectManager::pushObjectAliasFileToObjectList(ini, n, list);
        }
        if (list.empty())
            throw System::makeException(Place, "no object section.", nullptr);
        if (edit.pasteObjectList(list, layer, frame, true).empty())
            throw System::makeException(Place, "the objects do not fit.", nullptr);
    } catch (const std::exception& e) {
        System::Log::error(Place, "%s", e.what());
        postError(LoadFailed);
    }
}

void EditCommand::loadEffectAlias(const wchar_t* path, const Effect::EffectBase* after, bool replace)
{
    constexpr const char* Place = "Edit::EditCommand::loadEffectAlias";
    try {
        const CommandSteps::Context ctx = CommandSteps::context(Place);
        EditService& edit = ctx.edit;
        Undo::UndoService& recorder = ctx.undo;
        const std::shared_ptr<Object> object = ctx.scene.focusObject;
        if (!object || object->layer < 0)
            return;
        System::Log::info(Place, L"load effect [%s] layer=%d frame=%d", path, object->layer, object->start);
        const std::wstring file = System::FileName::expand(path);
        if (!System::File::exists(file.c_str()))
            throw System::makeFormatException(Place, "file not found.", L"%s", file.c_str());
        System::IniFile ini;
        ini.loadFile(file.c_str(), false);

        UpdateSection update(edit);
        CommandSteps::openChainChange(update);
        update.targetObject = object;
        recorder.addObjectEffect(object);
        // A failure part way leaves the chain as it was.
        const EffectManager::EffectList before = object->effects;
        const bool layerControl = object->layerControl;
        try {
            object->loadEffectAliasFile(ini, after);
            if (replace && after)
                object->removeEffect(after);
            object->fixEffectList();
        } catch (...) {
            object->effects = before;
            object->layerControl = layerControl;
            throw;
        }
        if (object->layerControl != layerControl || object->layerControl)
            CommandSteps::markMoved(*update.scene, *object);
    } catch (const std::exception& e) {
        System::Log::error(Place, "%s", e.what());
        postError(LoadFailed);
    }
}

void EditCommand::setEffect(const std::shared_ptr<Object>& object, const wchar_t* name,
                            const Effect::EffectBase* after, bool replace)
{
    constexpr const char* Place = "Edit::EditCommand::setEffect";
    const CommandSteps::Context ctx = CommandSteps::context(Place);
    if (!object || object->layer < 0)
        return;
    System::Log::info(Place, L"set effect [%s] layer=%d frame=%d", name, object->layer, object->start);
    UpdateSection update(ctx.edit);
    CommandSteps::openChainChange(update);
    update.targetObject = object;
    ctx.undo.addObjectEffect(object);
    const EffectManager::EffectList before = object->effects;
    const bool layerControl = object->layerControl;
    try {
        object->setEffectByName(name, *object, after);
        if (replace && after)
            object->removeEffect(after);
        object->fixEffectList();
    } catch (...) {
        object->effects = before;
        object->layerControl = layerControl;
        throw;
    }
    if (object->layerControl != layerControl || object->layerControl)
        CommandSteps::markMoved(*update.scene, *object);
}

} // namespace Edit
