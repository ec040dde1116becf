#include "ui/window/window_footer.h"

#include "core/log.h"

namespace Window {

WindowFooter& WindowFooter::get()
{
    static WindowFooter footer;
    return footer;
}

void WindowFooter::setMessage(const std::wstring& newTitle, const std::wstring& newDetail, float newProgress)
{
    title = newTitle;
    detail = newTitle.empty() ? std::wstring() : newDetail;
    progress = newTitle.empty() ? 0.0f : newProgress;
    System::Log::verbose("Window::WindowFooter::setMessage", L"%s", message().c_str());
}

std::wstring WindowFooter::message() const
{
    if (title.empty())
        return {};
    return detail.empty() ? title : title + L" " + detail;
}

ToolTips& ToolTips::get()
{
    static ToolTips tips;
    return tips;
}

void ToolTips::show(ScreenPoint at, const std::wstring& newText)
{
    visible = true;
    point = at;
    text = newText;
    System::Log::verbose("Window::ToolTips::show", L"(%d, %d) %s", at.x, at.y, newText.c_str());
}

void ToolTips::showAtCursor(const std::wstring& newText)
{
    show({0, CursorHeight}, newText);
}

void ToolTips::hide()
{
    visible = false;
}

} // namespace Window
