#include "core/menu_define.h"

#include "core/ini_file.h"
#include "core/text.h"

namespace Menu {

namespace {
std::string makeSectionName(const char* group, const wchar_t* key)
{
    return std::string(group) + "." + System::wideToUtf8(key ? std::wstring_view(key) : std::wstring_view());
}
} // namespace

MenuDefineBase::MenuDefineBase(const char* group, const wchar_t* key, int order, const wchar_t* label, bool visible)
    : sectionName(makeSectionName(group, key)),
      section_(sectionName.c_str()),
      labelParameter_(section_, "label", &this->label, label ? label : L""),
      orderParameter_(section_, "order", &this->order, order),
      hideParameter_(section_, "hide", &this->hide, visible ? 0 : 1),
      saver_(&section_)
{
    if (System::Config::iniFile)
        section_.load(*System::Config::iniFile);
    else
        for (System::Config::Parameter* p : section_.parameters)
            p->reset();
}

MenuDefineBase::~MenuDefineBase() = default;

const wchar_t* MenuDefineBase::getLabel() const
{
    return getName();
}

} // namespace Menu
