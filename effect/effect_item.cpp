#include "effect/effect_item.h"

#include "core/failure.h"

namespace Effect {

EffectItem::EffectItem(EffectItemList& owner, uint8_t kind, std::wstring name) : kind(kind), name(std::move(name))
{
    owner.push_back(this);
}

EffectItem::~EffectItem() = default;

void EffectItem::fromScriptString(const std::string& text)
{
    fromString(text);
}

void EffectItem::fromTsoString(const std::string& text, const std::wstring&, const wchar_t*, bool)
{
    fromString(text);
}

const wchar_t* EffectItem::getFilePath() const
{
    return nullptr;
}

void EffectItem::setFilePath(const wchar_t*)
{
    throw System::makeException("Effect::EffectItem::setFilePath", "not implement.", nullptr);
}

void throwDifferentItemClass(const char* place)
{
    throw System::makeException(place, "different item class.", nullptr);
}

} // namespace Effect
