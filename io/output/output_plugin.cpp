#include "io/output/output_plugin.h"

#include "core/failure.h"
#include "core/text.h"
#include "io/output/output_host.h"

namespace Plugin {

OutputPlugin::~OutputPlugin()
{
    // The section is saved (saver_) before the values it names go.
    saver_.reset();
}

void OutputPlugin::onInitDialog()
{
    if (!panel)
        return;
    panel->buttonText = OutputHost::translate(OutputHost::Table::Dialog, L"設定");
    panel->settingText = getSettingText();
}

void OutputPlugin::onDestroyDialog() {}

void OutputPlugin::onCommandDialog(int id)
{
    if (id != SavePanel::ButtonId)
        return;
    showSetting();
    if (panel)
        panel->settingText = getSettingText();
}

void OutputPlugin::showSetting()
{
    throw System::makeException("Plugin::OutputPlugin::showSetting", "not implement.", "");
}

std::wstring OutputPlugin::getSettingText() { return name; }

void OutputPlugin::attachConfig(const char*) {}

void OutputPlugin::loadConfig(int defaultOrder)
{
    saver_.reset();
    orderValue_.reset();
    sectionName = "Output." + System::wideToUtf8(name);
    section_ = std::make_unique<System::Config::Section>(sectionName.c_str());
    orderValue_ = std::make_unique<System::Config::Int>(*section_, "order", &order, defaultOrder);
    order = defaultOrder;
    if (System::Config::iniFile) {
        section_->load(*System::Config::iniFile);
        saver_ = std::make_unique<System::Config::SectionSaver>(section_.get());
    }
    attachConfig(sectionName.c_str());
}

bool OutputPlugin::chooseFile(std::wstring& path)
{
    const bool withPanel = capability & CapabilitySetting;
    SavePanel shown;
    if (withPanel) {
        panel = &shown;
        onInitDialog();
    }
    bool chosen = false;
    try {
        chosen = OutputHost::get().showSaveFileDialog(path, fileFilter, name, withPanel ? this : nullptr);
    } catch (...) {
        panel = nullptr;
        throw;
    }
    if (withPanel)
        onDestroyDialog();
    panel = nullptr;
    return chosen;
}

WriterSettings::~WriterSettings()
{
    saver_.reset();
}

void WriterSettings::addInt(const char* key, int* bound, int defaultValue)
{
    intKeys_.push_back({key, bound, defaultValue});
    *bound = defaultValue;
}

void WriterSettings::addString(const char* key, std::wstring* bound, std::wstring defaultValue)
{
    *bound = defaultValue;
    stringKeys_.push_back({key, bound, std::move(defaultValue)});
}

void WriterSettings::attach(const char* sectionName)
{
    saver_.reset();
    ints_.clear();
    strings_.clear();
    name_ = sectionName;
    section_ = std::make_unique<System::Config::Section>(name_.c_str());
    for (const IntKey& k : intKeys_)
        ints_.push_back(std::make_unique<System::Config::Int>(*section_, k.key, k.bound, k.defaultValue));
    for (const StringKey& k : stringKeys_)
        strings_.push_back(std::make_unique<System::Config::String>(*section_, k.key, k.bound, k.defaultValue));
    if (System::Config::iniFile) {
        section_->load(*System::Config::iniFile);
        saver_ = std::make_unique<System::Config::SectionSaver>(section_.get());
    }
}

} // namespace Plugin
