#pragma once
// The media sources' world: the device (the built-in effects build their
// shaders when they register), the settings, the 2D drawing, imaging and
// shared drawing resources, the input, effect, undo and edit services, the
// settings windows and the source menus. Media are files of the
// test input module, which reports whatever pixel format, frame rate and
// track counts a test writes.
#include "core/event_service.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_service.h"
#include "effects/built_in_effects.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "media/yuv_format.h"
#include "platform/ui/application.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/io/io_fixture.h"
#include "tests/media/object_fixture.h"
#include "tests/support/test_support.h"
#include "ui/menus/source_ui_host.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_windows.h"
#include "ui/window/base_menu.h"

#include <gtest/gtest.h>

#include <string>

namespace SourceTest {

inline const std::string ModulePath = std::string(VELMORA_TEST_MODULES) + "/test_input_module.vmi2";

// The module's video formats.
constexpr uint32_t fourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}
inline const std::string Rgb24 = "bits=24 compression=0";
inline const std::string Yuy2 = "bits=16 compression=" + std::to_string(fourCC('Y', 'U', 'Y', '2'));
inline const std::string Yc48 = "bits=48 compression=" + std::to_string(fourCC('Y', 'C', '4', '8'));

class SourceFixture : public TestKit::ObjectFixture {
protected:
    void SetUp() override
    {
        ObjectFixture::SetUp();
        Platform::Ui::initializeApplication();
        services.acquire<Setting::SettingService>();
        // The drawing services in the entry's order, before the effects: font
        // and figure lists are read from them when the effects register.
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        services.acquire<Resource::ResourceService>();
        Media::YUVformat::InitializeColorTable();
        services.acquire<Event::EventService>();
        Plugin::InputService* input = services.acquire<Plugin::InputService>();
        input->readers.clear();
        input->registerPlugin(System::fromLocalPath(ModulePath));
        input->updateExtTypeList();
        Effect::EffectService::builtInEffects = Effect::builtInEffectTable();
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        windows = services.acquire<Component::SettingWindows>();
        Dialog::installSourceUi();
    }
    void TearDown() override
    {
        Dialog::uninstallSourceUi();
        Window::PopupMenu::setChooser(nullptr);
        object.reset();
        services.releaseAll();
        ObjectFixture::TearDown();
    }

    // A media file of the module: video of 8 x 4 pixels and stereo sound, plus the given words.
    std::wstring media(const std::string& name, const std::string& words)
    {
        const std::string path = IoTest::tempPath(name);
        IoTest::writeBytes(path, "video=1 width=8 height=4 frames=300 audio=1 tag=1 channels=2 audio_bits=16 "
                                 "sample_rate=8000 samples=80000 " +
                                     words);
        return IoTest::widePath(path);
    }

    // A placed object of the top effect with the file chosen through the
    // settings window (item event 1 inside a transaction), made the focus object.
    template <class Source>
    std::shared_ptr<Source> place(const std::wstring& path)
    {
        object = edit->currentScene->createObject(Source::Name, layer++, 0, 9);
        auto source = std::dynamic_pointer_cast<Source>(object->effects[0]);
        EXPECT_TRUE(source);
        if (!path.empty()) {
            Edit::UpdateSection update;
            source->file.path = path;
            Effect::ItemEvent event;
            event.code = Effect::ItemEvent::ItemChanged;
            event.update = &update;
            event.object = object.get();
            event.effect = source;
            event.payload = &source->file;
            source->itemEvent(event);
        }
        edit->setFocusObject(object);
        return source;
    }

    // The control of the item in the panel of the focus object's input.
    template <class Control>
    Control* control(const Effect::EffectItem& item)
    {
        EXPECT_FALSE(windows->setting.panelList.empty());
        if (windows->setting.panelList.empty())
            return nullptr;
        return dynamic_cast<Control*>(windows->setting.panelList[0]->findItemControl(&item));
    }

    // Shows the focus object again, as after a change of its chain.
    void rebuild()
    {
        windows->setting.setTarget(nullptr);
        windows->setting.setTarget(object);
    }

    System::ServiceStack services;
    Edit::EditService* edit = nullptr;
    Component::SettingWindows* windows = nullptr;
    std::shared_ptr<Edit::Object> object;
    int layer = 0; // each placed object on a layer of its own
};

} // namespace SourceTest
