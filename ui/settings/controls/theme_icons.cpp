#include "ui/settings/controls/theme_icons.h"

#include "ui/window/bitmap_list.h"
#include "ui/window/window_service.h"

namespace Component {

Platform::Draw::Bitmap* themeBitmap(ThemeIcon icon)
{
    Window::WindowService* window = Window::WindowService::Get();
    if (!window)
        return nullptr;
    for (int i = 0; i < Window::BitmapList::Count; ++i)
        if (Window::BitmapList::resourceIds[i] == int(icon))
            return window->bitmapList.get(i);
    return nullptr;
}

} // namespace Component
