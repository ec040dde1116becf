#include "effect/effect_item_mask.h"

#include "core/file_name.h"
#include "core/text.h"
#include "effect/item_sources.h"

namespace Effect {

const std::shared_ptr<EffectItemSelect::SharedList>& EffectItemMaskSelect::getMaskList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = EffectItemSelect::SharedList::create();
    return list;
}

EffectItemMaskSelect::EffectItemMaskSelect(EffectItemList& owner, std::wstring name, int value,
                                           EffectItemCheck* fitScene)
    : EffectItemBase(owner, EffectItemKind::Mask, std::move(name)), value(value), fitScene(fitScene)
{
}

std::string EffectItemMaskSelect::toString() const
{
    if (value < 0 && sceneId < 0)
        return System::wideToUtf8(path);
    if (sceneId < 0) {
        // A mask the list does not (yet) hold saves as an empty text, as figures do.
        const auto& labels = getMaskList()->labels;
        const auto label = labels.find(value);
        return label == labels.end() ? std::string() : System::wideToUtf8(label->second);
    }
    return ItemSources::sceneName ? System::wideToUtf8(ItemSources::sceneName(sceneId)) : std::string();
}

void EffectItemMaskSelect::fromString(const std::string& text)
{
    const std::wstring wide = System::utf8ToWide(text);
    const auto& masks = getMaskList();
    if (masks->contains(wide)) {
        setMaskIndex(masks->getValue(wide));
        return;
    }
    const int scene = ItemSources::findScene && !wide.empty() ? ItemSources::findScene(wide) : -1;
    if (scene >= 0) {
        setSceneId(scene);
        return;
    }
    if (!wide.empty() && (wide.find(L'.') != std::wstring::npos || wide[0] == L'*')) {
        path = wide;
        System::FileName::expandVariable(path);
        value = -1;
        sceneId = -1;
    }
}

const wchar_t* EffectItemMaskSelect::getFilePath() const
{
    return path.c_str();
}

void EffectItemMaskSelect::setFilePath(const wchar_t* newPath)
{
    if (!newPath || !*newPath)
        return;
    path = newPath;
    System::FileName::expandVariable(path);
    value = -1;
    sceneId = -1;
}

void EffectItemMaskSelect::setMaskIndex(int v)
{
    const auto& masks = getMaskList();
    value = masks->labels.count(v) ? v : masks->smallestValue();
    sceneId = -1;
    path.clear();
}

void EffectItemMaskSelect::setSceneId(int id)
{
    if (!ItemSources::sceneName || ItemSources::sceneName(id).empty()) {
        setMaskIndex(getMaskList()->smallestValue());
        return;
    }
    sceneId = id;
    value = -1;
    path.clear();
}

} // namespace Effect
