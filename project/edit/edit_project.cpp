// The edit service's projects: create, load, save, the command line, and the
// backup of an exception that ends the program.
#include "core/event_service.h"
#include "core/failure.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/report.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "platform/os/process.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/files/file_path_rebase.h"
#include "project/model/scene.h"

#include <algorithm>
#include <cerrno>
#include <cwctype>

namespace Edit {

namespace {

constexpr const wchar_t* ResumeFile = L"%AppData%/resume.vmp2";
// A file-dialog filter: title and pattern, each ended by a NUL, and one NUL more.
std::wstring projectFilter()
{
    using namespace std::string_literals;
    return L"ProjectFile (*.vmp2)\0*.vmp2\0\0"s;
}

// The main loop shows the message later (worker threads and transactions must not wait for a person).
void postError(const wchar_t* message)
{
    Event::EventCommand command;
    command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
    command.payload = std::make_unique<Event::ErrorPayload>(message);
    Event::postEventCommand(std::move(command));
}

// A path names a file when something follows its last folder separator.
bool hasFileName(const std::wstring& path)
{
    return !path.empty() && path.back() != L'\\' && path.back() != L'/';
}

bool equalIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    }
    return true;
}

} // namespace

// ---- command line ----

std::wstring EditService::processCommandLine(const std::vector<std::wstring>& arguments)
{
    std::wstring found;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        // Options begin with "-". A leading "/" is a path here, not an option.
        if (argument.empty() || argument[0] == L'-')
            continue;
        if (System::FileName::getExtension(System::FileName::expand(argument.c_str()).c_str()) == L"vmp2")
            found = argument;
    }
    return found;
}

std::wstring EditService::processCommandLine()
{
    std::vector<std::string> narrow;
    if (int e = Platform::Os::commandLineArguments(narrow)) {
        errno = e;
        throw System::makeLastErrorException("commandLineArguments", "Edit::EditService::processCommandLine");
    }
    std::vector<std::wstring> arguments;
    arguments.reserve(narrow.size());
    for (const std::string& argument : narrow)
        arguments.push_back(System::utf8ToWide(argument));
    return processCommandLine(arguments);
}

// ---- life ----

void EditService::startup()
{
    const std::wstring path = processCommandLine();
    bool loaded = false;
    if (!path.empty()) {
        loaded = loadProject(path, false, true);
    } else if (editResume) {
        const std::wstring resume = System::FileName::expand(ResumeFile);
        if (System::File::exists(resume.c_str()))
            loaded = loadProject(resume, false, false);
    }
    // A load announced its scene; otherwise the panes hear of scene 0 here.
    if (!loaded && eventService)
        eventService->sceneChanged(project.currentSceneId);

    projectHistory.maxCount = std::clamp(historyFileMax, 0, 50);
    projectHistory.trimFileList();
    backupHistory.maxCount = std::clamp(autoBackupFileMax, 0, 50);
    backupHistory.trimFileList();
    backupHistory.updateAutoBackupTimer();
}

void EditService::shutdown()
{
    backupHistory.clearAutoBackupTimer();
    if (editResume && !exceptionOccurred)
        saveProject(System::FileName::expand(ResumeFile), false);
}

void EditService::applicationException(const std::exception& e)
{
    exceptionOccurred = true;
    backupHistory.clearAutoBackupTimer();
    const std::wstring message =
        System::ansiToWide(e.what()) + L"\n\nプロジェクトをバックアップしてアプリケーションを終了します";

    // The backup comes before the box: the box waits for a person, and the
    // program may not live that long.
    const std::wstring backup = System::FileName::makeTimeStampFileName(L"%Backup%/", L"ExceptionBackup", L"vmp2");
    System::Log::info("Edit::EditService::applicationException", L"exception backup : %s", backup.c_str());
    const bool saved = saveProject(backup, true) && System::File::exists(backup.c_str());

    System::Log::error("Dialog::showException", L"show exception dialog.\n%s", message.c_str());
    if (stopPlayback)
        stopPlayback();
    EditHost::get().showApplicationException(message);

    // Without a backup the resume file is the last copy of the work.
    if (saved)
        System::File::remove(System::FileName::expand(ResumeFile).c_str());
}

// ---- project ----

bool EditService::confirmDiscardEdit()
{
    if (!undoService || !undoService->modified)
        return true;
    if (stopPlayback)
        stopPlayback();
    return EditHost::get().showConfirm(L"現在の編集データは破棄されますがよろしいですか？");
}

void EditService::clearProject()
{
    UpdateSection update(*this);
    if (undoService)
        undoService->modified = false;
    objectClipboard.clear();
    project.clear();
    update.notifyScene = true;
    update.sceneId = 0;
    setCurrentScene(0);
    logCurrentScene("Edit::EditService::clearProject");
}

