#include "effect/effect_item_select.h"

#include "core/setting_service.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "effect/item_text.h"

#include <mutex>

namespace Effect {

// ---- SharedList ----

std::shared_ptr<EffectItemSelect::SharedList> EffectItemSelect::SharedList::create()
{
    return std::make_shared<SharedList>();
}

void EffectItemSelect::SharedList::insert(int value, const wchar_t* label)
{
    // A label already known keeps the value it answered with first.
    if (labels.emplace(value, label).second)
        values.emplace(label, value);
}

void EffectItemSelect::SharedList::add(int value, const wchar_t* label)
{
    ownedLabels.emplace_back(label);
    insert(value, ownedLabels.back().c_str());
}

int EffectItemSelect::SharedList::getValue(const std::wstring& label) const
{
    auto it = values.find(label);
    if (it == values.end())
        throwUnorderedMapKeyError();
    return it->second;
}

bool EffectItemSelect::SharedList::contains(const std::wstring& label) const
{
    return values.count(label) != 0;
}

const wchar_t* EffectItemSelect::SharedList::getLabel(int value) const
{
    auto it = labels.find(value);
    if (it == labels.end())
        throwMapKeyError();
    return it->second;
}

// ---- Select ----

EffectItemSelect::EffectItemSelect(EffectItemList& owner, std::wstring name, int value,
                                   std::shared_ptr<SharedList> list)
    : EffectItemSelect(owner, EffectItemKind::Select, std::move(name), value, list.get(), list)
{
}

EffectItemSelect::EffectItemSelect(EffectItemList& owner, uint8_t kind, std::wstring name, int value,
                                   SharedList* list, std::shared_ptr<SharedList> holder)
    : EffectItemBase(owner, kind, std::move(name)), list(list), value(value), holder(std::move(holder))
{
}

std::string EffectItemSelect::toString() const
{
    return System::wideToUtf8(list->getLabel(value));
}

void EffectItemSelect::fromString(const std::string& text)
{
    const std::wstring label = System::utf8ToWide(text);
    if (!list->contains(label))
        return;
    const int v = list->getValue(label);
    value = list->labels.count(v) ? v : list->smallestValue();
}

void EffectItemSelect::fromTsoString(const std::string& text, const std::wstring&, const wchar_t*, bool)
{
    if (System::utf8ToWide(text).size() <= 2 && isIntText(text)) {
        const int v = parseInt(text);
        value = list->labels.count(v) ? v : list->smallestValue();
        return;
    }
    fromString(text);
}

EffectItemSelectButton::EffectItemSelectButton(EffectItemList& owner, std::wstring name, int value,
                                               std::shared_ptr<SharedList> list, float left, float right)
    : EffectItemBase(owner, EffectItemKind::SelectButton, std::move(name), value, list.get(), list), left(left),
      right(right)
{
}

// ---- FontSelect ----

EffectItemSelect::SharedList& EffectItemFontSelect::getFontList()
{
    // Built once, also when the first effects with a font item are made on
    // several threads at once (scripts create effects on render workers).
    static SharedList list;
    static std::once_flag built;
    std::call_once(built, [] {
        if (const Media::Direct2DService* fonts = Media::Direct2DService::Get()) {
            int value = 0;
            for (const Media::FontDefine* font : fonts->getFontListByName())
                list.add(value++, font->getName());
        }
    });
    return list;
}

int EffectItemFontSelect::getDefaultIndex()
{
    SharedList& list = getFontList();
    return list.contains(Setting::Font::DefaultFamily) ? list.getValue(Setting::Font::DefaultFamily) : 0;
}

namespace {
int fontValue(const wchar_t* family)
{
    auto& list = EffectItemFontSelect::getFontList();
    if (family && list.contains(family))
        return list.getValue(family);
    // A family that is not installed falls back to the default, so the effect still registers.
    return EffectItemFontSelect::getDefaultIndex();
}
} // namespace

EffectItemFontSelect::EffectItemFontSelect(EffectItemList& owner, std::wstring name, const wchar_t* family)
    : EffectItemBase(owner, EffectItemKind::Font, std::move(name), fontValue(family), &getFontList(), nullptr)
{
}

} // namespace Effect
