#include "app/entry.h"

#include "core/event_service.h"
#include "core/log.h"
#include "core/logger_service.h"
#include "core/module_trust_list.h"
#include "core/process.h"
#include "core/report.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "effect/effect_service.h"
#include "effect/item_sources.h"
#include "effect/script_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/script_effect_kinds.h"
#include "io/input/input_service.h"
#include "io/output/output_service.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "media/xaudio2_service.h"
#include "platform/os/process.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "script/lua_script.h"
#include "ui/editor/edit_component.h"
#include "ui/menus/dialog.h"
#include "ui/menus/edit_service_host.h"
#include "ui/menus/output_service_host.h"
#include "ui/menus/source_ui_host.h"
#include "ui/settings/setting_windows.h"

#include <exception>
#include <memory>
#include <string>

namespace App {

namespace {
constexpr const char* Place = "App::run";

void logUnansweredBoxes()
{
    // Without a display a box is answered at once; its text still reaches the terminal.
    Platform::Ui::setMessageBoxLog([](const Platform::Ui::MessageBox& box) {
        std::wstring text = box.caption + L": " + box.text + L"\n";
        Platform::Os::debugOutput(System::wideToUtf8(text).c_str());
    });
}

// Start-up in creation order. Later services join this list at their place.
void startUp(System::ServiceStack& services)
{
    services.acquire<Setting::SettingService>();
    System::Process::SetThreadPriority("MainThreadPriority");
    services.acquire<Logger::LoggerService>();
    services.acquire<Translate::TranslateService>();
    services.acquire<Plugin::ModuleTrustList>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct2DService>();
    services.acquire<Media::Direct3DService>();
    // Parameter items name the YUV colour spaces the graphics device has just read.
    Effect::ItemSources::installColorSpaces();
    services.acquire<Media::XAudio2Service>();
    services.acquire<Resource::ResourceService>();
    services.acquire<Event::EventService>();
    services.acquire<Plugin::InputService>();
    services.acquire<Plugin::OutputService>();
    auto* scripts = services.acquire<Plugin::ScriptService>();
    scripts->registerPlugin<Plugin::LuaScript>();
    scripts->registerPlugin<Plugin::LuaJitScript>();
    // Its scratch buffers serve the readers' reads.
    services.acquire<Cache::CacheService>();
    Effect::installScriptEffects();
    Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
    services.acquire<Effect::EffectService>();
    services.acquire<Undo::UndoService>();
    services.acquire<Edit::EditService>();
    services.acquire<Component::EditComponent>();
    services.acquire<Component::SettingWindows>();
    services.acquire<Render::RenderService>();
    // Written once, when every script and plug-in of the start has been checked.
    Plugin::ModuleTrustList::Get()->saveTrustList();
    System::Log::info(Place, "start up");
    // The start-up listeners run once, before the main loop.
    Event::EventService::Get()->startup();
}

// The main loop. Until the main window exists it runs what is already
// queued (errors posted while the project loaded) and returns.
void runMainLoop()
{
    Platform::Ui::processMessages(0);
}

// An exception that escapes the main loop ends the program after the edit
// service saved an exception backup and told the user.
void runMainLoopGuarded()
{
    try {
        runMainLoop();
    } catch (const std::exception& e) {
        if (Edit::EditService* edit = Edit::EditService::Get())
            edit->applicationException(e);
        else
            Dialog::showException(e);
    }
}

void shutDown()
{
    System::Log::info(Place, "shut down");
    Event::EventService::Get()->shutdown();
}
} // namespace

int run()
{
    Platform::Ui::initializeApplication();
    logUnansweredBoxes();
    Dialog::installReportSink();
    static Dialog::EditServiceHost editHost;
    Edit::EditHost::install(&editHost);
    static Dialog::OutputServiceHost outputHost;
    Plugin::OutputHost::install(&outputHost);
    Dialog::installSourceUi();
    int exitCode = 0;
    {
        System::ServiceStack services;
        try {
            startUp(services);
            runMainLoopGuarded();
            shutDown();
        } catch (const std::exception& e) {
            // Shown while the logger still exists, so the failure reaches the log file.
            Dialog::showException(e);
            exitCode = 1;
        }
        services.releaseAll();
    }
    Dialog::uninstallSourceUi();
    Plugin::OutputHost::install(nullptr);
    Edit::EditHost::install(nullptr);
    System::Report::setSink({});
    Platform::Ui::shutdownApplication();
    return exitCode;
}

} // namespace App
