#include "ui/window/tool_tips.h"

#include "core/event_service.h"
#include "core/log.h"
#include "core/translate_service.h"
#include "platform/ui/application.h"
#include "platform/ui/surface.h"
#include "platform/ui/tip_window.h"

namespace Window {

namespace {
std::wstring translatedMessage(const std::wstring& text)
{
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    if (!translate || !Translate::TranslateService::enabled)
        return text;
    return translate->message.translate(text.c_str());
}
} // namespace

ToolTips& ToolTips::get()
{
    static ToolTips tips;
    return tips;
}

ToolTips::~ToolTips()
{
    // At exit the toolkit may be gone already: its window is then left to the process's end.
    if (!Platform::Ui::hasApplication())
        (void)window.release();
}

void ToolTips::initialize()
{
    if (window || !Platform::Ui::hasApplication())
        return;
    window = std::make_unique<Platform::Ui::TipWindow>();
    if (released_) {
        released_ = false;
        if (Event::EventService* events = Event::EventService::Get())
            events->shutdown.push_back([] { get().release(); });
    }
}

void ToolTips::show(ScreenPoint at, const std::wstring& newText, int durationMs)
{
    initialize();
    if (durationMs != 0) {
        duration = durationMs;
        if (durationMs > 0)
            timer.set(unsigned(durationMs), [this] {
                if (duration != 0 && shown)
                    hide();
            });
    } else {
        duration = 0;
        timer.clear();
    }
    std::wstring translated = translatedMessage(newText);
    if (translated.size() > 1023)
        translated.resize(1023);
    if (translated != text) {
        text = translated;
        if (window)
            window->setText(text);
    }
    point = at;
    if (window) {
        int left = 0, top = 0, width = 0, height = 0;
        Platform::Ui::virtualScreen(left, top, width, height);
        const int excess = at.x + window->width() - (left + width);
        if (excess > 0)
            point.x -= excess;
        window->moveTo(point.x, point.y);
        if (!shown)
            window->show();
    } else {
        System::Log::verbose("Window::ToolTips::show", L"(%d, %d) %s", at.x, at.y, text.c_str());
    }
    shown = true;
}

void ToolTips::showAtCursor(const std::wstring& newText)
{
    int x = 0, y = 0;
    Platform::Ui::getCursorPos(x, y);
    show({x, y + CursorHeight}, newText, -1);
}

void ToolTips::showBelowWindow(int left, int bottom, const std::wstring& title, const std::wstring& newText)
{
    show({left, bottom + 1}, translatedMessage(title) + L" " + newText, 3000);
}

void ToolTips::hide()
{
    if (!shown)
        return;
    shown = false;
    duration = 0;
    timer.clear();
    if (window)
        window->hide();
}

void ToolTips::release()
{
    hide();
    window.reset();
    text.clear();
    released_ = true;
}

void ToolTips::hideUntilMoveTip()
{
    ToolTips& tips = get();
    if (tips.shown && tips.duration < 0)
        tips.hide();
}

void ToolTips::hideShownTip()
{
    get().hide();
}

} // namespace Window
