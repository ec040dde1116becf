// Script discovery and registration: the sections of script files become
// effects and movements like the built-in ones.
#include "effect/effect_service.h"

#include "core/config.h"
#include "core/failure.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/module_trust_list.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "effect/script_file_parser.h"
#include "effect/script_movement.h"
#include "platform/os/folder.h"

#include <exception>

namespace Effect {

namespace {
enum class Kind { Input, Filter, Camera, SceneChange, Movement };

// The patterns of a folder scan, in scan order: the newer extensions (UTF-8,
// default engine), then the older ones (ANSI code page, engine "lua").
struct Pattern {
    const wchar_t* pattern;
    Kind kind;
    bool oldFormat;
};
constexpr Pattern Patterns[] = {
    {L"*.obj2", Kind::Input, false},       {L"*.anm2", Kind::Filter, false}, {L"*.cam2", Kind::Camera, false},
    {L"*.scn2", Kind::SceneChange, false}, {L"*.tra2", Kind::Movement, false}, {L"*.obj", Kind::Input, true},
    {L"*.anm", Kind::Filter, true},        {L"*.cam", Kind::Camera, true},   {L"*.scn", Kind::SceneChange, true},
    {L"*.tra", Kind::Movement, true},
};

// The built-in collections beside the program.
struct Collection {
    const wchar_t* path;
    Kind kind;
};
constexpr Collection Collections[] = {
    {L"%AppInstall%/script.obj2", Kind::Input},       {L"%AppInstall%/script.anm2", Kind::Filter},
    {L"%AppInstall%/script.cam2", Kind::Camera},      {L"%AppInstall%/script.scn2", Kind::SceneChange},
    {L"%AppInstall%/script.tra2", Kind::Movement},
};

// Whether the main ini file holds the menu settings of an entry: from then on its
// stored label stays.
bool hasStoredSettings(const Menu::MenuDefineBase& define)
{
    return System::Config::iniFile && System::Config::iniFile->getSection(define.sectionName.c_str()).exists();
}

bool startsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() &&
           System::toLowerAscii(text.substr(0, prefix.size())) == System::toLowerAscii(prefix);
}

// Registers one file of a kind; the older extensions run on the engine "lua".
void registerFile(EffectService& service, Kind kind, const std::wstring& path, const wchar_t* folder, bool builtIn,
                  bool oldFormat)
{
    const char* engine = oldFormat ? "lua" : nullptr;
    const EffectService::ScriptEffects& classes = EffectService::scriptEffects;
    switch (kind) {
    case Kind::Input: service.registerScriptEffect(classes.input, path, folder, builtIn, oldFormat, engine); break;
    case Kind::Filter: service.registerScriptEffect(classes.filter, path, folder, builtIn, oldFormat, engine); break;
    case Kind::Camera: service.registerScriptEffect(classes.camera, path, folder, builtIn, oldFormat, engine); break;
    case Kind::SceneChange:
        service.registerScriptEffect(classes.sceneChange, path, folder, builtIn, oldFormat, engine);
        break;
    case Kind::Movement: service.registerScriptMovement(path, folder, builtIn, oldFormat, engine); break;
    }
}

const wchar_t* translatedDialogText(const wchar_t* text)
{
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        return Translate::TranslateService::Get()->dialog.translate(text);
    return text;
}
} // namespace

void EffectService::registerScript()
{
    for (const Collection& collection : Collections) {
        const std::wstring path = System::FileName::expand(collection.path);
        // An installation without a collection has none to read (not a failure).
        if (Platform::Os::pathExists(System::toLocalPath(path)))
            registerFile(*this, collection.kind, path, nullptr, true, false);
    }
    registerScriptFolder(nullptr);
    for (const auto& folder : System::FileName::findFolders(System::FileName::expand(L"%Script%/*")))
        registerScriptFolder(folder.path.c_str());
}

void EffectService::registerScriptFolder(const wchar_t* folder)
{
    std::wstring base = System::FileName::expand(L"%Script%");
    if (folder)
        base += L"/" + std::wstring(folder);
    for (const Pattern& pattern : Patterns) {
        for (const auto& file : System::FileName::findFiles(base + L"/" + pattern.pattern, base.c_str())) {
            // A reload runs inside an edit: it asks nobody, and a file not trusted
            // at start has no script to refresh.
            if (!trustList || !trustList->confirmTrustFile(file, folder, !ready))
                continue;
            registerFile(*this, pattern.kind, file.path, folder, false, pattern.oldFormat);
        }
    }
}

