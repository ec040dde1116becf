#include "project/edit/edit_host.h"

#include "core/event_service.h"
#include "core/log.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"

namespace Edit {

namespace {
EditHost* installedEditHost = nullptr;
SettingHost* installedSettingHost = nullptr;
TimelineHost* installedTimelineHost = nullptr;

bool cancelled(const char* place, const wchar_t* title)
{
    System::Log::info(place, L"%s", title ? title : L"");
    return false;
}
} // namespace

EditHost::~EditHost() = default;

EditHost& EditHost::get()
{
    static EditHost defaultHost;
    return installedEditHost ? *installedEditHost : defaultHost;
}

void EditHost::install(EditHost* host)
{
    installedEditHost = host;
}

bool EditHost::showConfirm(const wchar_t* text)
{
    return cancelled("Dialog::showConfirm", text);
}

bool EditHost::showSceneDialog(const wchar_t* title, SceneSettings&, bool)
{
    return cancelled("Dialog::SceneDialog::show", title);
}

bool EditHost::inputString(const wchar_t* title, std::wstring&)
{
    return cancelled("Dialog::InputStringDialog::show", title);
}

bool EditHost::inputFrameLength(const wchar_t* title, int&, int, int, int)
{
    return cancelled("Dialog::FrameLengthDialog::show", title);
}

bool EditHost::inputNumber(const wchar_t* title, const wchar_t*, double&, double, double)
{
    return cancelled("Dialog::InputNumberDialog::show", title);
}

bool EditHost::showAliasDialog(const std::wstring& subject, bool, std::wstring&, std::wstring&)
{
    return cancelled("Dialog::AliasDialog::show", subject.c_str());
}

bool EditHost::showSaveFileDialog(std::wstring&, const std::wstring& filter)
{
    return cancelled("Dialog::showSaveFileDialog", filter.c_str());
}

void EditHost::showApplicationException(const std::wstring&) {}

void EditHost::setFooterMessage(const std::wstring&, const std::wstring&, float) {}

void EditHost::setBusyCursor(bool) {}

void EditHost::setDeniedCursor() {}

bool EditHost::isControlKeyDown()
{
    return false;
}

bool EditHost::isMousePending()
{
    return false;
}

int EditHost::getKeyWatch(Window::WindowControl*)
{
    return 0;
}

void EditHost::setKeyWatch(Window::WindowControl*, int) {}

SettingHost::~SettingHost() = default;

SettingHost& SettingHost::get()
{
    static SettingHost defaultHost;
    return installedSettingHost ? *installedSettingHost : defaultHost;
}

void SettingHost::install(SettingHost* host)
{
    installedSettingHost = host;
}

void SettingHost::resetSettingSection() {}
void SettingHost::clearSettingList() {}
void SettingHost::updateSettingValue() {}
void SettingHost::updateTimeSetting() {}
void SettingHost::updateColorSetting() {}
void SettingHost::updateTextSetting() {}

bool SettingHost::isTimeSettingShown()
{
    return false;
}

void SettingHost::setTimeSettingTarget(const std::shared_ptr<Object>&, const std::shared_ptr<Effect::EffectBase>&,
                                       Effect::EffectItemNumber*)
{
}

void SettingHost::applyParams(const std::vector<double>&) {}

TimelineHost::~TimelineHost() = default;

TimelineHost& TimelineHost::get()
{
    static TimelineHost defaultHost;
    return installedTimelineHost ? *installedTimelineHost : defaultHost;
}

void TimelineHost::install(TimelineHost* host)
{
    installedTimelineHost = host;
}

TimelineHost::TimelineView TimelineHost::getTimelineView()
{
    return {};
}

void TimelineHost::setFrameSelection(int start, int end)
{
    EditService* service = EditService::Get();
    if (!service || !service->currentScene)
        return;
    service->currentScene->frameSelectionStart = start;
    service->currentScene->frameSelectionEnd = end;
    if (service->eventService)
        service->eventService->selectFrameRangeChanged(start, end);
}

} // namespace Edit
