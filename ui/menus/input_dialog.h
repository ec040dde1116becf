#pragma once
// The dialogs the editing code opens: the scene settings, one line of text,
// and the save-file dialog. Until their windows exist each logs its title and
// answers Cancel, unless an answerer stands in for the person (tests).
#include "project/edit/edit_host.h"

#include <functional>
#include <string>

namespace Dialog {

// The scene rows: name (when asked for), width and height (32 to 16384), frame
// rate and scale, audio rate.
class SceneDialog {
public:
    using Answerer = std::function<bool(SceneDialog& dialog)>;

    // True for OK; the values then hold what was chosen, held to the rows' ranges.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    bool withName = true;
    Edit::SceneSettings values;
};

class InputStringDialog {
public:
    using Answerer = std::function<bool(InputStringDialog& dialog)>;

    // True for OK with the edited text.
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    std::wstring text;
};

// A length in frames, typed into its seconds row ("秒数指定", at the frame rate
// videoRate / videoScale) or its frames row ("フレーム数指定").
class FrameLengthDialog {
public:
    using Answerer = std::function<bool(FrameLengthDialog& dialog)>;
    static constexpr const wchar_t* SecondsLabel = L"秒数指定";
    static constexpr const wchar_t* FramesLabel = L"フレーム数指定";

    // The seconds row starts at the frames' time. True for OK, frames then
    // holding the count of the row typed into last, held to minimum .. maximum.
    bool show();
    static void setAnswerer(Answerer answerer);
    // Seconds to frames: rounded, halves away from zero, held to the range (NaN gives the minimum).
    int secondsToFrames(double value) const;
    double framesToSeconds(int count) const;

    std::wstring title;
    int frames = 0;
    int minimum = 0;
    int maximum = 2000000000;
    int videoRate = 30;
    int videoScale = 1;
    double seconds = 0.0;
    bool secondsTyped = false; // the seconds row was typed into after the frames row
};

// One number row under the title.
class InputNumberDialog {
public:
    using Answerer = std::function<bool(InputNumberDialog& dialog)>;

    // True for OK with the number held to minimum .. maximum (NaN gives the minimum).
    bool show();
    static void setAnswerer(Answerer answerer);

    std::wstring title;
    std::wstring label;
    double value = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;
};

// One integer row with a label, held to minimum .. maximum.
class InputIntegerDialog {
public:
    using Answerer = std::function<bool(InputIntegerDialog& dialog)>;

    // True for OK with the value, held to the row's range.
    bool show();
    static void setAnswerer(Answerer answerer);

    void* owner = nullptr;
    std::wstring title;
    std::wstring label;
    int value = 0;
    int minimum = 0;
    int maximum = 0;
};

// The AVI writer's settings: the video type and the audio type by name.
class AviFileSaveDialog {
public:
    using Answerer = std::function<bool(AviFileSaveDialog& dialog)>;

    static const wchar_t* const VideoTypes[5];
    static const wchar_t* const AudioTypes[2];

    // True for OK with the chosen types.
    bool show();
    static void setAnswerer(Answerer answerer);

    void* owner = nullptr;
    std::wstring videoType;
    std::wstring audioType;
};

// Answers for the save dialog: true with a chosen path.
using SaveFileAnswerer = std::function<bool(std::wstring& path, const std::wstring& filter)>;

// The save-file dialog over the filter (title and patterns, each ended by a
// NUL, and one NUL more), starting at path; true with the chosen path in it.
bool showSaveFileDialog(std::wstring& path, const std::wstring& filter, const wchar_t* title = nullptr);
void setSaveFileAnswerer(SaveFileAnswerer answerer);

} // namespace Dialog
