// style.conf's [Color] section: the input stands as the user's style.conf and
// every brush of the theme is made from it. A missing or malformed colour is
// drawn black (and logged); nothing else may come of it.
#include "core/file_name.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "platform/draw/resources.h"
#include "platform/os/file.h"
#include "platform/os/folder.h"
#include "tests/fuzz/fuzz_target.h"
#include "ui/window/color_brush_list.h"

#include <cmath>
#include <string>

FUZZ_TARGET(style_color)
{
    const std::string path = System::toLocalPath(System::FileName::expand(L"%AppData%/style.conf"));
    Platform::Os::File out;
    size_t done = 0;
    static const char header[] = "[Color]\r\n";
    if (out.open(path, Platform::Os::OpenMode::Replace) || out.write(header, sizeof header - 1, done) ||
        out.write(data, size, done) || out.close())
        return;
    try {
        System::ServiceStack services;
        services.acquire<Setting::SettingService>();
        Window::ColorBrushList brushes;
        for (int i = 0; i < Window::ColorBrushList::Count; ++i) {
            if (Platform::Draw::SolidColorBrush* solid = brushes.solid(i)) {
                const Platform::Draw::Color c = solid->getColor();
                for (float v : {c.r, c.g, c.b, c.a})
                    if (!std::isfinite(v) || v < 0 || v > 1)
                        Fuzz::fail("a brush colour out of range");
            } else if (!brushes.gradient(i)) {
                Fuzz::fail("a brush that is neither solid nor a gradient");
            }
        }
    } catch (const std::exception&) {
        // The rest of style.conf ([Layout], [Font]) may refuse to start the settings.
    }
    Platform::Os::removeFile(path);
}
