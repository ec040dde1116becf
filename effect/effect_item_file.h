#pragma once
// File paths: a plain file item, and a choice from a list that may instead
// hold a file (the figure item).
#include "effect/effect_item_select.h"

namespace Effect {

class EffectItemFile : public EffectItemBase<EffectItemFile> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    // filter: the file-dialog filter text, which the item keeps but does not own.
    EffectItemFile(EffectItemList& owner, std::wstring name, const wchar_t* filter, std::wstring path = {},
                   bool clearable = false);

    std::string toString() const override;
    // The path, with a leading path variable expanded.
    void fromString(const std::string& text) override;
    const wchar_t* getFilePath() const override;
    void setFilePath(const wchar_t* path) override;

    const wchar_t* filter;
    std::wstring path;
    bool clearable; // closing the file dialog without a choice clears the path

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.path); }
};

class EffectItemComboFile : public EffectItemBase<EffectItemComboFile> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemComboFile(EffectItemList& owner, std::wstring name, uint8_t kind,
                        std::shared_ptr<EffectItemSelect::SharedList> list, int value);

    // The path while a file is chosen, else the label of the entry (empty for one not in the list).
    std::string toString() const override;
    // A label selects its entry; a text with "." becomes the file path; anything else changes nothing.
    void fromString(const std::string& text) override;
    void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                       bool converted) override;
    const wchar_t* getFilePath() const override;
    // A non-empty path is chosen as the file; an empty one changes nothing.
    void setFilePath(const wchar_t* path) override;
    // Selects a list entry and clears the path; a value not in the list selects the first entry.
    void setSelectIndex(int value);

    std::shared_ptr<EffectItemSelect::SharedList> list;
    int value;         // -1 while a file is chosen
    std::wstring path;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.value, item.path); }
};

// A figure: a built-in figure of the figure list or an SVG file (kind 13; 17 in script effects).
class EffectItemFigureSelect : public EffectItemBase<EffectItemFigureSelect, EffectItemComboFile> {
public:
    // figure: the name of a built-in figure (an unknown name throws as a
    // label lookup), or null for the entry with value 1.
    EffectItemFigureSelect(EffectItemList& owner, std::wstring name, const wchar_t* figure = nullptr,
                           uint8_t kind = EffectItemKind::Figure);

    // The figure list, filled by the resource service when it starts.
    static const std::shared_ptr<EffectItemSelect::SharedList>& getFigureList();
};

} // namespace Effect
