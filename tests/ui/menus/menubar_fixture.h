#pragma once
// The program's services in the entry's order on the offscreen platform, with
// the menu bar set built last, real input through the test-input kit, and
// dialogs, boxes and file boxes answered by the test.
#include "core/event_service.h"
#include "core/logger_service.h"
#include "core/module_trust_list.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/effect_service.h"
#include "effect/item_sources.h"
#include "effect/script_service.h"
#include "effects/built_in_effects.h"
#include "effects/objects/script_effect_kinds.h"
#include "io/input/input_service.h"
#include "io/output/output_plugin.h"
#include "io/output/output_service.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "media/xaudio2_service.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog_window.h"
#include "platform/ui/person.h"
#include "platform/ui/surface.h"
#include "ui/menus/dialogs/dialog_template.h"
#include "platform/ui/test_input.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/render_service.h"
#include "script/lua_script.h"
#include "tests/support/test_support.h"
#include "ui/editor/panes/explorer_component.h"
#include "ui/editor/panes/log_component.h"
#include "ui/editor/panes/object_list_component.h"
#include "ui/editor/panes/scene_list_component.h"
#include "ui/editor/panes/status_component.h"
#include "ui/editor/preview/preview_edit_component.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/menus/dialogs/file_dialog.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/menus/edit_service_host.h"
#include "ui/menus/menubar/main_menu_set.h"
#include "ui/settings/window/setting_windows.h"
#include "ui/window/list_box.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_menu.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace MenuBarTest {

namespace Input = Platform::Ui::TestInput;

class MenuBarFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestKit::useSoftwareGpu();
        Platform::Ui::initializeApplication();
        Edit::EditHost::install(&host);
        beforeServices();
        services.acquire<Setting::SettingService>();
        services.acquire<Logger::LoggerService>();
        translate = services.acquire<Translate::TranslateService>();
        // The texts as written, whatever the machine's language.
        translate->language.clear();
        translate->loadLanguage();
        services.acquire<Plugin::ModuleTrustList>();
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Media::Direct3DService>();
        Effect::ItemSources::installColorSpaces();
        services.acquire<Media::XAudio2Service>();
        services.acquire<Resource::ResourceService>();
        services.acquire<Event::EventService>();
        shortcuts = services.acquire<Window::ShortcutManager>();
        services.acquire<Window::WindowMouseService>();
        window = services.acquire<Window::WindowService>();
        services.acquire<Plugin::InputService>();
        output = services.acquire<Plugin::OutputService>();
        auto* scripts = services.acquire<Plugin::ScriptService>();
        scripts->registerPlugin<Plugin::LuaScript>();
        services.acquire<Cache::CacheService>();
        Effect::installScriptEffects();
        Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
        services.acquire<Effect::EffectService>();
        undo = services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        window->confirmClose = [] { return Edit::EditService::Get()->confirmDiscardEdit(); };
        timeline = services.acquire<Component::EditComponent>();
        services.acquire<Component::StatusComponent>();
        services.acquire<Component::SettingWindows>();
        render = services.acquire<Render::RenderService>();
        preview = services.acquire<Component::PreviewEditComponent>();
        services.acquire<Component::SceneListComponent>();
        services.acquire<Component::ObjectListComponent>();
        services.acquire<Component::ExplorerPanes>();
        services.acquire<Component::LogComponent>();
        menus = services.acquire<Menu::MainMenuSet>();
        ASSERT_TRUE(Input::activate());
        window->updateWindowLayout();
        Input::wait(20);
    }
    void TearDown() override
    {
        Platform::Ui::setDialogDriver(nullptr);
        Platform::Ui::clearAnswerers();
        Platform::Ui::setMessageBoxAnswerer(nullptr);
        Dialog::setSaveFileAnswerer(nullptr);
        Input::closePopups();
        Window::ListBox::release();
        Window::ToolTips::get().release();
        services.releaseAll();
        Edit::EditHost::install(nullptr);
    }
    virtual void beforeServices() {}

    Edit::Scene& scene() { return *edit->currentScene; }
    // The item of the menu bar's menu whose text (before the tab) is the given one.
    Platform::Ui::MenuEntry find(Window::BaseMenu menu, const std::wstring& text)
    {
        for (int i = 0; i < menu.itemCount(); ++i) {
            Platform::Ui::MenuEntry entry = menu.item(i);
            if (entry.text.substr(0, entry.text.find(L'\t')) == text)
                return entry;
            if (entry.subMenu) {
                Platform::Ui::MenuEntry inner = find(menu.subMenu(i), text);
                if (inner.id || inner.subMenu)
                    return inner;
            }
        }
        return {};
    }
    int idOf(int menu, const std::wstring& text) { return find(*window->menus[menu], text).id; }
    // Runs an item as its click would (through the bar's command map).
    void choose(int menu, const std::wstring& text)
    {
        const int id = idOf(menu, text);
        ASSERT_NE(id, 0) << "no item " << std::string(text.begin(), text.end());
        window->runCommand(id);
    }
    // The shortcut bound to the item's command id.
    const Window::Shortcut* shortcutOf(int commandId)
    {
        for (const Window::Shortcut& s : shortcuts->shortcuts)
            if (s.commandId == commandId)
                return &s;
        return nullptr;
    }
    // An object of the named effect placed on the layer from start to end.
    std::shared_ptr<Edit::Object> place(int layer, int start, int end, const wchar_t* effect = L"図形");
    // Whether the item is greyed after the bar's rules ran.
    bool greyed(int menu, const std::wstring& text)
    {
        window->initMenuPopup();
        return !find(*window->menus[menu], text).enabled;
    }

    Dialog::EditServiceHost host;
    System::ServiceStack services;
    Translate::TranslateService* translate = nullptr;
    Window::ShortcutManager* shortcuts = nullptr;
    Window::WindowService* window = nullptr;
    Plugin::OutputService* output = nullptr;
    Undo::UndoService* undo = nullptr;
    Edit::EditService* edit = nullptr;
    Component::EditComponent* timeline = nullptr;
    Render::RenderService* render = nullptr;
    Component::PreviewEditComponent* preview = nullptr;
    Menu::MainMenuSet* menus = nullptr;
};

} // namespace MenuBarTest
