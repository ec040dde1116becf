#pragma once
// The edit tests' world: the model test's services and effects, the event,
// undo and edit services, the settings windows, and the dialogs answered by
// the test instead of a person.
#include "core/event_service.h"
#include "core/file.h"
#include "core/text.h"
#include "effect/effect_item_simple.h"
#include "core/report.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "tests/project/project_fixture.h"
#include "tests/support/test_support.h"
#include "ui/menus/dialog.h"
#include "ui/menus/edit_service_host.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/settings/window/setting_windows.h"

#include <string>

namespace EditTest {

// A number and a text parameter, as the text and time windows edit them.
class TextEffect : public Effect::EffectBase {
public:
    TextEffect() : EffectBase(L"テキスト", 1, 1, 1, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TextEffect>(); }
    Effect::EffectItemNumber size{items, L"サイズ", 34.0, 0.0, 1000.0, 1.0};
    Effect::EffectItemText text{items, L"テキスト", L"Hello"};
};

class EditFixture : public ProjectTest::ModelTest {
protected:
    EditFixture()
    {
        Platform::Ui::initializeApplication();
        Dialog::installReportSink();
        Edit::EditHost::install(&host_);
        services_.acquire<Event::EventService>();
        services_.acquire<Undo::UndoService>();
        services_.acquire<Edit::EditService>();
    }
    ~EditFixture() override
    {
        services_.releaseAll();
        Edit::EditHost::install(nullptr);
        System::Report::setSink({});
        Platform::Ui::setMessageBoxAnswerer(nullptr);
        Dialog::SceneDialog::setAnswerer(nullptr);
        Dialog::InputStringDialog::setAnswerer(nullptr);
        Dialog::setSaveFileAnswerer(nullptr);
    }

    Edit::EditService& edit() { return *Edit::EditService::Get(); }
    Undo::UndoService& undo() { return *Undo::UndoService::Get(); }
    Event::EventService& events() { return *Event::EventService::Get(); }
    Edit::Scene& scene() { return *edit().currentScene; }
    Undo::UndoHistory& history() { return scene().undoHistory; }

    // Answers every message box: OK when ok, Cancel otherwise; the texts asked are kept.
    void answerBoxes(bool ok)
    {
        Platform::Ui::setMessageBoxAnswerer([this, ok](const Platform::Ui::MessageBox& box) {
            boxes.push_back(box.text);
            return ok ? Platform::Ui::BoxAnswer::Ok : Platform::Ui::BoxAnswer::Cancel;
        });
    }

    // A placed object with an input effect, created as an undoable edit.
    std::shared_ptr<Edit::Object> createRecorded(int layer, int start, int end)
    {
        Edit::UpdateSection update;
        update.openUndoStep();
        update.updateLayerObject = true;
        std::shared_ptr<Edit::Object> object = scene().createObject(L"画像ファイル", layer, start, end);
        undo().addObjectCreate(object);
        return object;
    }

    // The whole project as its file holds it.
    std::string projectText()
    {
        const std::string path = TestKit::tempDir() + "/text.vmp2";
        edit().project.saveProjectFile(System::utf8ToWide(path).c_str());
        return TestKit::readFile(path);
    }

    // Releases the edit, undo and event services (they write their settings back).
    void releaseServices() { services_.releaseAll(); }
    // Runs the main thread's queue until a box was asked.
    bool waitForBox()
    {
        return Platform::Ui::processMessagesUntil([this] { return !boxes.empty(); }, 5000);
    }

    std::vector<std::wstring> boxes;

private:
    Dialog::EditServiceHost host_;
    System::ServiceStack services_;
};

} // namespace EditTest
