#pragma once
// The output service's dialogs and window state, answered by the dialogs and
// the window framework. The entry installs it before the output service.
#include "io/output/output_host.h"

namespace Dialog {

class OutputServiceHost final : public Plugin::OutputHost {
public:
    bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const std::wstring& title,
                            Plugin::OutputPlugin* writer) override;
    bool showAviFileSaveDialog(void* owner, std::wstring& videoType, std::wstring& audioType) override;
    bool inputInteger(void* owner, const std::wstring& title, const std::wstring& label, int& value, int minimum,
                      int maximum) override;
    int showRadioMenu(const std::vector<MenuChoice>& items) override;
    void setInputEnable(bool enable, InputFilter filter) override;
    void setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress) override;
    void showNotify(const std::wstring& title, const std::wstring& text) override;
    void removeNotifyIcon() override;
};

} // namespace Dialog
