#pragma once
// What the edit service and its transactions ask of the user interface above
// them: questions and dialogs, the main window's footer and input state, and
// the settings windows that the end of a transaction refreshes. The interface
// installs its implementations at start-up (ui/); until then the defaults act
// as a program without a person: dialogs log their title and cancel, nothing
// is pending, and there are no settings windows to refresh.
#include <memory>
#include <string>
#include <vector>

namespace Effect {
class EffectBase;
class EffectItemNumber;
} // namespace Effect
namespace Window { class WindowControl; }

namespace Edit {

class Object;

// A scene's settings as the scene dialog edits them.
struct SceneSettings {
    std::wstring name;
    int width = 1920;
    int height = 1080;
    int videoRate = 30;
    int videoScale = 1;
    int audioRate = 44100;
};

class EditHost {
public:
    EditHost() = default;
    virtual ~EditHost();
    EditHost(const EditHost&) = delete;
    EditHost& operator=(const EditHost&) = delete;

    // The installed host, or the default one.
    static EditHost& get();
    // Installs a host that the caller keeps alive until it installs null (the default again).
    static void install(EditHost* host);

    // ---- questions and dialogs (main thread) ----
    // An OK/Cancel warning question under the product title; true for OK.
    virtual bool showConfirm(const wchar_t* text);
    // The scene dialog under the title; withName adds the name row. True for
    // OK, the settings then holding what the user chose.
    virtual bool showSceneDialog(const wchar_t* title, SceneSettings& settings, bool withName);
    // One line of text under the title; true for OK with the text edited.
    virtual bool inputString(const wchar_t* title, std::wstring& text);
    // A frame count under the title, entered as seconds at the frame rate
    // videoRate / videoScale or as frames, within 0 .. maximum; true for OK
    // with the count in frames.
    virtual bool inputFrameLength(const wchar_t* title, int& frames, int maximum, int videoRate, int videoScale);
    // One number row (label) under the title, within minimum .. maximum; true for OK.
    virtual bool inputNumber(const wchar_t* title, const wchar_t* label, double& value, double minimum,
                             double maximum);
    // The alias dialog ("エイリアスを作成" and the subject: a key of the Dialog
    // table when subjectIsKey, else a display name as it is) with its name and
    // label rows filled in; true for OK with the name and label chosen.
    virtual bool showAliasDialog(const std::wstring& subject, bool subjectIsKey, std::wstring& name,
                                 std::wstring& label);
    // The save-file dialog starting at path; true with the chosen path.
    virtual bool showSaveFileDialog(std::wstring& path, const std::wstring& filter);
    // The box that tells of an exception that ended the main loop.
    virtual void showApplicationException(const std::wstring& message);

    // ---- the main window ----
    // Shows the title and detail in the footer, with a progress bar above 0;
    // an empty title restores the usual footer.
    virtual void setFooterMessage(const std::wstring& title, const std::wstring& detail, float progress);
    // The mouse cursor over the main window: the application-starting cursor
    // while busy (the preview plays), the arrow otherwise.
    virtual void setBusyCursor(bool busy);
    // The "not allowed" cursor over the main window: a drag was refused.
    virtual void setDeniedCursor();
    virtual bool isControlKeyDown();
    // Whether a mouse press or drag is pending.
    virtual bool isMousePending();
    // The watch code of the control's window's key watcher, 0 when it has none.
    virtual int getKeyWatch(Window::WindowControl* control);
    // Makes the control its window's key watcher with the code (17 the Ctrl key's
    // release, 0x10000 the end of a pending press or drag).
    virtual void setKeyWatch(Window::WindowControl* control, int code);
};

// The object settings window and its colour, text and time windows, as the
// end of an edit transaction refreshes them (after the project lock is released).
class SettingHost {
public:
    SettingHost() = default;
    virtual ~SettingHost();
    SettingHost(const SettingHost&) = delete;
    SettingHost& operator=(const SettingHost&) = delete;

    static SettingHost& get();
    static void install(SettingHost* host);

    // The object settings window forgets its section state.
    virtual void resetSettingSection();
    // Its effect panels are dropped and rebuilt for the focus object.
    virtual void clearSettingList();
    // Its panels show the effects' enable and lock states and their items' values again.
    virtual void updateSettingValue();
    // The time window checks that its target still exists and reloads it.
    virtual void updateTimeSetting();
    // The colour window reloads its colour.
    virtual void updateColorSetting();
    // The text window checks that its target still exists and reloads its text.
    virtual void updateTextSetting();
    // Whether the time window is shown.
    virtual bool isTimeSettingShown();
    // The time window edits the item's curve from now on (and shows itself).
    virtual void setTimeSettingTarget(const std::shared_ptr<Object>& object,
                                      const std::shared_ptr<Effect::EffectBase>& effect,
                                      Effect::EffectItemNumber* item);
    // The time window's curve takes the movement preset's values.
    virtual void applyParams(const std::vector<double>& values);
};

// The timeline as the editing commands read and change it. The timeline pane
// installs itself; until then the mouse is never over it, and a frame
// selection is stored in the scene and announced without a repaint.
class TimelineHost {
public:
    // What paste reads of the timeline: the last mouse position over its
    // window, the object view's rectangle (right and bottom exclusive) and
    // the height of one layer, in the window's pixels.
    struct TimelineView {
        bool hasMouse = false; // a mouse position was seen
        int mouseX = 0;
        int mouseY = 0;
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int layerHeight = 0;
    };

    TimelineHost() = default;
    virtual ~TimelineHost();
    TimelineHost(const TimelineHost&) = delete;
    TimelineHost& operator=(const TimelineHost&) = delete;

    static TimelineHost& get();
    static void install(TimelineHost* host);

    virtual TimelineView getTimelineView();
    // Stores the frame selection in the current scene (-1, -1 clears it) and
    // fires selectFrameRangeChanged; the pane repaints too.
    virtual void setFrameSelection(int start, int end);
};

} // namespace Edit
