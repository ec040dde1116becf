#include "ui/menus/dialog.h"

#include "core/event_command.h"
#include "core/log.h"
#include "core/report.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "ui/window/window_service.h"

#include <cstdarg>
#include <string>

namespace Dialog {

namespace {
constexpr size_t MessageSize = 1024;
constexpr const wchar_t* Caption = L"Velmora Tessel2";

// Without the window service a box has no owner and holds the whole application.
bool windowServiceExists()
{
    return Window::WindowService::Get() != nullptr;
}

// Narrow texts are UTF-8; the ANSI code page only reads what is not.
std::wstring narrowToWide(const char* text)
{
    return System::isValidUtf8(text) ? System::utf8ToWide(text) : System::ansiToWide(text);
}

int showErrorBox(const std::wstring& text)
{
    stopPlayback();
    Platform::Ui::MessageBox box;
    box.owned = windowServiceExists();
    box.text = text;
    box.caption = Caption;
    box.icon = Platform::Ui::BoxIcon::Error;
    return static_cast<int>(Platform::Ui::showMessageBox(box));
}
} // namespace

const wchar_t* const ProductTitle = Caption;

void stopPlayback()
{
    if (Edit::EditService* edit = Edit::EditService::Get(); edit && edit->stopPlayback)
        edit->stopPlayback();
}

const wchar_t* programVersion()
{
    return VELMORA_VERSION;
}

std::wstring exceptionCaption()
{
    return std::wstring(Caption) + L" [" + programVersion() + L"] : Application Exception";
}

void showException(const std::exception& e)
{
    System::Log::error("Dialog::showException", "show exception dialog.\n%s", e.what());
    showApplicationException(narrowToWide(e.what()));
}

void showApplicationException(const std::wstring& message)
{
    stopPlayback();
    Platform::Ui::MessageBox box;
    box.owned = windowServiceExists();
    box.text = message;
    box.caption = exceptionCaption();
    box.icon = Platform::Ui::BoxIcon::Error;
    Platform::Ui::showMessageBox(box);
}

bool showConfirm(const wchar_t* text)
{
    stopPlayback();
    Platform::Ui::MessageBox box;
    box.owned = windowServiceExists();
    box.text = text;
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        box.text = Translate::TranslateService::Get()->message.translate(text);
    box.caption = Caption;
    box.icon = Platform::Ui::BoxIcon::Warning;
    box.buttons = Platform::Ui::BoxButtons::OkCancel;
    box.defaultAnswer = Platform::Ui::BoxAnswer::Cancel;
    return Platform::Ui::showMessageBox(box) == Platform::Ui::BoxAnswer::Ok;
}

int showError(const char* format, ...)
{
    char message[MessageSize];
    va_list args;
    va_start(args, format);
    System::formatNarrowV(message, MessageSize, format, args);
    va_end(args);
    System::Log::error("Dialog::showError", "show error dialog.\n%s", message);
    return showErrorBox(narrowToWide(message));
}

int showError(const wchar_t* format, ...)
{
    wchar_t message[MessageSize];
    va_list args;
    va_start(args, format);
    System::formatWideV(message, MessageSize, format, args);
    va_end(args);
    System::Log::error("Dialog::showError", L"show error dialog.\n%s", message);
    const wchar_t* shown = message;
    if (Translate::TranslateService::enabled && Translate::TranslateService::Get())
        shown = Translate::TranslateService::Get()->message.translate(message);
    return showErrorBox(shown);
}

int postError(const wchar_t* format, ...)
{
    wchar_t message[MessageSize];
    va_list args;
    va_start(args, format);
    int length = System::formatWideV(message, MessageSize, format, args);
    va_end(args);
    Event::EventCommand command;
    command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
    command.payload = std::make_unique<Event::ErrorPayload>(std::wstring(message, static_cast<size_t>(length)));
    Event::postEventCommand(std::move(command));
    return length;
}

void postException(const std::exception& e)
{
    Event::postException(Event::EventCommandType::ShowException, e);
}

void installReportSink()
{
    System::Report::Sink sink;
    sink.exception = [](const std::exception& e) { showException(e); };
    // The messages are finished: never read as a format again.
    sink.error = [](const std::string& message) { return showError("%s", message.c_str()); };
    sink.wideError = [](const std::wstring& message) { return showError(L"%s", message.c_str()); };
    System::Report::setSink(std::move(sink));
}

} // namespace Dialog
