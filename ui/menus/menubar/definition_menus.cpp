#include "ui/menus/menubar/definition_menus.h"

#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "effect/movement_params.h"
#include "effect/palette.h"
#include "media/direct2d_service.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_host.h"
#include "project/model/object.h"

#include <algorithm>

namespace Menu {

namespace {

// The label as shown: its whole text through the "Effect" table.
std::wstring groupLabel(const MenuDefineBase& entry)
{
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        return Translate::TranslateService::Get()->effect.translate(entry.label.c_str());
    return entry.label;
}

// Marks the item and, when it sits in a sub-menu, that sub-menu's item in the
// menu being filled (one level only).
void markChecked(Window::BaseMenu& menu, Window::BaseMenu& target, Window::MenuItem& item)
{
    item.setRadioCheck();
    item.setCheck(true);
    if (target.hmenu == menu.hmenu)
        return;
    const int position = menu.findSubMenu(target);
    if (position >= 0)
        Platform::Ui::setMenuItemCheck(menu.hmenu, position, true, true);
}

// The common loop: each visible entry, in order, into its group.
template <class Entry, class Make, class IsCurrent>
void insertGrouped(Window::BaseMenu& menu, const std::vector<Entry*>& list, Make make, IsCurrent isCurrent)
{
    GroupTable groups;
    for (Entry* entry : list) {
        if (entry->hide)
            continue;
        Window::BaseMenu target = getGroupMenu(groupLabel(*entry), menu, groups);
        Window::MenuItem item = target.insertItem(entry->getLabel(), make(entry));
        if (isCurrent(entry))
            markChecked(menu, target, item);
    }
}

Effect::EffectService& registry()
{
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!service)
        throw std::runtime_error("Menu: no effect service.");
    return *service;
}

// The change menus: the visible definitions of the kind in the current effect's group.
void insertChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                      const Effect::EffectBase* current, uint8_t kind, bool replace)
{
    if (!current)
        return;
    Effect::EffectService& effects = registry();
    std::vector<Effect::EffectDefine*> list;
    for (auto& [name, define] : effects.effects) {
        if (define.getEffectType() != kind || !mediaFits(define.getMediaType(), current->mediaType))
            continue;
        if (kind == 4 && define.getObjectMediaType() != 3 && define.getObjectMediaType() != 5)
            continue;
        list.push_back(&define);
    }
    std::stable_sort(list.begin(), list.end(), [](auto* a, auto* b) { return a->order < b->order; });
    // Throws "not found effect." for an effect without a definition.
    const std::wstring currentLabel = effects.findEffect(current->name).label;
    for (Effect::EffectDefine* define : list) {
        if (define->hide || define->label != currentLabel)
            continue;
        const Effect::EffectBase* after = replace ? current : nullptr;
        Window::MenuItem item = menu.insertItem(define->getLabel(), [define, object, after, replace] {
            Edit::EditCommand::setEffect(object, define->getName(), after, replace);
        });
        item.setRadioCheck();
        item.setCheck(define->isSame(current));
    }
}

} // namespace

bool mediaFits(uint8_t definition, uint8_t requested)
{
    return requested == 0 || requested == definition || ((definition == 1 || definition == 2) && requested == 3) ||
           (definition == 3 && requested != 4);
}

Window::BaseMenu getGroupMenu(const std::wstring& label, Window::BaseMenu& root, GroupTable& groups)
{
    if (label.empty())
        return root;
    Window::BaseMenu current = root;
    std::wstring path;
    size_t start = 0;
    while (true) {
        const size_t end = label.find(L'\\', start);
        const std::wstring piece = label.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!path.empty() || start > 0)
            path += L'\\';
        path += piece;
        auto found = groups.find(path);
        if (found == groups.end())
            found = groups.emplace(path, Window::BaseMenu(current, piece.c_str())).first;
        current = found->second;
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    return current;
}

