#include "effects/objects/script_trust.h"

#include "core/log.h"
#include "core/module_trust_list.h"
#include "core/text.h"
#include "effect/effect_item_simple.h"
#include "effects/objects/script_edit.h"
#include "effects/objects/script_effect.h"
#include "platform/os/hash.h"
#include "project/model/layer_object_list.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"

#include <mutex>
#include <unordered_set>

namespace Effect {

namespace {

struct State {
    std::mutex lock;
    std::unordered_set<uint64_t> loaded; // the pieces of code the project brought
    bool allowed = true;
    std::unordered_set<const Edit::Object*> warned;
};

State& state()
{
    static State s;
    return s;
}

uint64_t pieceHash(const std::wstring& code)
{
    return Platform::Os::fnv1a(System::wideToUtf8(code));
}

bool isExpression(const EffectItem& item)
{
    return item.kind == EffectItemKind::ScriptString || item.kind == EffectItemKind::ScriptString2;
}

} // namespace

void ScriptTrust::collectCode(const EffectBase& effect, std::vector<std::wstring>& code)
{
    auto* script = dynamic_cast<const ScriptEffect*>(&effect);
    if (!script)
        return;
    if (auto* edit = dynamic_cast<const ScriptEdit*>(script)) {
        if (!edit->script.text.empty())
            code.push_back(edit->script.text);
        return;
    }
    // Text blocks.
    for (const EffectItem* item : effect.items) {
        if (auto* text = dynamic_cast<const EffectItemText*>(item); text && text->text.find(L"<?") != std::wstring::npos)
            code.push_back(text->text);
    }
    // Expressions other than the script's own.
    const auto common = script->getCommonResource();
    for (const ScriptEffect::Parameter& p : script->parameters) {
        if (!isExpression(*p.item))
            continue;
        const std::wstring& text = static_cast<const EffectItemString&>(*p.item).text;
        const EffectItemString* own = nullptr;
        if (common) {
            for (const auto& [name, item] : common->declared) {
                if (name == p.name)
                    own = dynamic_cast<const EffectItemString*>(item);
            }
        }
        if (!own || own->text != text)
            code.push_back(text);
    }
}

uint64_t ScriptTrust::hashCode(const std::vector<std::wstring>& code)
{
    uint64_t h = Platform::Os::Fnv1aBasis;
    for (const std::wstring& piece : code) {
        h = Platform::Os::fnv1a(System::wideToUtf8(piece), h);
        h = Platform::Os::fnv1a(std::string_view("\0", 1), h);
    }
    return h;
}

void ScriptTrust::projectLoaded(const Edit::Project& project, const std::wstring& path)
{
    std::vector<std::wstring> code;
    for (const std::shared_ptr<Edit::Scene>& scene : project.getSceneList()) {
        scene->layers.forEach([&](int, const Edit::LayerObjectList& layer) {
            for (const std::shared_ptr<Edit::Object>& object : layer.objects) {
                for (const std::shared_ptr<EffectBase>& effect : object->effects)
                    collectCode(*effect, code);
            }
        });
    }
    bool allowed = true;
    if (!code.empty()) {
        Plugin::ModuleTrustList* trust = Plugin::ModuleTrustList::Get();
        allowed = trust && trust->confirmTrustProject(System::FileName::expand(path.c_str()), hashCode(code));
    }
    State& s = state();
    std::lock_guard lock(s.lock);
    s.loaded.clear();
    for (const std::wstring& piece : code)
        s.loaded.insert(pieceHash(piece));
    s.allowed = allowed;
    s.warned.clear();
}

void ScriptTrust::reset()
{
    State& s = state();
    std::lock_guard lock(s.lock);
    s.loaded.clear();
    s.allowed = true;
    s.warned.clear();
}

bool ScriptTrust::allows(const std::wstring& code, const Edit::Object* object, const char* place)
{
    State& s = state();
    const uint64_t h = pieceHash(code);
    std::lock_guard lock(s.lock);
    if (s.allowed || !s.loaded.count(h))
        return true;
    if (s.warned.insert(object).second)
        System::Log::warn(place, "project code not allowed");
    return false;
}

} // namespace Effect
