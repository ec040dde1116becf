#include "ui/menus/menubar/file_menu.h"

#include "core/translate_service.h"
#include "io/output/output_plugin.h"
#include "io/output/output_service.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/surface.h"
#include "project/edit/edit_service.h"
#include "ui/editor/panes/status_component.h"
#include "ui/menus/dialogs/file_dialog.h"
#include "ui/window/window_menu.h"
#include "ui/window/window_service.h"

#include <string>
#include <vector>

namespace Menu {

namespace {
using namespace std::string_literals;

constexpr int HistoryListSize = 50;

std::vector<const wchar_t*> historyTexts(const Edit::FileHistory& history)
{
    std::vector<const wchar_t*> texts;
    for (const std::wstring* path : history.getFileList())
        texts.push_back(path->c_str());
    return texts;
}

void openProject()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->confirmDiscardEdit())
        return;
    std::wstring path = edit->project.path;
    if (!Dialog::showOpenFileDialog(path, L"ProjectFile (*.vmp2)\0*.vmp2\0\0"s))
        return;
    edit->loadProject(path, false, true);
}

// The writers' names as the export list shows them; kept here because the
// list reads them back each time it fills.
std::vector<std::wstring>& writerNames()
{
    static std::vector<std::wstring> names;
    return names;
}
} // namespace

bool FileMenu::openBackup(const std::wstring& path)
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->loadProject(path, true, false))
        return false;
    const size_t slash = path.find_last_of(L"/\\");
    edit->project.sourceName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (Component::StatusComponent* status = Component::StatusComponent::Get())
        status->updateWindowTitle();
    return true;
}

void FileMenu::postClose()
{
    Platform::Ui::postToMainThread([] {
        Window::WindowService* window = Window::WindowService::Get();
        if (window && window->surface && window->surface->exists())
            window->surface->requestClose();
    });
}

void FileMenu::initialize()
{
    Window::WindowMenu& m = *menu;
    m.insertItem(L"プロジェクトを新規作成", [] {
         if (Edit::EditService* edit = Edit::EditService::Get())
             edit->createProject();
     }).setShortcut(0x404E);
    m.insertItem(L"プロジェクトを開く", openProject).setShortcut(0x404F);

    Window::BaseMenu recent(m, L"最近使ったプロジェクト");
    m.insertItemList(
        recent, HistoryListSize,
        [](int i) {
            if (Edit::EditService* edit = Edit::EditService::Get()) {
                const std::wstring path = edit->projectHistory.getFileName(i);
                if (!path.empty())
                    edit->loadProject(path, true, true);
            }
        },
        [] {
            const Edit::EditService* edit = Edit::EditService::Get();
            return edit ? historyTexts(edit->projectHistory) : std::vector<const wchar_t*>();
        });
    Window::BaseMenu backups(m, L"バックアップしたプロジェクト");
    m.insertItemList(
        backups, HistoryListSize,
        [](int i) {
            if (Edit::EditService* edit = Edit::EditService::Get()) {
                const std::wstring path = edit->backupHistory.getFileName(i);
                if (!path.empty())
                    openBackup(path);
            }
        },
        [] {
            const Edit::EditService* edit = Edit::EditService::Get();
            return edit ? historyTexts(edit->backupHistory) : std::vector<const wchar_t*>();
        });
    m.insertSeparator();

    m.insertItem(L"プロジェクトを保存", [] {
         if (Edit::EditService* edit = Edit::EditService::Get())
             edit->overwriteSaveProject();
     }).setShortcut(0x4053);
    m.insertItem(L"プロジェクトを別名で保存", [] {
         if (Edit::EditService* edit = Edit::EditService::Get())
             edit->saveProjectAs();
     }).setShortcut(0x6053);
    m.insertSeparator();

    // The writers are registered at start only: the list is made once and frozen.
    std::vector<std::wstring>& names = writerNames();
    names.clear();
    if (const Plugin::OutputService* output = Plugin::OutputService::Get()) {
        const Translate::TranslateService* translate = Translate::TranslateService::Get();
        for (const auto& writer : output->writers)
            names.push_back(translate ? translate->translateMenu(writer->name) : writer->name);
    }
    Window::BaseMenu exports(m, L"ファイル出力");
    Window::WindowMenu::ItemList* list = m.insertItemList(
        exports, int(names.size()),
        [](int i) {
            if (Plugin::OutputService* output = Plugin::OutputService::Get(); output && i < int(output->writers.size()))
                output->outputFile(i);
        },
        [] {
            std::vector<const wchar_t*> texts;
            for (const std::wstring& name : writerNames())
                texts.push_back(name.c_str());
            return texts;
        });
    if (list)
        list->registerShortcuts(m);
    m.insertSeparator();

    m.insertItem(L"プロジェクトを保存して終了", [] {
         if (Edit::EditService* edit = Edit::EditService::Get())
             edit->overwriteSaveProject();
         postClose();
     }).setShortcut(0);
    m.insertItem(L"終了", [] { postClose(); }).setShortcut(0);
}

} // namespace Menu
