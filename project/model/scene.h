#pragma once
// A scene: its layers and objects (Edit::LayerObjectManager), its video and
// audio format, and the editing state kept per scene (cursor, selection,
// timeline and preview view, tempo and grids, undo history).
#include "project/model/camera_state.h"
#include "project/model/frame_zoom.h"
#include "project/model/layer_object_manager.h"
#include "project/model/object_selection.h"
#include "project/model/undo_history.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Edit {

class Object;

// The limits of a scene's format, the same for every file that stores scenes
// (the project file and the older object file): 1 to SceneSizeMax pixels a
// side, a positive rate and scale, 1 to SceneAudioRateMax samples a second.
constexpr int SceneSizeMax = 16384;
constexpr int SceneAudioRateMax = 768000;

// Throws "invalid scene setting." at place, naming the values, when the
// format lies outside the limits above.
void checkSceneFormat(const char* place, int width, int height, int rate, int scale, int audioRate);

class Scene : public LayerObjectManager {
public:
    // A scene with the new-project settings of the running settings service.
    Scene(int id, int displayOrder);
    ~Scene();

    // "Root" for scene 0, else "Scene" and the id, through the language's names.
    static std::wstring getDefaultName(int id);
    // Whether the predicate holds for a selected object, or, with nothing
    // selected, for the placed focus object.
    bool checkTargetObject(const std::function<bool(const std::shared_ptr<Object>&)>& predicate) const;
    // Name, total time, video and audio format, one per line.
    std::wstring getInformationText() const;

    // Writes section "scene.<index>".
    void saveSceneIniFile(System::File& file, int index) const;
    // Reads a scene section over the scene's current values; a missing required
    // key, a malformed number or a setting outside the limits (checkSceneFormat,
    // a tempo or grid that is no finite number, a tempo of 0 or less) throws
    // and leaves the scene as it was.
    void loadSceneIniFile(const System::IniFile::SectionRef& section);
    // Reads the header section "tessel" of an older object file; fileName
    // (the default name when empty) becomes the scene's name.
    void loadSceneTsoFile(System::IniFile& ini, const std::wstring& fileName);

    Undo::UndoHistory undoHistory;
    std::wstring name;
    int id;
    int videoRate = 30;
    int videoScale = 1;
    int width = 1920;
    int height = 1080;
    int audioRate = 44100;
    int cursorFrame = 0;
    bool playing = false;
    int playFrame = 0;
    std::shared_ptr<Object> focusObject;
    int frameSelectionStart = -1;
    int frameSelectionEnd = -1;
    int selectionAnchor = 0; // the timeline's, not stored
    float tempoBpm = 120.0f;
    int tempoBeat = 4;
    float tempoOffset = 0.0f;
    std::vector<int> gridX;
    std::vector<int> gridY;
    int gridWidth = 200;
    int gridHeight = 200;
    float gridStep = 200.0f;
    float gridRange = 10000.0f;
    CameraState displayCamera;
    int displayFrame = 0;
    int displayFrameCount = 0; // the timeline's, not stored
    int displayLayer = 0;
    FrameZoom displayZoom;
    ObjectSelection selection;
    int displayOrder;
};

// The grid lists: integers joined by ","; parsing keeps the entries before the
// first that is not an integer.
void stringToIntList(std::vector<int>& list, const std::wstring& text);
std::wstring intListToString(const std::vector<int>& list);

} // namespace Edit
