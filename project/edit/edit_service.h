#pragma once
// The edit service: owns the open project and what surrounds it (the "Edit"
// settings, the current scene, the project lock, the object clipboard, the
// project and backup histories). It switches, creates, renames, configures and
// deletes scenes; creates, loads and saves projects; keeps the current scene's
// selection, focus object and cursor; opens the project of the command line or
// the resume file at start-up, writes the resume file at exit, and saves a
// backup when an exception ends the main loop. Main thread only, except the
// project lock, which render threads take shared (Edit::ReadSection).
#include "core/config.h"
#include "core/service.h"
#include "platform/gpu/format.h"
#include "platform/os/rwlock.h"
#include "project/files/file_history.h"
#include "project/model/object_list.h"
#include "project/model/project.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Event { class EventService; }
namespace Media { class RenderBuffer; }
namespace Undo { class UndoService; }
namespace Window { class WindowControl; }

namespace Edit {

class EditAnchorHost;
class Object;
class Scene;

class EditService : public System::Singleton<EditService> {
public:
    // Builds the fields, loads the "Edit" settings, joins the start-up and
    // shut-down lists, and makes scene 0 current. The undo service must exist.
    EditService();
    // Saves both histories and writes the "Edit" settings back.
    ~EditService();
    EditService(const EditService&) = delete;
    EditService& operator=(const EditService&) = delete;

    // ---- life ----
    // Opens the project of the command line, else the resume file when
    // EditResume is on; applies the history limits and the backup timer.
    void startup();
    // Writes the resume file when EditResume is on and no exception ended the program.
    void shutdown();
    // An exception ended the main loop: saves an exception backup, tells the user,
    // and removes the resume file once the backup exists.
    void applicationException(const std::exception& e);
    // The last argument after the program's name (arguments[0]) that is not an
    // option ("-...") and names a ".vmp2" file, as given; empty when none.
    static std::wstring processCommandLine(const std::vector<std::wstring>& arguments);
    // The same over the process's own command line.
    static std::wstring processCommandLine();

    // ---- scenes ----
    // Makes the scene (created when missing) current; inside a transaction of the caller's.
    void setCurrentScene(int id);
    void updateScene(int id);
    bool newScene();
    bool createScene(const std::wstring& name, int width, int height, int videoRate, int videoScale, int audioRate);
    void renameScene(int id);
    void settingScene(int id);
    // Asks first when the scene holds an object; scene 0 is never deleted.
    void deleteScene(int id);
    // Imports an older object file as a new scene and makes it current. On a
    // failure the new scene goes again, the user is told and the result is false.
    bool createSceneFromTso(const std::wstring& path);

    // ---- project ----
    // Whether unsaved changes may be dropped (asks when there are any).
    bool confirmDiscardEdit();
    void clearProject();
    bool createProject();
    // False when the file is missing, the user declined, or it failed to load
    // (then the project is empty, its path empty and the history unchanged).
    bool loadProject(const std::wstring& path, bool confirm, bool setPath);
    // Whether the file was written. A silent save (backups, resume file) leaves
    // the footer, the history and the modified flag alone.
    bool saveProject(const std::wstring& path, bool silent);
    bool saveProjectAs();
    bool overwriteSaveProject();

    // ---- placing object lists in the current scene, each as one undoable edit ----
    // Copies of the list with their layers and frames moved by the offsets;
    // see Edit::placeObjectList. With focusFirst the first copy gets the focus.
    ObjectList placeObjectList(const ObjectList& list, int layerOffset, int frameOffset, bool focusFirst);
    // The list placed from layer and frame on, moved later until it overlaps
    // nothing; see Edit::pasteObjectList.
    ObjectList pasteObjectList(const ObjectList& list, int layer, int frame, bool focusFirst);

    // ---- the current scene's selection, focus and cursor (no transaction) ----
    void setFocusObject(const std::shared_ptr<Object>& object);
    void setCursorFrame(int frame);
    // Moves the cursor by "<n>f" frames or "<s>" seconds in the direction (+1, -1).
    void moveCursorFrame(const std::wstring& amount, int direction);
    bool addSelectObject(const std::shared_ptr<Object>& object, bool notify);
    void clearSelectObject(bool notify);
    // Selects the object (with its group) for a click in the control, which then
    // watches the Ctrl key's release.
    void selectObject(Window::WindowControl* control, const std::shared_ptr<Object>& object, bool withGroup);
    // A click on empty space: clears the selection unless Ctrl is held or a
    // press is pending (the control then watches for their end).
    void clickClearSelectObject(Window::WindowControl* control);
    std::wstring getLayerName(int layer) const;

    // Set by the player when it exists: stops preview playback without keeping the position.
    std::function<void()> stopPlayback;
    // Set by the waveform cache when it exists: cancels its worker and waits for what it queued.
    std::function<void()> drainWaveform;
    // Set by the script effects: told of every project read from a file (the
    // file's path), on the main thread with the project lock free.
    static inline std::function<void(const Project&, const std::wstring& path)> projectLoaded;

    Event::EventService* eventService;
    Undo::UndoService* undoService;

    // Section "Edit" of the main ini file (with the new-project defaults the
    // settings service keeps there). The handle settings live in the anchor host.
    int editResume = 0;
    int autoBackup = 1;
    int autoBackupInterval = 5; // minutes
    int autoBackupFileMax = 10;
    int historyFileMax = 10;
    int layerObjectMoveSnap = 1;
    int singleClickFocusLayerObject = 1;
    int singleClickFocusAnchorObject = 0;
    int clickLayerObjectSelectGroup = 1;
    int clickAnchorObjectSelectGroup = 1;
    int mouseHoverHideOtherAnchor = 0;
    int addSectionSplitByCursorFrame = 0;
    int fixedMovieTimeRange = 0;
    int moveFrameSelectRangeMode = 1;
    std::wstring customMoveFrameA = L"5f";
    std::wstring customMoveFrameB = L"1";
    std::wstring customMoveFrameC = L"30";
    std::wstring customMoveFrameD = L"60";

    Project project;
    ObjectList objectClipboard;
    ProjectHistory projectHistory;
    BackupHistory backupHistory;
    std::shared_ptr<Scene> currentScene;
    Platform::Os::ReaderWriterLock projectLock;
    bool exceptionOccurred = false;
    EditAnchorHost* anchorHost = nullptr; // installed as the effects' anchor host while the service lives

private:
    void logCurrentScene(const char* place) const;
    void setFooter(const wchar_t* title);

    System::Config::Section settings{"Edit"};
    std::deque<System::Config::Int> intSettings;
    std::deque<System::Config::String> textSettings;
};

// The scenes for which the predicate holds, in order.
std::vector<std::shared_ptr<Scene>> filterSceneList(const std::vector<std::shared_ptr<Scene>>& scenes,
                                                    const std::function<bool(const Scene&)>& predicate);
// Holds for every scene but scene 0 and the given one.
std::function<bool(const Scene&)> otherSceneThan(int id);
// The render callback that puts a rendered frame on the clipboard: the frame
// read back in the format (and alpha form) given here, posted to the main thread.
std::function<void(Media::RenderBuffer& frame, int frameNumber)> makeFrameToClipboard(Platform::Gpu::Format format,
                                                                                       bool straightAlpha);

} // namespace Edit
