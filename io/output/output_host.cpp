#include "io/output/output_host.h"

#include "core/log.h"
#include "core/translate_service.h"

namespace Plugin {

namespace {
OutputHost defaultHost;
OutputHost* installed = nullptr;
} // namespace

OutputHost::~OutputHost() = default;

OutputHost& OutputHost::get() { return installed ? *installed : defaultHost; }

void OutputHost::install(OutputHost* host) { installed = host; }

std::wstring OutputHost::translate(Table table, const wchar_t* text)
{
    Translate::TranslateService* service = Translate::TranslateService::Get();
    if (!service || !Translate::TranslateService::enabled)
        return text;
    switch (table) {
    case Table::Message: return service->message.translate(text);
    case Table::Menu: return service->menu.translate(text);
    case Table::Dialog: return service->dialog.translate(text);
    }
    return text;
}

bool OutputHost::showSaveFileDialog(std::wstring& path, const std::wstring& filter, const std::wstring& title,
                                    OutputPlugin* writer)
{
    System::Log::info("Plugin::OutputHost::showSaveFileDialog", L"%s: cancelled without a window", title.c_str());
    return false;
}

bool OutputHost::showAviFileSaveDialog(void* owner, std::wstring& videoType, std::wstring& audioType) { return false; }

bool OutputHost::inputInteger(void* owner, const std::wstring& title, const std::wstring& label, int& value,
                              int minimum, int maximum)
{
    return false;
}

int OutputHost::showRadioMenu(const std::vector<MenuChoice>& items) { return -1; }

void OutputHost::setInputEnable(bool enable, InputFilter filter)
{
    System::Log::verbose("Plugin::OutputHost::setInputEnable", L"input %s", enable ? L"enabled" : L"disabled");
}

void OutputHost::setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress) {}

void OutputHost::showNotify(const std::wstring& title, const std::wstring& text)
{
    System::Log::info("Plugin::OutputHost::showNotify", L"%s", text.c_str());
}

void OutputHost::removeNotifyIcon() {}

} // namespace Plugin