void insertObjectMenu(Window::BaseMenu& menu, int layer, int frame, uint8_t selector)
{
    insertGrouped(
        menu, registry().getEffectMenuList(selector, 0, 0),
        [layer, frame](Effect::EffectMenuDefine* entry) -> std::function<void()> {
            if (auto* alias = dynamic_cast<Effect::AliasDefine*>(entry))
                return [alias, layer, frame] {
                    Edit::EditCommand::loadObjectAlias(alias->getFilePath().c_str(), layer, frame);
                };
            return [entry, layer, frame] { Edit::EditCommand::createObject(entry->getName(), layer, frame); };
        },
        [](Effect::EffectMenuDefine*) { return false; });
}

void insertEffectMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object, uint8_t selector,
                      uint8_t media, const Effect::EffectBase* after)
{
    // The current effect: the input (selector 1) or the output behind it (selector 2).
    const Effect::EffectBase* current = nullptr;
    if (object && !object->effects.empty()) {
        const Effect::EffectBase* first = object->effects[0].get();
        const bool inputFirst = first && first->effectType == 1;
        if (selector == 1 && inputFirst)
            current = first;
        else if (selector == 2 && inputFirst && object->effects.size() > 1)
            current = object->effects[1].get();
    }
    insertGrouped(
        menu, registry().getEffectMenuList(selector, media, 0),
        [object, after](Effect::EffectMenuDefine* entry) -> std::function<void()> {
            if (auto* alias = dynamic_cast<Effect::AliasDefine*>(entry))
                return [alias, after] {
                    Edit::EditCommand::loadEffectAlias(alias->getFilePath().c_str(), after, false);
                };
            return [entry, object, after] { Edit::EditCommand::setEffect(object, entry->getName(), after, false); };
        },
        [current](Effect::EffectMenuDefine* entry) { return current && entry->isSame(current); });
}

void insertFilterChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                            const Effect::EffectBase* current)
{
    insertChangeMenu(menu, object, current, 3, true);
}

void insertInputChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                           const Effect::EffectBase* current)
{
    insertChangeMenu(menu, object, current, 1, false);
}

void insertControlChangeMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                             const Effect::EffectBase* current)
{
    insertChangeMenu(menu, object, current, 4, false);
}

void insertMovementMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                        Effect::EffectItemNumber* item)
{
    if (!item)
        return;
    insertGrouped(
        menu, registry().getMovementList(item->movementFilter),
        [object, item](Effect::MovementDefine* entry) -> std::function<void()> {
            return [object, item, entry] { Edit::EditCommand::setMovement(object, item, entry->getName()); };
        },
        [item](Effect::MovementDefine* entry) { return entry->movement.get() == item->movement; });
}

void insertMovementParamsMenu(Window::BaseMenu& menu)
{
    insertGrouped(
        menu, registry().movementParams.getMovementParamsList(),
        [](Effect::MovementParamsDefine* entry) -> std::function<void()> {
            return [entry] { Edit::SettingHost::get().applyParams(entry->params); };
        },
        [](Effect::MovementParamsDefine*) { return false; });
}

void insertPresetColorMenu(Window::BaseMenu& menu, std::function<void(Effect::PresetColorDefine*)> callback)
{
    insertGrouped(
        menu, registry().palette.getPresetColorList(),
        [callback](Effect::PresetColorDefine* entry) -> std::function<void()> {
            return [callback, entry] { callback(entry); };
        },
        [](Effect::PresetColorDefine*) { return false; });
}

void insertFontMenu(Window::BaseMenu& menu, std::function<void(Media::FontDefine*)> callback,
                    const std::wstring& current)
{
    Media::Direct2DService* fonts = Media::Direct2DService::Get();
    if (!fonts)
        return;
    insertGrouped(
        menu, fonts->getFontList(),
        [callback](Media::FontDefine* entry) -> std::function<void()> {
            return [callback, entry] { callback(entry); };
        },
        [&current](Media::FontDefine* entry) { return current == entry->getName(); });
}

} // namespace Menu
