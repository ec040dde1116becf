#pragma once
// The edit transaction and its read-side counterpart.
//
// Every change of the project runs inside one Edit::UpdateSection on the main
// thread: opening it stops playback and takes the project lock exclusively;
// the opener changes the model, records an undo snapshot of each element
// before changing it (openUndoStep, then the UndoService recorders) and raises
// the flags that describe the change. Closing it re-indexes the layers,
// commits the undo step, releases the lock and only then refreshes the
// settings windows and runs the listener lists the flags name, so listeners
// may open transactions of their own. The end also runs when an exception
// leaves the opener: what was recorded is committed and the lock released.
//
// Render threads read the project under Edit::ReadSection, the same lock held
// shared. Neither nests: the lock is not recursive.
#include <memory>

namespace Event { class EventService; }
namespace Platform::Os { class ReaderWriterLock; }

namespace Edit {

class EditService;
class Object;
class Scene;

class UpdateSection {
public:
    // Opens a transaction on the running edit service / on the given one.
    UpdateSection();
    explicit UpdateSection(EditService& service);
    ~UpdateSection();
    UpdateSection(const UpdateSection&) = delete;
    UpdateSection& operator=(const UpdateSection&) = delete;

    // Opens the undo step (once per transaction): the recorders may be called
    // from here on, and the step is committed when the transaction ends.
    void openUndoStep();

    Event::EventService* eventService = nullptr;
    // The current scene when the transaction began; every end step works on it.
    std::shared_ptr<Scene> scene;
    bool updateLayerObject = false;    // placement changed: re-index at the end
    bool updateSettingList = false;    // the effect list of the shown object changed
    bool updateSettingSection = false; // an object's section layout changed
    bool updateSettingValue = false;   // effect values, enable or lock states changed
    bool updateTimeSetting = false;    // the time window re-checks its target
    bool updateColorSetting = false;   // the colour window reloads
    bool updateTextSetting = false;    // the text window reloads
    bool notifyEdit = false;           // editChanged with targetObject
    bool notifyLayer = false;          // layerChanged
    bool notifyScene = false;          // sceneChanged with sceneId
    bool notifyFocusObject = false;    // focusObjectChanged with the scene's focus object
    bool notifyCursorFrame = false;    // cursorFrameChanged with the scene's cursor frame
    std::shared_ptr<Object> targetObject;
    int sceneId = 0;
    bool recordUndo = false;
    Platform::Os::ReaderWriterLock* lock = nullptr; // held until the end; null once released

private:
    void end() noexcept;
};

class ReadSection {
public:
    // Takes the project lock shared, then a reference to the current scene.
    ReadSection();
    explicit ReadSection(EditService& service);
    ~ReadSection();
    ReadSection(const ReadSection&) = delete;
    ReadSection& operator=(const ReadSection&) = delete;

    Event::EventService* eventService = nullptr;
    std::shared_ptr<Scene> scene;
    Platform::Os::ReaderWriterLock* lock = nullptr;
};

} // namespace Edit
