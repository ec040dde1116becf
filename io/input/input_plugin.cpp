#include "io/input/input_plugin.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/text.h"

namespace Plugin {

InputPlugin::~InputPlugin() = default;

void InputPlugin::showSetting(void* owner)
{
    throw System::makeException("Plugin::InputPlugin::showSetting", "not implement.", nullptr);
}

std::vector<std::wstring> InputPlugin::getExtList() const
{
    if (!ext.empty())
        return System::splitWideString(ext, L',');
    return System::FileName::getFilterExtensionList(fileFilter);
}

void InputPlugin::setExtList(const std::wstring& text)
{
    const auto own = System::FileName::getFilterExtensionList(fileFilter);
    std::wstring joined;
    for (size_t i = 0; i < own.size(); ++i)
        joined += (i ? L"," : L"") + own[i];
    ext = text == joined ? std::wstring() : text;
}

void InputPlugin::attachConfig(int defaultPriority)
{
    saver_.reset();
    extValue_.reset();
    priorityValue_.reset();
    sectionName = "Input." + System::wideToUtf8(name);
    section = std::make_unique<System::Config::Section>(sectionName.c_str());
    priorityValue_ = std::make_unique<System::Config::Int>(*section, "priority", &priority, defaultPriority);
    extValue_ = std::make_unique<System::Config::String>(*section, "ext", &ext, std::wstring());
    priority = defaultPriority;
    ext.clear();
    if (System::Config::iniFile) {
        section->load(*System::Config::iniFile);
        saver_ = std::make_unique<System::Config::SectionSaver>(section.get());
    }
}

} // namespace Plugin
