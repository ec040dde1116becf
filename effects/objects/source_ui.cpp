#include "effects/objects/source_ui.h"

#include "core/log.h"

#include <mutex>

namespace Effect::SourceUi {

namespace {
std::mutex mutex;
ToolTipHook& toolTipHook()
{
    static ToolTipHook hook;
    return hook;
}
PopupMenuHook& popupMenuHook()
{
    static PopupMenuHook hook;
    return hook;
}
} // namespace

void installHooks(ToolTipHook toolTip, PopupMenuHook popupMenu)
{
    std::lock_guard lock(mutex);
    toolTipHook() = std::move(toolTip);
    popupMenuHook() = std::move(popupMenu);
}

void showToolTip(const std::wstring& text)
{
    ToolTipHook hook;
    {
        std::lock_guard lock(mutex);
        hook = toolTipHook();
    }
    if (hook)
        hook(text);
    else
        System::Log::verbose("Effect::SourceUi::showToolTip", L"%s", text.c_str());
}

bool showPopupMenu(const std::vector<MenuEntry>& menu)
{
    PopupMenuHook hook;
    {
        std::lock_guard lock(mutex);
        hook = popupMenuHook();
    }
    return hook && hook(menu);
}

} // namespace Effect::SourceUi
