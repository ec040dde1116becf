#pragma once
// Registered definitions: effects and aliases (the entries of the effect
// menus), movements and movement parameter presets.
#include "core/menu_define.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Effect {

class EffectBase;
class MovementBase;

// An entry of the effect menus: an effect or an alias.
class EffectMenuDefine : public Menu::MenuDefineBase {
public:
    using Menu::MenuDefineBase::MenuDefineBase;

    virtual uint8_t getEffectType() = 0;
    virtual uint8_t getMediaType() = 0;
    // The media an object made from the entry accepts.
    virtual uint8_t getObjectMediaType() = 0;
    // Whether the effect was made from this entry.
    virtual bool isSame(const EffectBase* effect) const;

protected:
    ~EffectMenuDefine() = default;
};

// A registered effect. It owns the registry's prototype instance, from which
// new instances are made and whose item values are the defaults they copy.
class EffectDefine final : public EffectMenuDefine {
public:
    EffectDefine(std::shared_ptr<EffectBase> prototype, int order);
    ~EffectDefine();

    const wchar_t* getName() const override;
    const wchar_t* getLabel() const override;
    uint8_t getEffectType() override;
    uint8_t getMediaType() override;
    uint8_t getObjectMediaType() override;
    // Instances share the prototype's name text, so this compares no text.
    bool isSame(const EffectBase* effect) const override;

    // "%Default%/<name>.effect", with separators and a leading "." of the name escaped.
    std::wstring getDefaultFilePath() const;
    // The prototype, with the user's default file read into it once.
    EffectBase* getEffect();
    // A new instance with the class defaults and the prototype's shared resource.
    std::shared_ptr<EffectBase> createEffect();
    // Makes the effect's current values the defaults (writes the default file).
    void saveDefaultValue(const EffectBase* effect);
    // Returns the defaults to the class defaults (deletes the default file).
    void resetDefaultValue(const EffectBase* effect);

    std::shared_ptr<EffectBase> prototype;
    bool defaultsLoaded = false;
};

// A saved object ("object", kind 100) or effect chain ("effect", kind 101) in "%Alias%".
class AliasDefine final : public EffectMenuDefine {
public:
    AliasDefine(const std::wstring& name, const wchar_t* extension, uint8_t kind, int order);
    ~AliasDefine();

    const wchar_t* getName() const override;
    uint8_t getEffectType() override;
    // Read from the alias file on first use: the media of its first effect.
    uint8_t getMediaType() override;
    uint8_t getObjectMediaType() override;

    std::wstring getFilePath() const;

    std::wstring name;
    std::wstring extension;
    uint8_t kind;
    uint8_t mediaType = 0;
    uint8_t objectMediaType = 0;

private:
    void loadMediaType();
};

class MovementDefine final : public Menu::MenuDefineBase {
public:
    MovementDefine(std::shared_ptr<MovementBase> movement, int order);
    ~MovementDefine();

    const wchar_t* getName() const override;
    const wchar_t* getLabel() const override;

    std::shared_ptr<MovementBase> movement;
};

// A named set of movement parameters.
class MovementParamsDefine final : public Menu::MenuDefineBase {
public:
    MovementParamsDefine(const std::wstring& name, std::vector<double> params, int order);
    ~MovementParamsDefine();

    const wchar_t* getName() const override;

    // Writes a preset file of one entry: "params=" and the values, then CR LF.
    // Failures throw to the caller.
    static void saveMovementParamsFile(const wchar_t* path, const std::vector<double>& values);

    std::vector<double> params;
    std::wstring name;
};

// Sorts menu entries by ascending order (entries of equal order in no defined order).
template <class D>
void sortByOrder(std::vector<D*>& list)
{
    std::sort(list.begin(), list.end(), [](const D* a, const D* b) { return a->order < b->order; });
}

// The entries held by a map, sorted by ascending order.
template <class Map>
std::vector<typename Map::mapped_type*> listByOrder(Map& map)
{
    std::vector<typename Map::mapped_type*> list;
    list.reserve(map.size());
    for (auto& entry : map)
        list.push_back(&entry.second);
    sortByOrder(list);
    return list;
}

// The distinct non-empty labels of entries sorted by order, each at its first
// entry; the pointers point into the entries' labels.
template <class D>
std::vector<const wchar_t*> distinctLabels(const std::vector<D*>& sorted)
{
    std::vector<const wchar_t*> labels;
    for (const D* define : sorted) {
        if (define->label.empty())
            continue;
        if (std::none_of(labels.begin(), labels.end(), [&](const wchar_t* l) { return define->label == l; }))
            labels.push_back(define->label.c_str());
    }
    return labels;
}

// A name made safe as a file name: "/", "\", control characters and a leading
// "." become "%" and two hexadecimal digits; other names stay as they are.
std::wstring makeSafeFileName(const std::wstring& name);

} // namespace Effect
