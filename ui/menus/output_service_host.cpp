#include "ui/menus/output_service_host.h"

#include "ui/menus/dialogs/input_dialog.h"
#include "ui/window/base_menu.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_service.h"

namespace Dialog {

bool OutputServiceHost::showSaveFileDialog(std::wstring& path, const std::wstring& filter, const std::wstring& title,
                                           Plugin::OutputPlugin* writer)
{
    return Dialog::showSaveFileDialog(path, filter, title.c_str(), writer);
}

bool OutputServiceHost::showAviFileSaveDialog(void* owner, std::wstring& videoType, std::wstring& audioType)
{
    AviFileSaveDialog dialog;
    dialog.owner = owner;
    dialog.videoType = videoType;
    dialog.audioType = audioType;
    if (!dialog.show())
        return false;
    videoType = dialog.videoType;
    audioType = dialog.audioType;
    return true;
}

bool OutputServiceHost::inputInteger(void* owner, const std::wstring& title, const std::wstring& label, int& value,
                                     int minimum, int maximum)
{
    InputIntegerDialog dialog;
    dialog.owner = owner;
    dialog.title = title;
    dialog.label = label;
    dialog.value = value;
    dialog.minimum = minimum;
    dialog.maximum = maximum;
    if (!dialog.show())
        return false;
    value = dialog.value;
    return true;
}

int OutputServiceHost::showRadioMenu(const std::vector<MenuChoice>& items)
{
    Window::PopupMenu menu;
    int chosen = -1;
    for (size_t i = 0; i < items.size(); ++i) {
        Window::MenuItem item = menu.insertItem(translate(Table::Menu, items[i].text.c_str()),
                                                [&chosen, i] { chosen = int(i); });
        item.setCheck(items[i].checked);
        item.setRadioCheck();
    }
    menu.show();
    return chosen;
}

void OutputServiceHost::setInputEnable(bool enable, InputFilter filter)
{
    if (Window::WindowService* window = Window::WindowService::Get())
        window->setInputEnable(enable, std::move(filter));
}

void OutputServiceHost::setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress)
{
    if (Window::WindowService* window = Window::WindowService::Get(); window && window->footer)
        window->footer->setMessage(title, detail, progress);
}

void OutputServiceHost::showNotify(const std::wstring& title, const std::wstring& text)
{
    Window::WindowService::showNotify(title, text);
}

void OutputServiceHost::removeNotifyIcon()
{
    Window::WindowService::removeNotifyIcon();
}

} // namespace Dialog
