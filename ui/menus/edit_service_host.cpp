#include "ui/menus/edit_service_host.h"

#include "ui/menus/dialogs/alias_dialog.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "core/log.h"
#include "ui/window/window_control.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

namespace Dialog {

bool EditServiceHost::showConfirm(const wchar_t* text)
{
    return Dialog::showConfirm(text);
}

bool EditServiceHost::showSceneDialog(const wchar_t* title, Edit::SceneSettings& settings, bool withName)
{
    SceneDialog dialog;
    dialog.title = title;
    dialog.withName = withName;
    dialog.values = settings;
    if (!dialog.show())
        return false;
    settings = dialog.values;
    return true;
}

bool EditServiceHost::inputString(const wchar_t* title, std::wstring& text)
{
    InputStringDialog dialog;
    dialog.title = title;
    dialog.text = text;
    if (!dialog.show())
        return false;
    text = dialog.text;
    return true;
}

bool EditServiceHost::inputFrameLength(const wchar_t* title, int& frames, int maximum, int videoRate, int videoScale)
{
    FrameLengthDialog dialog;
    dialog.title = title;
    dialog.frames = frames;
    dialog.maximum = maximum;
    dialog.videoRate = videoRate;
    dialog.videoScale = videoScale;
    if (!dialog.show())
        return false;
    frames = dialog.frames;
    return true;
}

bool EditServiceHost::inputNumber(const wchar_t* title, const wchar_t* label, double& value, double minimum,
                                  double maximum)
{
    InputNumberDialog dialog;
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

bool EditServiceHost::showAliasDialog(const std::wstring& subject, bool subjectIsKey, std::wstring& name,
                                      std::wstring& label)
{
    AliasDialog dialog;
    dialog.subject = subject;
    dialog.subjectIsKey = subjectIsKey;
    dialog.name = name;
    dialog.label = label;
    if (!dialog.show())
        return false;
    name = dialog.name;
    label = dialog.label;
    return true;
}

bool EditServiceHost::showSaveFileDialog(std::wstring& path, const std::wstring& filter)
{
    return Dialog::showSaveFileDialog(path, filter);
}

void EditServiceHost::showApplicationException(const std::wstring& message)
{
    Dialog::showApplicationException(message);
}

void EditServiceHost::setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress)
{
    if (Window::WindowService* window = Window::WindowService::Get(); window && window->footer)
        window->footer->setMessage(title, detail, progress);
    else
        System::Log::verbose("Window::WindowFooter::setMessage", L"%s %s", title.c_str(), detail.c_str());
}

void EditServiceHost::setDeniedCursor()
{
    Window::WindowMouseService* mouse = Window::WindowMouseService::Get();
    if (!mouse)
        return;
    mouse->setCursor(&Window::Cursors::No);
    mouse->mouseCursor.updateWindowCursor();
}

bool EditServiceHost::isControlKeyDown()
{
    return Window::WindowMouseService::isKeyDown(Window::WindowMouseService::WatchControlKey);
}

void EditServiceHost::setBusyCursor(bool busy)
{
    Window::WindowMouseService* mouse = Window::WindowMouseService::Get();
    if (!mouse)
        return;
    // The busy cursor stays while the pointer moves: it is the default meanwhile.
    mouse->mouseCursor.defaultCursor = busy ? &Window::Cursors::AppStarting : &Window::Cursors::Arrow;
    mouse->setCursor(mouse->mouseCursor.defaultCursor);
    mouse->mouseCursor.updateWindowCursor();
}

bool EditServiceHost::isMousePending()
{
    const Window::WindowMouseService* mouse = Window::WindowMouseService::Get();
    return mouse && mouse->pressTarget;
}

int EditServiceHost::getKeyWatch(Window::WindowControl*)
{
    // The window has one key watch; a control asks whether one is running.
    const Window::WindowMouseService* mouse = Window::WindowMouseService::Get();
    return mouse && mouse->keyWatchTarget ? mouse->keyWatchKey : 0;
}

void EditServiceHost::setKeyWatch(Window::WindowControl* control, int code)
{
    if (Window::WindowMouseService* mouse = Window::WindowMouseService::Get())
        mouse->watchKey(control, code);
}

} // namespace Dialog
