#pragma once
// A menu entry the user may arrange: its label (menu group path, sub-menus
// separated by "\"), its order and whether it is hidden live in the main ini
// file in a section "<group>.<key>", read when the entry is made and stored
// when it is destroyed.
#include "core/config.h"

#include <string>

namespace Menu {

class MenuDefineBase {
public:
    MenuDefineBase(const char* group, const wchar_t* key, int order, const wchar_t* label, bool visible);
    MenuDefineBase(const MenuDefineBase&) = delete;
    MenuDefineBase& operator=(const MenuDefineBase&) = delete;

    // The key under which the owner registered the entry.
    virtual const wchar_t* getName() const = 0;
    // The text shown in menus.
    virtual const wchar_t* getLabel() const;

    const std::string sectionName;

private:
    System::Config::Section section_;

public:
    std::wstring label;
    int order = 0;
    int hide = 0;

private:
    System::Config::String labelParameter_;
    System::Config::Int orderParameter_;
    System::Config::Int hideParameter_;
    System::Config::SectionSaver saver_;

protected:
    // Owners destroy entries through their concrete class.
    ~MenuDefineBase();
};

} // namespace Menu