bool EditService::createProject()
{
    if (!confirmDiscardEdit())
        return false;
    SceneSettings chosen;
    Setting::SettingService* defaults = Setting::SettingService::Get();
    if (defaults) {
        chosen.width = defaults->projectWidth;
        chosen.height = defaults->projectHeight;
        chosen.videoRate = defaults->projectVideoRate;
        chosen.videoScale = defaults->projectVideoScale;
        chosen.audioRate = defaults->projectAudioRate;
    }
    if (!EditHost::get().showSceneDialog(L"プロジェクトを新規作成", chosen, false))
        return false;
    clearProject();
    System::Log::info("Edit::EditService::createProject", "create project file");
    {
        UpdateSection update(*this);
        update.notifyScene = true;
        update.sceneId = 0;
        setCurrentScene(0);
        logCurrentScene("Edit::EditService::createProject");
        Scene& scene = *currentScene;
        scene.width = chosen.width;
        scene.height = chosen.height;
        scene.videoRate = chosen.videoRate;
        scene.videoScale = chosen.videoScale;
        scene.audioRate = chosen.audioRate;
        backupHistory.updateAutoBackupTimer();
    }
    // The new project's format is the next one's default.
    if (defaults) {
        defaults->projectWidth = chosen.width;
        defaults->projectHeight = chosen.height;
        defaults->projectVideoRate = chosen.videoRate;
        defaults->projectVideoScale = chosen.videoScale;
        defaults->projectAudioRate = chosen.audioRate;
    }
    return true;
}

bool EditService::loadProject(const std::wstring& path, bool confirm, bool setPath)
{
    const std::wstring file = System::FileName::expand(path.c_str());
    if (!System::File::exists(file.c_str())) {
        System::Report::showError(L"%s", L"指定のファイルが存在しません");
        return false;
    }
    if (confirm && !confirmDiscardEdit())
        return false;
    clearProject();
    System::Log::info("Edit::EditService::loadProject", L"load project file : %s", path.c_str());
    setFooter(L"Loading...");

    bool loaded = true;
    FilePathRebase rebase;
    {
        UpdateSection update(*this);
        try {
            project.loadProjectFile(file.c_str());
        } catch (const std::exception&) {
            // Nothing of the file stays: no path, so no later save can put the
            // empty project over it, and no history entry.
            project.clear();
            postError(L"プロジェクトの読み込みに失敗しました");
            loaded = false;
        }
        if (loaded && setPath) {
            // The files to move with the project are found here; the question
            // waits until the lock is free.
            const std::wstring& stored = project.path;
            if (!stored.empty() && hasFileName(stored) && !equalIgnoringCase(stored, file))
                rebase = findFilePathRebase(project, file);
            project.setPath(path);
        }
        const int id = project.scenes.count(project.currentSceneId) ? project.currentSceneId : 0;
        update.notifyScene = true;
        update.sceneId = id;
        setCurrentScene(id);
        logCurrentScene("Edit::EditService::loadProject");
        setFooter(L"");
        if (loaded)
            projectHistory.addFile(project.path);
    }
    if (loaded && projectLoaded)
        projectLoaded(project, file);
    if (!rebase.changes.empty() && confirmFilePathRebase()) {
        UpdateSection update(*this);
        update.notifyEdit = true;
        applyFilePathRebase(rebase);
    }
    return loaded;
}

bool EditService::saveProject(const std::wstring& path, bool silent)
{
    System::Log::info("Edit::EditService::saveProject", L"save project file : %s", path.c_str());
    if (!silent)
        setFooter(L"Saving...");
    bool saved = false;
    try {
        project.saveProjectFile(System::FileName::expand(path.c_str()).c_str());
        saved = true;
        // A backup or resume copy does not put the changes into the project's own file.
        if (!silent && undoService)
            undoService->modified = false;
    } catch (const std::exception&) {
        postError(L"プロジェクトの保存に失敗しました");
    }
    if (!silent) {
        setFooter(L"");
        projectHistory.addFile(project.path);
    }
    return saved;
}

bool EditService::saveProjectAs()
{
    std::wstring chosen = project.path;
    if (!EditHost::get().showSaveFileDialog(chosen, projectFilter()))
        return false;
    if (chosen != project.path) {
        UpdateSection update(*this);
        update.notifyScene = true;
        update.sceneId = currentScene->id;
        project.setPath(chosen);
    }
    return saveProject(chosen, false);
}

bool EditService::overwriteSaveProject()
{
    if (hasFileName(project.path))
        return saveProject(project.path, false);
    return saveProjectAs();
}

} // namespace Edit