void EffectService::registerScriptSections(const std::wstring& path, const wchar_t* folder, bool builtIn,
                                           bool oldFormat, const char* engine, const FindScript& find,
                                           const AddScript& add)
{
    std::vector<ScriptSection> sections = ScriptFileParser::loadScriptFile(path, oldFormat, builtIn);
    const std::wstring dir = System::FileName::getDirectory(path);
    for (ScriptSection& section : sections) {
        if (ready) {
            // Only the script registered from this very file takes the new text: a
            // later file repeating the name was refused at start.
            ScriptFileParser* script = find(section.name);
            auto origin = scriptOrigins_.find(script);
            if (script && origin != scriptOrigins_.end() && origin->second == path)
                script->reloadScriptSection(std::move(section));
            continue;
        }
        ScriptFileParser* script = nullptr;
        Menu::MenuDefineBase* define = add(section.name, script);
        if (!define || !script)
            continue;
        // The folder's name and the header's "--label" choose the label only
        // until the entry has stored settings.
        std::wstring* label = nullptr;
        if (!hasStoredSettings(*define)) {
            if (folder)
                define->label = folder;
            label = &define->label;
        }
        scriptOrigins_[script] = path;
        script->setScriptSection(std::move(section), dir, label, engine);
    }
}

std::shared_ptr<EffectBase> EffectService::registerScriptClass(const ScriptClass& scriptClass, const wchar_t* name)
{
    std::shared_ptr<EffectBase> instance;
    try {
        instance = scriptClass.create(name);
    } catch (const std::exception& e) {
        reportFailure(false, *scriptClass.type, e);
        return nullptr;
    }
    return addEffect(instance, *scriptClass.type) ? instance : nullptr;
}

void EffectService::registerScriptEffect(const ScriptClass& scriptClass, const std::wstring& path,
                                         const wchar_t* folder, bool builtIn, bool oldFormat, const char* engine)
{
    if (!scriptClass.create)
        return;
    auto find = [&](const std::wstring& name) -> ScriptFileParser* {
        auto it = effects.find(name);
        return it == effects.end() ? nullptr : dynamic_cast<ScriptFileParser*>(it->second.prototype.get());
    };
    auto add = [&](const std::wstring& name, ScriptFileParser*& script) -> Menu::MenuDefineBase* {
        std::shared_ptr<EffectBase> effect = registerScriptClass(scriptClass, name.c_str());
        if (!effect)
            return nullptr;
        auto it = effects.find(effect->name);
        if (it == effects.end())
            throw System::makeException("Effect::EffectService::registerScriptEffect", "not found script effect.",
                                        nullptr);
        script = dynamic_cast<ScriptFileParser*>(effect.get());
        return &it->second;
    };
    registerScriptSections(path, folder, builtIn, oldFormat, engine, find, add);
}

void EffectService::registerScriptMovement(const std::wstring& path, const wchar_t* folder, bool builtIn,
                                           bool oldFormat, const char* engine)
{
    auto find = [&](const std::wstring& name) -> ScriptFileParser* {
        auto it = movements.find(name);
        return it == movements.end() ? nullptr : dynamic_cast<ScriptMovement*>(it->second.movement.get());
    };
    auto add = [&](const std::wstring& name, ScriptFileParser*& script) -> Menu::MenuDefineBase* {
        std::shared_ptr<ScriptMovement> movement = registerMovement<ScriptMovement>(name.c_str());
        if (!movement)
            return nullptr;
        auto it = movements.find(movement->name);
        if (it == movements.end())
            throw System::makeException("Effect::EffectService::registerScriptMovement", "not found script movement.",
                                        nullptr);
        script = movement.get();
        return &it->second;
    };
    registerScriptSections(path, folder, builtIn, oldFormat, engine, find, add);
}

std::vector<std::vector<std::wstring>> EffectService::getScriptInformationList()
{
    const std::wstring scriptRoot = System::FileName::expand(L"%Script%");
    std::vector<std::vector<std::wstring>> rows;
    auto addRow = [&](const ScriptFileParser* parser, const wchar_t* kind) {
        const ScriptData* script = parser ? parser->getScript() : nullptr;
        if (!script || !startsWithIgnoringCase(script->folder, scriptRoot))
            return;
        rows.push_back({script->information.empty() ? script->name : script->information, translatedDialogText(kind)});
    };
    const std::pair<const ScriptClass*, const wchar_t*> passes[] = {
        {&scriptEffects.filter, L"フィルタ効果"},
        {&scriptEffects.input, L"オブジェクト"},
        {&scriptEffects.camera, L"カメラ効果"},
    };
    for (const auto& [scriptClass, kind] : passes) {
        if (!scriptClass->type)
            continue;
        for (auto& [name, define] : effects) {
            EffectBase& prototype = *define.prototype;
            if (typeid(prototype) == *scriptClass->type)
                addRow(dynamic_cast<const ScriptFileParser*>(&prototype), kind);
        }
    }
    for (auto& [name, define] : movements)
        addRow(dynamic_cast<const ScriptMovement*>(define.movement.get()), L"トラックバー");
    return rows;
}

} // namespace Effect
