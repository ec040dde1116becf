#pragma once
// The small dialogs the editing commands and the writers open: the scene
// settings, one line of text, a length in seconds or frames, one number, one
// integer, and the AVI writer's formats. Each logs its title and, when an
// answerer for its class is installed and no driver is, lets the answerer
// stand in for the person (tests); otherwise the dialog runs (and cancels
// at once where nobody is there).
#include "project/edit/edit_host.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/menus/dialogs/dialog_template.h"
#include "ui/menus/dialogs/file_dialog.h"

#include <functional>
#include <string>

namespace Dialog {

// Rows: name (when asked for), size (32 to 16384), frame rate (0.001 to 1000),
// sampling rate (1 to 3072000).
class SceneDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(SceneDialog& dialog)>;
    SceneDialog();

    // True for OK; the values then hold what was chosen.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    bool withName = true;
    bool withSize = true;
    bool withRate = true;
    bool withAudio = true;
    Edit::SceneSettings values;
};

// One text row "名前".
class InputStringDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(InputStringDialog& dialog)>;
    InputStringDialog();

    // True for OK with the edited text.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    std::wstring text;
    std::wstring label = L"名前";
    bool required = false;
};

// A length in frames, typed into its seconds row ("秒数指定", at the frame rate
// videoRate / videoScale) or its frames row ("フレーム数指定"); each row
// follows what is typed into the other. Enter submits both rows.
class FrameLengthDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(FrameLengthDialog& dialog)>;
    static constexpr const wchar_t* SecondsLabel = L"秒数指定";
    static constexpr const wchar_t* FramesLabel = L"フレーム数指定";
    FrameLengthDialog();

    // True for OK, frames then holding the frames row's count.
    bool show();
    static void setAnswerer(Answerer answerer);
    // Seconds to frames: rounded, halves away from zero, held to the range (NaN gives the minimum).
    int secondsToFrames(double value) const;
    double framesToSeconds(int count) const;
    // The seconds row's maximum: the frame limit in seconds (in double: it passes 32 bits).
    double secondsLimit() const;

    bool procMessage(DialogHandle dialog, const DialogEvent& event) override;

    std::wstring title;
    int frames = 0;
    int minimum = 0;
    int maximum = 2000000000;
    int videoRate = 30;
    int videoScale = 1;
    // For answerers: the seconds the dialog starts with, and whether the
    // seconds row was typed into after the frames row.
    double seconds = 0.0;
    bool secondsTyped = false;

    DialogItemInteger* framesRow = nullptr;
    DialogItemNumber* secondsRow = nullptr;
    std::wstring lastFramesText;
    std::wstring lastSecondsText;
};

// One number row under the title.
class InputNumberDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(InputNumberDialog& dialog)>;
    InputNumberDialog();

    // True for OK with the number, within minimum .. maximum.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    std::wstring label;
    double value = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
};

// One integer row with a label, within minimum .. maximum.
class InputIntegerDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(InputIntegerDialog& dialog)>;
    InputIntegerDialog();

    // True for OK with the value.
    bool show();
    static void setAnswerer(Answerer answerer);

    void* owner = nullptr; // the dialog it opens over (a DialogHandle), or none
    std::wstring title;
    std::wstring label;
    int value = 0;
    int minimum = 0;
    int maximum = 0;
};

// The AVI writer's settings: the video type and the audio type by name.
class AviFileSaveDialog : public DialogTemplate {
public:
    using Answerer = std::function<bool(AviFileSaveDialog& dialog)>;
    AviFileSaveDialog();

    // The choices offered.
    static const wchar_t* const VideoTypes[3];
    static const wchar_t* const AudioTypes[2];

    // True for OK with the chosen types.
    bool show();
    static void setAnswerer(Answerer answerer);

    void* owner = nullptr; // the dialog it opens over (a DialogHandle), or none
    std::wstring videoType;
    std::wstring audioType;
};

} // namespace Dialog
