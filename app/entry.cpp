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
#include "platform/ui/surface.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "script/lua_script.h"
#include "ui/editor/panes/explorer_component.h"
#include "ui/editor/panes/log_component.h"
#include "ui/editor/panes/object_list_component.h"
#include "ui/editor/panes/scene_list_component.h"
#include "ui/editor/panes/status_component.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/grid_dialog.h"
#include "ui/menus/edit_service_host.h"
#include "ui/menus/menubar/main_menu_set.h"
#include "ui/menus/output_service_host.h"
#include "ui/menus/source_ui_host.h"
#include "ui/settings/window/setting_windows.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/window_client.h"
#include "ui/window/window_footer.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

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
void startUp(System::ServiceStack& services, std::unique_ptr<System::ServiceReference<Menu::MainMenuSet>>& menuSet)
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
    services.acquire<Window::ShortcutManager>();
    services.acquire<Window::WindowMouseService>();
    auto* window = services.acquire<Window::WindowService>();
    window->footer->setMessage(L"Initializing...", L"", 0.0f);
    // SIGTERM and SIGINT ask the window to close, as its close button does
    // (one that comes during the start closes the window once the loop runs).
    Platform::Ui::onTerminationSignal([] {
        if (Window::WindowService* w = Window::WindowService::Get(); w && w->surface)
            w->surface->requestClose();
    });
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
    // No shortcut runs while an edit records its undo step; closing asks about unsaved changes.
    Window::ShortcutManager::Get()->isRecording = [] {
        const Undo::UndoService* undo = Undo::UndoService::Get();
        return undo && undo->recording;
    };
    window->confirmClose = [] {
        Edit::EditService* edit = Edit::EditService::Get();
        return !edit || edit->confirmDiscardEdit();
    };
    services.acquire<Component::EditComponent>();
    services.acquire<Component::StatusComponent>();
    services.acquire<Component::SettingWindows>();
    services.acquire<Render::RenderService>();
    // The panes that show frames need the render service.
    services.acquire<Component::PreviewEditComponent>();
    services.acquire<Component::SceneListComponent>();
    services.acquire<Component::ObjectListComponent>();
    services.acquire<Component::ExplorerPanes>();
    services.acquire<Component::LogComponent>();
    // Held outside the stack: released after the render workers stopped.
    menuSet = std::make_unique<System::ServiceReference<Menu::MainMenuSet>>();
    // Written once, when every script and plug-in of the start has been checked.
    Plugin::ModuleTrustList::Get()->saveTrustList();
    // Every panel exists: the window lays them out and paints once.
    {
        Media::RenderTarget::DrawSection scope(*window, 0, 0, window->width, window->height, true);
        window->layoutClients();
        for (Window::WindowClient* client : window->clients)
            if (client->isVisible())
                client->updateRect(false);
        window->drawEmptyArea();
        window->drawSeparators();
    }
    window->footer->setMessage(L"", L"", 0.0f);
    System::Log::info(Place, "start up");
    // The start-up listeners run once, before the main loop.
    Event::EventService::Get()->startup();
}

// The main loop: runs until the main window is closed.
void runMainLoop()
{
    Window::WindowService::Get()->processMessage();
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
    Plugin::ModuleTrustList::prompt = [](const std::wstring& key) { return Dialog::ConfirmTrustModule().show(key); };
    int exitCode = 0;
    {
        std::unique_ptr<System::ServiceReference<Menu::MainMenuSet>> menuSet;
        System::ServiceStack services;
        try {
            startUp(services, menuSet);
            runMainLoopGuarded();
            shutDown();
        } catch (const std::exception& e) {
            // Shown while the logger still exists, so the failure reaches the log file.
            Dialog::showException(e);
            exitCode = 1;
        }
        Platform::Ui::onTerminationSignal(nullptr);
        services.releaseAll();
        menuSet.reset();
    }
    Dialog::uninstallSourceUi();
    Plugin::ModuleTrustList::prompt = nullptr;
    Plugin::OutputHost::install(nullptr);
    Edit::EditHost::install(nullptr);
    System::Report::setSink({});
    Platform::Ui::shutdownApplication();
    return exitCode;
}

} // namespace App
