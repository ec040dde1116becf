// The settings files read at start: the input stands as the user's style.conf
// (first) or system.conf, then the settings service and the interface text
// formats start from it.
#include "core/file_name.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/resource_service.h"
#include "platform/os/file.h"
#include "platform/os/folder.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <exception>
#include <string>

namespace {

// The services as the program starts them from the settings files, each text
// format asked for; a format that cannot be made from the file is reported.
void startFromFiles()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::Direct2DService>();
    auto* resources = services.acquire<Resource::ResourceService>();
    for (int i = 0; i < Resource::TextFormatList::Count; ++i) {
        try {
            resources->textFormats.get(i);
        } catch (const std::exception&) {
        }
    }
}

} // namespace

FUZZ_TARGET(style)
{
    Fuzz::startServices<>(startFromFiles);
    Fuzz::Input in(data, size);
    const wchar_t* file = in.byte() & 1 ? L"%AppData%/system.conf" : L"%AppData%/style.conf";
    const std::string path = System::toLocalPath(System::FileName::expand(file));
    Platform::Os::File out;
    size_t done = 0;
    if (out.open(path, Platform::Os::OpenMode::Replace) || out.write(in.rest(), in.restSize(), done) || out.close())
        return;
    try {
        startFromFiles();
    } catch (const std::exception&) {
        // A settings file the services refuse is reported; the program does not start.
    }
    Platform::Os::removeFile(path);
}
