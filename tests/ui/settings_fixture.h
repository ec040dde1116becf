#pragma once
// The object settings window on the offscreen main window, filling it, with
// the edit, undo and effect services and the project tests' effects plus
// one filter holding an item of every kind ("全種類") that records what it
// hears and can be made to throw.
#include "effect/effect_item_button.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_select.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/test_effects.h"
#include "tests/ui/window_fixture.h"
#include "ui/settings/controls/effect_item_control.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_header.h"
#include "ui/settings/window/setting_windows.h"

#include <algorithm>
#include <stdexcept>

namespace SettingsTest {

using namespace WindowTest;

// Every item kind that has a control, and one that has none.
class AllKinds : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"全種類";
    AllKinds(const wchar_t* name = Name, uint8_t type = Effect::EffectType::Filter) : EffectBase(name, type, 1, 1, L"テスト")
    {
        for (Effect::EffectItem* item : items)
            item->notify = true;
        yesNo->insert(0, L"いいえ");
        yesNo->insert(1, L"はい");
        yesNo->insert(2, L"たぶん");
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<AllKinds>(); }
    bool itemEvent(Effect::ItemEvent& event) override
    {
        if (event.code == Effect::ItemEvent::ItemChanged) {
            heard.push_back(static_cast<const Effect::EffectItem*>(event.payload));
            if (throwOnChange)
                throw std::runtime_error("refused");
        }
        return false;
    }

    std::shared_ptr<Effect::EffectItemSelect::SharedList> yesNo = Effect::EffectItemSelect::SharedList::create();
    Effect::EffectItemNumber number{items, L"数値", 0.0, -100.0, 100.0, 0.01};
    Effect::EffectItemInteger integer{items, L"整数", 3, 0, 10};
    Effect::EffectItemInteger hidden{items, L"隠し", 0, 0, 10, Effect::EffectItemKind::HiddenInteger};
    Effect::EffectItemCheck check{items, L"チェック", false};
    Effect::EffectItemCheckButton left{items, L"左", false, 0.0f, 0.5f};
    Effect::EffectItemCheckButton right{items, L"右", false, 0.5f, 1.0f};
    Effect::EffectItemButton button{items, L"ボタン", 0.0f, 1.0f, [this](Component::EffectItemButtonControl&) { ++pressed; }};
    Effect::EffectItemSelectButton choice{items, L"選択ボタン", 0, yesNo, 0.0f, 1.0f};
    Effect::EffectItemSelect select{items, L"選択", 0, yesNo};
    Effect::EffectItemColor color{items, L"色", 255, 255, 255};
    Effect::EffectItemColor optional{items, L"縁色", 0, 0, 0, Effect::EffectItemKind::ColorOrNone, true};
    Effect::EffectItemFile file{items, L"ファイル", L"", L""};
    Effect::EffectItemScene scene{items, L"シーン"};
    Effect::EffectItemString string{items, L"文字列", L""};
    Effect::EffectItemText text{items, L"テキスト", L"abc"};
    Effect::EffectItemYUV yuv{items, L"YUV"};

    std::vector<const Effect::EffectItem*> heard;
    bool throwOnChange = false;
    int pressed = 0;
};

// A text object's source with the same items.
class TextSource : public AllKinds {
public:
    static constexpr const wchar_t* Name = L"テキスト";
    TextSource() : AllKinds(Name, Effect::EffectType::Input) {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TextSource>(); }
};

inline void registerSettingsEffects(Effect::EffectService& s)
{
    ProjectTest::registerEffects(s);
    s.registerEffect<AllKinds>();
    s.registerEffect<TextSource>();
}

class SettingsFixture : public WindowFixture {
public: // the cases' tables reach the helpers
    void SetUp() override
    {
        WindowFixture::SetUp();
        Effect::EffectService::builtInEffects = {registerSettingsEffects, nullptr};
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        undo = services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        windows = services.acquire<Component::SettingWindows>();
        setting().area = Window::WindowClient::AreaCenter;
        setting().left = setting().top = 0.0f;
        setting().right = setting().bottom = 1.0f;
        window->updateWindowLayout();
        Input::wait();
    }
    void TearDown() override
    {
        Window::PopupMenu::setChooser(nullptr);
        WindowFixture::TearDown();
    }

    Component::SettingComponent& setting() { return windows->setting; }
    Edit::Scene& scene() { return *edit->currentScene; }
    size_t steps() { return scene().undoHistory.steps.size(); }
    // Steps that can be undone (redo steps are dropped by the next commit).
    size_t undoable() { return scene().undoHistory.steps.size() - size_t(scene().undoHistory.position); }

    // A placed image object with its output and, when given, filters behind it.
    std::shared_ptr<Edit::Object> place(int layer, int start, int end, std::initializer_list<const wchar_t*> filters = {})
    {
        auto object = scene().createObject(L"画像ファイル", layer, start, end);
        for (const wchar_t* name : filters)
            object->setFilterEffect(Effect::EffectService::Get()->findEffect(name));
        return object;
    }
    std::shared_ptr<Edit::Object> placeAll(int layer, int start = 0, int end = 99)
    {
        return place(layer, start, end, {AllKinds::Name});
    }
    static AllKinds& kinds(const std::shared_ptr<Edit::Object>& object)
    {
        return dynamic_cast<AllKinds&>(*object->effects.back());
    }
    void focus(const std::shared_ptr<Edit::Object>& object)
    {
        scene().lastFrame = std::max(scene().lastFrame, 100000); // the cursor may go anywhere the tests place objects
        edit->setFocusObject(object);
        Input::wait();
    }
    // The control of an item in the shown panels.
    template <class T>
    T* control(const Effect::EffectItem& item)
    {
        for (const auto& panel : setting().panelList)
            if (auto* c = panel->findItemControl(&item))
                return dynamic_cast<T*>(c);
        return nullptr;
    }
    void select(std::initializer_list<std::shared_ptr<Edit::Object>> objects)
    {
        for (const auto& o : objects)
            scene().selection.addObject(o, scene());
    }
    void setMovement(Effect::EffectItemNumber& item, const wchar_t* name)
    {
        item.setMovement(Effect::EffectService::Get()->findMovement(name).movement.get());
    }

    Undo::UndoService* undo = nullptr;
    Edit::EditService* edit = nullptr;
    Component::SettingWindows* windows = nullptr;
};

} // namespace SettingsTest
