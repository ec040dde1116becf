#pragma once
// A parameter item: a typed value with a name, owned by its effect as a member
// and listed in the effect's item list in declaration order. Each item has a
// one-line UTF-8 text form (its line in project, alias and default files), a
// copy and a comparison.
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace Component { class EffectItemBaseControl; }
namespace Window { struct ControlContainer; }

namespace Effect {

class EffectBase;
class EffectItem;
using EffectItemList = std::vector<EffectItem*>;

struct EffectItemKind {
    enum : uint8_t {
        Integer = 0,
        Number = 1,
        Check = 2,
        CheckButton = 3,
        Text = 4,
        String = 5,
        File = 6,
        Color = 7,
        Select = 8,
        SelectButton = 9,
        PlayPosition = 10,
        Scene = 11,
        LayerRange = 12,
        Figure = 13,
        ColorOrNone = 14,
        Mask = 15,
        Font = 16,
        ScriptFigure = 17,
        Button = 18,
        YUV = 19,
        ScriptString = 100,
        ScriptString2 = 101,
        HiddenInteger = 200,
    };
};

class EffectItem {
public:
    // Appends the item to owner (its effect's item list, or a private list).
    EffectItem(EffectItemList& owner, uint8_t kind, std::wstring name);
    virtual ~EffectItem();
    EffectItem& operator=(const EffectItem&) = delete;

    // Copies the value of an item of the same class.
    virtual void setData(const EffectItem& source) = 0;
    virtual bool isEqual(const EffectItem& other) const = 0;
    // A new item of the same class with the same value, in no item list.
    virtual std::unique_ptr<EffectItem> clone() const = 0;
    virtual std::string toString() const = 0;
    // Sets the value from its text form; throws on unusable text.
    virtual void fromString(const std::string& text) = 0;
    // A value a script passed as text.
    virtual void fromScriptString(const std::string& text);
    // A value of the older object file.
    virtual void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                               bool converted);
    virtual const wchar_t* getFilePath() const;
    virtual void setFilePath(const wchar_t* path);
    // The item's control in a panel of the settings window (made by the maker
    // the window installed for its kind), or empty: the item has no row.
    // owner is the effect holding the item, as the panel keeps it.
    virtual std::shared_ptr<Component::EffectItemBaseControl> createControl(
        Window::ControlContainer& container, const std::shared_ptr<EffectBase>& owner);

    uint8_t kind;
    std::wstring name;
    // A change in the settings window is reported to the effect (item event 1).
    bool notify = false;

protected:
    // Copies kind, name and notify; used by clone, so the copy joins no list.
    // The item classes' own copies are public: a copy is an item in no list.
    EffectItem(const EffectItem&) = default;
};

[[noreturn]] void throwDifferentItemClass(const char* place);

// The item as its concrete class; an item of another class throws
// "different item class." (place: the caller's operation).
template <class T>
const T& itemOfClass(const EffectItem& item, const char* place)
{
    if (auto* p = dynamic_cast<const T*>(&item))
        return *p;
    throwDifferentItemClass(place);
}

// The base every item class derives from: it writes clone, setData and isEqual
// once. A class that holds a value derives from EffectItemBase<Item> and names
// its value in `static auto valueFields(auto& item)` (a std::tie of the members
// setData copies); isEqual compares them too, or `comparedFields` where the
// class has one. A class that only adds settings to another item class derives
// from EffectItemBase<Item, ThatClass> and gets its own clone.
template <class Item, class Base = EffectItem>
class EffectItemBase : public Base {
public:
    using Base::Base;

    std::unique_ptr<EffectItem> clone() const override
    {
        return std::make_unique<Item>(static_cast<const Item&>(*this));
    }
};

template <class Item>
class EffectItemBase<Item, EffectItem> : public EffectItem {
public:
    using EffectItem::EffectItem;

    void setData(const EffectItem& source) override
    {
        Item::valueFields(static_cast<Item&>(*this)) =
            Item::valueFields(itemOfClass<Item>(source, "Effect::EffectItem::setData"));
    }

    bool isEqual(const EffectItem& other) const override
    {
        const Item& self = static_cast<const Item&>(*this);
        const Item& o = itemOfClass<Item>(other, "Effect::EffectItem::isEqual");
        if constexpr (requires { Item::comparedFields(self); })
            return Item::comparedFields(self) == Item::comparedFields(o);
        else
            return Item::valueFields(self) == Item::valueFields(o);
    }

    std::unique_ptr<EffectItem> clone() const override
    {
        return std::make_unique<Item>(static_cast<const Item&>(*this));
    }
};

} // namespace Effect
